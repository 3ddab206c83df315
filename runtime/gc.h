// The incremental collector: every framework and game object derives from gc_object.
//
// Contract in brief:
//  - Objects are created with `new` and never deleted by the program; they live while reachable
//    from the roots (registered module globals and the host's delegate).
//  - Every store of a reference into a field, global or array element goes through gc_assign,
//    the write barrier; a reference held only in a local does not survive the end of the host's
//    call into the game, because collection runs between those calls only (gc_collect_step).
//  - Garbage is destroyed lazily: each allocation destroys at least as many bytes of garbage as
//    it takes.
#pragma once

// <atomic>: the external-allocation counter is the one value other threads may touch.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "runtime/ktstring.h"

// ---------------------------------------------------------------------------------------------
// Types

struct gc_object;

// Tag for the statically allocated objects (the shared empty arrays) whose colour is 3.
struct gc_static_t {};
constexpr gc_static_t gc_static{};
// Tag for objects that carry extra bytes behind them (array representations).
struct gc_extra_t {};
constexpr gc_extra_t gc_extra{};

// Read-only counters of collector work; tests and benchmarks read them, nothing else relies on
// them. Totals since start-up unless noted.
struct gc_stats_t {
    long long steps;            // gc_collect_step calls
    long long cycles;           // full cycles ended
    long long objects_scanned;  // grey objects turned black
    long long objects_freed;    // garbage objects destroyed
    long long bytes_freed;
    long long cache_hits;   // small blocks reused from gc_cache
    int last_step_scanned;  // objects scanned by the most recent step
};

struct gc_object {
    gc_object *succ, *pred;
    int flags;  // size rounded to 8 in bits 3 and up, colour in bits 0..1 (3 = static)

    gc_object();
    explicit gc_object(gc_static_t);
    gc_object(const gc_object &) = delete;
    gc_object &operator=(const gc_object &) = delete;
    virtual ~gc_object();

    // Marks every collected reference the object holds, then calls the base class's mark.
    virtual void mark() {}

    static void *operator new(std::size_t size);
    static void operator delete(void *p, std::size_t size);
    // Array representations carry their elements behind the object.
    // Their memory comes zero-filled.
    static void *operator new(std::size_t size, gc_extra_t, std::size_t extra);
    // Only runs if a constructor throws, which no collected class does.
    static void operator delete(void *p, gc_extra_t, std::size_t) { operator delete(p, 0); }
};

// The language's root class: identity equality and address order.
struct Object : gc_object {
    Object() = default;
    explicit Object(gc_static_t s) : gc_object(s) {}
    virtual bool Equals(Object *other) { return this == other; }
    // Address order. The sign of the address difference, not the difference itself: a 64-bit
    // difference truncated to int could report the wrong order.
    virtual int Compare(Object *other) {
        auto a = reinterpret_cast<std::uintptr_t>(this),
             b = reinterpret_cast<std::uintptr_t>(other);
        return a < b ? -1 : a > b ? 1 : 0;
    }
    // A description for the debugger's object query.
    virtual String debug() { return String("+Object"); }
};

// ---------------------------------------------------------------------------------------------
// Globals

extern int gc_markbit;
extern int gc_new_bytes;
extern int gc_alloced_bytes;
extern int gc_max_alloced_bytes;
extern int gc_marked_bytes;
extern int gc_free_bytes;
extern std::atomic<int> gc_ext_new_bytes;
extern gc_object gc_queued_list, gc_unmarked_list, gc_marked_list, gc_free_list;
extern gc_stats_t gc_stats;

// A full cycle ends once this many bytes were allocated (in and outside the collector).
constexpr int GC_CYCLE_BYTES = 8 * 1024 * 1024;

// ---------------------------------------------------------------------------------------------
// Functions

// Unlinks `o` from its list and appends it to `list`.
inline void gc_move(gc_object *o, gc_object *list) {
    o->pred->succ = o->succ;
    o->succ->pred = o->pred;
    o->succ = list;
    o->pred = list->pred;
    list->pred->succ = o;
    list->pred = o;
}

// Greys a white object: flips its colour and queues it for scanning. Null and non-white
// (grey, black, static) objects are left alone.
inline void gc_mark(gc_object *o) {
    if (o && (o->flags & 3) == gc_markbit) {
        o->flags ^= 1;
        gc_move(o, &gc_queued_list);
    }
}

// The write barrier: every reference store into a field, global or array element.
template <class T, class V>
inline void gc_assign(T *&field, V *value) {
    gc_mark(value);
    field = value;
}
template <class T>
inline void gc_assign(T *&field, std::nullptr_t) {
    field = nullptr;
}

// Greys every registered root.
void gc_mark();

// True when `o` is a collected object that is not known to be garbage (white, grey or black).
// Walks the lists; meant for the debugger's object query, which receives raw addresses.
bool gc_is_live(const gc_object *o);

// Registers a function that marks module globals holding references. Call it from a static
// initialiser of the module that owns the globals; the collector itself needs no edit.
void gc_register_roots(void (*mark_roots)());

// Scans grey objects while gc_marked_bytes is below `limit` (negative: no limit).
void gc_mark_queued(int limit);

// Reports memory allocated outside the collector (decoded images, sounds, file data) so that it
// paces collection. Safe from any thread.
void gc_ext_malloced(int bytes);

// One collector step; the host runs it after every call into the game, never inside one.
// `delegate` is the host's delegate, which is kept alive by being marked at every step.
void gc_collect_step(gc_object *delegate);

// Test switch: every step ends a full cycle and destroys all garbage at once, so that a missing
// write barrier turns into a use-after-free that the address sanitizer reports.
void gc_set_torture(bool on);
bool gc_torture();

// Test switch: finds reference stores that skipped gc_assign. Torture mode cannot: after each of
// its steps every object is white or grey, and a plain store into those loses nothing.
//
// Turning verify on marks the roots and completes marking. From then on every step completes
// marking too, so every reachable object is black while the game runs, and each step checks that no
// black object or root refers to a white one: each black object's mark() runs again, then the roots
// are marked again. With every store behind the barrier this greys nothing; an object it does grey
// would be freed at the end of the cycle while still referenced. The process then stops, naming the
// type of the holder and of the unmarked object. The same check runs when a cycle ends, before
// anything is freed. Cycles still span many steps and end after GC_CYCLE_BYTES; only the pace of
// marking differs from ordinary steps.
//
// Requires that mark() only marks the references the object holds, with no other effect, so that
// running it twice is harmless. Costs one pass over the live objects per step, about what a
// torture step costs; with verify off, marking and the barrier are unchanged.
void gc_set_verify(bool on);
bool gc_verify();

// Registers a root marker through a static object: `static gc_roots reg([] { gc_mark(g); });`
struct gc_roots {
    explicit gc_roots(void (*mark_roots)()) { gc_register_roots(mark_roots); }
};
