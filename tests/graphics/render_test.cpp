// The renderer's pixels and draw calls on OpenGL under Xvfb (Mesa: the same pixels everywhere).

#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "framework/graphics.h"
#include "tests/graphics/gl_env.h"
#include "tests/graphics/png_writer.h"

namespace {

constexpr int kWidth = 200, kHeight = 150;
constexpr unsigned kWhite = 0xFFFFFF, kBlack = 0, kRed = 0xFF0000, kGreen = 0xFF00, kBlue = 0xFF;
using Box = std::vector<int>;
using Px = std::vector<unsigned>;

GlTestGame game;
XvfbServer server;

class Render : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(server.Start());
        ASSERT_TRUE(glfwInit()) << "no connection to the private Xvfb";
        game.dataDir = MakeTempDir();
        KtGame::_game = &game;
        ASSERT_TRUE(game.OpenWindow(kWidth, kHeight));
    }
    static void TearDownTestSuite() {
        glfwTerminate();
        server.Stop();
    }
    void SetUp() override {
        ASSERT_NE(game.window, nullptr);
        kt_graphics_Init();
        gr = new gxtkGraphics();
        kt_graphics_SetGraphicsDevice(gr);
        Start();
    }

    // One frame as the delegate brackets it, cleared to black.
    void Start() {
        gr->BeginRender();
        kt_graphics_BeginRender();
        gr->Cls(0, 0, 0);
    }
    gxtkFrameStats Finish() {
        kt_graphics_EndRender();
        gr->EndRender();
        return gr->stats;
    }

    // 0xRRGGBB of window pixels (x, y), top-left origin, each read as a rectangle of one row.
    Px Pixels(std::initializer_list<std::pair<int, int>> at) {
        Px out;
        for (auto [x, y] : at) {
            Array<int> a(1);
            gr->ReadPixels(a, x, y, 1, 1, 0, 1);
            out.push_back(static_cast<unsigned>(a[0]) & 0xFFFFFF);
        }
        return out;
    }
    // The pixels of colour `rgb`: {count, left, top, right, bottom} (the box inclusive).
    Box Region(unsigned rgb) {
        Array<int> a(kWidth * kHeight);
        gr->ReadPixels(a, 0, 0, kWidth, kHeight, 0, kWidth);
        Box box{0, kWidth, kHeight, -1, -1};
        for (int i = 0; i < a.Length(); ++i) {
            if ((static_cast<unsigned>(a[i]) & 0xFFFFFF) != rgb) continue;
            int x = i % kWidth, y = i / kWidth;
            box = {box[0] + 1, std::min(box[1], x), std::min(box[2], y), std::max(box[3], x),
                   std::max(box[4], y)};
        }
        return box;
    }
    // A null image (a failed load) stops the test at its first draw.
    c_Image *LoadPng(const char *name, int w, int h, int depth,
                     const std::vector<unsigned char> &pixels, int frames = 1, int flags = 0) {
        EXPECT_TRUE(WritePng(game.dataDir + "/" + name, w, h, depth, pixels));
        return kt_graphics_LoadImage(String(name), frames, flags);
    }

    gxtkGraphics *gr = nullptr;
};

}  // namespace

