// Images, frames, the matrix stack and PNG decoding, without a display: surfaces get no
// texture (no window was ever opened) and a recording renderer stands in for OpenGL.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "framework/graphics.h"
#include "host/image_decode.h"
#include "tests/graphics/png_writer.h"

// A fatal runtime error prints to standard output and exits with -1; the child's output goes
// to standard error so the message can be matched, and stdin is closed so no debugger waits.
#define EXPECT_RUNTIME_ERROR(statement, message)         \
    EXPECT_EXIT(                                         \
        {                                                \
            dup2(2, 1);                                  \
            (void)std::freopen("/dev/null", "r", stdin); \
            statement;                                   \
        },                                               \
        ::testing::ExitedWithCode(255), message)

namespace {

struct UnitGame : KtGame {
    std::string dataDir;
    int GetDeviceWidth() override { return 320; }
    int GetDeviceHeight() override { return 240; }
    String PathToFilePath(String path) override {
        if (path.StartsWith(String("vantor://data/")))
            return String(dataDir.c_str()) + "/" + path.Slice(14);
        return path;
    }
    unsigned char *LoadImageData(String path, int *w, int *h, int *depth) override {
        return kt_image_LoadFile(this, path, w, h, depth);
    }
};

// Keeps what the framework asks of the renderer; batching runs as usual but never submits.
struct RecordingGraphics : gxtkGraphics {
    std::vector<std::string> log;
    RecordingGraphics() { submit = false; }

    template <class... T>
    void note(const char *name, T... args) {
        std::ostringstream s;
        s << name;
        ((s << ' ' << args), ...);
        log.push_back(s.str());
    }
    int SetColor(float r, float g, float b) override {
        note("SetColor", r, g, b);
        return gxtkGraphics::SetColor(r, g, b);
    }
    int SetAlpha(float a) override {
        note("SetAlpha", a);
        return gxtkGraphics::SetAlpha(a);
    }
    int SetBlend(int mode) override {
        note("SetBlend", mode);
        return gxtkGraphics::SetBlend(mode);
    }
    int SetScissor(int x, int y, int w, int h) override {
        note("SetScissor", x, y, w, h);
        return gxtkGraphics::SetScissor(x, y, w, h);
    }
    int SetMatrix(float a, float b, float c, float d, float e, float f) override {
        note("SetMatrix", a, b, c, d, e, f);
        return gxtkGraphics::SetMatrix(a, b, c, d, e, f);
    }
    int DrawSurface(gxtkSurface *s, float x, float y) override {
        note("DrawSurface", x, y);
        return gxtkGraphics::DrawSurface(s, x, y);
    }
    int DrawSurface2(gxtkSurface *s, float x, float y, int sx, int sy, int sw, int sh) override {
        note("DrawSurface2", x, y, sx, sy, sw, sh);
        return gxtkGraphics::DrawSurface2(s, x, y, sx, sy, sw, sh);
    }
};

gxtkSurface *MakeSurface(int w, int h, int depth = 4) {
    gxtkSurface *s = new gxtkSurface();
    s->SetData(static_cast<unsigned char *>(std::calloc(static_cast<std::size_t>(w) * h, depth)), w,
               h, depth);
    return s;
}

class GraphicsModule : public ::testing::Test {
protected:
    void SetUp() override {
        glfwGraphicsSeq = 0;
        game.dataDir = MakeTempDir();
        KtGame::_game = &game;
        kt_graphics_Init();
        gr = new RecordingGraphics();
        kt_graphics_SetGraphicsDevice(gr);
    }
    void TearDown() override { KtGame::_game = nullptr; }

    // Applies the matrix the renderer holds to a point.
    void Apply(float x, float y, float *ox, float *oy) const {
        *ox = gr->ix * x + gr->jx * y + gr->tx;
        *oy = gr->iy * x + gr->jy * y + gr->ty;
    }

