// Every screen of the real game: its update's CPU time on the test host, its replay's CPU time
// through the real renderer (batched and counted, not handed to Mesa), and its draw calls per
// frame through Mesa on a private Xvfb against the fewest the recorded command order allows
// (one per run of consecutive records with the same primitive kind and texture, plus the
// clear). Then the real `cobblevale` binary's start-up, from outside: the time from launch to
// its first frame on screen and to its first menu frame, side by side with bare_window, a
// program that only opens a GLFW window. At 1280 x 720 both windows are resized to that size as
// soon as they are mapped (the game always opens at 640 x 480), so the game reloads its images
// at the matching resolution before the menu.
//
// Targets: the first frame no later than the bare window's; the menu within 300 ms after it.
// Run from bin/, where the generated data, cobblevale and bare_window lie.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "benchmarks/game/startup_probe.h"
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

// ---------------------------------------------------------------------------------------------
// Start-up, timed from outside

std::string Beside(const char *name) {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return name;
    self[n] = 0;
    std::string dir(self);
    return dir.substr(0, dir.rfind('/') + 1) + name;
}

void BM_StartUp(benchmark::State &state) {
    REQUIRE_GAME(state, bench::StartGame(640, 480));
    int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::string gamePath = Beside("cobblevale"), barePath = Beside("bare_window");
    if (access(gamePath.c_str(), X_OK) != 0 || access(barePath.c_str(), X_OK) != 0) {
        state.SkipWithError("cobblevale or bare_window missing beside the benchmark");
        return;
    }
    // A display of its own: the in-process game's window stays out of the way of the probes.
    static XvfbServer startupServer;
    static bool started = startupServer.Start();
    if (!started) {
        state.SkipWithError("no second Xvfb");
        return;
    }
    double gameFirst = 0, gameMenu = 0, bareFirst = 0, gameMapped = 0, bareMapped = 0;
    int n = 0;
    for (auto _ : state) {
        // Alternated in the same iteration so both see the same machine load.
        StartUp bare = Launch(barePath, "Bare Window", w, h, false);
        StartUp real = Launch(gamePath, "Cobble Vale", w, h, true);
        if (bare.firstFrame < 0 || real.firstFrame < 0 || real.menu < 0) {
            state.SkipWithError("a window never showed its frame");
            return;
        }
        bareMapped += bare.mapped;
        bareFirst += bare.firstFrame;
        gameMapped += real.mapped;
        gameFirst += real.firstFrame;
        gameMenu += real.menu;
        ++n;
    }
    state.counters["bare_mapped_ms"] = bareMapped / n;
    state.counters["bare_first_ms"] = bareFirst / n;
    state.counters["game_mapped_ms"] = gameMapped / n;
    state.counters["game_first_ms"] = gameFirst / n;
    state.counters["game_menu_ms"] = gameMenu / n;
    state.counters["menu_after_first_ms"] = (gameMenu - gameFirst) / n;
}
BENCHMARK(BM_StartUp)
    ->Args({640, 480})
    ->Args({1280, 720})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
