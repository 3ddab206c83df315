// A frame of the board game: one update of play and one replay of what it recorded, through the
// real renderer on a private Xvfb with Mesa.
//
// The run is started on Normal with a fixed clock and waits at the prompt with every card
// settled face down, so each update does the same work: the labels, 52 cards, the piece, the
// die, the prompt and the HUD. BM_BoardFrame counts batches without handing them to Mesa: the
// CPU cost of our code alone, against a budget of 1% of a 60 Hz frame (167 us).
//
// BM_BoardFrameDrawCalls checks the replay's draw calls against the fewest the command order
// allows: one per run of records with equal primitive kind and texture, after the clear.

#include <benchmark/benchmark.h>

#include <string>

#include "benchmarks/game/bench_game.h"

namespace {

constexpr double kStartSeconds = 5.0;

using bench::game;
using bench::MinimumDrawCalls;
using bench::Settled;

// A run waiting at the prompt, made once for the program.
bool Ready() {
    static int state = 0;  // 0 not tried, 1 ready, -1 failed
    if (state) return state > 0;
    state = -1;
    if (!bench::StartGame(640, 480)) return false;
    c_MyApp *app = game->app;
    for (int i = 0; i < 100 && app->LoadStage > 0; ++i) game->Frame();
    if (!app->Images[Img::Cards] || !app->Images[Img::Font]) return false;
    game->host.Advance(kStartSeconds - game->host.Now());
    app->Difficulty = 2;
    app->Mode = Screen::Starting;
    for (int i = 0; i < 600 && !(app->Mode == Screen::Game && Settled(app)); ++i) game->Frame();
    game->Frame();
    if (!Settled(app)) return false;
    state = 1;
    return true;
}

void BM_BoardFrame(benchmark::State &state) {
    REQUIRE_GAME(state, Ready());
    gxtkGraphics *renderer = game->Renderer();
    renderer->submit = false;
    for (auto _ : state) game->Frame();
    renderer->submit = true;
    state.counters["records"] = game->app->DrawCount / Rec::Size;
    state.counters["drawCalls"] = renderer->stats.drawCalls;
}
BENCHMARK(BM_BoardFrame)->Unit(benchmark::kMicrosecond);

void BM_BoardFrameDrawCalls(benchmark::State &state) {
    REQUIRE_GAME(state, Ready());
    gxtkGraphics *renderer = game->Renderer();
    renderer->submit = true;
    for (auto _ : state) {
        game->Render();
        glFinish();
    }
    int minimum = MinimumDrawCalls(game->app);
    state.counters["drawCalls"] = renderer->stats.drawCalls;
    state.counters["minimum"] = minimum;
    state.counters["vertices"] = renderer->stats.vertices;
    if (renderer->stats.drawCalls != minimum) {
        std::string error = std::to_string(renderer->stats.drawCalls) + " draw calls where " +
                            std::to_string(minimum) + " would do";
        state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_BoardFrameDrawCalls)->Unit(benchmark::kMicrosecond);

}  // namespace