    UnitGame game;
    RecordingGraphics *gr = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Frame layout

TEST_F(GraphicsModule, MidHandleWithXBorderNarrowsTheFrameAndCentresTheHandle) {
    c_Image *image = (new c_Image)->m_new()->p_Init(MakeSurface(32, 32), 1, 1 | 2);
    EXPECT_EQ(image->width, 30);
    EXPECT_EQ(image->height, 32);
    EXPECT_FLOAT_EQ(image->tx, 15);
    EXPECT_FLOAT_EQ(image->ty, 16);
    EXPECT_EQ(image->frames[0]->x, 1);
    EXPECT_EQ(image->flags & c_Image::kMidHandle, 0) << "the handle is explicit afterwards";
    EXPECT_EQ(image->flags & c_Image::kFullFrame, 0) << "the border hides part of the surface";

    c_Image *yb = (new c_Image)->m_new()->p_Init(MakeSurface(20, 10), 2, 4);
    EXPECT_EQ(yb->width, 10);
    EXPECT_EQ(yb->height, 8);
    EXPECT_EQ(yb->frames[1]->x, 10);
    EXPECT_EQ(yb->frames[1]->y, 1);
}

TEST_F(GraphicsModule, FramesWrapToTheNextRowWhenTheyNoLongerFit) {
    c_Image *image =
        (new c_Image)
            ->m_new()
            ->p_Init2(MakeSurface(100, 80), 0, 0, 40, 40, 4, 0, nullptr, 0, 0, 100, 80);
    ASSERT_EQ(image->frames.Length(), 4);
    const int expected[4][2] = {{0, 0}, {40, 0}, {0, 40}, {40, 40}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(image->frames[i]->x, expected[i][0]) << "frame " << i;
        EXPECT_EQ(image->frames[i]->y, expected[i][1]) << "frame " << i;
    }

    // A cut-out of another image: frames are offset by the source rectangle.
    c_Image *cut =
        (new c_Image)->m_new()->p_Init2(image->surface, 0, 0, 10, 10, 3, 0, image, 50, 20, 20, 20);
    EXPECT_EQ(cut->source, image);
    EXPECT_EQ(cut->frames[1]->x, 60);
    EXPECT_EQ(cut->frames[2]->x, 50);
    EXPECT_EQ(cut->frames[2]->y, 30);

    c_Image *none =
        (new c_Image)->m_new()->p_Init2(MakeSurface(8, 8), 0, 0, 8, 8, 0, 0, nullptr, 0, 0, 8, 8);
    EXPECT_EQ(none->frames.Length(), 0);
}

TEST_F(GraphicsModule, AFrameOutsideTheSurfaceIsARuntimeError) {
    gxtkSurface *s = MakeSurface(100, 80);
    EXPECT_RUNTIME_ERROR((new c_Image)->p_Init2(s, 0, 0, 40, 40, 5, 0, nullptr, 0, 0, 100, 80),
                         "Vantor Runtime Error : Image frame outside surface");
    EXPECT_RUNTIME_ERROR((new c_Image)->p_Init2(s, 0, 0, 101, 10, 1, 0, nullptr, 0, 0, 100, 80),
                         "Image frame outside surface");
    EXPECT_RUNTIME_ERROR((new c_Image)->p_Init2(s, 0, 0, 10, 81, 1, 0, nullptr, 0, 0, 100, 80),
                         "Image frame outside surface");
}

TEST_F(GraphicsModule, InitialisingTwiceOrWithoutFramesIsARuntimeError) {
    c_Image *image = (new c_Image)->m_new()->p_Init(MakeSurface(8, 8), 1, 0);
    EXPECT_RUNTIME_ERROR(image->p_Init(MakeSurface(8, 8), 1, 0), "Image already initialized");
    EXPECT_RUNTIME_ERROR(image->p_Init2(MakeSurface(8, 8), 0, 0, 8, 8, 1, 0, nullptr, 0, 0, 8, 8),
                         "Image already initialized");
    // The strip layout divides by the frame count.
    EXPECT_RUNTIME_ERROR((new c_Image)->p_Init(MakeSurface(8, 8), 0, 0),
                         "frame count must be at least 1");
    EXPECT_RUNTIME_ERROR(kt_graphics_CreateImage(8, 8, -2, 0), "frame count must be at least 1");
}

TEST_F(GraphicsModule, OnlyASingleWholeSurfaceFrameIsFullFrame) {
    c_Image *whole = (new c_Image)->m_new()->p_Init(MakeSurface(16, 8), 1, 1);
    EXPECT_NE(whole->flags & c_Image::kFullFrame, 0);
    c_Image *strip = (new c_Image)->m_new()->p_Init(MakeSurface(64, 16), 4, c_Image::kFullFrame);
    EXPECT_EQ(strip->flags & c_Image::kFullFrame, 0) << "the bit is never taken from the caller";
    EXPECT_EQ(strip->width, 16);
    EXPECT_EQ(strip->frames[3]->x, 48);
    c_Image *inset = (new c_Image)
                         ->m_new()
                         ->p_Init2(MakeSurface(16, 8), 0, 0, 16, 8, 1, 0, nullptr, 0, 0, 16, 8);
    EXPECT_NE(inset->flags & c_Image::kFullFrame, 0);

    kt_graphics_BeginRender();
    gr->log.clear();
    kt_graphics_DrawImage(whole, 10, 20, 0);
    kt_graphics_DrawImage(strip, 10, 20, 2);
    kt_graphics_EndRender();
    ASSERT_EQ(gr->log.size(), 3u);
    EXPECT_EQ(gr->log[0], "SetMatrix 1 0 0 1 0 0");
    EXPECT_EQ(gr->log[1], "DrawSurface 2 16") << "the handle (8, 4) sits at the position";
    EXPECT_EQ(gr->log[2], "DrawSurface2 10 20 32 0 16 16");
}

// ---------------------------------------------------------------------------------------------
// Render state and matrix

TEST_F(GraphicsModule, EveryFrameStartsFromTheSameState) {
    kt_graphics_BeginRender();
    kt_graphics_SetColor(1, 2, 3);
    kt_graphics_Translate(5, 5);
    kt_graphics_PushMatrix();
    kt_graphics_EndRender();
    EXPECT_EQ(kt_graphics_renderDevice, nullptr);

    gr->log.clear();
    kt_graphics_BeginRender();
    EXPECT_EQ(kt_graphics_renderDevice, gr);
    std::vector<std::string> expected = {"SetColor 255 255 255", "SetAlpha 1", "SetBlend 0",
                                         "SetScissor 0 0 320 240"};
    EXPECT_EQ(gr->log, expected);
    EXPECT_EQ(kt_graphics_context->matrixSp, 0);
    kt_graphics_DrawRect(0, 0, 1, 1);
    EXPECT_EQ(gr->log.back(), "SetMatrix 1 0 0 1 0 0");
    EXPECT_FALSE(gr->tformed);
}

TEST_F(GraphicsModule, TheMatrixReachesTheRendererOncePerChangeAndOnlyWhenDrawing) {
    kt_graphics_BeginRender();
    gr->log.clear();
    kt_graphics_Translate(10, 20);
    kt_graphics_Scale(2, 3);
    EXPECT_TRUE(gr->log.empty());
    kt_graphics_DrawRect(0, 0, 1, 1);
    kt_graphics_DrawLine(0, 0, 1, 1);
    kt_graphics_DrawEllipse(0, 0, 4, 4);
    ASSERT_EQ(gr->log.size(), 1u);
    EXPECT_EQ(gr->log[0], "SetMatrix 2 0 0 3 10 20");

    // The product multiplies on the right: rotating 90 degrees after the translate turns the
    // x axis up (y down on the screen) but keeps the translation.
    kt_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    kt_graphics_Translate(10, 20);
    kt_graphics_Rotate(90);
    kt_graphics_DrawRect(0, 0, 1, 1);
    float x, y;
    Apply(1, 0, &x, &y);
    EXPECT_NEAR(x, 10, 1e-5);
    EXPECT_NEAR(y, 19, 1e-5);

    float m[6] = {1, 2, 3, 4, 5, 6};
    kt_graphics_SetMatrix2(Array<float>(m, 6));
    kt_graphics_Transform2(Array<float>(m, 6));
    c_GraphicsContext *g = kt_graphics_context;
    EXPECT_FLOAT_EQ(g->ix, 1 * 1 + 3 * 2);
    EXPECT_FLOAT_EQ(g->iy, 2 * 1 + 4 * 2);
    EXPECT_FLOAT_EQ(g->jx, 1 * 3 + 3 * 4);
    EXPECT_FLOAT_EQ(g->jy, 2 * 3 + 4 * 4);
    EXPECT_FLOAT_EQ(g->tx, 1 * 5 + 3 * 6 + 5);
    EXPECT_FLOAT_EQ(g->ty, 2 * 5 + 4 * 6 + 6);
    EXPECT_RUNTIME_ERROR(kt_graphics_SetMatrix2(Array<float>(5)), "needs 6 elements");
}

TEST_F(GraphicsModule, TheMatrixStackDoublesAndRestoresEveryLevel) {
    c_GraphicsContext *g = kt_graphics_context;
    EXPECT_EQ(g->matrixStack.Length(), 192);
    for (int i = 1; i <= 33; ++i) {
        kt_graphics_PushMatrix();
        kt_graphics_Translate(1, static_cast<float>(i));
    }
    EXPECT_EQ(g->matrixStack.Length(), 384);
    EXPECT_EQ(g->matrixSp, 33 * 6);
    EXPECT_FLOAT_EQ(g->tx, 33);
    for (int i = 33; i >= 1; --i) {
        EXPECT_FLOAT_EQ(g->tx, static_cast<float>(i));
        kt_graphics_PopMatrix();
    }
    EXPECT_FLOAT_EQ(g->tx, 0);
    EXPECT_FLOAT_EQ(g->ty, 0);
    EXPECT_RUNTIME_ERROR(kt_graphics_PopMatrix(), "PopMatrix without a matching PushMatrix");
}

TEST_F(GraphicsModule, DrawImage2PlacesTheHandleAndTurnsAboutIt) {
    c_Image *image = (new c_Image)->m_new()->p_Init(MakeSurface(8, 4), 1, 1);
    kt_graphics_BeginRender();
    kt_graphics_Translate(3, 0);
    kt_graphics_DrawImage2(image, 50, 60, 90, 2, 1, 0);
    EXPECT_EQ(gr->log.back(), "DrawSurface 0 0");
    float x, y;
    Apply(4, 2, &x, &y);  // the handle
    EXPECT_NEAR(x, 53, 1e-4);
    EXPECT_NEAR(y, 60, 1e-4);
    Apply(5, 2, &x, &y);  // one pixel right of the handle: scaled by 2, then turned upwards
    EXPECT_NEAR(x, 53, 1e-4);
    EXPECT_NEAR(y, 58, 1e-4);
    Apply(4, 3, &x, &y);  // one pixel below: turned to the right
    EXPECT_NEAR(x, 54, 1e-4);
    EXPECT_NEAR(y, 60, 1e-4);

    c_GraphicsContext *g = kt_graphics_context;
    EXPECT_EQ(g->matrixSp, 0);
    EXPECT_FLOAT_EQ(g->tx, 3) << "the caller's matrix is restored";
    EXPECT_FLOAT_EQ(g->ix, 1);
}

TEST_F(GraphicsModule, BadDrawingCallsAreRuntimeErrors) {
    c_Image *image = (new c_Image)->m_new()->p_Init(MakeSurface(8, 4), 2, 0);
    EXPECT_RUNTIME_ERROR(kt_graphics_SetColor(1, 2, 3), "allowed only while rendering");
    EXPECT_RUNTIME_ERROR(kt_graphics_DrawRect(1, 2, 3, 4), "allowed only while rendering");
    kt_graphics_BeginRender();
    EXPECT_RUNTIME_ERROR(kt_graphics_DrawImage(image, 0, 0, 2), "Image frame 2 out of range");
    EXPECT_RUNTIME_ERROR(kt_graphics_DrawImage2(image, 0, 0, 0, 1, 1, -1), "out of range");
    EXPECT_RUNTIME_ERROR(kt_graphics_DrawImage(nullptr, 0, 0, 0), "image is null");
}

TEST_F(GraphicsModule, OvalSegmentCountsFollowTheRadii) {
    auto segments = [&](float w, float h) {
        gr->DrawOval(0, 0, w, h);
        return gr->primType;  // an oval is a polygon of that many vertices
    };
    EXPECT_EQ(segments(4, 4), 12);
    EXPECT_EQ(segments(100, 100), 100);
    EXPECT_EQ(segments(50.8f, 50.8f), 48) << "25 + 25, rounded down to a multiple of 4";
    EXPECT_EQ(segments(1030, 1030), 1024);
    EXPECT_EQ(segments(-100, 100), 100);
    EXPECT_EQ(segments(1e30f, 1), 1024);
    EXPECT_EQ(segments(NAN, 1), 12);
    gr->SetMatrix(3, 0, 0, 0.5f, 0, 0);
    EXPECT_EQ(segments(20, 20), 32) << "30 + 5 under the matrix";
}

TEST_F(GraphicsModule, ScissorValuesAreRoundedToTheNearestInteger) {
    kt_graphics_BeginRender();
    gr->log.clear();
    kt_graphics_SetScissor(10.4f, 10.6f, -3.6f, 1e20f);
    EXPECT_EQ(gr->log.back(), "SetScissor 10 11 -4 2147483647");
}

// ---------------------------------------------------------------------------------------------
// Loading and decoding

TEST_F(GraphicsModule, PngDecodingKeepsTheChannelCount) {
    for (int depth = 1; depth <= 4; ++depth) {
        std::vector<unsigned char> pixels(3 * 2 * depth);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i);
        std::vector<unsigned char> png = EncodePng(3, 2, depth, pixels);
        int w = 0, h = 0, d = 0;
        unsigned char *out = kt_image_Decode(png.data(), static_cast<int>(png.size()), &w, &h, &d);
        ASSERT_NE(out, nullptr) << "depth " << depth;
        EXPECT_EQ(w, 3);
        EXPECT_EQ(h, 2);
        EXPECT_EQ(d, depth);
        EXPECT_EQ(std::memcmp(out, pixels.data(), pixels.size()), 0);
        std::free(out);
    }
}

TEST_F(GraphicsModule, BrokenOrForeignImagesGiveNull) {
    std::vector<unsigned char> png = EncodePng(4, 4, 4, std::vector<unsigned char>(64, 200));
    int w, h, d;
    auto decode = [&](const std::vector<unsigned char> &bytes) {
        return kt_image_Decode(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &d);
    };
    EXPECT_EQ(decode(std::vector<unsigned char>(png.begin(), png.begin() + png.size() / 2)),
              nullptr);
    std::vector<unsigned char> badSignature = png;
    badSignature[1] = 'X';
    EXPECT_EQ(decode(badSignature), nullptr);
    EXPECT_EQ(decode({}), nullptr);

    // A chunk declaring more data than the file holds is refused before the decoder sizes a
    // buffer by it (2 GB here); so is an empty first data chunk.
    auto withChunk = [&](const std::string &length, const char *type) {
        std::string chunk = length + type + std::string(4, '\0');  // the checksum goes unread
        std::vector<unsigned char> bytes = png;
        bytes.insert(bytes.begin() + 33, chunk.begin(), chunk.end());
        return decode(bytes);
    };
    EXPECT_EQ(withChunk("\x7f\xff\xff\xf0", "IDAT"), nullptr);
    EXPECT_EQ(withChunk(std::string(4, '\0'), "IDAT"), nullptr);
    EXPECT_NE(withChunk(std::string(4, '\0'), "teXt"), nullptr) << "an empty ancillary chunk";

    // Wider than 8192 pixels: refused before anything is allocated for it.
    EXPECT_EQ(decode(EncodePng(8193, 1, 1, std::vector<unsigned char>(8193))), nullptr);
    ASSERT_NE(decode(EncodePng(8192, 1, 1, std::vector<unsigned char>(8192))), nullptr);

    // GIF is a format the decoder is built without.
    const char gif[] =
        "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00"
        "\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02"
        "D\x01\x00;";
    EXPECT_EQ(decode(std::vector<unsigned char>(gif, gif + sizeof gif - 1)), nullptr);
}

TEST_F(GraphicsModule, LoadImagePremultipliesAndFailsQuietlyOnMissingFiles) {
    ASSERT_TRUE(WritePng(game.dataDir + "/rgba.png", 2, 1, 4, {200, 100, 50, 128, 9, 9, 9, 255}));
    ASSERT_TRUE(WritePng(game.dataDir + "/la.png", 1, 1, 2, {200, 128}));
    ASSERT_TRUE(WritePng(game.dataDir + "/rgb.png", 1, 1, 3, {200, 100, 50}));

    c_Image *rgba = kt_graphics_LoadImage(String("rgba.png"), 2, 0);
    ASSERT_NE(rgba, nullptr);
    const unsigned char *p = rgba->surface->data;
    EXPECT_EQ(std::vector<int>(p, p + 8), (std::vector<int>{100, 50, 25, 128, 9, 9, 9, 255}));
    EXPECT_EQ(rgba->width, 1);
    EXPECT_EQ(rgba->surface->seq, -1) << "no window, no texture";

    c_Image *la = kt_graphics_LoadImage2(String("la.png"), 1, 1, 1, 0);
    ASSERT_NE(la, nullptr);
    EXPECT_EQ(la->surface->depth, 2);
    EXPECT_EQ(la->surface->data[0], 100);

    c_Image *rgb = kt_graphics_LoadImage(String("rgb.png"), 1, 0);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(rgb->surface->data[0], 200) << "no alpha, nothing to premultiply";

    EXPECT_EQ(kt_graphics_LoadImage(String("missing.png"), 1, 0), nullptr);
    EXPECT_EQ(kt_graphics_LoadImage2(String("missing.png"), 1, 1, 1, 0), nullptr);
}

TEST_F(GraphicsModule, TheFrameworkFontLoadsOnceAtItsFixedLayout) {
    kt_graphics_SetFont(nullptr, 32);
    EXPECT_EQ(kt_graphics_context->defaultFont, nullptr) << "a missing font is no error";

    ASSERT_TRUE(WritePng(game.dataDir + "/plume_font.png", 96 * 8, 12, 4,
                         std::vector<unsigned char>(96 * 8 * 12 * 4, 255)));
    kt_graphics_SetFont(nullptr, 99);
    c_Image *font = kt_graphics_context->defaultFont;
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(kt_graphics_context->font, font);
    EXPECT_EQ(kt_graphics_context->firstChar, 32);
    EXPECT_EQ(font->frames.Length(), 96);
    EXPECT_EQ(font->width, 6);
    EXPECT_EQ(font->frames[95]->x, 95 * 8 + 1);
    kt_graphics_SetFont(nullptr, 32);
    EXPECT_EQ(kt_graphics_context->defaultFont, font);
}

// ---------------------------------------------------------------------------------------------
// Pixel writes without a texture

TEST_F(GraphicsModule, WritePixelsStoresPremultipliedRgbaAndIgnoresOtherDepths) {
    c_Image *image = kt_graphics_CreateImage(3, 2, 2, 0);
    ASSERT_NE(image, nullptr);
    gxtkSurface *s = image->surface;
    EXPECT_EQ(s->width, 6);
    EXPECT_EQ(s->data, nullptr) << "the store is made on the first write";

    int argb[4] = {static_cast<int>(0x80C86432u), static_cast<int>(0xFF0A141Eu), 0, 0x7F000000};
    gr->WritePixels2(s, Array<int>(argb, 4), 4, 1, 2, 1, 0, 2);
    ASSERT_NE(s->data, nullptr);
    const unsigned char *p = s->data + (1 * 6 + 4) * 4;
    EXPECT_EQ(std::vector<int>(p, p + 8), (std::vector<int>{100, 50, 25, 128, 10, 20, 30, 255}));
    EXPECT_EQ(s->data[0], 0) << "outside the rectangle nothing changes";

    gxtkSurface *rgb = MakeSurface(2, 2, 3);
    gr->WritePixels2(rgb, Array<int>(argb, 4), 0, 0, 2, 2, 0, 2);
    EXPECT_EQ(rgb->data[0], 0);

    EXPECT_RUNTIME_ERROR(gr->WritePixels2(s, Array<int>(argb, 4), 5, 0, 2, 1, 0, 2),
                         "inside the surface");
    EXPECT_RUNTIME_ERROR(gr->WritePixels2(s, Array<int>(argb, 4), 0, 0, 2, 2, 1, 2),
                         "pixel array must hold");
}
