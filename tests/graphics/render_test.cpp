// Pixels and draw calls of the renderer on a real OpenGL context (Xvfb + Mesa's software
// rasteriser). Axis-aligned shapes are compared exactly; blended colours allow 1 for rounding.
//
// Sections: the fixture and pixel helpers; Shapes; Images, blending and state; Batching.

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
using Box = std::vector<int>;

GlTestGame game;
XvfbServer server;

class GlEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(server.Start());
        ASSERT_TRUE(glfwInit()) << "no connection to the private Xvfb";
        game.dataDir = MakeTempDir();
        KtGame::_game = &game;
        ASSERT_TRUE(game.OpenWindow(kWidth, kHeight));
    }
    void TearDown() override {
        if (game.window) glfwDestroyWindow(game.window);
        game.window = nullptr;
        glfwTerminate();
        server.Stop();
    }
};

::testing::Environment *const environment = ::testing::AddGlobalTestEnvironment(new GlEnvironment);

class Render : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(game.window, nullptr);
        gxtk_SetForcePowerOfTwo(false);
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

    // 0xRRGGBB of window pixel (x, y), top-left origin.
    unsigned Pixel(int x, int y) {
        Array<int> a(1);
        gr->ReadPixels(a, x, y, 1, 1, 0, 1);
        return static_cast<unsigned>(a[0]) & 0xFFFFFF;
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
    c_Image *LoadPng(const char *name, int w, int h, int depth,
                     const std::vector<unsigned char> &pixels, int frames = 1, int flags = 0) {
        EXPECT_TRUE(WritePng(game.dataDir + "/" + name, w, h, depth, pixels));
        return kt_graphics_LoadImage(String(name), frames, flags);
    }

    gxtkGraphics *gr = nullptr;
};

// Each channel within `tolerance` (blended colours round either way).
::testing::AssertionResult Near(unsigned actual, unsigned expected, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(int((actual >> shift) & 255) - int((expected >> shift) & 255)) > tolerance)
            return ::testing::AssertionFailure() << std::hex << "0x" << actual;
    }
    return ::testing::AssertionSuccess();
}

constexpr unsigned kWhite = 0xFFFFFF, kBlack = 0;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shapes

TEST_F(Render, PointsAndLinesLandOnPixelCentresAfterTheTransform) {
    gr->DrawPoint(5, 6);
    kt_graphics_Scale(2, 2);
    kt_graphics_DrawRect(0, 0, 0, 0);  // hands the matrix over, draws nothing
    gr->DrawPoint(5, 6);               // (10, 12) + 0.5, not (5.5, 6.5) x 2
    kt_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    kt_graphics_DrawLine(20, 100, 29, 100);
    kt_graphics_DrawLine(150, 10, 150, 19);
    Finish();
    EXPECT_EQ(Pixel(5, 6), kWhite);
    EXPECT_EQ(Pixel(10, 12), kWhite);
    // Which end pixels a line leaves out is the rasteriser's choice (Mesa drops both ends of
    // an upward line in window space); the ones between are lit and nothing spills into the
    // neighbouring row or column.
    for (int i = 1; i < 9; ++i) {
        EXPECT_EQ(Pixel(20 + i, 100), kWhite) << "x " << 20 + i;
        EXPECT_EQ(Pixel(150, 10 + i), kWhite) << "y " << 10 + i;
    }
    int lit = Region(kWhite)[0];
    EXPECT_GE(lit, 2 + 2 * 8);
    EXPECT_LE(lit, 2 + 2 * 9);
}

// The segment counts themselves are checked without a display (image_test).
TEST_F(Render, OvalsFillTheirBoundingEllipse) {
    kt_graphics_DrawEllipse(50, 25, 100, 100);
    Finish();
    for (auto [x, y] : {std::pair{52, 75}, {147, 75}, {100, 27}, {100, 122}}) {
        EXPECT_EQ(Pixel(x, y), kWhite) << x << ", " << y;
    }
    EXPECT_EQ(Pixel(57, 32), kBlack) << "the corner of the bounding box stays outside";
    EXPECT_EQ(Pixel(49, 75), kBlack);
}

