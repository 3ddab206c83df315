// Asynchronous sockets: operations run on a worker thread per queue and complete on the update
// thread, inside the event pump the game calls once per update.
//
// Each socket has a write queue (connect and send) and a read queue (receive). A queue is a
// single-producer, single-consumer ring: the update thread enqueues and completes, the worker
// executes. The worker only reads and writes the plain fields of the operation in hand and
// blocks in socket calls; everything that touches the collector happens on the update thread.
// Operations in flight stay alive because the event source list (a root) holds every socket
// ever made, each socket its queues and each queue the operations it has not completed.
#pragma once

#include <atomic>
#include <string>

#include "net/data_buffer.h"
#include "net/socket.h"
#include "runtime/containers.h"
#include "runtime/gc.h"

// ---------------------------------------------------------------------------------------------
// Types

struct c_Socket;

// Anything the event pump updates once per pump. A collected object itself, because the pump
// keeps its sources in a collected stack.
struct c_IAsyncEventSource : Object {
    virtual void p_UpdateAsyncEvents() = 0;
};

// The pump's stack of sources.
using c_Stack3 = c_StackOf<c_IAsyncEventSource *>;

// The completion callbacks. They are mixed into collected classes as virtual bases and carry no
// collector header of their own; whoever holds one marks the object behind it with
// kt_mark_interface.
struct c_IOnConnectComplete {
    virtual ~c_IOnConnectComplete() = default;
    virtual void p_OnConnectComplete(bool connected, c_Socket *socket) = 0;
};
struct c_IOnSendComplete {
    virtual ~c_IOnSendComplete() = default;
    virtual void p_OnSendComplete(c_DataBuffer *buffer, int offset, int count,
                                  c_Socket *socket) = 0;
};
struct c_IOnReceiveComplete {
    virtual ~c_IOnReceiveComplete() = default;
    virtual void p_OnReceiveComplete(c_DataBuffer *buffer, int offset, int count,
                                     c_Socket *socket) = 0;
};

// One queued socket call. Execute runs on the worker thread and writes only the result fields;
// Complete runs on the update thread once the worker has moved past the operation.
struct c_AsyncOp : Object {
    virtual void p_Execute__UNSAFE__(KtSocket *socket) = 0;
    virtual void p_Complete(c_Socket *socket) = 0;
};

struct c_AsyncConnectOp : c_AsyncOp {
    std::string m_host;  // a narrowed copy, so the worker never touches a String's count
    int m_port = 0;
    c_IOnConnectComplete *m_onComplete = nullptr;
    bool m_connected = false;

    c_AsyncConnectOp *m_new(const String &host, int port, c_IOnConnectComplete *onComplete);
    void p_Execute__UNSAFE__(KtSocket *socket) override;
    void p_Complete(c_Socket *socket) override;
    void mark() override;
};

// Send and receive: one native call over the buffer's bytes from offset for count bytes; the
// result (bytes moved, 0 for a closed peer, negative for a failure) replaces the count.
struct c_AsyncSocketIoOp : c_AsyncOp {
    c_DataBuffer *m_buffer = nullptr;
    int m_offset = 0;
    int m_count = 0;

    void mark() override;

protected:
    void Set(c_DataBuffer *buffer, int offset, int count);
};

struct c_AsyncSendOp : c_AsyncSocketIoOp {
    c_IOnSendComplete *m_onComplete = nullptr;

    c_AsyncSendOp *m_new(c_DataBuffer *buffer, int offset, int count, c_IOnSendComplete *onSend);
    void p_Execute__UNSAFE__(KtSocket *socket) override;
    void p_Complete(c_Socket *socket) override;
    void mark() override;
};

struct c_AsyncReceiveOp : c_AsyncSocketIoOp {
    c_IOnReceiveComplete *m_onComplete = nullptr;

    c_AsyncReceiveOp *m_new(c_DataBuffer *buffer, int offset, int count,
                            c_IOnReceiveComplete *onReceive);
    void p_Execute__UNSAFE__(KtSocket *socket) override;
    void p_Complete(c_Socket *socket) override;
    void mark() override;
};

// A ring of operations with its own worker thread. The put and done indices are written only by
// the update thread, the work index only by the worker; every index store is a release and every
// load of the other side's index an acquire, so an operation's fields and results are visible to
// whoever sees the index move past it.
struct c_AsyncQueue : KtThread {
    static constexpr int SIZE = 256;

    c_AsyncOp *m_ring[SIZE] = {};
    std::atomic<int> m_put{0};
    std::atomic<int> m_work{0};
    std::atomic<int> m_done{0};
    c_Socket *m_socket = nullptr;

    c_AsyncQueue *m_new(c_Socket *socket);
    // At most SIZE - 1 operations can be outstanding; one more is a fatal error.
    void p_Enqueue(c_AsyncOp *op);
    // Worker: executes operations until it catches up with the put index, then ends.
    void Run__UNSAFE__() override;
    // Update thread: restarts the worker if work is waiting, then completes finished operations
    // in order.
    void p_UpdateAsyncEvents();
    void mark() override;
};

struct c_Socket : c_IAsyncEventSource {
    // State bits; a successful connect sets both.
    enum { StateBound = 2, StateConnected = 4 };

    int m_protocol = 0;
    KtSocket *m_native = nullptr;
    int m_state = 0;
    c_AsyncQueue *m_writeQueue = nullptr;
    c_AsyncQueue *m_readQueue = nullptr;
    bool m_releasePending = false;

    // "stream", "server" or "datagram"; anything else, or a socket that cannot be opened, is a
    // fatal error. The socket joins the event source list for the rest of the run.
    c_Socket *m_new(const String &protocol);

    bool p_IsConnected() { return (m_state & StateConnected) != 0; }
    void p_ConnectAsync(const String &host, int port, c_IOnConnectComplete *onConnect);
    void p_SendAsync(c_DataBuffer *buffer, int offset, int count, c_IOnSendComplete *onSend);
    void p_ReceiveAsync(c_DataBuffer *buffer, int offset, int count,
                        c_IOnReceiveComplete *onReceive);
    // Shuts the native socket down and clears the state. The handle is released (it becomes -1)
    // at once when no operation is in flight, else by the pump once the workers are done with
    // it, so a worker never calls into a handle number that a newer socket has taken.
    void p_Close();

    void p_UpdateAsyncEvents() override;
    void mark() override;

private:
    void ReleaseWhenIdle();
};

// ---------------------------------------------------------------------------------------------
// Globals

// Every socket made during the run, in creation order, and the source being updated (the
// pump's guard against running inside itself). Both are roots.
extern c_Stack3 *kt_asyncevent__sources;
extern c_IAsyncEventSource *kt_asyncevent__current;

// ---------------------------------------------------------------------------------------------
// Functions

// Greys the collected object behind a callback interface.
template <class I>
inline void kt_mark_interface(I *callback) {
    gc_mark(dynamic_cast<gc_object *>(callback));
}

// The write barrier for fields that hold a callback interface.
template <class I>
inline void kt_assign_interface(I *&field, I *value) {
    kt_mark_interface(value);
    field = value;
}

// Adding a source twice is a fatal error. Sources are never taken off the list.
void kt_asyncevent_AddAsyncEventSource(c_IAsyncEventSource *source);
// Updates every source in list order; does nothing when called from inside an update.
void kt_asyncevent_UpdateAsyncEvents();
