// What the game's drawing costs: recording one image command, recording one 20-character line
// of text (and what that allocates), and replaying the loading screen through the real renderer
// on a private Xvfb with Mesa.
//
// Recording is meant to allocate nothing; text builds its padded copy of the string, so it
// allocates String storage (malloc) but no collected objects. The counters report both per
// call: collected bytes from the collector's counters, String storage by counting malloc calls
// on this thread while a call runs.
//
// The replay's draw calls are checked against the fewest the loading screen's command order
// allows: one per run of equal primitive kind and texture. Clear rectangle | inner ring (ovals
// of one size) | logo | middle ring | outer ring | text = 6.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

#include "benchmarks/game/bench_game.h"

extern "C" void *__libc_malloc(std::size_t size);

namespace {

thread_local bool countMallocs = false;
thread_local long mallocs = 0;

}  // namespace

// Counts this thread's malloc calls while countMallocs is set; otherwise plain glibc malloc.
extern "C" void *malloc(std::size_t size) {
    if (countMallocs) ++mallocs;
    return __libc_malloc(size);
}

namespace {

constexpr int kLoaderFrames = 6;
// The clear, the inner ring, the logo, the two outer rings (one run of ovals), the text.
constexpr int kMinimumDrawCalls = 5;

using bench::game;

// A game showing its loading screen, made once for the program.
bool Ready() {
    static int state = 0;  // 0 not tried, 1 ready, -1 failed
    if (state) return state > 0;
    state = -1;
    if (!bench::StartGame(640, 480)) return false;
    game->Frame(kLoaderFrames);
    if (!game->app->Images[Img::OrvoLogo]) return false;
    state = 1;
    return true;
}

// Collected bytes and malloc calls of `body`, per call over `calls` calls.
template <typename Body>
void CountAllocations(benchmark::State &state, int calls, Body body) {
    int gcBefore = gc_new_bytes, allocedBefore = gc_alloced_bytes;
    mallocs = 0;
    countMallocs = true;
    for (int i = 0; i < calls; ++i) body();
    countMallocs = false;
    state.counters["gcBytes/call"] = static_cast<double>(gc_new_bytes - gcBefore) / calls;
    state.counters["gcAlloced/call"] =
        static_cast<double>(gc_alloced_bytes - allocedBefore) / calls;
    state.counters["mallocs/call"] = static_cast<double>(mallocs) / calls;
}

void BM_RecordImage(benchmark::State &state) {
    REQUIRE_GAME(state, Ready());
    c_MyApp *app = game->app;
    constexpr int kCommands = 2000;
    for (auto _ : state) {
        app->DrawCount = 0;
        for (int i = 0; i < kCommands; ++i) {
            app->p_DrawImg(Img::Cards, static_cast<float>(i & 511), 100,
                           static_cast<float>(i & 15));
        }
        benchmark::DoNotOptimize(app->DrawList.Data());
    }
    state.SetItemsProcessed(state.iterations() * kCommands);
    app->DrawCount = 0;
    CountAllocations(state, kCommands, [app] { app->p_DrawImg(Img::Cards, 10, 10, 1); });
    app->DrawCount = 0;
}
BENCHMARK(BM_RecordImage);

void BM_RecordText20(benchmark::State &state) {
    REQUIRE_GAME(state, Ready());
    c_MyApp *app = game->app;
    String line("Score 0001234 Lives3");  // 20 characters, 18 glyphs drawn
    for (auto _ : state) {
        app->DrawCount = 0;
        app->p_Text(320, 240, line, 1, 1, 0);
        benchmark::DoNotOptimize(app->DrawList.Data());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["commands"] = app->DrawCount / Rec::Size;
    CountAllocations(state, 1000, [app, &line] {
        app->DrawCount = 0;
        app->p_Text(320, 240, line, 1, 1, 0);
    });
}
BENCHMARK(BM_RecordText20);

// One render of the loading screen: the clear, the fitting and the replay through the module
// and the batcher. `submitted` 0 counts batches without handing them to Mesa (our CPU alone);
// 1 adds Mesa's rasterising up to glFinish, for comparison.
void BM_LoadingScreenReplay(benchmark::State &state) {
    REQUIRE_GAME(state, Ready());
    // The recording benchmarks overwrite the list: record the loading screen again.
    game->app->p_WaitStart(1);
    gxtkGraphics *renderer = game->Renderer();
    renderer->submit = state.range(0) != 0;
    for (auto _ : state) {
        game->Render();
        if (renderer->submit) glFinish();
    }
    renderer->submit = true;
    state.counters["records"] = game->app->DrawCount / Rec::Size;
    state.counters["drawCalls"] = renderer->stats.drawCalls;
    state.counters["flushes"] = renderer->stats.flushes;
    state.counters["vertices"] = renderer->stats.vertices;
    state.counters["minimum"] = kMinimumDrawCalls;
    if (renderer->stats.drawCalls != kMinimumDrawCalls) {
        std::string error = std::to_string(renderer->stats.drawCalls) + " draw calls where " +
                            std::to_string(kMinimumDrawCalls) + " would do";
        state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_LoadingScreenReplay)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("submitted")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
