// The runtime's generic collected containers: growable stacks and an int-keyed red-black map.
//
// Both are templates over the element type: the runtime knows no element class, and each module
// names the containers it keeps beside its own element class. Every reference store goes
// through the write barrier; string elements keep their reference counts.
#pragma once

#include <cstdint>
#include <type_traits>

#include "runtime/array.h"
#include "runtime/gc.h"
#include "runtime/ktstring.h"

// ---------------------------------------------------------------------------------------------
// Element helpers

// Marks an element held in a container field: collected references and arrays are marked,
// strings and numbers hold nothing to mark.
template <class T>
inline void kt_mark_element(const T &value) {
    if constexpr (std::is_pointer_v<T>) {
        gc_mark(value);
    } else if constexpr (kt_is_array<T>::value) {
        gc_mark(value.GetRep());
    }
}

// Stores an element into a container field, through the barrier when it is a reference.
template <class T>
inline void kt_store_element(T &field, const T &value) {
    if constexpr (std::is_pointer_v<T> || kt_is_array<T>::value) {
        gc_assign(field, value);
    } else {
        field = value;
    }
}

// ---------------------------------------------------------------------------------------------
// Stacks

// A growable stack. `m_data`'s length is the capacity; the first `m_length` slots are in use and
// every other slot holds the nil value, so the stack never keeps a dropped element alive.
template <class T>
struct c_StackOf : Object {
    // Clears unused slots: null for reference stacks, the empty string for string stacks.
    static inline const T m_NIL{};

    Array<T> m_data;
    int m_length = 0;

    c_StackOf *m_new() { return this; }
    c_StackOf *m_new2(Array<T> values) {
        gc_assign(m_data, values.Slice(0, values.Length()));
        m_length = values.Length();
        return this;
    }

    // Identity for references, equal code units for strings.
    virtual bool p_Equals(const T &a, const T &b) { return a == b; }

    // Appends one element. Callers name the overloads by number: 4..6 on string stacks, 7..9 on
    // the event pump's stack, each the same as 1..3.
    void p_Push(const T &value) {
        if (m_length == m_data.Length()) gc_assign(m_data, m_data.Resize(m_length * 2 + 10));
        m_data.Store(m_length, value);
        ++m_length;
    }
    // Appends values[offset] .. values[offset + count - 1] in order.
    void p_Push2(Array<T> values, int offset, int count) {
        for (int i = 0; i < count; ++i) p_Push(values[offset + i]);
    }
    // Appends values[offset] to the end of `values`.
    void p_Push3(Array<T> values, int offset) { p_Push2(values, offset, values.Length() - offset); }
    void p_Push4(const T &value) { p_Push(value); }
    void p_Push5(Array<T> values, int offset, int count) { p_Push2(values, offset, count); }
    void p_Push6(Array<T> values, int offset) { p_Push3(values, offset); }
    void p_Push7(const T &value) { p_Push(value); }
    void p_Push8(Array<T> values, int offset, int count) { p_Push2(values, offset, count); }
    void p_Push9(Array<T> values, int offset) { p_Push3(values, offset); }

    // True when an element equals `value` by p_Equals (identity on the event-source stack).
    bool p_Contains2(const T &value) {
        for (int i = 0; i < m_length; ++i) {
            if (p_Equals(m_data[i], value)) return true;
        }
        return false;
    }

    // A new array of exactly the used elements (the shared empty array for an empty stack).
    Array<T> p_ToArray() { return m_data.Slice(0, m_length); }
    T p_Get(int index) { return m_data[index]; }
    int p_Length() { return m_length; }

    // Sets the length: dropped slots become nil, growth adds nil slots. A negative length is
    // taken as 0 so that it can never write in front of the storage.
    void p_Length(int n) {
        if (n < 0) n = 0;
        for (int i = n; i < m_length; ++i) m_data.Store(i, m_NIL);
        if (n > m_data.Length()) {
            int grown = m_length * 2 + 10;
            gc_assign(m_data, m_data.Resize(grown > n ? grown : n));
        }
        m_length = n;
    }

    void p_Clear() {
        for (int i = 0; i < m_length; ++i) m_data.Store(i, m_NIL);
        m_length = 0;
    }

    void mark() override {
        gc_mark(m_data);
        Object::mark();
    }
};

// The runtime's own instantiation, the string stack. An alias rather than a class, like the
// other modules' stacks, so that a member is compiled only where it is used.
using c_Stack2 = c_StackOf<String>;

// A string stack that joins its elements, as String::Join does.
struct c_StringStack : c_Stack2 {
    c_StringStack *m_new() { return this; }
    c_StringStack *m_new2(Array<String> values) {
        c_StackOf::m_new2(values);
        return this;
    }

    // No elements: the empty string; one: that string itself; otherwise one new string.
    String p_Join(const String &separator) {
        return String::JoinParts(separator, m_data.Data(), m_length);
    }
};

// ---------------------------------------------------------------------------------------------
// Maps

constexpr int KT_MAP_RED = -1;
constexpr int KT_MAP_BLACK = 1;

// One entry of a map: its key, its two children, its value, its colour (KT_MAP_RED or
// KT_MAP_BLACK) and its parent.
template <class V>
struct c_Node : Object {
    int m_key = 0;
    c_Node *m_right = nullptr;
    c_Node *m_left = nullptr;
    V m_value{};
    int m_color = 0;
    c_Node *m_parent = nullptr;

