// Runtime costs that the frame budget depends on: collected allocation, one collector step with
// a realistic live heap, and the string operations the save code uses.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

// <time.h>: the thread's CPU clock, to tell collector work from time lost to other processes.
#include <time.h>

#include "runtime/array.h"
#include "runtime/containers.h"
#include "runtime/gc.h"

namespace {

struct Leaf : Object {
    int value = 0;
};

// The live heap of the step benchmark, reachable from one root.
Array<Array<Object *>> g_heap;
gc_roots root_marker([] { gc_mark(g_heap); });

double thread_cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Garbage destroyed, survivors white, roots queued.
void settle() {
    gc_set_torture(true);
    gc_collect_step(nullptr);
    gc_collect_step(nullptr);
    gc_set_torture(false);
}

// Collected allocation of arrays of `payload` bytes (each 32 bytes of header more), with one
// collector step per 1,000 allocations so that garbage is paid back and blocks are recycled.
void BM_Allocate(benchmark::State &state) {
    settle();
    int payload = static_cast<int>(state.range(0));
    int count = 0;
    for (auto _ : state) {
        Array<char> a(payload);
        benchmark::DoNotOptimize(a.Data());
        if (++count % 1000 == 0) gc_collect_step(nullptr);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * (payload + 32));
    settle();
}
BENCHMARK(BM_Allocate)->Arg(16)->Arg(32)->Arg(64)->Arg(128)->Arg(256);

// One collector step per frame with 100,000 live objects (1,000 arrays of 99 objects) while
// the frame allocates about 1 MB of short-lived objects of 48 to 288 bytes. Only the step is
// timed; the counters give the median, 90th percentile and worst step over the run (wall clock),
// and the worst in thread CPU time, which excludes time the scheduler gave to other processes.
void BM_CollectorStep(benchmark::State &state) {
    g_heap = Array<Array<Object *>>();
    settle();
    Array<Array<Object *>> heap(1000);
    for (int i = 0; i < 1000; ++i) {
        Array<Object *> group(99);
        for (int j = 0; j < 99; ++j) group.Store(j, new Leaf);
        heap.Store(i, group);
    }
    gc_assign(g_heap, heap);
    settle();

    std::vector<double> wall, cpu;
    long long cycles = gc_stats.cycles;
    for (auto _ : state) {
        int frame_bytes = 0;
        for (int k = 0; frame_bytes < 1000000; ++k) {
            int payload = 16 << (k % 5);
            Array<char> garbage(payload);
            benchmark::DoNotOptimize(garbage.Data());
            frame_bytes += payload + 32;
        }
        double cpu_start = thread_cpu_seconds();
        auto start = std::chrono::steady_clock::now();
        gc_collect_step(nullptr);
        auto end = std::chrono::steady_clock::now();
        cpu.push_back((thread_cpu_seconds() - cpu_start) * 1e6);
        double seconds = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(seconds);
        wall.push_back(seconds * 1e6);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    state.counters["median_us"] = wall[wall.size() / 2];
    state.counters["p90_us"] = wall[wall.size() * 9 / 10];
    state.counters["worst_us"] = wall.back();
    state.counters["worst_cpu_us"] = cpu.back();
    state.counters["cycles"] = static_cast<double>(gc_stats.cycles - cycles);
    g_heap = Array<Array<Object *>>();
    settle();
}
BENCHMARK(BM_CollectorStep)->UseManualTime()->Iterations(400)->Unit(benchmark::kMicrosecond);

// Concatenating short pieces one at a time, as texts are built up.
void BM_StringConcat(benchmark::State &state) {
    String piece("abcdefgh");
    int pieces = static_cast<int>(state.range(0));
    for (auto _ : state) {
        String s;
        for (int i = 0; i < pieces; ++i) s = s + piece;
        benchmark::DoNotOptimize(s.Data());
    }
    state.SetItemsProcessed(state.iterations() * pieces);
}
BENCHMARK(BM_StringConcat)->Arg(10)->Arg(100)->Arg(1000);

// Joining through a string stack instead, the way the save code builds its text.
void BM_StringStackJoin(benchmark::State &state) {
    String piece("abcdefgh");
    int pieces = static_cast<int>(state.range(0));
    for (auto _ : state) {
        c_StringStack *stack = (new c_StringStack)->m_new();
        for (int i = 0; i < pieces; ++i) stack->p_Push4(piece);
        String s = stack->p_Join(String());
        benchmark::DoNotOptimize(s.Data());
        gc_collect_step(nullptr);
    }
    state.SetItemsProcessed(state.iterations() * pieces);
}
BENCHMARK(BM_StringStackJoin)->Arg(10)->Arg(100)->Arg(1000);

// Splitting a comma-separated record of numbers, as the save loader reads its blocks.
void BM_StringSplit(benchmark::State &state) {
    int fields = static_cast<int>(state.range(0));
    String text;
    {
        c_StringStack *stack = (new c_StringStack)->m_new();
        for (int i = 0; i < fields; ++i) stack->p_Push4(String(i * 37));
        text = stack->p_Join(String(","));
    }
    String comma(",");
    int count = 0;
    for (auto _ : state) {
        Array<String> parts = text.Split(comma);
        benchmark::DoNotOptimize(parts.Data());
        if (++count % 100 == 0) gc_collect_step(nullptr);
    }
    state.SetItemsProcessed(state.iterations() * fields);
    state.SetBytesProcessed(state.iterations() * text.Length() * 2);
}
BENCHMARK(BM_StringSplit)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
