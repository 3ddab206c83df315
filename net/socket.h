// The host's socket layer: byte buffers, IPv4 addresses, Berkeley sockets and worker threads.
//
// Threads: every object here is a collected object, so it is created and destroyed on the main
// thread only. Worker threads may call the calls marked "any thread" on an object that the main
// thread keeps reachable for as long as the call runs. Host names cross threads as std::string,
// never as String, whose reference count is not atomic.
#pragma once

// <netinet/in.h>: the address is kept in the form the socket calls take.
#include <netinet/in.h>
// <pthread.h>: thread creation must report failure without an exception.
#include <pthread.h>

#include <atomic>
#include <string>

#include "runtime/gc.h"
#include "runtime/ktstring.h"

// ---------------------------------------------------------------------------------------------
// Types

// A fixed-size block of bytes outside the collector, reported to it so that it paces collection.
struct KtDataBuffer : Object {
    unsigned char *m_data = nullptr;
    int m_length = 0;

    ~KtDataBuffer() override;

    // Allocates `length` zeroed bytes; false when the length is negative or memory is short.
    bool _New(int length);
    // Releases the bytes; the length becomes 0.
    void Discard();
    int Length() const { return m_length; }

    // Clamps [offset, offset + count) to the buffer; returns the usable count (0 when outside).
    // Any thread.
    int ClampRange(int offset, int count) const;
};

// An IPv4 address and port.
struct KtSocketAddress : Object {
    sockaddr_in m_addr{};

    // Resolves `host` (a dotted address, or the first IPv4 address found for the name, so this
    // may block) and keeps it with `port`; false when the name does not resolve. Any thread.
    bool Set(const std::string &host, int port);
    String Host() const;
    int Port() const;
};

// How long a stream socket's connect, or one of its sends or receives, may wait for the peer
// before it fails; a silent peer can hold a request no longer than this per call.
constexpr int KT_SOCKET_TIMEOUT_MS = 30000;

// Sets the wait of stream sockets opened from now on (tests shorten it); returns the previous one.
int kt_socket_SetTimeoutMs(int millis);

// One Berkeley socket. The handle is atomic because a worker may read it while the main thread
// closes the socket; a closed socket has handle -1 and every call on it fails.
struct KtSocket : Object {
    enum { Stream = 1, Server = 2, Datagram = 3 };

    std::atomic<int> m_sock{-1};
    // Set once a call has failed because its wait ran out; the socket is of no further use.
    std::atomic<bool> m_timedOut{false};

    ~KtSocket() override;

    // Stream and server: IPv4 TCP with the no-delay option; datagram: IPv4 UDP.
    // Stream sockets wait at most the timeout in connect, send and receive.
    bool Open(int protocol);
    // Releases the handle. A worker may hold the handle's number while it runs a call, and the
    // number is reused by the next socket opened, so call this only while no worker can run.
    void Close();
    // Ends both directions but keeps the handle: a call blocked on it returns at once, a later
    // one fails, and none can reach another socket that reuses the number. Any thread.
    void Shutdown();
    bool Bind(const std::string &host, int port);
    bool Listen(int backlog);
    // A new socket for the next connection; blocks. Main thread only (it creates an object).
    KtSocket *Accept();

    // Any thread, and may block: the rest of the calls run on the asynchronous queues' workers.
    // A port outside 1..65535 never connects.
    bool Connect(const std::string &host, int port);
    // One native call over the clamped range; the byte count, or -1 on failure.
    int Send(KtDataBuffer *data, int offset, int count);
    int Receive(KtDataBuffer *data, int offset, int count);
    int SendTo(KtDataBuffer *data, int offset, int count, KtSocketAddress *address);
    int ReceiveFrom(KtDataBuffer *data, int offset, int count, KtSocketAddress *address);

    bool TimedOut() const { return m_timedOut.load(std::memory_order_relaxed); }

    bool GetLocalAddress(KtSocketAddress *address);
    bool GetRemoteAddress(KtSocketAddress *address);
};

// A worker thread. The state is 0 before the first start, 1 while the body runs and 2 once it
// has returned; the body runs on the new thread and must not create, store or mark collected
// references.
struct KtThread : Object {
    std::atomic<int> m_state{0};
    // Written by SetResult without the barrier (a worker may not touch the collector), so the
    // result must stay reachable some other way until the main thread has read it.
    std::atomic<Object *> m_result{nullptr};

    ~KtThread() override;

    // Does nothing while the body runs; otherwise starts it on a new thread. A thread that cannot
    // be created ends the process with status -1.
    void Start();
    bool IsRunning() const { return m_state.load(std::memory_order_acquire) == 1; }
    Object *Result() const { return m_result.load(std::memory_order_acquire); }
    void SetResult(Object *result) { m_result.store(result, std::memory_order_release); }

    // Waits for the last started thread to exit and releases it; does nothing if there is none.
    // Called on a finished thread it returns at once.
    void Join();

    virtual void Run__UNSAFE__() {}

    void mark() override;

private:
    pthread_t m_thread{};
    bool m_joinable = false;

    static void *Main(void *self);
};