TEST_F(Render, PolygonsOfThreeAndFourVertices) {
    float tri[6] = {10, 10, 50, 10, 10, 50};
    float quad[8] = {60, 10, 100, 10, 100, 50, 60, 50};
    gr->DrawPoly(Array<float>(tri, 6));
    gr->SetColor(255, 0, 0);
    gr->DrawPoly(Array<float>(quad, 8));
    gr->DrawPoly(Array<float>());
    Finish();
    EXPECT_EQ(gr->stats.drawCalls, 2);
    EXPECT_EQ(Region(0xFF0000), (Box{40 * 40, 60, 10, 99, 49}));
    EXPECT_EQ(Pixel(11, 45), kWhite);
    EXPECT_EQ(Pixel(45, 45), kBlack);
    int lit = Region(kWhite)[0];
    EXPECT_GE(lit, 780);
    EXPECT_LE(lit, 820);
}

// ---------------------------------------------------------------------------------------------
// Images, blending and state

TEST_F(Render, ImagesArePremultipliedAndBlendOverTheBackground) {
    c_Image *image = LoadPng("alpha.png", 2, 1, 4, {255, 0, 0, 128, 0, 255, 0, 255});
    ASSERT_NE(image, nullptr);
    gr->Cls(0, 0, 255);
    kt_graphics_DrawImage(image, 10, 10, 0);
    kt_graphics_SetAlpha(0.5f);
    kt_graphics_DrawImage(image, 10, 20, 0);
    Finish();
    EXPECT_TRUE(Near(Pixel(10, 10), 0x80007F, 1));
    EXPECT_EQ(Pixel(11, 10), 0x00FF00u);
    EXPECT_TRUE(Near(Pixel(11, 20), 0x007F80, 1)) << "vertex alpha scales the texel";
    EXPECT_EQ(Pixel(12, 10), 0x0000FFu);
}

TEST_F(Render, AdditiveBlendingAddsTheColour) {
    gr->Cls(100, 0, 0);
    kt_graphics_SetBlend(1);
    kt_graphics_SetColor(100, 50, 0);
    kt_graphics_DrawRect(0, 0, 10, 10);
    kt_graphics_SetAlpha(0.5f);
    kt_graphics_DrawRect(20, 0, 10, 10);
    kt_graphics_SetBlend(0);
    kt_graphics_DrawRect(40, 0, 10, 10);
    Finish();
    EXPECT_EQ(Pixel(5, 5), 0xC83200u);
    EXPECT_TRUE(Near(Pixel(25, 5), 0x961900, 1));
    EXPECT_TRUE(Near(Pixel(45, 5), 0x641900, 1)) << "alpha blending again";
}

TEST_F(Render, RectanglesAndTheScissorCoverExactlyTheirPixels) {
    const Box box{30 * 40, 10, 20, 39, 59};
    kt_graphics_DrawRect(10, 20, 30, 40);
    Finish();
    EXPECT_EQ(Region(kWhite), box);

    Start();
    kt_graphics_SetScissor(10, 20, 30, 40);
    gr->Cls(0, 0, 255);  // clears the whole window, and the scissor holds after it
    kt_graphics_DrawRect(0, 0, kWidth, kHeight);
    Finish();
    EXPECT_EQ(Region(kWhite), box);
    EXPECT_EQ(Region(0x0000FF)[0], kWidth * kHeight - 30 * 40);

    Start();  // the frame start passes the full window
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    kt_graphics_DrawRect(0, 0, kWidth, kHeight);
    Finish();
    EXPECT_EQ(Region(kWhite)[0], kWidth * kHeight);
}

TEST_F(Render, DrawImage2TurnsAQuarterAboutACentredHandleAndRestoresTheMatrix) {
    // 4 x 2: two red columns, then two green ones.
    std::vector<unsigned char> px;
    for (int i = 0; i < 8; ++i) {
        bool green = i % 4 >= 2;
        px.insert(px.end(), {static_cast<unsigned char>(green ? 0 : 255),
                             static_cast<unsigned char>(green ? 255 : 0), 0, 255});
    }
    c_Image *image = LoadPng("turn.png", 4, 2, 4, px, 1, c_Image::kMidHandle);
    ASSERT_NE(image, nullptr);
    kt_graphics_DrawImage2(image, 50, 50, 90, 1, 1, 0);
    kt_graphics_DrawRect(0, 0, 1, 1);
    Finish();
    // Upright 2 wide and 4 tall, centred on (50, 50): the right (green) half turned upwards.
    EXPECT_EQ(Region(0x00FF00), (Box{4, 49, 48, 50, 49}));
    EXPECT_EQ(Region(0xFF0000), (Box{4, 49, 50, 50, 51}));
    EXPECT_EQ(Region(kWhite), (Box{1, 0, 0, 0, 0}));
    EXPECT_EQ(Region(kBlack)[0], kWidth * kHeight - 9);
}

