// Stacks and the int-keyed red-black map: growth, nil clearing, joins, colouring, ordering, and
// survival of their contents through the collector (torture mode catches a missing barrier).

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "runtime/containers.h"

// The element classes of the app module and the socket layer, as this test program sees them.
struct c_DisplayMode : Object {
    int width = 0, height = 0;
    c_DisplayMode *m_new(int w, int h) {
        width = w;
        height = h;
        return this;
    }
};
struct c_IAsyncEventSource : Object {};

namespace {

c_Stack3 *g_sources;
c_IntMap<c_DisplayMode *> *g_modes;
gc_roots root_marker([] {
    gc_mark(g_sources);
    gc_mark(g_modes);
});

void settle() {
    gc_set_torture(true);
    gc_collect_step(nullptr);
    gc_collect_step(nullptr);
    gc_set_torture(false);
}

bool on_free_list(const gc_object *o) {
    for (gc_object *p = gc_free_list.succ; p != &gc_free_list; p = p->succ) {
        if (p == o) return true;
    }
    return false;
}

// Checks the red-black and search-tree rules below `node`; returns its black height.
template <class V>
int check_tree(c_Node<V> *node, c_Node<V> *parent, long long lo, long long hi, int *count) {
    if (!node) return 1;
    ++*count;
    EXPECT_EQ(node->m_parent, parent);
    EXPECT_TRUE(node->m_key > lo && node->m_key < hi) << node->m_key;
    EXPECT_TRUE(node->m_color == KT_MAP_RED || node->m_color == KT_MAP_BLACK);
    if (node->m_color == KT_MAP_RED && parent) {
        EXPECT_EQ(parent->m_color, KT_MAP_BLACK);
    }
    int left = check_tree(node->m_left, node, lo, node->m_key, count);
    int right = check_tree(node->m_right, node, node->m_key, hi, count);
    EXPECT_EQ(left, right);
    return left + (node->m_color == KT_MAP_BLACK ? 1 : 0);
}

template <class V>
void in_order(c_Node<V> *node, std::vector<V> &out) {
    if (!node) return;
    in_order(node->m_left, out);
    out.push_back(node->m_value);
    in_order(node->m_right, out);
}

int mode_key(int width, int height) {
    return (width << 16) | height;
}

}  // namespace

TEST(Stack, GrowsToTwiceTheLengthPlusTen) {
    c_Stack2 *s = (new c_Stack2)->m_new();
    EXPECT_EQ(s->m_data.Length(), 0);
    std::vector<int> capacities;
    for (int i = 0; i < 71; ++i) {
        s->p_Push4(String(i));
        if (capacities.empty() || capacities.back() != s->m_data.Length()) {
            capacities.push_back(s->m_data.Length());
        }
    }
    EXPECT_EQ(capacities, (std::vector<int>{10, 30, 70, 150}));
    EXPECT_EQ(s->p_Length(), 71);
    EXPECT_EQ(s->p_Get(70).ToInt(), 70);
    for (int i = 71; i < 150; ++i) EXPECT_EQ(s->m_data[i].Length(), 0);
}

TEST(Stack, PushRangesAndArrays) {
    String v[] = {String("a"), String("b"), String("c"), String("d")};
    Array<String> values(v, 4);
    c_Stack2 *s = (new c_Stack2)->m_new2(values);
    EXPECT_EQ(s->p_Length(), 4);
    EXPECT_NE(s->m_data.GetRep(), values.GetRep());  // a copy, not the caller's array
    s->p_Push5(values, 1, 2);
    s->p_Push6(values, 3);
    Array<String> all = s->p_ToArray();
    ASSERT_EQ(all.Length(), 7);
    std::string joined;
    for (int i = 0; i < all.Length(); ++i) joined += all[i].ToUtf8();
    EXPECT_EQ(joined, "abcdbcd");
    EXPECT_TRUE((new c_Stack2)->m_new()->p_ToArray().IsEmptyShared());
    EXPECT_TRUE((new c_Stack2)->m_new2(Array<String>())->p_ToArray().IsEmptyShared());
}

