// The batcher's CPU cost per sprite and the draw calls of a board frame.
//
// The CPU benchmarks run on a real context (private Xvfb, Mesa) with the renderer's submission
// switched off: every sprite goes through colour packing, the matrix, batching and the vertex
// writes, and each batch is counted, but no batch reaches the rasteriser. That measures our
// code alone. BM_SubmittedToMesa adds the software rasteriser's cost, for comparison only.

#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/graphics.h"
#include "tests/graphics/gl_env.h"
#include "tests/graphics/png_writer.h"

namespace {

constexpr int kSprites = 10000;

GlTestGame game;
XvfbServer server;
gxtkGraphics *renderer;
c_Image *sheet;  // 13 x 4 cards of 16 x 24
c_Image *font;   // 96 glyphs of 8 x 12

void StopDisplay() {
    if (game.window) glfwDestroyWindow(game.window);
    glfwTerminate();
    server.Stop();
}

// The display, the window and the two image sheets, made once for the whole program.
bool Ready() {
    static int state = 0;  // 0 not tried, 1 ready, -1 failed
    if (state) return state > 0;
    state = -1;
    if (!server.Start() || !glfwInit()) return false;
    std::atexit(StopDisplay);
    game.dataDir = MakeTempDir();
    KtGame::_game = &game;
    if (!game.OpenWindow(640, 480)) return false;
    kt_graphics_Init();
    renderer = new gxtkGraphics();
    kt_graphics_SetGraphicsDevice(renderer);
    std::vector<unsigned char> cards(13 * 16 * 4 * 24 * 4, 200), glyphs(96 * 8 * 12 * 4, 255);
    if (!WritePng(game.dataDir + "/cards.png", 13 * 16, 4 * 24, 4, cards) ||
        !WritePng(game.dataDir + "/font.png", 96 * 8, 12, 4, glyphs)) {
        return false;
    }
    sheet = kt_graphics_LoadImage2(String("cards.png"), 16, 24, 52, 1);
    font = kt_graphics_LoadImage(String("font.png"), 96, 2);
    if (!sheet || !font) return false;
    state = 1;
    return true;
}

#define REQUIRE_DISPLAY(state)                                   \
    if (!Ready()) {                                              \
        state.SkipWithError("no private Xvfb / OpenGL context"); \
        return;                                                  \
    }

// One frame of kSprites textured quads straight on the renderer: a new colour, alpha and
// matrix for every sprite.
void BM_RendererSprites(benchmark::State &state) {
    REQUIRE_DISPLAY(state);
    renderer->submit = false;
    gxtkSurface *surface = sheet->surface;
    for (auto _ : state) {
        renderer->BeginRender();
        for (int i = 0; i < kSprites; ++i) {
            float a = static_cast<float>(i) * 0.001f;
            float c = std::cos(a), s = std::sin(a);
            renderer->SetColor(static_cast<float>(i & 255), 128,
                               static_cast<float>(255 - (i & 255)));
            renderer->SetAlpha(0.5f + static_cast<float>(i & 1) * 0.5f);
            renderer->SetMatrix(c, -s, s, c, static_cast<float>(i % 640),
                                static_cast<float>(i % 480));
            renderer->DrawSurface2(surface, -8, -12, (i % 13) * 16, (i / 13 % 4) * 24, 16, 24);
        }
        renderer->EndRender();
        benchmark::DoNotOptimize(renderer->stats.vertices);
    }
    state.SetItemsProcessed(state.iterations() * kSprites);
    state.counters["drawCalls"] = renderer->stats.drawCalls;
}
BENCHMARK(BM_RendererSprites)->Unit(benchmark::kMillisecond);

// The same through the graphics module as the game's replay does it: alpha, colour and blend
// before every image, each drawn with DrawImage2 (push, four products, pop, matrix hand-over).
void BM_ModuleSprites(benchmark::State &state) {
    REQUIRE_DISPLAY(state);
    renderer->submit = false;
    for (auto _ : state) {
        renderer->BeginRender();
        kt_graphics_BeginRender();
        for (int i = 0; i < kSprites; ++i) {
            kt_graphics_SetAlpha(0.5f + static_cast<float>(i & 1) * 0.5f);
            kt_graphics_SetColor(static_cast<float>(i & 255), 128,
                                 static_cast<float>(255 - (i & 255)));
            kt_graphics_SetBlend(0);
            kt_graphics_DrawImage2(sheet, static_cast<float>(i % 640), static_cast<float>(i % 480),
                                   static_cast<float>(i % 360), 1.5f, 1.5f, i % 52);
        }
        kt_graphics_EndRender();
        renderer->EndRender();
        benchmark::DoNotOptimize(renderer->stats.vertices);
    }
    state.SetItemsProcessed(state.iterations() * kSprites);
    state.counters["drawCalls"] = renderer->stats.drawCalls;
}
BENCHMARK(BM_ModuleSprites)->Unit(benchmark::kMillisecond);

// For comparison: the module path with the batches drawn by Mesa's software rasteriser.
void BM_SubmittedToMesa(benchmark::State &state) {
    REQUIRE_DISPLAY(state);
    renderer->submit = true;
    for (auto _ : state) {
        renderer->BeginRender();
        kt_graphics_BeginRender();
        for (int i = 0; i < kSprites; ++i) {
            kt_graphics_SetColor(static_cast<float>(i & 255), 128, 64);
            kt_graphics_DrawImage2(sheet, static_cast<float>(i % 640), static_cast<float>(i % 480),
                                   static_cast<float>(i % 360), 1, 1, i % 52);
        }
        kt_graphics_EndRender();
        renderer->EndRender();
        glFinish();
    }
    renderer->submit = false;
    state.SetItemsProcessed(state.iterations() * kSprites);
}
BENCHMARK(BM_SubmittedToMesa)->Unit(benchmark::kMillisecond);

// A board frame in the game's order: backdrop, 52 cards of one sheet, two HUD panels, 80
// glyphs of one font, three bars and three timing dots, with alpha, colour and blend set
// before every command. The fewest draw calls this order allows is one per run of equal
// (kind, texture): backdrop | cards | panels | glyphs | bars | dots = 6.
void BM_ReferenceFrameDrawCalls(benchmark::State &state) {
    REQUIRE_DISPLAY(state);
    renderer->submit = true;
    const int minimum = 6;
    auto command = [](int i) {
        kt_graphics_SetAlpha(i % 3 == 0 ? 1.0f : 0.8f);
        kt_graphics_SetColor(static_cast<float>(i * 37 % 256), 200, 100);
        kt_graphics_SetBlend(0);
    };
    for (auto _ : state) {
        renderer->BeginRender();
        kt_graphics_BeginRender();
        renderer->Cls(12, 18, 46);
        int n = 0;
        command(n++);
        kt_graphics_DrawRect(-1, -1, 642, 482);
        for (int c = 0; c < 52; ++c) {
            command(n++);
            kt_graphics_DrawImage2(sheet, 60.0f + (c % 13) * 40, 100.0f + (c / 13) * 60,
                                   c == 7 ? 10.0f : 0.0f, c == 20 ? 0.5f : 1.5f, 1.5f, c);
        }
        for (int p = 0; p < 2; ++p) {
            command(n++);
            kt_graphics_DrawRect(10.0f + p * 400, 10, 220, 40);
        }
        for (int g = 0; g < 80; ++g) {
            command(n++);
            kt_graphics_DrawImage2(font, 20.0f + (g % 40) * 12, 20.0f + (g / 40) * 20, 0, 2, 2,
                                   g % 96);
        }
        for (int b = 0; b < 3; ++b) {
            command(n++);
            kt_graphics_DrawRect(0, 300.0f + b * 20, 200, 16);
        }
        for (int d = 0; d < 3; ++d) {
            command(n++);
            kt_graphics_DrawEllipse(580.0f + d * 10, 12.0f + d * 4, 8, 8);
        }
        kt_graphics_EndRender();
        renderer->EndRender();
        glFinish();
    }
    renderer->submit = false;
    state.counters["drawCalls"] = renderer->stats.drawCalls;
    state.counters["minimum"] = minimum;
    state.counters["vertices"] = renderer->stats.vertices;
    if (renderer->stats.drawCalls != minimum) state.SkipWithError("more draw calls than needed");
}
BENCHMARK(BM_ReferenceFrameDrawCalls)->Unit(benchmark::kMicrosecond);

}  // namespace