TEST_F(Render, TheMatrixStackHoldsThirtyThreeLevels) {
    for (int i = 0; i < 33; ++i) {
        kt_graphics_PushMatrix();
        kt_graphics_Translate(3, 0);
    }
    kt_graphics_DrawRect(0, 0, 2, 2);
    for (int i = 0; i < 33; ++i) kt_graphics_PopMatrix();
    kt_graphics_DrawRect(0, 10, 2, 2);
    Finish();
    EXPECT_EQ(Pixel(99, 0), kWhite);
    EXPECT_EQ(Pixel(0, 10), kWhite);
    EXPECT_EQ(Region(kWhite)[0], 8);
}

TEST_F(Render, WritePixelsUpdatesRgbaTexturesOnly) {
    c_Image *canvas = kt_graphics_CreateImage(4, 4, 1, 0);
    Array<int> red(16), green(4);
    for (int i = 0; i < 16; ++i) red[i] = static_cast<int>(0xFFFF0000u);
    for (int i = 0; i < 4; ++i) green[i] = static_cast<int>(0xFF00FF00u);
    gr->WritePixels2(canvas->surface, red, 0, 0, 4, 4, 0, 4);
    kt_graphics_DrawImage(canvas, 0, 0, 0);
    gr->WritePixels2(canvas->surface, green, 1, 1, 2, 2, 0, 2);
    kt_graphics_DrawImage(canvas, 10, 0, 0);

    c_Image *rgb = LoadPng("rgb.png", 1, 1, 3, {0, 0, 255});
    ASSERT_NE(rgb, nullptr);
    gr->WritePixels2(rgb->surface, green, 0, 0, 1, 1, 0, 1);
    kt_graphics_DrawImage(rgb, 20, 0, 0);
    Finish();
    // The pending draw of the canvas went out before the write; the RGB image is unchanged.
    EXPECT_EQ(Region(0xFF0000), (Box{16 + 12, 0, 0, 13, 3}));
    EXPECT_EQ(Region(0x00FF00), (Box{4, 11, 1, 12, 2}));
    EXPECT_EQ(Region(0x0000FF), (Box{1, 20, 0, 20, 0}));
}

TEST_F(Render, TexturesComeBackAfterTheWindowIsRecreated) {
    c_Image *image = LoadPng("keep.png", 2, 2, 4,
                             {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128});
    c_Image *canvas = kt_graphics_CreateImage(2, 1, 1, 0);
    ASSERT_NE(image, nullptr);
    int argb[2] = {static_cast<int>(0xFF102030u), static_cast<int>(0xFF405060u)};
    gr->WritePixels2(canvas->surface, Array<int>(argb, 2), 0, 0, 2, 1, 0, 2);
    auto draw = [&] {
        kt_graphics_DrawImage(image, 5, 5, 0);
        kt_graphics_DrawImage2(canvas, 20, 5, 0, 3, 3, 0);
        Finish();
        Array<int> a(40 * 20);
        gr->ReadPixels(a, 0, 0, 40, 20, 0, 40);
        return std::vector<int>(a.Data(), a.Data() + a.Length());
    };
    std::vector<int> before = draw();
    int oldSeq = image->surface->seq;

    ASSERT_TRUE(game.OpenWindow(kWidth, kHeight));
    Start();
    EXPECT_EQ(draw(), before);
    EXPECT_NE(image->surface->seq, oldSeq);
    EXPECT_EQ(canvas->surface->seq, glfwGraphicsSeq);
}

TEST_F(Render, RefusedSizesFallBackToPowerOfTwoTextures) {
    std::vector<unsigned char> px(100 * 60 * 3);
    for (int i = 0; i < 100 * 60; ++i) {
        px[i * 3] = static_cast<unsigned char>(i % 100 * 2);
        px[i * 3 + 1] = static_cast<unsigned char>(i / 100 * 4);
        px[i * 3 + 2] = 77;
    }
    c_Image *image = LoadPng("npot.png", 100, 60, 3, px);
    ASSERT_NE(image, nullptr);
    Finish();

    // A new window whose driver refuses the size: the texture made at the next draw is padded,
    // and that draw's coordinates already use the padded size.
    gxtk_SetForcePowerOfTwo(true);
    ASSERT_TRUE(game.OpenWindow(kWidth, kHeight));
    Start();
    kt_graphics_DrawImage(image, 0, 0, 0);
    EXPECT_FLOAT_EQ(image->surface->uscale, 1.0f / 128);
    EXPECT_FLOAT_EQ(image->surface->vscale, 1.0f / 64);
    Finish();
    EXPECT_EQ(Pixel(0, 0), 0x00004Du);
    EXPECT_EQ(Pixel(99, 59), 0xC6EC4Du);
    EXPECT_EQ(Pixel(37, 21), 0x4A544Du);
    EXPECT_EQ(Pixel(100, 0), kBlack);
    EXPECT_EQ(Pixel(0, 60), kBlack);
}