TEST(Stack, SettingTheLengthClearsAndGrowsWithNil) {
    c_Stack2 *s = (new c_Stack2)->m_new();
    String held("held");
    for (int i = 0; i < 5; ++i) s->p_Push4(held);
    EXPECT_EQ(held.GetRep()->refs, 6);
    s->p_Length(0);
    EXPECT_EQ(held.GetRep()->refs, 1);  // every slot released its string
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s->m_data[i].Length(), 0);

    s->p_Push4(held);
    s->p_Length(45);  // beyond the capacity of 10: the larger of 2 x 1 + 10 and 45
    EXPECT_EQ(s->m_data.Length(), 45);
    EXPECT_EQ(s->p_Length(), 45);
    EXPECT_EQ(s->p_Get(44).Length(), 0);
    s->p_Length(50);
    EXPECT_EQ(s->m_data.Length(), 100);  // 2 x 45 + 10
    s->p_Length(-3);                     // taken as 0, never writes before the storage
    EXPECT_EQ(s->p_Length(), 0);
    EXPECT_EQ(s->m_data[0].Length(), 0);

    s->p_Push4(held);
    s->p_Push4(held);
    int refs = held.GetRep()->refs;
    s->p_Clear();
    EXPECT_EQ(s->p_Length(), 0);
    EXPECT_EQ(held.GetRep()->refs, refs - 2);
}

TEST(Stack, JoinMatchesStringJoin) {
    c_StringStack *s = (new c_StringStack)->m_new();
    EXPECT_EQ(s->p_Join(String(",")).GetRep(), &String::nullRep);
    String only("only");
    s->p_Push4(only);
    EXPECT_TRUE(s->p_Join(String(",")).Shares(only));
    s->p_Push4(String());
    s->p_Push4(String("x"));
    EXPECT_EQ(s->p_Join(String(", ")).ToUtf8(), "only, , x");
    EXPECT_EQ(s->p_Join(String()).ToUtf8(), "onlyx");
    EXPECT_EQ(s->p_Join(String("-")), String("-").Join(s->p_ToArray()));
}

TEST(Stack, ContainsComparesIdentityAndKeepsElementsAlive) {
    settle();
    gc_assign(g_sources, (new c_Stack3)->m_new());
    c_IAsyncEventSource *a = new c_IAsyncEventSource, *b = new c_IAsyncEventSource;
    g_sources->p_Push7(a);
    EXPECT_TRUE(g_sources->p_Contains2(a));
    EXPECT_FALSE(g_sources->p_Contains2(b));
    EXPECT_FALSE(g_sources->p_Contains2(nullptr));

    // Pushed elements survive collection; a slot cleared to nil no longer holds its element.
    gc_set_torture(true);
    for (int i = 0; i < 25; ++i) {
        g_sources->p_Push7(new c_IAsyncEventSource);
        gc_collect_step(nullptr);
    }
    g_sources->p_Push7(b);
    gc_collect_step(nullptr);
    EXPECT_TRUE(g_sources->p_Contains2(a));
    EXPECT_TRUE(g_sources->p_Contains2(b));
    gc_set_torture(false);

    g_sources->p_Length(1);
    gc_ext_malloced(GC_CYCLE_BYTES + 1);
    gc_collect_step(nullptr);
    gc_ext_malloced(GC_CYCLE_BYTES + 1);
    gc_collect_step(nullptr);
    EXPECT_TRUE(on_free_list(b));
    EXPECT_FALSE(on_free_list(a));
    g_sources = nullptr;
    settle();
}

TEST(Map, RootIsRedAfterTheFirstInsertionAndBlackAfterTheSecond) {
    c_IntMap<int> *m = (new c_IntMap<int>)->m_new();
    EXPECT_EQ(m->p_FindNode(1), nullptr);
    EXPECT_TRUE(m->p_Set(10, 100));
    EXPECT_EQ(m->m_root->m_color, KT_MAP_RED);
    EXPECT_TRUE(m->p_Insert(5, 50));
    EXPECT_EQ(m->m_root->m_color, KT_MAP_BLACK);
    EXPECT_EQ(m->m_root->m_left->m_color, KT_MAP_RED);

    // Replacing keeps the node and reports false.
    c_Node<int> *node = m->p_FindNode(5);
    EXPECT_FALSE(m->p_Set(5, 55));
    EXPECT_EQ(m->p_FindNode(5), node);
    EXPECT_EQ(node->m_value, 55);
    int count = 0;
    check_tree(m->m_root, static_cast<c_Node<int> *>(nullptr), -(1LL << 32), 1LL << 32, &count);
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(m->p_Contains(10));
    EXPECT_FALSE(m->p_Contains(7));
}

