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

#include "tests/game_e2e/gl_game.h"

namespace {

constexpr double kStartSeconds = 5.0;

XvfbServer server;
GlGame *game;

void StopDisplay() {
    delete game;
    game = nullptr;
    glfwTerminate();
    server.Stop();
}

bool Settled(c_MyApp *app) {
    if (app->Player[Player::CardsMoving] != 0) return false;
    for (int r = 0; r < Board::Rows; ++r) {
        for (int c = 0; c < Board::Columns; ++c) {
            if (app->Grid[(r * Board::Stride + c) * Cell::Size + Cell::Turn] != 0) return false;
        }
    }
    return true;
}

// The display, the window and a run waiting at the prompt, made once for the program.
bool Ready() {
    static int state = 0;  // 0 not tried, 1 ready, -1 failed
    if (state) return state > 0;
    state = -1;
    if (!server.Start() || !glfwInit()) return false;
    std::atexit(StopDisplay);
    game = new GlGame();
    if (!game->Start(640, 480)) return false;
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

#define REQUIRE_GAME(state)                                                        \
    if (!Ready()) {                                                                \
        state.SkipWithError("no private Xvfb / OpenGL context, or no data/ here"); \
        return;                                                                    \
    }

// Runs of records with equal primitive kind and texture, counting the clear rectangle the
// render hook draws before the replay.
int MinimumDrawCalls(const c_MyApp *app) {
    int runs = 1;
    float last = Rec::KindRect;
    for (int at = 0; at + Rec::Size <= app->DrawCount; at += Rec::Size) {
        float kind = app->DrawList[at + Rec::Kind];
        if (kind > -1) kind = static_cast<float>(Trunc(kind));  // an image: its slot
        if (kind != last) ++runs;
        last = kind;
    }
    return runs;
}

void BM_BoardFrame(benchmark::State &state) {
    REQUIRE_GAME(state);
    gxtkGraphics *renderer = game->Renderer();
    renderer->submit = false;
    for (auto _ : state) game->Frame();
    renderer->submit = true;
    state.counters["records"] = game->app->DrawCount / Rec::Size;
    state.counters["drawCalls"] = renderer->stats.drawCalls;
}
BENCHMARK(BM_BoardFrame)->Unit(benchmark::kMicrosecond);

void BM_BoardFrameDrawCalls(benchmark::State &state) {
    REQUIRE_GAME(state);
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
