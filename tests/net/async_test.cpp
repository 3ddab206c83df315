// The asynchronous layer: the ring and its worker, the event pump and its guard, the fatal
// errors, and the host sockets' datagram path.

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "net/async.h"
#include "tests/net/net_support.h"

namespace {

using namespace net_test;

pthread_t g_main_thread = pthread_self();
std::vector<int> g_completed;
std::atomic<int> g_off_main{0};

// An operation that records where it ran and the order it completed in.
struct ProbeOp : c_AsyncOp {
    int id = 0;
    bool ran_on_worker = false;
    void p_Execute__UNSAFE__(KtSocket *) override {
        ran_on_worker = !pthread_equal(pthread_self(), g_main_thread);
        if (ran_on_worker) g_off_main.fetch_add(1);
    }
    void p_Complete(c_Socket *) override {
        EXPECT_TRUE(ran_on_worker);
        g_completed.push_back(id);
    }
};

c_Socket *NewSocket() {
    return (new c_Socket)->m_new(String("stream"));
}

using AsyncTest = NetTest;

TEST_F(AsyncTest, RingRunsEveryOperationOnTheWorkerAndCompletesThemInOrder) {
    c_Socket *socket = NewSocket();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        g_completed.clear();
        g_off_main = 0;
        // The most a queue holds, enqueued from wherever the indices stand after the last round,
        // with collector steps between enqueues so that queued operations must be marked.
        for (int i = 0; i < c_AsyncQueue::SIZE - 1; ++i) {
            auto *op = new ProbeOp;
            op->id = i;
            socket->m_writeQueue->p_Enqueue(op);
            if (i % 16 == 0) gc_collect_step(nullptr);
        }
        ASSERT_TRUE(PumpUntil([] { return g_completed.size() == c_AsyncQueue::SIZE - 1; }));
        EXPECT_EQ(g_off_main.load(), c_AsyncQueue::SIZE - 1);
        for (int i = 0; i < c_AsyncQueue::SIZE - 1; ++i) ASSERT_EQ(g_completed[i], i);
        // The drained worker ends; the next round has to start a new one.
        ASSERT_TRUE(PumpUntil([&] { return !socket->m_writeQueue->IsRunning(); }));
    }
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

TEST_F(AsyncTest, PumpUpdatesEachSourceOnceAndIgnoresCallsFromInside) {
    gc_assign(g_nested, new NestedSource);
    kt_asyncevent_AddAsyncEventSource(g_nested);
    kt_asyncevent_UpdateAsyncEvents();
    gc_collect_step(nullptr);
    kt_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(g_nested->updates, 2);
    EXPECT_EQ(kt_asyncevent__current, nullptr);
}

TEST_F(AsyncTest, ConnectMarksTheSocketConnected) {
    LoopbackServer server({});
    struct OnConnect : Object, virtual c_IOnConnectComplete {
        int calls = 0;
        bool connected = false;
        void p_OnConnectComplete(bool ok, c_Socket *) override {
            ++calls;
            connected = ok;
        }
    };
    static OnConnect *on_connect;
    static gc_roots root([] { gc_mark(on_connect); });
    gc_assign(on_connect, new OnConnect);
    c_Socket *socket = NewSocket();
    socket->p_ConnectAsync(String("127.0.0.1"), server.Port(), on_connect);
    ASSERT_TRUE(PumpUntil([] { return on_connect->calls > 0; }));
    EXPECT_TRUE(on_connect->connected);
    EXPECT_TRUE(socket->p_IsConnected());
    EXPECT_EQ(socket->m_state, 6);
    socket->p_Close();
    EXPECT_FALSE(socket->p_IsConnected());
    EXPECT_EQ(socket->m_native->m_sock.load(), -1);
}

TEST_F(AsyncTest, CloseWakesAPendingReceiveAndThenReleasesTheHandle) {
    LoopbackServer server({Hold()});
    struct OnReceive : Object, virtual c_IOnReceiveComplete {
        int calls = 0;
        void p_OnReceiveComplete(c_DataBuffer *, int, int, c_Socket *) override { ++calls; }
    };
    static OnReceive *on_receive;
    static gc_roots root([] { gc_mark(on_receive); });
    gc_assign(on_receive, new OnReceive);
    c_Socket *socket = NewSocket();
    ASSERT_TRUE(socket->m_native->Connect("127.0.0.1", server.Port()));
    socket->p_ReceiveAsync((new c_DataBuffer)->m_new(16), 0, 16, on_receive);
    // The worker is blocked in the receive on the handle, which a bare close would not wake.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    socket->p_Close();
    ASSERT_TRUE(PumpUntil([&] { return on_receive->calls > 0; }, 5))
        << "the pending receive was not woken by the close";
    EXPECT_EQ(socket->m_native->m_sock.load(), -1);
}

TEST(AsyncDeathTest, MisuseIsFatal) {
    EXPECT_RUNTIME_ERROR((new c_Socket)->m_new(String("tcp")),
                         "Vantor Runtime Error : Illegal socket protocol");
    EXPECT_RUNTIME_ERROR(kt_asyncevent_AddAsyncEventSource(NewSocket()),
                         "Vantor Runtime Error : Async event source is already active");
    EXPECT_RUNTIME_ERROR(
        {
            c_Socket *socket = NewSocket();
            // Nothing is pumped, so nothing completes: the 256th operation has no slot.
            for (int i = 0; i < c_AsyncQueue::SIZE; ++i)
                socket->m_readQueue->p_Enqueue(new ProbeOp);
        },
        "Vantor Runtime Error : AsyncQueue queue overflow!");
}

TEST(KtSocket, DatagramsTravelBetweenBoundSockets) {
    auto *a = new KtSocket, *b = new KtSocket;
    ASSERT_TRUE(a->Open(KtSocket::Datagram));
    ASSERT_TRUE(b->Open(KtSocket::Datagram));
    ASSERT_TRUE(a->Bind("127.0.0.1", 0));
    ASSERT_TRUE(b->Bind("", 0));
    auto *to = new KtSocketAddress, *from = new KtSocketAddress, *local = new KtSocketAddress;
    ASSERT_TRUE(a->GetLocalAddress(to));
    ASSERT_TRUE(b->GetLocalAddress(local));
    ASSERT_TRUE(to->Set("127.0.0.1", to->Port()));

    auto *data = (new c_DataBuffer)->m_new(8);
    data->p_PokeString(0, String("ping"), String("ascii"));
    EXPECT_EQ(b->SendTo(data, 0, 4, to), 4);
    auto *got = (new c_DataBuffer)->m_new(8);
    EXPECT_EQ(a->ReceiveFrom(got, 2, 100, from), 4);
    EXPECT_EQ(got->p_PeekString(2, 4, String("ascii")).ToNarrow(), "ping");
    EXPECT_EQ(from->Port(), local->Port());
    EXPECT_EQ(from->Host().ToNarrow(), "127.0.0.1");
    EXPECT_FALSE(to->Set("cobble-vale.invalid", 1));
    a->Close();
    EXPECT_EQ(a->Send(data, 0, 4), -1);
}

}  // namespace
