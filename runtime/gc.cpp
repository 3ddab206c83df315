// The incremental three-colour collector.
//
// Colours: an object whose low bit equals gc_markbit is white; the other value is grey or black
// (the list tells which); 3 marks the static empty arrays, never white. A cycle ends once 8 MiB
// were allocated since the last one: the grey queue is drained, everything still white becomes
// garbage, and flipping gc_markbit turns every survivor white again without touching it.

#include "runtime/gc.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <typeinfo>
#include <vector>

#include "runtime/debug.h"

// ---------------------------------------------------------------------------------------------
// Globals

int gc_markbit = 1;
int gc_new_bytes;
int gc_alloced_bytes;
int gc_max_alloced_bytes;
int gc_marked_bytes;
int gc_free_bytes;
std::atomic<int> gc_ext_new_bytes{0};
// Sentinels; zero-initialised before any code runs and linked on first use, so objects may be
// allocated from any static initialiser.
gc_object gc_queued_list(gc_static), gc_unmarked_list(gc_static), gc_marked_list(gc_static),
    gc_free_list(gc_static);
gc_stats_t gc_stats;

namespace {

// The largest object: its size narrows to the int of the header and of the byte counters, with
// room for a cycle's worth of other allocations beside it.
constexpr std::size_t GC_MAX_OBJECT_BYTES = std::size_t{1} << 30;

// Released blocks of 8..56 bytes, indexed by size / 8, linked through their first word.
void *gc_cache[8];

// Sizes handed from operator new to the gc_object constructor that runs right after it.
// Allocation and construction nest (a constructor argument may itself be a new object), so a
// small stack carries them.
constexpr int PENDING_MAX = 256;
int pending_sizes[PENDING_MAX];
int pending_count;

bool torture;
bool verify;

// The size of the object being destroyed, read from its header before its destructor runs:
// array representations are larger than their class, so operator delete's size would be wrong.
int freeing_size;

// Misuse that would otherwise corrupt the collector's lists; checked in every build.
[[noreturn]] void misuse(const char *what) {
    std::fprintf(stderr, "Collector misuse: %s\n", what);
    std::abort();
}

std::vector<void (*)()> &root_markers() {
    static std::vector<void (*)()> markers;
    return markers;
}

void link_empty(gc_object &list) {
    list.succ = list.pred = &list;
}

void init_lists() {
    link_empty(gc_queued_list);
    link_empty(gc_unmarked_list);
    link_empty(gc_marked_list);
    link_empty(gc_free_list);
}

inline bool list_empty(gc_object &list) {
    return list.succ == &list;
}

// Appends every object of `from` to the tail of `to`; `from` becomes empty.
void splice_all(gc_object &from, gc_object &to) {
    if (list_empty(from)) return;
    gc_object *first = from.succ, *last = from.pred;
    first->pred = to.pred;
    to.pred->succ = first;
    last->succ = &to;
    to.pred = last;
    link_empty(from);
}

inline int object_size(gc_object *o) {
    return o->flags & ~7;
}

void scan_one() {
    gc_object *o = gc_queued_list.succ;
    gc_move(o, &gc_marked_list);
    gc_marked_bytes += object_size(o);
    ++gc_stats.objects_scanned;
    ++gc_stats.last_step_scanned;
    o->mark();
}

void destroy_first_garbage() {
    gc_object *o = gc_free_list.succ;
    o->pred->succ = o->succ;
    o->succ->pred = o->pred;
    ++gc_stats.objects_freed;
    freeing_size = object_size(o);
    delete o;  // the class destructor, then gc_object_free through operator delete
}

// Prints the dynamic type of `o`, demangled where the runtime can.
void put_type(gc_object *o) {
    const char *mangled = typeid(*o).name();
    int status = 0;
    char *name = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::fputs(status == 0 ? name : mangled, stderr);
    std::free(name);
}

// Stops if re-marking `holder` (null: the roots) greyed anything.
void expect_nothing_greyed(gc_object *holder) {
    if (list_empty(gc_queued_list)) return;
    std::fputs("Collector verify: ", stderr);
    if (holder) {
        std::fputs("a scanned object of type ", stderr);
        put_type(holder);
    } else {
        std::fputs("a module global", stderr);
    }
    std::fputs(" holds a reference to an unmarked object of type ", stderr);
    put_type(gc_queued_list.succ);
    std::fputs(": a store into it skipped gc_assign\n", stderr);
    std::abort();
}

// Runs with the grey queue drained, when every reachable object is black. Re-marking only moves
// objects onto the queue, so the walk over the marked list is not disturbed.
void verify_barriers() {
    for (gc_object *o = gc_marked_list.succ; o != &gc_marked_list; o = o->succ) {
        o->mark();
        expect_nothing_greyed(o);
    }
    gc_mark();
    expect_nothing_greyed(nullptr);
}

// `ext_read` is the external count the step compared; what other threads added since stays.
void end_cycle(int ext_read) {
    gc_ext_new_bytes.fetch_sub(ext_read);
    gc_mark_queued(-1);
    if (verify) verify_barriers();
    if (gc_alloced_bytes != gc_marked_bytes) {
        splice_all(gc_unmarked_list, gc_free_list);
        gc_free_bytes += gc_alloced_bytes - gc_marked_bytes;
    }
    splice_all(gc_marked_list, gc_unmarked_list);
    gc_alloced_bytes = gc_marked_bytes;
    gc_marked_bytes = 0;
    gc_markbit ^= 1;
    gc_mark();
    gc_new_bytes = 0;
    ++gc_stats.cycles;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Objects

namespace {

// Collector memory for a new object of `requested` bytes; zero-filled when `zeroed`. Large
// zeroed blocks come from calloc, which hands out untouched zero pages, so a big array costs
// nothing until its elements are written.
void *allocate(std::size_t requested, bool zeroed) {
    if (!gc_free_list.succ) init_lists();
    if (requested > GC_MAX_OBJECT_BYTES) {
        dbg_error(
            "Collected object too large: more than 1073741824 bytes (an array of too many "
            "elements); make it smaller");
    }
    int size = static_cast<int>((requested + 7) & ~static_cast<std::size_t>(7));
    gc_new_bytes += size;

    // Pay back at least as much garbage as this allocation takes.
    int target = gc_free_bytes - size > 0 ? gc_free_bytes - size : 0;
    while (gc_free_bytes > target && !list_empty(gc_free_list)) destroy_first_garbage();

    void *p;
    if (size < 64 && gc_cache[size >> 3]) {
        p = gc_cache[size >> 3];
        gc_cache[size >> 3] = *static_cast<void **>(p);
        ++gc_stats.cache_hits;
        if (zeroed) std::memset(p, 0, static_cast<std::size_t>(size));
    } else {
        p = zeroed ? std::calloc(1, static_cast<std::size_t>(size)) : std::malloc(size);
        if (!p) {
            std::fputs("Out of memory: the collector could not allocate an object\n", stderr);
            std::abort();
        }
    }
    if (pending_count == PENDING_MAX) {
        misuse("collected objects nest too deeply in construction; build deep structures in steps");
    }
    pending_sizes[pending_count++] = size;
    return p;
}

}  // namespace

void *gc_object::operator new(std::size_t requested) {
    return allocate(requested, false);
}

void *gc_object::operator new(std::size_t size, gc_extra_t, std::size_t extra) {
    return allocate(size + extra, true);
}

void gc_object::operator delete(void *p, std::size_t) {
    int size = freeing_size;
    gc_free_bytes -= size;
    gc_stats.bytes_freed += size;
    if (size >= 64) {
        std::free(p);
    } else {
        *static_cast<void **>(p) = gc_cache[size >> 3];
        gc_cache[size >> 3] = p;
    }
}

gc_object::gc_object() {
    if (pending_count == 0) {
        misuse(
            "a collected object was not created with new; allocate it with new, never on the "
            "stack, as a member or as a global");
    }
    int size = pending_sizes[--pending_count];
    flags = size | gc_markbit;
    succ = &gc_unmarked_list;
    pred = gc_unmarked_list.pred;
    gc_unmarked_list.pred->succ = this;
    gc_unmarked_list.pred = this;
    gc_alloced_bytes += size;
    if (gc_alloced_bytes > gc_max_alloced_bytes) gc_max_alloced_bytes = gc_alloced_bytes;
}

// Sentinels and static arrays: colour 3, on no list, links left as they are.
gc_object::gc_object(gc_static_t) {
    flags = 3;
}

gc_object::~gc_object() {}

// ---------------------------------------------------------------------------------------------
// Collector

void gc_register_roots(void (*mark_roots)()) {
    root_markers().push_back(mark_roots);
}

void gc_mark() {
    if (!gc_free_list.succ) init_lists();
    for (auto marker : root_markers()) marker();
}

bool gc_is_live(const gc_object *o) {
    if (!o || !gc_free_list.succ) return false;
    for (gc_object *list : {&gc_unmarked_list, &gc_queued_list, &gc_marked_list}) {
        for (gc_object *p = list->succ; p != list; p = p->succ) {
            if (p == o) return true;
        }
    }
    return false;
}

void gc_mark_queued(int limit) {
    while (!list_empty(gc_queued_list) && (limit < 0 || gc_marked_bytes < limit)) scan_one();
}

void gc_ext_malloced(int bytes) {
    gc_ext_new_bytes.fetch_add(bytes);
}

void gc_collect_step(gc_object *delegate) {
    if (!gc_free_list.succ) init_lists();
    ++gc_stats.steps;
    gc_stats.last_step_scanned = 0;

    if (delegate && (delegate->flags & 3) == gc_markbit) {
        delegate->flags ^= 1;
        gc_move(delegate, &gc_marked_list);
        gc_marked_bytes += object_size(delegate);
        ++gc_stats.objects_scanned;
        ++gc_stats.last_step_scanned;
        delegate->mark();
    }

    int ext = gc_ext_new_bytes.load();
    if (torture || static_cast<long long>(gc_new_bytes) + ext > GC_CYCLE_BYTES) {
        end_cycle(ext);
        if (torture) {
            while (!list_empty(gc_free_list)) destroy_first_garbage();
        }
        // Verify mode keeps every reachable object black between steps, a new cycle included.
        if (verify) gc_mark_queued(-1);
        return;
    }
    if (verify) {
        gc_mark_queued(-1);
        verify_barriers();
        return;
    }

    long long target = gc_new_bytes + static_cast<long long>(gc_alloced_bytes - gc_new_bytes) *
                                          gc_new_bytes / GC_CYCLE_BYTES;
    while (!list_empty(gc_queued_list) && gc_marked_bytes < target) scan_one();
}

void gc_set_torture(bool on) {
    torture = on;
}
bool gc_torture() {
    return torture;
}

void gc_set_verify(bool on) {
    verify = on;
    if (on) {
        gc_mark();
        gc_mark_queued(-1);
    }
}
bool gc_verify() {
    return verify;
}
