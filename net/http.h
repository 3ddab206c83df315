// A small HTTP/1.0 client that never blocks the update thread, and its URL parser.
//
// A request goes: opened, connecting, sending, reading headers, reading body, finished. It
// finishes exactly once, on every path, by calling its target's p_OnHttpRequestComplete; a
// request that failed before its status line finishes with status -1 and an empty text. Only
// the status line is interpreted: the body ends when the server closes the connection.
//
// The peer is not trusted: a head or body beyond its cap, a failed connection (a reset, or a
// peer silent past the socket timeout) or a port outside 1..65535 ends the request with status
// -1, an empty text and one line on standard output saying why.
#pragma once

#include "net/async.h"
#include "net/data_buffer.h"
#include "runtime/containers.h"
#include "runtime/gc.h"
#include "runtime/ktstring.h"

// ---------------------------------------------------------------------------------------------
// Types

struct c_HttpRequest;

// Implemented by a collected class as a virtual base (the game's application does so); the
// request finds the object behind it to keep it alive.
struct c_IOnHttpRequestComplete {
    virtual ~c_IOnHttpRequestComplete() = default;
    virtual void p_OnHttpRequestComplete(c_HttpRequest *request) = 0;
};

// The parts of one address: scheme "://" user ":" password "@" domain ":" port path "?" query
// "#" fragment. Absent parts keep their defaults: the scheme and port set by the user of the
// parser, path "/", the rest empty.
struct c_Url : Object {
    String m_defaultScheme;
    int m_defaultPort = 0;
    String m_url;
    String m_scheme;
    String m_username;
    String m_password;
    String m_domain;
    int m_port = 0;
    String m_path;
    String m_query;
    String m_fragment;

    c_Url *m_new(const String &defaultScheme, int defaultPort);
    // Parses `url` into the parts, every one reset first. The fragment starts at the first "#"
    // and the query at the first "?" before it; a scheme ends at a "://" in front of every "/";
    // the authority ends at the first "/" after the scheme, so an "@", ":" or "://" in the path
    // never makes user information, a port or a scheme. The user
    // information ends at the last "@" of the authority; a port that is not given (or given
    // empty) keeps the default.
    void p_Set2(const String &url);
};

struct c_HttpRequest : Object,
                       virtual c_IOnConnectComplete,
                       virtual c_IOnSendComplete,
                       virtual c_IOnReceiveComplete {
    static constexpr int SEND_BUFFER_SIZE = 0x1000;
    static constexpr int RECEIVE_BUFFER_SIZE = 0x4000;
    // Far above any real reply: the head's bytes (blank line included) and lines, and the body.
    static constexpr int HEADER_MAX_BYTES = 64 * 1024;
    static constexpr int HEADER_MAX_LINES = 256;
    static constexpr int BODY_MAX_BYTES = 16 * 1024 * 1024;

    String m_method;
    c_Url *m_url = nullptr;
    c_IOnHttpRequestComplete *m_target = nullptr;
    c_DataBuffer *m_bodyBuffer = nullptr;
    int m_bodyLength = 0;
    int m_status = -1;
    // Body bytes as received, one code unit per byte; decoded as a whole when the request ends,
    // so a character cut between two receives is kept. Null until the headers have ended.
    c_StringStack *m_bodyPieces = nullptr;
    String m_responseText;
    int m_bytesReceived = 0;
    // Head bytes received so far, counted up to the end of the head.
    int m_headerBytes = 0;
    // The request header lines before sending, the response header lines while receiving.
    c_StringStack *m_headerLines = nullptr;
    c_Socket *m_socket = nullptr;
    c_DataBuffer *m_sendBuffer = nullptr;
    c_DataBuffer *m_receiveBuffer = nullptr;

    // Makes the send and receive buffers; p_Open sets up the rest.
    c_HttpRequest *m_new();

    // Starts the header with the request line (the path and query; the fragment stays with the
    // client) and the Host line (with the port when it is not 80).
    void p_Open(const String &method, const String &url, c_IOnHttpRequestComplete *target);
    // Connects and sends the head; call after p_Open.
    void p_Send();
    // Sends `data` in `encoding` as the body, announced by Content-Type and Content-Length.
    void p_Send2(const String &data, const String &mimeType, const String &encoding);
    int p_Status() { return m_status; }
    String p_ResponseText() { return m_responseText; }

    void p_OnConnectComplete(bool connected, c_Socket *socket) override;
    void p_OnSendComplete(c_DataBuffer *buffer, int offset, int count, c_Socket *socket) override;
    // A count of 0 (closed) finishes the request; below 0 (failed) fails it.
    void p_OnReceiveComplete(c_DataBuffer *buffer, int offset, int count,
                             c_Socket *socket) override;

    // Takes `count` new bytes that arrived at `offset` of the receive buffer, behind any bytes of
    // an unfinished header line at its start. Returns the offset at which the next bytes are to
    // be received (up to the end of the buffer), or -1 when the request has finished. Needs no
    // socket, so the response parsing can be fed bytes directly.
    int ReadResponse(int offset, int count);

    // Closes the socket, joins the body and calls the target.
    void p_Finish();

    void mark() override;

private:
    // Prints why, drops status and body, and finishes.
    void Fail(const String &why);
};