// Points land on pixel centres; a line lights the pixels between its ends (which ends: Mesa's).
TEST_F(Render, Primitives) {
    gr->DrawPoint(5, 6);
    kt_graphics_Scale(2, 2);
    kt_graphics_DrawRect(0, 0, 0, 0);  // hands the matrix over, draws nothing
    gr->DrawPoint(5, 6);               // (10, 12) + 0.5, not (5.5, 6.5) x 2
    kt_graphics_SetMatrix(1, 0, 0, 1, 1, 0);
    kt_graphics_DrawRect(40, 50, 1, 1);  // moved by the smallest translation: (41, 50)
    kt_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    kt_graphics_DrawLine(20, 100, 29, 100);
    kt_graphics_DrawLine(150, 10, 150, 19);
    Finish();
    EXPECT_EQ(Pixels({{5, 6}, {10, 12}, {41, 50}, {21, 100}, {28, 100}, {150, 11}, {150, 18}}),
              Px(7, kWhite));
    int lit = Region(kWhite)[0];
    EXPECT_TRUE(lit >= 3 + 2 * 8 && lit <= 3 + 2 * 9) << lit;

    // Ovals share one call, each a fan from its own first vertex.
    Start();
    kt_graphics_DrawEllipse(50, 25, 100, 100);
    kt_graphics_DrawEllipse(160, 10, 30, 30);
    kt_graphics_DrawEllipse(160, 100, 14, 30);
    kt_graphics_SetMatrix(2, 0, 0, 2, 0, 0);
    kt_graphics_DrawEllipse(30, 60, 10, 5);  // through the matrix: (60, 120) to (80, 130)
    EXPECT_EQ(Finish().drawCalls, 1);
    // Together their ideal area, pi (50 x 50 + 15 x 15 + 7 x 15 + 10 x 5), within the rounding.
    EXPECT_NEAR(Region(kWhite)[0], 3.14159 * 2880, 40);
    EXPECT_EQ(
        Pixels({{52, 75}, {147, 75}, {100, 27}, {100, 122}, {175, 25}, {167, 115}, {70, 125}}),
        Px(7, kWhite));
    // The box's corner, the pixels just outside each oval and those between them stay black.
    EXPECT_EQ(Pixels({{57, 32}, {49, 75}, {192, 25}, {176, 115}, {162, 50}, {158, 95}}),
              Px(6, kBlack));
}

TEST_F(Render, ImagesArePremultipliedAndBlendOverTheBackground) {
    c_Image *image = LoadPng("alpha.png", 2, 1, 4, {255, 0, 0, 128, 0, 255, 0, 255});
    gr->Cls(0, 0, 255);
    kt_graphics_DrawImage(image, 10, 10, 0);
    kt_graphics_SetAlpha(0.5f);
    kt_graphics_DrawImage(image, 10, 20, 0);  // vertex alpha scales the texel
    // Additive blending adds the colour, scaled by alpha; mode 0 is alpha blending again.
    kt_graphics_SetAlpha(1), kt_graphics_SetBlend(1), kt_graphics_SetColor(100, 50, 0);
    kt_graphics_DrawRect(0, 40, 10, 10);
    kt_graphics_SetAlpha(0.5f);
    kt_graphics_DrawRect(20, 40, 10, 10);
    kt_graphics_SetBlend(0);
    kt_graphics_DrawRect(40, 40, 10, 10);
    Finish();
    EXPECT_EQ(Pixels({{10, 10}, {11, 10}, {11, 20}, {12, 10}, {5, 45}, {25, 45}, {45, 45}}),
              (Px{0x80007F, kGreen, 0x007F80, kBlue, 0x6432FF, 0x3219FF, 0x321980}));
}

TEST_F(Render, RectanglesAndTheScissorCoverExactlyTheirPixels) {
    kt_graphics_DrawRect(10, 20, 30, 40);
    kt_graphics_SetScissor(10, 20, 30, 40);  // this frame only
    Finish();
    EXPECT_EQ(Region(kWhite), (Box{30 * 40, 10, 20, 39, 59}));
    Start();  // the frame start passes the full window
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    kt_graphics_DrawRect(0, 0, kWidth, kHeight);
    Finish();
    EXPECT_EQ(Region(kWhite)[0], kWidth * kHeight);
    Start();
    kt_graphics_SetMatrix(1, 0, 0, 2, 0, 0);
    kt_graphics_DrawRect(60, 10, 10, 5);  // through a scale: (60, 20) to (70, 30)
    Finish();
    EXPECT_EQ(Region(kWhite), (Box{10 * 10, 60, 20, 69, 29}));
}

