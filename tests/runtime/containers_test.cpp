// Stacks and the int-keyed red-black map, their contents kept through torture-mode collection.

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "runtime/containers.h"

namespace {

struct Source : Object {
    int id = 0;
};
using SourceStack = c_StackOf<Source *>;

SourceStack *g_sources;
c_IntMap<Source *> *g_modes;
gc_roots root_marker([] {
    gc_mark(g_sources);
    gc_mark(g_modes);
});

// Runs `body` with the collector in torture mode, from and back to a settled state.
template <class F>
void under_torture(F &&body) {
    gc_set_torture(true);
    gc_collect_step(nullptr);
    body();
    g_sources = nullptr;
    g_modes = nullptr;
    gc_collect_step(nullptr);
    gc_collect_step(nullptr);
    gc_set_torture(false);
}

// Checks the red-black and search-tree rules below `node`; returns its black height.
template <class V>
int check_tree(c_Node<V> *node, c_Node<V> *parent, long long lo, long long hi, int *count) {
    if (!node) return 1;
    ++*count;
    EXPECT_EQ(node->m_parent, parent);
    EXPECT_TRUE(node->m_key > lo && node->m_key < hi) << node->m_key;
    EXPECT_FALSE(node->m_color == KT_MAP_RED && parent && parent->m_color != KT_MAP_BLACK);
    int left = check_tree(node->m_left, node, lo, node->m_key, count);
    EXPECT_EQ(left, check_tree(node->m_right, node, node->m_key, hi, count));
    return left + (node->m_color == KT_MAP_BLACK ? 1 : 0);
}

template <class V>
int check_map(c_IntMap<V> *m) {
    int count = 0;
    check_tree(m->m_root, static_cast<c_Node<V> *>(nullptr), -(1LL << 32), 1LL << 32, &count);
    EXPECT_EQ(m->m_root->m_color, KT_MAP_BLACK);
    return count;
}

}  // namespace

// A stack grows to twice its length plus ten, copies what it is given and joins like Join.
TEST(Stack, GrowsToTwiceTheLengthPlusTenAndCopiesWhatItIsGiven) {
    c_Stack2 *s = (new c_Stack2)->m_new();
    std::vector<int> capacities;
    for (int i = 0; i < 71; ++i) {
        s->p_Push4(String(i));
        if (capacities.empty() || capacities.back() != s->m_data.Length()) {
            capacities.push_back(s->m_data.Length());
        }
    }
    EXPECT_EQ(capacities, (std::vector<int>{10, 30, 70, 150}));
    EXPECT_EQ(s->p_Get(70).ToInt(), 70);

    String v[] = {String("a"), String("b"), String("c"), String("d")};
    Array<String> values(v, 4);
    c_StringStack *t = (new c_StringStack)->m_new2(values);
    EXPECT_NE(t->m_data.GetRep(), values.GetRep());
    t->p_Push5(values, 1, 2);
    t->p_Push6(values, 3);
    EXPECT_EQ(t->p_Join(String()).ToUtf8(), "abcdbcd");
    EXPECT_EQ(t->p_Join(String("-")), String("-").Join(t->p_ToArray()));
}

// Shortening or clearing releases the slots; growing fills with nil; a negative length is 0.
TEST(Stack, SettingTheLengthClearsAndGrowsWithNil) {
    c_Stack2 *s = (new c_Stack2)->m_new();
    String held("held");
    for (int i = 0; i < 5; ++i) s->p_Push4(held);
    EXPECT_EQ(held.GetRep()->refs, 6);
    s->p_Length(0);
    EXPECT_EQ(held.GetRep()->refs, 1);
    s->p_Push4(held);
    s->p_Length(45);  // beyond the capacity of 10
    EXPECT_EQ(s->p_Get(44).Length(), 0);
    s->p_Length(-3);
    EXPECT_EQ(s->p_Length(), 0);
    s->p_Push4(held);
    s->p_Push4(held);
    int refs = held.GetRep()->refs;  // the outgrown storage holds one until it is collected
    s->p_Clear();
    EXPECT_EQ(std::vector<int>({s->p_Length(), held.GetRep()->refs}),
              std::vector<int>({0, refs - 2}));
}

// Contains compares identity; stack and map contents survive torture-mode collection.
TEST(Containers, ElementsSurviveCollection) {
    under_torture([] {
        gc_assign(g_sources, (new SourceStack)->m_new());
        Source *a = new Source, *b = new Source;
        g_sources->p_Push7(a);
        EXPECT_FALSE(g_sources->p_Contains2(b) || g_sources->p_Contains2(nullptr));
        for (int i = 0; i < 25; ++i) {
            g_sources->p_Push7(new Source);
            gc_collect_step(nullptr);
        }
        g_sources->p_Push7(b);
        gc_collect_step(nullptr);
        EXPECT_TRUE(g_sources->p_Contains2(a) && g_sources->p_Contains2(b));

        gc_assign(g_modes, (new c_IntMap<Source *>)->m_new());
        gc_collect_step(nullptr);
        for (int w = 0; w <= 200; ++w) {
            Source *value = new Source;
            value->id = w < 200 ? w : 99;  // key 3 is set again, last
            g_modes->p_Set((w < 200 ? w : 3) << 16, value);
            gc_collect_step(nullptr);
        }
        std::vector<int> ids;
        for (int w = 0; w < 200; ++w) ids.push_back(g_modes->p_FindNode(w << 16)->m_value->id);
        std::vector<int> expected(200);
        for (int w = 0; w < 200; ++w) expected[w] = w == 3 ? 99 : w;
        EXPECT_EQ(ids, expected);
        EXPECT_EQ(check_map(g_modes), 200);
    });
}

// Set reports new keys; the tree stays red-black through random, sorted and extreme keys.
TEST(Map, StaysARedBlackSearchTreeUnderManyInsertions) {
    c_IntMap<int> *m = (new c_IntMap<int>)->m_new();
    EXPECT_TRUE(m->p_Set(10, 100));
    EXPECT_EQ(m->m_root->m_color, KT_MAP_RED);
    EXPECT_TRUE(m->p_Insert(5, 50));
    c_Node<int> *node = m->p_FindNode(5);
    EXPECT_FALSE(m->p_Set(5, 55));
    EXPECT_EQ(m->p_FindNode(5), node);
    EXPECT_EQ(node->m_value, 55);

    std::mt19937 rng(7);
    std::set<int> keys = {10, 5};
    for (int i = 0; i < 2000; ++i) {
        int k = static_cast<int>(rng() % 5000) - 2500;
        EXPECT_EQ(m->p_Set(k, k * 3), keys.insert(k).second);
    }
    // An ascending and a descending run, then the extreme keys.
    for (int k = 10000; k < 10100; ++k) m->p_Set(k, 1), m->p_Set(-k, 1), keys.insert({k, -k});
    for (int k : {2147483647, -2147483647 - 1}) m->p_Set(k, 1), keys.insert(k);
    EXPECT_EQ(check_map(m), static_cast<int>(keys.size()));
    for (int k : keys) ASSERT_TRUE(m->p_Contains(k)) << k;
    EXPECT_FALSE(m->p_Contains(123456));
}
