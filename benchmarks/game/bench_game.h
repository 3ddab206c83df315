// Shared by the game benchmarks: one game per process on a private Xvfb with the real renderer,
// and the fewest draw calls a recorded frame's command order allows.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "tests/game_e2e/gl_game.h"

namespace bench {

inline XvfbServer server;
inline GlGame *game;

inline void StopDisplay() {
    delete game;
    game = nullptr;
    glfwTerminate();
    server.Stop();
}

// The display, the window and a w x h game past its create hook, made once for the program;
// false for good when any of them cannot be made.
inline bool StartGame(int w, int h) {
    static int state = 0;  // 0 not tried, 1 ready, -1 failed
    if (state) return state > 0;
    state = -1;
    if (!server.Start() || !glfwInit()) return false;
    std::atexit(StopDisplay);
    game = new GlGame();
    if (!game->Start(w, h)) return false;
    state = 1;
    return true;
}

// Runs of records with equal primitive kind and texture, counting the clear rectangle the
// render hook draws before the replay.
inline int MinimumDrawCalls(const c_MyApp *app) {
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

// Every card of the board has settled face down.
inline bool Settled(c_MyApp *app) {
    if (app->Player[Player::CardsMoving] != 0) return false;
    for (int r = 0; r < Board::Rows; ++r) {
        for (int c = 0; c < Board::Columns; ++c) {
            if (app->Grid[(r * Board::Stride + c) * Cell::Size + Cell::Turn] != 0) return false;
        }
    }
    return true;
}

}  // namespace bench

// Skips the benchmark when the program's game could not be made (`ready` is its setup).
#define REQUIRE_GAME(state, ready)                                                 \
    if (!(ready)) {                                                                \
        state.SkipWithError("no private Xvfb / OpenGL context, or no data/ here"); \
        return;                                                                    \
    }