// DrawImage2 turns about a centred handle and restores the matrix.
TEST_F(Render, DrawImage2TurnsAboutTheHandleAndRestoresTheMatrix) {
    // 4 x 2: two red columns, then two green ones.
    std::vector<unsigned char> px;
    for (int i = 0; i < 8; ++i) px.insert(px.end(), {255, 0, 0, 255});
    for (int i : {2, 3, 6, 7}) px[i * 4] = 0, px[i * 4 + 1] = 255;
    c_Image *image = LoadPng("turn.png", 4, 2, 4, px, 1, c_Image::kMidHandle);
    kt_graphics_DrawImage2(image, 50, 50, 90, 1, 1, 0);
    kt_graphics_DrawRect(0, 0, 1, 1);
    Finish();
    // Upright 2 wide and 4 tall, centred on (50, 50): the right (green) half turned upwards.
    EXPECT_EQ(Region(kGreen), (Box{4, 49, 48, 50, 49}));
    EXPECT_EQ(Region(kRed), (Box{4, 49, 50, 50, 51}));
    EXPECT_EQ(Region(kWhite), (Box{1, 0, 0, 0, 0}));
    EXPECT_EQ(Region(kBlack)[0], kWidth * kHeight - 9);
}

// A pending draw of a canvas goes out before a write to it; textures survive a new window, also
// written ones, padded ones and ones of other formats.
TEST_F(Render, WritePixelsUpdatesRgbaTexturesOnlyAndTexturesComeBackInANewWindow) {
    c_Image *canvas = kt_graphics_CreateImage(4, 4, 1, 0);
    Array<int> red(16), green(4);
    for (int i = 0; i < 16; ++i) red[i] = static_cast<int>(0xFFFF0000u);
    for (int i = 0; i < 4; ++i) green[i] = static_cast<int>(0xFF00FF00u);
    gr->WritePixels2(canvas->surface, red, 0, 0, 4, 4, 0, 4);
    kt_graphics_DrawImage(canvas, 0, 0, 0);
    gr->WritePixels2(canvas->surface, green, 1, 1, 2, 2, 0, 2);
    c_Image *rgb = LoadPng("rgb.png", 1, 1, 3, {0, 0, 255});
    c_Image *half = LoadPng("half.png", 1, 1, 4, {255, 255, 255, 128});
    gxtk_SetForcePowerOfTwo(true);
    c_Image *la = LoadPng("la.png", 3, 2, 2, std::vector<unsigned char>(3 * 2 * 2, 128));
    gxtk_SetForcePowerOfTwo(false);
    gr->WritePixels2(rgb->surface, green, 0, 0, 1, 1, 0, 1);
    auto draw = [&] {
        kt_graphics_DrawImage(canvas, 10, 0, 0);
        kt_graphics_DrawImage(rgb, 20, 0, 0);
        kt_graphics_DrawImage(half, 30, 0, 0);
        kt_graphics_DrawImage(la, 40, 0, 0);
        Finish();
        return std::vector<Box>{Region(kRed), Region(kGreen), Region(kBlue), Region(0x808080),
                                Region(0x404040)};
    };
    const Box green4{4, 11, 1, 12, 2}, blue1{1, 20, 0, 20, 0}, grey1{1, 30, 0, 30, 0},
        grey6{6, 40, 0, 42, 1};
    EXPECT_EQ(draw(), (std::vector<Box>{{16 + 12, 0, 0, 13, 3}, green4, blue1, grey1, grey6}));
    int oldSeq = half->surface->seq;
    ASSERT_TRUE(game.OpenWindow(kWidth, kHeight));
    Start();
    EXPECT_EQ(draw(), (std::vector<Box>{{12, 10, 0, 13, 3}, green4, blue1, grey1, grey6}));
    EXPECT_NE(half->surface->seq, oldSeq);
    EXPECT_EQ(canvas->surface->seq, glfwGraphicsSeq);
    unsigned texture = half->surface->texture;
    half->surface->Discard();
    EXPECT_FALSE(glIsTexture(texture)) << "a discarded surface leaves no texture behind";
}

