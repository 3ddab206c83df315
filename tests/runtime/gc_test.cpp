// The collector, settled before each test (garbage destroyed, roots queued), invariants after.

#include <gtest/gtest.h>

#include <vector>

#include "runtime/array.h"
#include "runtime/gc.h"
#include "tests/support/runtime_error.h"

namespace {

std::vector<int> destroyed;  // ids, so tests never touch a destroyed probe

struct Probe : Object {
    int id;
    Object *ref = nullptr;
    long long padding = 0;  // brings the probe to 48 bytes
    explicit Probe(int id) : id(id) {}
    ~Probe() override { destroyed.push_back(id); }
    void mark() override {
        gc_mark(ref);
        Object::mark();
    }
};
static_assert(sizeof(Probe) == 48, "the pay-back test counts on 48-byte probes");

struct Big : Object {
    char bytes[40];
};
static_assert(sizeof(Big) == 72, "the pay-back test counts on 72-byte objects");

Probe *g_root;
Array<Object *> g_slots;
Array<Array<int>> g_nested;
gc_roots root_marker([] {
    gc_mark(g_root);
    gc_mark(g_slots);
    gc_mark(g_nested);
});

bool on_list(gc_object &list, const gc_object *o) {
    for (gc_object *p = list.succ; p != &list; p = p->succ) {
        if (p == o) return true;
    }
    return false;
}

bool white(const gc_object *o) {
    return (o->flags & 3) == gc_markbit;
}

// Links are consistent, colours match the lists, and the byte counters match the lists.
void expect_invariants() {
    long long bytes[4] = {};
    gc_object *lists[4] = {&gc_unmarked_list, &gc_queued_list, &gc_marked_list, &gc_free_list};
    for (int i = 0; i < 4; ++i) {
        for (gc_object *p = lists[i]->succ; p != lists[i]; p = p->succ) {
            ASSERT_TRUE(p->succ->pred == p && p->pred->succ == p);
            EXPECT_TRUE(i == 3 || white(p) == (i == 0));  // the free list has no colour
            bytes[i] += p->flags & ~7;
        }
    }
    EXPECT_EQ(std::vector<long long>({bytes[2], bytes[0] + bytes[1] + bytes[2], bytes[3]}),
              std::vector<long long>({gc_marked_bytes, gc_alloced_bytes, gc_free_bytes}));
}

// Ends a cycle at the next step by reporting a large outside allocation.
void end_cycle_now() {
    gc_ext_malloced(GC_CYCLE_BYTES + 1);
    gc_collect_step(nullptr);
}

void settle() {
    gc_set_torture(true);
    gc_collect_step(nullptr);
    gc_collect_step(nullptr);
    gc_set_torture(false);
    destroyed.clear();
}

class Collector : public ::testing::Test {
protected:
    void SetUp() override { settle(); }
    void TearDown() override {
        g_root = nullptr;
        g_slots = Array<Object *>();
        g_nested = Array<Array<int>>();
        settle();
        expect_invariants();
    }
};

}  // namespace

// Cycles end beyond the limit; allocations pay garbage back oldest first; torture frees at once.
TEST_F(Collector, CyclesEndBeyondTheLimitAndAllocationsPayBackGarbage) {
    long long cycles = gc_stats.cycles;
    gc_ext_malloced(GC_CYCLE_BYTES);  // exactly the limit is not yet beyond it
    gc_collect_step(nullptr);
    EXPECT_EQ(gc_stats.cycles, cycles);
    Probe *local = new Probe(1);
    EXPECT_TRUE(white(local) && on_list(gc_unmarked_list, local));
    EXPECT_EQ(local->flags & ~7, 48);
    gc_collect_step(nullptr);  // 48 more bytes: beyond the limit
    EXPECT_EQ(gc_stats.cycles, cycles + 1);
    EXPECT_EQ(gc_ext_new_bytes.load() + gc_new_bytes, 0);
    EXPECT_TRUE(on_list(gc_free_list, local));
    EXPECT_TRUE(destroyed.empty());
    expect_invariants();

    settle();
    for (int id : {2, 3, 4}) new Probe(id);
    end_cycle_now();
    ASSERT_EQ(gc_free_bytes, 144);
    new Big;
    EXPECT_EQ(destroyed, (std::vector<int>{2, 3}));
    EXPECT_EQ(gc_free_bytes, 48);
    long long hits = gc_stats.cache_hits;
    new Probe(5);
    EXPECT_EQ(gc_stats.cache_hits, hits + 1);
    EXPECT_EQ(destroyed, (std::vector<int>{2, 3, 4}));

    // Torture mode destroys garbage at every step; the rooted object survives.
    gc_set_torture(true);
    gc_assign(g_root, new Probe(6));
    new Probe(7);
    gc_collect_step(nullptr);
    gc_collect_step(nullptr);
    EXPECT_EQ(destroyed, (std::vector<int>{2, 3, 4, 5, 7}));
    EXPECT_EQ(gc_free_list.succ, &gc_free_list);
    gc_set_torture(false);
}