TEST(Map, StaysBalancedUnderManyInsertions) {
    c_IntMap<int> *m = (new c_IntMap<int>)->m_new();
    std::mt19937 rng(7);
    std::vector<int> keys;
    for (int i = 0; i < 2000; ++i) {
        int k = static_cast<int>(rng() % 5000) - 2500;
        bool fresh = std::find(keys.begin(), keys.end(), k) == keys.end();
        EXPECT_EQ(m->p_Set(k, k * 3), fresh);
        if (fresh) keys.push_back(k);
    }
    // Ascending and descending runs exercise both rotation directions.
    for (int k = 10000; k < 10100; ++k) m->p_Set(k, k * 3), keys.push_back(k);
    for (int k = -10000; k > -10100; --k) m->p_Set(k, k * 3), keys.push_back(k);
    // Extreme keys compare correctly (a 32-bit difference would overflow).
    m->p_Set(2147483647, 1), keys.push_back(2147483647);
    m->p_Set(-2147483647 - 1, 2), keys.push_back(-2147483647 - 1);

    EXPECT_EQ(m->m_root->m_color, KT_MAP_BLACK);
    int count = 0;
    check_tree(m->m_root, static_cast<c_Node<int> *>(nullptr), -(1LL << 32), 1LL << 32, &count);
    EXPECT_EQ(count, static_cast<int>(keys.size()));
    for (int k : keys) ASSERT_TRUE(m->p_Contains(k)) << k;
    EXPECT_FALSE(m->p_Contains(123456));
}

TEST(Map, DisplayModeKeysOrderByWidthThenHeight) {
    c_IntMap<c_DisplayMode *> *m = (new c_IntMap<c_DisplayMode *>)->m_new();
    int sizes[][2] = {{1024, 768}, {640, 480}, {32767, 1},     {1, 32767},  {640, 400},
                      {800, 600},  {0, 0},     {32767, 32767}, {1024, 600}, {1, 0}};
    for (auto &s : sizes) m->p_Set(mode_key(s[0], s[1]), (new c_DisplayMode)->m_new(s[0], s[1]));
    EXPECT_FALSE(m->p_Set(mode_key(640, 480), (new c_DisplayMode)->m_new(640, 480)));

    std::vector<c_DisplayMode *> modes;
    in_order(m->m_root, modes);
    ASSERT_EQ(modes.size(), 10u);
    for (std::size_t i = 1; i < modes.size(); ++i) {
        bool ordered =
            modes[i - 1]->width < modes[i]->width ||
            (modes[i - 1]->width == modes[i]->width && modes[i - 1]->height < modes[i]->height);
        EXPECT_TRUE(ordered) << i;
    }
}

TEST(Map, NodesAndValuesSurviveCollection) {
    settle();
    gc_set_torture(true);
    gc_assign(g_modes, (new c_IntMap<c_DisplayMode *>)->m_new());
    gc_collect_step(nullptr);
    for (int w = 0; w < 200; ++w) {
        g_modes->p_Set(mode_key(w, w % 7), (new c_DisplayMode)->m_new(w, w % 7));
        gc_collect_step(nullptr);  // every rotation's stores must have gone through the barrier
    }
    g_modes->p_Set(mode_key(3, 3), (new c_DisplayMode)->m_new(3, 99));
    gc_collect_step(nullptr);
    gc_set_torture(false);
    for (int w = 0; w < 200; ++w) {
        c_Node<c_DisplayMode *> *node = g_modes->p_FindNode(mode_key(w, w % 7));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->m_value->width, w);
    }
    EXPECT_EQ(g_modes->p_FindNode(mode_key(3, 3))->m_value->height, 99);
    int count = 0;
    check_tree(g_modes->m_root, static_cast<c_Node<c_DisplayMode *> *>(nullptr), -(1LL << 32),
               1LL << 32, &count);
    EXPECT_EQ(count, 200);
    g_modes = nullptr;
    settle();
}
