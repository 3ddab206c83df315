// The asynchronous socket layer and the event pump.

#include "net/async.h"

#include "runtime/debug.h"

// ---------------------------------------------------------------------------------------------
// Globals

c_Stack3 *kt_asyncevent__sources;
c_IAsyncEventSource *kt_asyncevent__current;

namespace {

gc_roots roots([] {
    gc_mark(kt_asyncevent__sources);
    gc_mark(kt_asyncevent__current);
});

}  // namespace

// ---------------------------------------------------------------------------------------------
// Operations

c_AsyncConnectOp *c_AsyncConnectOp::m_new(const String &host, int port,
                                          c_IOnConnectComplete *onComplete) {
    m_host = host.ToNarrow();
    m_port = port;
    kt_assign_interface(m_onComplete, onComplete);
    return this;
}

void c_AsyncConnectOp::p_Execute__UNSAFE__(KtSocket *socket) {
    m_connected = socket->Connect(m_host, m_port);
}

void c_AsyncConnectOp::p_Complete(c_Socket *socket) {
    if (m_connected) socket->m_state |= c_Socket::StateBound | c_Socket::StateConnected;
    m_onComplete->p_OnConnectComplete(m_connected, socket);
}

void c_AsyncConnectOp::mark() {
    kt_mark_interface(m_onComplete);
    c_AsyncOp::mark();
}

void c_AsyncSocketIoOp::Set(c_DataBuffer *buffer, int offset, int count) {
    gc_assign(m_buffer, buffer);
    m_offset = offset;
    m_count = count;
}

void c_AsyncSocketIoOp::mark() {
    gc_mark(m_buffer);
    c_AsyncOp::mark();
}

c_AsyncSendOp *c_AsyncSendOp::m_new(c_DataBuffer *buffer, int offset, int count,
                                    c_IOnSendComplete *onSend) {
    Set(buffer, offset, count);
    kt_assign_interface(m_onComplete, onSend);
    return this;
}

void c_AsyncSendOp::p_Execute__UNSAFE__(KtSocket *socket) {
    m_count = socket->Send(m_buffer, m_offset, m_count);
}

void c_AsyncSendOp::p_Complete(c_Socket *socket) {
    m_onComplete->p_OnSendComplete(m_buffer, m_offset, m_count, socket);
}

void c_AsyncSendOp::mark() {
    kt_mark_interface(m_onComplete);
    c_AsyncSocketIoOp::mark();
}

c_AsyncReceiveOp *c_AsyncReceiveOp::m_new(c_DataBuffer *buffer, int offset, int count,
                                          c_IOnReceiveComplete *onReceive) {
    Set(buffer, offset, count);
    kt_assign_interface(m_onComplete, onReceive);
    return this;
}

void c_AsyncReceiveOp::p_Execute__UNSAFE__(KtSocket *socket) {
    m_count = socket->Receive(m_buffer, m_offset, m_count);
}

void c_AsyncReceiveOp::p_Complete(c_Socket *socket) {
    m_onComplete->p_OnReceiveComplete(m_buffer, m_offset, m_count, socket);
}

void c_AsyncReceiveOp::mark() {
    kt_mark_interface(m_onComplete);
    c_AsyncSocketIoOp::mark();
}

// ---------------------------------------------------------------------------------------------
// Queues

c_AsyncQueue *c_AsyncQueue::m_new(c_Socket *socket) {
    gc_assign(m_socket, socket);
    return this;
}

void c_AsyncQueue::p_Enqueue(c_AsyncOp *op) {
    int put = m_put.load(std::memory_order_relaxed);
    int next = (put + 1) % SIZE;
    if (next == m_done.load(std::memory_order_relaxed)) {
        ktError(String("AsyncQueue queue overflow!"));
    }
    gc_assign(m_ring[put], op);
    m_put.store(next, std::memory_order_release);
    Start();
}

void c_AsyncQueue::Run__UNSAFE__() {
    // m_socket and its native socket are set before the first enqueue and never change.
    KtSocket *native = m_socket->m_native;
    int work = m_work.load(std::memory_order_relaxed);
    while (work != m_put.load(std::memory_order_acquire)) {
        m_ring[work]->p_Execute__UNSAFE__(native);
        work = (work + 1) % SIZE;
        m_work.store(work, std::memory_order_release);
    }
}

