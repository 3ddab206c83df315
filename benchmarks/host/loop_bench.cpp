// What the host adds to every frame and every input event: the loop's pacing, the guarded
// calls with their collector steps, key translation and the app module's routing into the
// input device. Drawing and the game itself are not included.

#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "framework/app.h"
#include "tests/support/test_game.h"

namespace {

// One frame at 60 updates per second with an empty delegate: render, swap, sleep, pump, update.
void BM_FrameWithEmptyDelegate(benchmark::State &state) {
    KtTestGame game;
    game.SetDelegate(new KtRecordingDelegate());
    game.SetUpdateRate(60);
    game.StartGame();
    for (auto _ : state) {
        game.RunFrame();
        static_cast<KtRecordingDelegate *>(game.Delegate())->calls.clear();
    }
}
BENCHMARK(BM_FrameWithEmptyDelegate);

// A key press and release delivered through the real app module and input device, then the
// update that sees the hit.
void BM_KeyPressThroughTheFramework(benchmark::State &state) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    KtTestGame game;
    game.Install();
    kt_app_Init();
    kt_graphics_Init();
    kt_input_Init();
    kt_audio_Init();
    (new c_App())->m_new();
    game.StartGame();
    for (auto _ : state) {
        game.ScriptKey(GLFW_KEY_LEFT, GLFW_PRESS);
        game.ScriptKey(GLFW_KEY_LEFT, GLFW_RELEASE);
        game.PumpNow();
        game.UpdateGame();
    }
}
BENCHMARK(BM_KeyPressThroughTheFramework);

void BM_TransKeyWholeRange(benchmark::State &state) {
    for (auto _ : state) {
        int sum = 0;
        for (int key = GLFW_KEY_SPACE; key <= GLFW_KEY_LAST; ++key) sum += TransKey(key);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_TransKeyWholeRange);

}  // namespace