// A step's delegate is marked at once and kept; a cycle without garbage leaves the free list.
TEST_F(Collector, DelegateIsKeptByEveryStepAndQuietCyclesKeepTheFreeList) {
    Probe *delegate = new Probe(1);
    gc_assign(delegate->ref, new Probe(2));
    new Probe(3);
    gc_collect_step(delegate);
    EXPECT_TRUE(on_list(gc_marked_list, delegate));
    end_cycle_now();
    gc_object *first = gc_free_list.succ;
    ASSERT_NE(first, &gc_free_list);
    for (int i = 0; i < 3; ++i) {
        gc_collect_step(delegate);
        end_cycle_now();
    }
    EXPECT_TRUE(destroyed.empty());
    EXPECT_EQ(gc_free_list.succ, first);
    EXPECT_EQ(std::vector<long long>({gc_free_bytes, gc_alloced_bytes}),
              std::vector<long long>({48, 96}));
}

// Arrays start zeroed, mark the arrays they hold and are collected; the empty one is static.
TEST_F(Collector, ArraysStartZeroedAndMarkTheArraysTheyHold) {
    Array<Object *> empty;
    gc_mark(empty);
    EXPECT_FALSE(on_list(gc_queued_list, empty.GetRep()));
    EXPECT_TRUE(Array<Object *>(0).IsEmptyShared());
    Array<Object *> refs(3);
    Array<int> ints(4);
    Array<Array<int>> nested(2);
    EXPECT_TRUE(refs[2] == nullptr && ints[3] == 0 && nested[1].IsEmptyShared());

    gc_assign(g_nested, nested);  // no game code nests arrays: their marking is checked here
    nested.Store(0, ints);
    Array<int> loose(5);
    end_cycle_now();
    end_cycle_now();
    EXPECT_FALSE(on_list(gc_free_list, ints.GetRep()));
    EXPECT_TRUE(on_list(gc_free_list, loose.GetRep()));
}

// Verify mode passes stores through the barrier and stops at one that skips it.
TEST_F(Collector, VerifyModeCatchesStoresThatSkipTheBarrier) {
    gc_set_verify(true);
    long long cycles = gc_stats.cycles;
    gc_assign(g_root, new Probe(0));
    gc_assign(g_slots, Array<Object *>(8));
    Array<Object *> slots = g_slots;
    for (int i = 0; i < 100; ++i) {
        slots.Store(i % 8, new Probe(i + 1));
        if (i % 30 == 0) gc_ext_malloced(GC_CYCLE_BYTES);
        gc_collect_step(nullptr);
        ASSERT_TRUE(on_list(gc_marked_list, slots.GetRep()));
    }
    EXPECT_EQ(gc_stats.cycles, cycles + 4);
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(gc_is_live(slots[i]));
    EXPECT_DEATH((g_root->ref = new Probe(1000), gc_collect_step(nullptr)),
                 "scanned object of type .*Probe holds a reference to an unmarked object of type "
                 ".*Probe: a store into it skipped gc_assign");
    EXPECT_DEATH((g_root = new Probe(1000), gc_collect_step(nullptr)),
                 "a module global holds a reference to an unmarked object of type .*Probe");
    gc_set_verify(false);
}

// An object not made with new, or too large for its int size (8 GiB of ints), stops the program.
TEST(CollectorMisuse, StopsWithAMessage) {
    EXPECT_DEATH({ Object on_stack; }, "not created with new");
    EXPECT_RUNTIME_ERROR(Array<int>(0x7FFFFFFF),
                         "Vantor Runtime Error : Collected object too large");
}
