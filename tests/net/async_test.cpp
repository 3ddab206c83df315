// The async layer: the ring and worker, the event pump and its guard, connect/close, fatal errors.

#include "tests/net/net_support.h"

namespace {

using namespace net_test;
using AsyncTest = NetTest;

const pthread_t g_main_thread = pthread_self();
std::vector<int> g_completed;

// An operation that records the order it completed in, if it ran on a worker.
struct ProbeOp : c_AsyncOp {
    int id = 0;
    std::atomic<bool> on_worker{false};
    void p_Execute__UNSAFE__(KtSocket *) override {
        on_worker = !pthread_equal(pthread_self(), g_main_thread);
    }
    void p_Complete(c_Socket *) override { g_completed.push_back(on_worker ? id : -1); }
};

c_Socket *NewSocket() {
    return (new c_Socket)->m_new(String("stream"));
}

// A source that pumps from inside its own update, as a callback might.
struct NestedSource : c_IAsyncEventSource {
    int updates = 0;
    void p_UpdateAsyncEvents() override {
        ++updates;
        kt_asyncevent_UpdateAsyncEvents();
    }
};
NestedSource *g_nested;
gc_roots nested_root([] { gc_mark(g_nested); });

// A full queue thrice from where the indices stand, collecting between enqueues; new workers.
TEST_F(AsyncTest, RingRunsEveryOperationOnTheWorkerInOrderAndThePumpIgnoresCallsFromInside) {
    c_Socket *socket = NewSocket();
    std::vector<int> all(c_AsyncQueue::SIZE - 1);
    for (int i = 0; i < c_AsyncQueue::SIZE - 1; ++i) all[i] = i;
    for (int round = 0; round < 3; ++round) {
        g_completed.clear();
        for (int i = 0; i < c_AsyncQueue::SIZE - 1; ++i) {
            auto *op = new ProbeOp;
            op->id = i;
            socket->m_writeQueue->p_Enqueue(op);
            if (i % 16 == 0) gc_collect_step(nullptr);
        }
        ASSERT_TRUE(PumpUntil([] { return g_completed.size() == c_AsyncQueue::SIZE - 1; }));
        EXPECT_EQ(g_completed, all) << round;
        ASSERT_TRUE(PumpUntil([&] { return !socket->m_writeQueue->IsRunning(); }));
    }
    // A source that pumps from inside its own update is updated once a pump.
    gc_assign(g_nested, new NestedSource);
    kt_asyncevent_AddAsyncEventSource(g_nested);
    kt_asyncevent_UpdateAsyncEvents(), kt_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(std::make_pair(g_nested->updates, kt_asyncevent__current),
              std::make_pair(2, (c_IAsyncEventSource *)nullptr));
}

struct Callbacks : Object, virtual c_IOnConnectComplete, virtual c_IOnReceiveComplete {
    int connects = 0, receives = 0;
    void p_OnConnectComplete(bool ok, c_Socket *) override { connects += ok ? 1 : 100; }
    void p_OnReceiveComplete(c_DataBuffer *, int, int, c_Socket *) override { ++receives; }
};
Callbacks *g_callbacks;
gc_roots callbacks_root([] { gc_mark(g_callbacks); });

// Connect marks the socket; close wakes a receive blocked on the handle, then releases it.
TEST_F(AsyncTest, ConnectMarksTheSocketAndCloseWakesAPendingReceive) {
    LoopbackServer server({kHold});
    gc_assign(g_callbacks, new Callbacks);
    c_Socket *socket = NewSocket();
    socket->p_ConnectAsync(String("127.0.0.1"), server.Port(), g_callbacks);
    ASSERT_TRUE(PumpUntil([] { return g_callbacks->connects > 0; }));
    EXPECT_EQ(std::make_pair(g_callbacks->connects, socket->m_state), std::make_pair(1, 6));
    socket->p_ReceiveAsync((new c_DataBuffer)->m_new(16), 0, 16, g_callbacks);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    socket->p_Close();
    EXPECT_FALSE(socket->p_IsConnected());
    ASSERT_TRUE(PumpUntil([] { return g_callbacks->receives > 0; }, 5)) << "receive not woken";
    EXPECT_EQ(socket->m_native->m_sock.load(), -1);
}

// Nothing is pumped, so nothing completes: the 256th operation has no slot.
TEST(AsyncDeathTest, MisuseIsFatal) {
    EXPECT_RUNTIME_ERROR((new c_Socket)->m_new(String("tcp")), "Illegal socket protocol");
    c_Socket *socket = NewSocket();
    EXPECT_RUNTIME_ERROR(kt_asyncevent_AddAsyncEventSource(socket), "source is already active");
    EXPECT_RUNTIME_ERROR(
        for (int i = 0; i < c_AsyncQueue::SIZE; ++i) socket->m_readQueue->p_Enqueue(new ProbeOp),
        "AsyncQueue queue overflow!");
}

}  // namespace
