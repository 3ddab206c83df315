// Every screen of the real game: its update's CPU time on the test host, its replay's CPU time
// through the real renderer (batched and counted, not handed to Mesa), and its draw calls per
// frame through Mesa on a private Xvfb against the fewest the recorded command order allows
// (one per run of consecutive records with the same primitive kind and texture, plus the
// clear). The start-up from outside is startup_probe's.

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

#include "benchmarks/game/bench_game.h"

namespace {

using bench::game;
using bench::MinimumDrawCalls;
using bench::Settled;

void Frames(int n) {
    for (int i = 0; i < n; ++i) game->Frame();
}

void ToMenu(c_MyApp *app) {
    for (int i = 0; i < 100 && app->LoadStage > 0; ++i) game->Frame();
    app->Mode = Screen::Menu;
    app->Paused = app->OptionsOpen = app->CreditsOpen = 0;
    app->GameOverFlag = app->GameOverTimer = 0;
    app->OptionsSlide = 0;
    app->PanelExtra = 0;
    Frames(60);
}

void ToBoard(c_MyApp *app) {
    ToMenu(app);
    app->Difficulty = 2;
    app->Mode = Screen::Starting;
    for (int i = 0; i < 900 && !(app->Mode == Screen::Game && Settled(app)); ++i) game->Frame();
}

// Puts the game on a screen; `hold` runs before every measured update so that a screen with a
// timer (the loader, the game-over overlay) stays on it.
struct Screen_ {
    const char *name;
    std::function<void(c_MyApp *)> enter;
    std::function<void(c_MyApp *)> hold;
};

const Screen_ kScreens[] = {
    {"loading", [](c_MyApp *app) { ToMenu(app), app->LoadStage = 1, game->Frame(3); },
     [](c_MyApp *app) {
         // The loader's 14 working steps in turn, each reloading its slots.
         if (app->LoadStage == 0 || app->LoadStage > 14) app->LoadStage = 1;
     }},
    {"menu", ToMenu, nullptr},
    {"credits", [](c_MyApp *app) { ToMenu(app), app->CreditsOpen = 1, Frames(60); }, nullptr},
    {"options", [](c_MyApp *app) { ToMenu(app), app->OptionsOpen = 1, Frames(60); }, nullptr},
    {"board", ToBoard, nullptr},
    {"pause",
     [](c_MyApp *app) {
         ToBoard(app);
         app->Paused = 1;
         app->PauseCursor = 1;
         Frames(60);
     },
     nullptr},
    {"game_over",
     [](c_MyApp *app) {
         ToBoard(app);
         app->GameOverFlag = 1;
         Frames(45);
     },
     [](c_MyApp *app) { app->GameOverTimer = 45; }},
};

void BM_ScreenUpdate(benchmark::State &state) {
    REQUIRE_GAME(state, bench::StartGame(640, 480));
    const Screen_ &screen = kScreens[state.range(0)];
    state.SetLabel(screen.name);
    c_MyApp *app = game->app;
    screen.enter(app);
    for (auto _ : state) {
        if (screen.hold) screen.hold(app);
        game->host.Advance(1.0 / 60);
        game->host.UpdateGame();
    }
    state.counters["records"] = app->DrawCount / Rec::Size;
}
BENCHMARK(BM_ScreenUpdate)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

// Puts the game on the benchmark's screen and runs the update that records its frame.
c_MyApp *ShowScreen(benchmark::State &state) {
    const Screen_ &screen = kScreens[state.range(0)];
    state.SetLabel(screen.name);
    c_MyApp *app = game->app;
    screen.enter(app);
    if (screen.hold) screen.hold(app);
    game->host.UpdateGame();
    return app;
}

void BM_ScreenReplay(benchmark::State &state) {
    REQUIRE_GAME(state, bench::StartGame(640, 480));
    c_MyApp *app = ShowScreen(state);
    gxtkGraphics *renderer = game->Renderer();
    renderer->submit = false;
    for (auto _ : state) game->Render();
    renderer->submit = true;
    state.counters["records"] = app->DrawCount / Rec::Size;
}
BENCHMARK(BM_ScreenReplay)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

void BM_ScreenDrawCalls(benchmark::State &state) {
    REQUIRE_GAME(state, bench::StartGame(640, 480));
    c_MyApp *app = ShowScreen(state);
    gxtkGraphics *renderer = game->Renderer();
    renderer->submit = true;
    for (auto _ : state) {
        game->Render();
        glFinish();
    }
    int minimum = MinimumDrawCalls(app);
    state.counters["drawCalls"] = renderer->stats.drawCalls;
    state.counters["minimum"] = minimum;
    if (renderer->stats.drawCalls != minimum) {
        std::string error = std::string(kScreens[state.range(0)].name) + ": " +
                            std::to_string(renderer->stats.drawCalls) + " draw calls where " +
                            std::to_string(minimum) + " would do";
        state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_ScreenDrawCalls)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

}  // namespace
