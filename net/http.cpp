// The HTTP/1.0 request and the URL parser.

#include "net/http.h"

#include "runtime/array.h"
#include "runtime/debug.h"

// ---------------------------------------------------------------------------------------------
// Functions

namespace {

const String &ascii() {
    static const String name("ascii");
    return name;
}

const String &utf8() {
    static const String name("utf8");
    return name;
}

// Without the code units up to 32 at either end.
String trim(const String &text) {
    int from = 0, to = text.Length();
    while (from < to && text[from] <= 32) ++from;
    while (to > from && text[to - 1] <= 32) --to;
    return text.Slice(from, to);
}

String upper(const String &text) {
    std::basic_string<Char> units(text.Data(), text.Data() + text.Length());
    for (Char &u : units) {
        if (u >= 'a' && u <= 'z') u = static_cast<Char>(u - 'a' + 'A');
    }
    return String(units.data(), text.Length());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Addresses

c_Url *c_Url::m_new(const String &defaultScheme, int defaultPort) {
    m_defaultScheme = defaultScheme;
    m_defaultPort = defaultPort;
    m_port = defaultPort;
    m_scheme = defaultScheme;
    m_path = String("/");
    return this;
}

void c_Url::p_Set2(const String &url) {
    m_url = url;
    m_scheme = m_defaultScheme;
    m_port = m_defaultPort;
    m_username = m_password = m_domain = m_query = m_fragment = String();
    m_path = String("/");

    String rest = url;
    int at = rest.Find(String("#"));
    if (at >= 0) {
        m_fragment = rest.Slice(at + 1);
        rest = rest.Slice(0, at);
    }
    at = rest.Find(String("?"));
    if (at >= 0) {
        m_query = rest.Slice(at + 1);
        rest = rest.Slice(0, at);
    }
    // A "://" after the first "/" belongs to the path.
    at = rest.Find(String("://"));
    if (at >= 0 && rest.Find(String("/")) == at + 1) {
        m_scheme = rest.Slice(0, at);
        rest = rest.Slice(at + 3);
    }
    at = rest.Find(String("/"));
    if (at >= 0) {
        m_path = rest.Slice(at);
        rest = rest.Slice(0, at);
    }
    int last_at = -1;
    for (at = rest.Find(String("@")); at >= 0; at = rest.Find(String("@"), at + 1)) last_at = at;
    if (last_at >= 0) {
        String user = rest.Slice(0, last_at);
        rest = rest.Slice(last_at + 1);
        at = user.Find(String(":"));
        if (at >= 0) {
            m_username = user.Slice(0, at);
            m_password = user.Slice(at + 1);
        } else {
            m_username = user;
        }
    }
    at = rest.Find(String(":"));
    if (at >= 0) {
        String port = rest.Slice(at + 1);
        if (port.Length() > 0) m_port = port.ToInt();
        rest = rest.Slice(0, at);
    }
    m_domain = rest;
}

// ---------------------------------------------------------------------------------------------
// Requests

c_HttpRequest *c_HttpRequest::m_new() {
    gc_assign(m_sendBuffer, (new c_DataBuffer)->m_new(SEND_BUFFER_SIZE));
    gc_assign(m_receiveBuffer, (new c_DataBuffer)->m_new(RECEIVE_BUFFER_SIZE));
    return this;
}

void c_HttpRequest::p_Open(const String &method, const String &url,
                           c_IOnHttpRequestComplete *target) {
    m_method = method;
    gc_assign(m_url, (new c_Url)->m_new(String("http"), 80));
    m_url->p_Set2(url);
    kt_assign_interface(m_target, target);
    m_status = -1;
    gc_assign(m_bodyPieces, nullptr);
    m_responseText = String();
    m_bytesReceived = 0;
    m_headerBytes = 0;

    String target_path = m_url->m_path;
    if (m_url->m_query.Length() > 0) target_path = target_path + String("?") + m_url->m_query;
    String host = m_url->m_domain;
    if (m_url->m_port != 80) host = host + String(":") + String(m_url->m_port);
    gc_assign(m_headerLines, (new c_StringStack)->m_new());
    m_headerLines->p_Push4(method + String(" ") + target_path + String(" HTTP/1.0"));
    m_headerLines->p_Push4(String("Host: ") + host);
}

void c_HttpRequest::p_Send() {
    gc_assign(m_socket, (new c_Socket)->m_new(String("stream")));
    m_socket->p_ConnectAsync(m_url->m_domain, m_url->m_port, this);
}

void c_HttpRequest::p_Send2(const String &data, const String &mimeType, const String &encoding) {
    int length = kt_databuffer_EncodedLength(data, encoding);
    m_headerLines->p_Push4(String("Content-Type: ") + mimeType);
    m_headerLines->p_Push4(String("Content-Length: ") + String(length));
    gc_assign(m_bodyBuffer, (new c_DataBuffer)->m_new(length));
    m_bodyLength = m_bodyBuffer->p_PokeString(0, data, encoding);
    p_Send();
}

void c_HttpRequest::p_OnConnectComplete(bool connected, c_Socket *socket) {
    if (!connected) {
        String where = m_url->m_domain + String(":") + String(m_url->m_port);
        if (m_url->m_port < 1 || m_url->m_port > 65535) {
            Fail(String("invalid URL, its port is outside 1..65535: ") + m_url->m_url);
        } else if (socket->m_native->TimedOut()) {
            Fail(String("no answer from ") + where + String(" within the timeout"));
        } else {
            Fail(String("cannot connect to ") + where);
        }
        return;
    }
    m_headerLines->p_Push4(String());
    m_headerLines->p_Push4(String());
    String head = m_headerLines->p_Join(String("\r\n"));
    m_headerLines->p_Clear();
    // A header cut to the buffer would send a request the server misreads.
    if (head.Length() > m_sendBuffer->p_Length()) {
        p_Finish();
        return;
    }
    int bytes = m_sendBuffer->p_PokeString(0, head, ascii());
    if (m_socket->p_IsConnected()) {
        m_socket->p_SendAsync(m_sendBuffer, 0, bytes, this);
        m_socket->p_ReceiveAsync(m_receiveBuffer, 0, m_receiveBuffer->p_Length(), this);
    }
}

void c_HttpRequest::p_OnSendComplete(c_DataBuffer *, int, int, c_Socket *) {
    if (!m_bodyBuffer) return;
    m_socket->p_SendAsync(m_bodyBuffer, 0, m_bodyLength, this);
    gc_assign(m_bodyBuffer, nullptr);
}

void c_HttpRequest::p_OnReceiveComplete(c_DataBuffer *, int offset, int count, c_Socket *) {
    if (count == 0) {
        p_Finish();
    } else if (count < 0 && m_socket && m_socket->m_native->TimedOut()) {
        Fail(String("the server was silent past the timeout"));
    } else if (count < 0) {
        Fail(String("the connection failed"));
    }
    if (count <= 0) return;
    int next = ReadResponse(offset, count);
    if (next >= 0 && m_socket && m_socket->p_IsConnected()) {
        m_socket->p_ReceiveAsync(m_receiveBuffer, next, m_receiveBuffer->p_Length() - next, this);
    }
}

int c_HttpRequest::ReadResponse(int offset, int count) {
    c_DataBuffer *buffer = m_receiveBuffer;
    count = buffer->ClampRange(offset, count);
    int end = offset + count, line_start = 0;
    // Returns the next offset, or -1 when the body is over its cap and the request has failed.
    auto take_body = [&](int from) {
        if (end == from) return 0;
        if (end - from > BODY_MAX_BYTES - m_bytesReceived) {
            Fail(String("the reply's body is longer than ") + String(BODY_MAX_BYTES) +
                 String(" bytes"));
            return -1;
        }
        m_bytesReceived += end - from;
        m_bodyPieces->p_Push4(buffer->p_PeekString(from, end - from, ascii()));
        return 0;
    };
    if (m_bodyPieces) return take_body(offset);
    auto head_too_long = [&] {
        Fail(String("the reply's head is longer than ") + String(HEADER_MAX_BYTES) +
             String(" bytes or ") + String(HEADER_MAX_LINES) + String(" lines"));
        return -1;
    };
    // Bytes before `offset` are an unfinished line: they hold no line feed.
    int head_before = m_headerBytes;
    for (int i = offset; i < end; ++i) {
        if (buffer->m_data[i] != '\n') continue;
        if (head_before + (i + 1 - offset) > HEADER_MAX_BYTES) return head_too_long();
        String line = trim(buffer->p_PeekString(line_start, i - line_start, ascii()));
        line_start = i + 1;
        if (line.Length() > 0) {
            if (m_headerLines->p_Length() == HEADER_MAX_LINES) return head_too_long();
            m_headerLines->p_Push4(line);
            continue;
        }
        if (m_headerLines->p_Length() == 0) {
            p_Finish();
            return -1;
        }
        // Two parts are enough: trimming takes the space off a status line whose reason phrase
        // is empty.
        Array<String> parts = upper(m_headerLines->p_Get(0)).Split(String(" "));
        if (parts.Length() < 2 || !parts[0].StartsWith(String("HTTP/"))) {
            p_Finish();
            return -1;
        }
        m_status = parts[1].ToInt();
        gc_assign(m_bodyPieces, (new c_StringStack)->m_new());
        return take_body(line_start);
    }
    m_headerBytes = head_before + count;
    if (m_headerBytes > HEADER_MAX_BYTES) return head_too_long();
    int unfinished = end - line_start;
    // A line as long as the whole buffer can never end inside it.
    if (unfinished == buffer->p_Length()) {
        p_Finish();
        return -1;
    }
    buffer->p_CopyBytes(line_start, buffer, 0, unfinished);
    return unfinished;
}

void c_HttpRequest::p_Finish() {
    if (m_socket) m_socket->p_Close();
    if (m_bodyPieces) {
        String bytes = m_bodyPieces->p_Join(String());
        if (bytes.Length() > 0) {
            auto *joined = (new c_DataBuffer)->m_new(bytes.Length());
            joined->p_PokeString(0, bytes, ascii());
            m_responseText = joined->p_PeekString(0, bytes.Length(), utf8());
            joined->Discard();
        }
    }
    if (m_target) m_target->p_OnHttpRequestComplete(this);
}

void c_HttpRequest::Fail(const String &why) {
    ktPrint(String("HTTP request failed: ") + why);
    m_status = -1;
    gc_assign(m_bodyPieces, nullptr);
    p_Finish();
}

void c_HttpRequest::mark() {
    gc_mark(m_url);
    kt_mark_interface(m_target);
    gc_mark(m_bodyBuffer);
    gc_mark(m_bodyPieces);
    gc_mark(m_headerLines);
    gc_mark(m_socket);
    gc_mark(m_sendBuffer);
    gc_mark(m_receiveBuffer);
    Object::mark();
}