void c_AsyncQueue::p_UpdateAsyncEvents() {
    // A worker that found the ring empty just before an enqueue has ended without it.
    if (m_work.load(std::memory_order_acquire) != m_put.load(std::memory_order_relaxed)) Start();
    int done = m_done.load(std::memory_order_relaxed);
    while (done != m_work.load(std::memory_order_acquire)) {
        c_AsyncOp *op = m_ring[done];
        // Cleared so that a completed operation does not stay reachable from the ring; the index
        // moves first so that the callback may enqueue into the freed slot.
        m_ring[done] = nullptr;
        done = (done + 1) % SIZE;
        m_done.store(done, std::memory_order_release);
        op->p_Complete(m_socket);
    }
    // A drained worker has ended; releasing its thread now keeps an idle socket from holding one.
    if (!IsRunning()) Join();
}

void c_AsyncQueue::mark() {
    // Cleared slots are null, so this marks exactly the operations not yet completed.
    for (c_AsyncOp *op : m_ring) gc_mark(op);
    gc_mark(m_socket);
    KtThread::mark();
}

// ---------------------------------------------------------------------------------------------
// Sockets

c_Socket *c_Socket::m_new(const String &protocol) {
    if (protocol == String("stream")) {
        m_protocol = KtSocket::Stream;
    } else if (protocol == String("server")) {
        m_protocol = KtSocket::Server;
    } else if (protocol == String("datagram")) {
        m_protocol = KtSocket::Datagram;
    } else {
        ktError(String("Illegal socket protocol"));
    }
    // A POSIX socket needs no library start-up, so the first socket is opened like any other.
    gc_assign(m_native, new KtSocket);
    if (!m_native->Open(m_protocol)) ktError(String("Socket open failed"));
    gc_assign(m_writeQueue, (new c_AsyncQueue)->m_new(this));
    gc_assign(m_readQueue, (new c_AsyncQueue)->m_new(this));
    kt_asyncevent_AddAsyncEventSource(this);
    return this;
}

void c_Socket::p_ConnectAsync(const String &host, int port, c_IOnConnectComplete *onConnect) {
    m_writeQueue->p_Enqueue((new c_AsyncConnectOp)->m_new(host, port, onConnect));
}

void c_Socket::p_SendAsync(c_DataBuffer *buffer, int offset, int count, c_IOnSendComplete *onSend) {
    m_writeQueue->p_Enqueue((new c_AsyncSendOp)->m_new(buffer, offset, count, onSend));
}

void c_Socket::p_ReceiveAsync(c_DataBuffer *buffer, int offset, int count,
                              c_IOnReceiveComplete *onReceive) {
    m_readQueue->p_Enqueue((new c_AsyncReceiveOp)->m_new(buffer, offset, count, onReceive));
}

void c_Socket::p_Close() {
    m_native->Shutdown();
    m_state = 0;
    m_releasePending = true;
    ReleaseWhenIdle();
}

void c_Socket::p_UpdateAsyncEvents() {
    m_writeQueue->p_UpdateAsyncEvents();
    m_readQueue->p_UpdateAsyncEvents();
    ReleaseWhenIdle();
}

// Only the update thread enqueues, so once each worker has moved past every operation put in,
// none can touch the handle again.
void c_Socket::ReleaseWhenIdle() {
    auto idle = [](c_AsyncQueue *queue) {
        return queue->m_work.load(std::memory_order_acquire) ==
               queue->m_put.load(std::memory_order_relaxed);
    };
    if (!m_releasePending || !idle(m_writeQueue) || !idle(m_readQueue)) return;
    m_native->Close();
    m_releasePending = false;
}

void c_Socket::mark() {
    gc_mark(m_native);
    gc_mark(m_writeQueue);
    gc_mark(m_readQueue);
    c_IAsyncEventSource::mark();
}

// ---------------------------------------------------------------------------------------------
// Event pump

void kt_asyncevent_AddAsyncEventSource(c_IAsyncEventSource *source) {
    if (!kt_asyncevent__sources) gc_assign(kt_asyncevent__sources, (new c_Stack3)->m_new());
    if (kt_asyncevent__sources->p_Contains2(source)) {
        ktError(String("Async event source is already active"));
    }
    kt_asyncevent__sources->p_Push7(source);
}

void kt_asyncevent_UpdateAsyncEvents() {
    if (kt_asyncevent__current || !kt_asyncevent__sources) return;
    // The length is read on every turn: a callback may make a new socket, which is pumped too.
    for (int i = 0; i < kt_asyncevent__sources->p_Length(); ++i) {
        gc_assign(kt_asyncevent__current, kt_asyncevent__sources->p_Get(i));
        kt_asyncevent__current->p_UpdateAsyncEvents();
    }
    kt_asyncevent__current = nullptr;
}