    c_Node *m_new(int key, const V &value, int color, c_Node *parent) {
        m_key = key;
        kt_store_element(m_value, value);
        m_color = color;
        gc_assign(m_parent, parent);
        return this;
    }

    void mark() override {
        gc_mark(m_right);
        gc_mark(m_left);
        kt_mark_element(m_value);
        gc_mark(m_parent);
        Object::mark();
    }
};

// An ordered map from int keys to values, kept as a red-black tree. The key order comes from
// p_Compare, which subclasses supply.
template <class V>
struct c_Map : Object {
    using Node = c_Node<V>;
    Node *m_root = nullptr;

    c_Map *m_new() { return this; }

    // Negative, zero or positive as `a` sorts before, with or after `b`.
    virtual int p_Compare(int a, int b) = 0;

    Node *p_FindNode(int key) {
        Node *node = m_root;
        while (node) {
            int c = p_Compare(key, node->m_key);
            if (c > 0) {
                node = node->m_right;
            } else if (c < 0) {
                node = node->m_left;
            } else {
                return node;
            }
        }
        return nullptr;
    }

    bool p_Contains(int key) { return p_FindNode(key) != nullptr; }

    // Inserts or replaces; true when a new entry was made.
    bool p_Set(int key, const V &value) {
        Node *node = m_root, *parent = nullptr;
        int c = 0;
        while (node) {
            parent = node;
            c = p_Compare(key, node->m_key);
            if (c > 0) {
                node = node->m_right;
            } else if (c < 0) {
                node = node->m_left;
            } else {
                kt_store_element(node->m_value, value);
                return false;
            }
        }
        node = (new Node)->m_new(key, value, KT_MAP_RED, parent);
        if (!parent) {
            gc_assign(m_root, node);
            return true;
        }
        if (c > 0) {
            gc_assign(parent->m_right, node);
        } else {
            gc_assign(parent->m_left, node);
        }
        p_InsertFixup(node);
        return true;
    }
    bool p_Insert(int key, const V &value) { return p_Set(key, value); }

    void p_InsertFixup(Node *node) {
        while (node->m_parent && node->m_parent->m_color == KT_MAP_RED &&
               node->m_parent->m_parent) {
            Node *parent = node->m_parent, *grand = parent->m_parent;
            bool parent_is_left = parent == grand->m_left;
            Node *uncle = parent_is_left ? grand->m_right : grand->m_left;
            if (uncle && uncle->m_color == KT_MAP_RED) {
                parent->m_color = KT_MAP_BLACK;
                uncle->m_color = KT_MAP_BLACK;
                grand->m_color = KT_MAP_RED;
                node = grand;
                continue;
            }
            if (parent_is_left) {
                if (node == parent->m_right) {
                    node = parent;
                    p_RotateLeft(node);
                }
                node->m_parent->m_color = KT_MAP_BLACK;
                node->m_parent->m_parent->m_color = KT_MAP_RED;
                p_RotateRight(node->m_parent->m_parent);
            } else {
                if (node == parent->m_left) {
                    node = parent;
                    p_RotateRight(node);
                }
                node->m_parent->m_color = KT_MAP_BLACK;
                node->m_parent->m_parent->m_color = KT_MAP_RED;
                p_RotateLeft(node->m_parent->m_parent);
            }
        }
        m_root->m_color = KT_MAP_BLACK;
    }

    // `node`'s right child takes its place; `node` becomes that child's left child.
    void p_RotateLeft(Node *node) {
        Node *child = node->m_right;
        gc_assign(node->m_right, child->m_left);
        if (child->m_left) gc_assign(child->m_left->m_parent, node);
        gc_assign(child->m_parent, node->m_parent);
        replace_child(node, child);
        gc_assign(child->m_left, node);
        gc_assign(node->m_parent, child);
    }

    // `node`'s left child takes its place; `node` becomes that child's right child.
    void p_RotateRight(Node *node) {
        Node *child = node->m_left;
        gc_assign(node->m_left, child->m_right);
        if (child->m_right) gc_assign(child->m_right->m_parent, node);
        gc_assign(child->m_parent, node->m_parent);
        replace_child(node, child);
        gc_assign(child->m_right, node);
        gc_assign(node->m_parent, child);
    }

    void mark() override {
        gc_mark(m_root);
        Object::mark();
    }

private:
    // Hangs `child` where `node` hung under node's parent (or at the root).
    void replace_child(Node *node, Node *child) {
        Node *parent = node->m_parent;
        if (!parent) {
            gc_assign(m_root, child);
        } else if (node == parent->m_right) {
            gc_assign(parent->m_right, child);
        } else {
            gc_assign(parent->m_left, child);
        }
    }
};

// The map in plain int order.
template <class V>
struct c_IntMap : c_Map<V> {
    c_IntMap *m_new() { return this; }

    // The sign of a - b. The difference is taken in 64 bits: a 32-bit one overflows for keys
    // far apart and would misorder them.
    int p_Compare(int a, int b) override {
        std::int64_t d = static_cast<std::int64_t>(a) - b;
        return d < 0 ? -1 : d > 0 ? 1 : 0;
    }
};