// ---------------------------------------------------------------------------------------------
// Batching

TEST_F(Render, TwoImagesOfOneSurfaceAreOneDrawCall) {
    c_Image *sheet = LoadPng("sheet.png", 4, 2, 4, std::vector<unsigned char>(4 * 2 * 4, 255), 2);
    ASSERT_NE(sheet, nullptr);
    kt_graphics_SetColor(255, 0, 0);
    kt_graphics_DrawImage2(sheet, 10, 10, 0, 1, 1, 0);
    kt_graphics_SetColor(0, 255, 0);
    kt_graphics_DrawImage2(sheet, 30, 10, 0, 2, 2, 1);
    gxtkFrameStats stats = Finish();
    EXPECT_EQ(stats.drawCalls, 1);
    EXPECT_EQ(stats.vertices, 8);
    EXPECT_EQ(Region(0xFF0000), (Box{4, 10, 10, 11, 11}));
    EXPECT_EQ(Region(0x00FF00), (Box{16, 30, 10, 33, 13}));
}

TEST_F(Render, AnImageBetweenTwoRectanglesForcesTwoFlushesInOrder) {
    c_Image *image = LoadPng("white.png", 8, 8, 4, std::vector<unsigned char>(8 * 8 * 4, 255));
    ASSERT_NE(image, nullptr);
    kt_graphics_SetColor(255, 0, 0);
    kt_graphics_DrawRect(0, 0, 10, 10);
    kt_graphics_SetColor(0, 0, 255);
    kt_graphics_DrawImage(image, 5, 5, 0);
    kt_graphics_SetColor(0, 255, 0);
    kt_graphics_DrawRect(8, 8, 10, 10);
    EXPECT_EQ(gr->stats.flushes, 2);
    EXPECT_EQ(Finish().drawCalls, 3);
    EXPECT_EQ(Pixel(4, 4), 0xFF0000u);
    EXPECT_EQ(Pixel(6, 6), 0x0000FFu);
    EXPECT_EQ(Pixel(9, 9), 0x00FF00u);
}

TEST_F(Render, StateCallsThatChangeNothingDoNotFlush) {
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
    EXPECT_EQ(Pixel(5, 2), 0xFFFF00u) << "green added to red";
    EXPECT_EQ(Pixel(25, 2), 0x00FFFFu);
    EXPECT_EQ(Pixel(25, 7), 0x0000FFu);
}

TEST_F(Render, ClsDropsWhatWasPendingAndAFullBufferSplits) {
    kt_graphics_DrawRect(0, 0, 50, 50);
    gr->Cls(0, 0, 0);
    gxtkFrameStats stats = Finish();
    EXPECT_EQ(stats.drawCalls, 0);
    EXPECT_EQ(Region(kBlack)[0], kWidth * kHeight);

    // Ovals of different sizes have different vertex counts and still share a call, each fan
    // drawn from its own first vertex.
    Start();
    for (int i = 0; i < 3; ++i) kt_graphics_DrawEllipse(10 + i * 40.0f, 10, 30 - i * 8.0f, 30);
    EXPECT_EQ(Finish().drawCalls, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Pixel(10 + i * 40 + (30 - i * 8) / 2, 25), kWhite) << i;
        EXPECT_EQ(Pixel(10 + i * 40 + 29 - i * 8 + 3, 25), kBlack) << i;
    }

    Start();
    for (int i = 0; i < 300; ++i) kt_graphics_DrawRect(static_cast<float>(i % 100), 0, 1, 1);
    stats = Finish();
    EXPECT_EQ(stats.drawCalls, 2) << "256 quads fill the 1024 vertices";
    EXPECT_EQ(stats.vertices, 1200);
    EXPECT_EQ(Region(kWhite), (Box{100, 0, 0, 99, 0}));
}