// Batching

// Frames of one sheet share a call; a surface change flushes, in order.
TEST_F(Render, OneSurfaceIsOneCallAndASurfaceChangeFlushesInOrder) {
    c_Image *sheet = LoadPng("sheet.png", 4, 2, 4, std::vector<unsigned char>(4 * 2 * 4, 255), 2);
    kt_graphics_SetColor(255, 0, 0), kt_graphics_DrawImage2(sheet, 10, 10, 0, 1, 1, 0);
    kt_graphics_SetColor(0, 255, 0), kt_graphics_DrawImage2(sheet, 30, 10, 0, 2, 2, 1);
    gxtkFrameStats stats = Finish();
    EXPECT_EQ(std::vector<int>({stats.drawCalls, stats.vertices}), std::vector<int>({1, 8}));
    EXPECT_EQ(Region(kRed), (Box{4, 10, 10, 11, 11}));
    EXPECT_EQ(Region(kGreen), (Box{16, 30, 10, 33, 13}));

    Start();
    kt_graphics_SetColor(255, 0, 0), kt_graphics_DrawRect(0, 0, 10, 10);
    kt_graphics_SetColor(0, 0, 255), kt_graphics_DrawImage(sheet, 5, 5, 0);
    kt_graphics_SetColor(0, 255, 0), kt_graphics_DrawRect(8, 8, 10, 10);
    EXPECT_EQ(gr->stats.flushes, 2);
    EXPECT_EQ(Finish().drawCalls, 3);
    EXPECT_EQ(Pixels({{4, 4}, {6, 6}, {9, 9}}), (Px{kRed, kBlue, kGreen}));
}

TEST_F(Render, StateCallsThatChangeNothingDoNotFlushClsDropsAndAFullBufferSplits) {
    kt_graphics_SetColor(255, 0, 0);
    kt_graphics_DrawRect(0, 0, 10, 10);
    kt_graphics_SetBlend(0);
    kt_graphics_SetScissor(0, 0, kWidth, kHeight);
    kt_graphics_SetColor(0, 0, 255);
    kt_graphics_SetBlend(1);
    kt_graphics_SetBlend(0);  // set and set back: nothing drawn in between
    kt_graphics_DrawRect(20, 0, 10, 10);
    EXPECT_EQ(gr->stats.flushes, 0);
    kt_graphics_SetBlend(1);
    EXPECT_EQ(gr->stats.flushes, 0) << "applied with the next primitive";
    kt_graphics_SetColor(0, 255, 0);
    kt_graphics_DrawRect(0, 0, 30, 5);
    EXPECT_EQ(gr->stats.flushes, 1);
    kt_graphics_SetScissor(0, 0, 15, 15);
    EXPECT_EQ(gr->stats.flushes, 2);
    EXPECT_EQ(Finish().drawCalls, 2);
    EXPECT_EQ(Pixels({{5, 2}, {25, 2}, {25, 7}}), (Px{0xFFFF00, 0x00FFFF, kBlue}));

    // Cls drops what was pending; 256 quads fill the 1024 vertices, the rest go in a second call.
    Start();
    kt_graphics_DrawRect(0, 0, 50, 50);
    gr->Cls(0, 0, 0);
    EXPECT_EQ(Finish().drawCalls, 0);
    EXPECT_EQ(Region(kBlack)[0], kWidth * kHeight);

    Start();
    for (int i = 0; i < 300; ++i) kt_graphics_DrawRect(static_cast<float>(i % 100), 0, 1, 1);
    gxtkFrameStats stats = Finish();
    EXPECT_EQ(std::vector<int>({stats.drawCalls, stats.vertices}), std::vector<int>({2, 1200}));
    EXPECT_EQ(Region(kWhite), (Box{100, 0, 0, 99, 0}));
}
