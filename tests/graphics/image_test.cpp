// Images, frames, render state and PNG decoding, without a display: surfaces get no
// texture (no window was ever opened) and a recording renderer stands in for OpenGL.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/graphics.h"
#include "host/image_prefetch.h"
#include "tests/graphics/gl_env.h"
#include "tests/graphics/png_writer.h"
#include "tests/support/runtime_error.h"

namespace {

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

gxtkSurface *MakeSurface(int w, int h) {
    gxtkSurface *s = new gxtkSurface();
    s->SetData(static_cast<unsigned char *>(std::calloc(static_cast<std::size_t>(w) * h, 4)), w, h,
               4);
    return s;
}

// A strip of `frames` over a blank w x h surface, laid out by p_Init.
c_Image *Strip(int w, int h, int frames, int flags) {
    return (new c_Image)->m_new()->p_Init(MakeSurface(w, h), frames, flags);
}

// Draws frame `frame` of `image` in a frame of its own.
void Draw(c_Image *image, int frame) {
    kt_graphics_BeginRender();
    kt_graphics_DrawImage(image, 0, 0, frame);
    kt_graphics_EndRender();
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

    GlTestGame game;
    RecordingGraphics *gr = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Frame layout

// Borders narrow the frame, the mid handle centres on it, frames wrap to the next row when they
// no longer fit, and a cut-out's frames are offset by its source rectangle.
TEST_F(GraphicsModule, FrameLayout) {
    // {width, height, handle x, handle y, then x and y of every frame}
    auto Layout = [](c_Image *image) {
        std::vector<float> out{float(image->width), float(image->height), image->tx, image->ty};
        for (int i = 0; i < image->frames.Length(); ++i) {
            out.insert(out.end(), {float(image->frames[i]->x), float(image->frames[i]->y)});
        }
        return out;
    };
    c_Image *image = Strip(32, 32, 1, c_Image::kMidHandle | c_Image::kXBorder);
    EXPECT_EQ(Layout(image), (std::vector<float>{30, 32, 15, 16, 1, 0}));
    EXPECT_EQ(image->flags & c_Image::kFullFrame, 0) << "the border hides part of the surface";
    EXPECT_EQ(Layout(Strip(20, 10, 2, c_Image::kYBorder)),
              (std::vector<float>{10, 8, 0, 0, 0, 1, 10, 1}));
    c_Image *grid = (new c_Image)
                        ->m_new()
                        ->p_Init2(MakeSurface(100, 80), 0, 0, 40, 40, 4, 0, nullptr, 0, 0, 100, 80);
    EXPECT_EQ(Layout(grid), (std::vector<float>{40, 40, 0, 0, 0, 0, 40, 0, 0, 40, 40, 40}));
    c_Image *cut =
        (new c_Image)->m_new()->p_Init2(grid->surface, 0, 0, 10, 10, 3, 0, grid, 50, 20, 20, 20);
    EXPECT_EQ(Layout(cut), (std::vector<float>{10, 10, 0, 0, 50, 20, 60, 20, 50, 30}));
}

// Misuse stops the program with a runtime error that says what was wrong.
TEST_F(GraphicsModule, MisuseIsARuntimeError) {
    gxtkSurface *s = MakeSurface(100, 80);
    c_Image *image = Strip(8, 4, 2, 0);
    int argb[4] = {};
    const std::pair<std::function<void()>, const char *> cases[] = {
        {[&] { (new c_Image)->p_Init2(s, 0, 0, 40, 40, 5, 0, nullptr, 0, 0, 100, 80); },
         "Vantor Runtime Error : Image frame outside surface"},
        {[&] { (new c_Image)->p_Init2(s, 0, 0, 10, 81, 1, 0, nullptr, 0, 0, 100, 80); },
         "Image frame outside surface"},
        {[&] { image->p_Init(MakeSurface(8, 8), 1, 0); }, "Image already initialized"},
        {[] { Strip(8, 8, 0, 0); }, "frame count must be at least 1"},  // the strip divides by it
        {[] { kt_graphics_CreateImage(8, 8, -2, 0); }, "frame count must be at least 1"},
        {[] { kt_graphics_DrawRect(1, 2, 3, 4); }, "allowed only while rendering"},
        {[] { kt_graphics_PopMatrix(); }, "PopMatrix without a matching PushMatrix"},
        {[] { kt_graphics_SetMatrix2(Array<float>(5)); }, "needs 6 elements"},
        {[&] { Draw(image, 2); }, "Image frame 2 out of range"},
        {[&] { Draw(image, -1); }, "Image frame -1 out of range"},
        {[] { Draw(nullptr, 0); }, "image is null"},
        {[&] { gr->WritePixels2(s, Array<int>(argb, 4), 99, 0, 2, 1, 0, 2); },
         "inside the surface"},
        {[&] { gr->WritePixels2(s, Array<int>(argb, 4), 0, 0, 2, 2, 1, 2); },
         "pixel array must hold"},
        {[&] { gr->ReadPixels(Array<int>(3), 0, 0, 2, 2, 0, 2); }, "cannot hold"},
    };
    for (auto &[call, message] : cases) EXPECT_RUNTIME_ERROR(call(), message);
}

TEST_F(GraphicsModule, OnlyASingleWholeSurfaceFrameIsDrawnWhole) {
    c_Image *whole = Strip(16, 8, 1, c_Image::kMidHandle);
    EXPECT_NE(whole->flags & c_Image::kFullFrame, 0);
    c_Image *strip = Strip(64, 16, 4, c_Image::kFullFrame);
    EXPECT_EQ(strip->flags & c_Image::kFullFrame, 0) << "the bit is never taken from the caller";

    kt_graphics_BeginRender();
    gr->log.clear();
    kt_graphics_DrawImage(whole, 10, 20, 0);
    kt_graphics_DrawImage(strip, 10, 20, 2);
    kt_graphics_EndRender();
    std::vector<std::string> expected = {"SetMatrix 1 0 0 1 0 0", "DrawSurface 2 16",
                                         "DrawSurface2 10 20 32 0 16 16"};
    EXPECT_EQ(gr->log, expected) << "the handle (8, 4) sits at the position";
}

// ---------------------------------------------------------------------------------------------
// Render state and matrix

TEST_F(GraphicsModule, EveryFrameStartsFromTheSameStateAndTheMatrixGoesOutWhenDrawing) {
    kt_graphics_BeginRender();
    kt_graphics_SetColor(1, 2, 3);
    kt_graphics_SetAlpha(0.5f);
    kt_graphics_SetBlend(1);
    kt_graphics_SetScissor(1, 2, 3, 4);
    kt_graphics_Translate(5, 5);
    kt_graphics_PushMatrix();
    kt_graphics_EndRender();
    EXPECT_EQ(kt_graphics_renderDevice, nullptr);

    kt_graphics_BeginRender();
    EXPECT_EQ(std::vector<float>({gr->r, gr->g, gr->b, gr->alpha, float(gr->blend)}),
              std::vector<float>({255, 255, 255, 1, 0}));
    auto scissor = [&] {
        return std::vector<int>{gr->scissorX, gr->scissorY, gr->scissorW, gr->scissorH};
    };
    EXPECT_EQ(scissor(), std::vector<int>({0, 0, 320, 240}));
    EXPECT_EQ(kt_graphics_context->matrixSp, 0);

    gr->log.clear();
    kt_graphics_Translate(10, 20);
    kt_graphics_Scale(2, 3);
    EXPECT_TRUE(gr->log.empty());
    kt_graphics_DrawRect(0, 0, 1, 1);
    kt_graphics_DrawLine(0, 0, 1, 1);
    kt_graphics_DrawEllipse(0, 0, 4, 4);
    EXPECT_EQ(gr->log, std::vector<std::string>{"SetMatrix 2 0 0 3 10 20"});

    kt_graphics_SetScissor(10.4f, 10.6f, -3.6f, 1e20f);
    EXPECT_EQ(scissor(), std::vector<int>({10, 11, -4, 2147483647})) << "rounded, clamped";
}

TEST_F(GraphicsModule, OvalSegmentCountsAreClampedAndFollowTheMatrix) {
    auto segments = [&](float w, float h) {
        gr->DrawOval(0, 0, w, h);
        return gr->polySizes[gr->polyCount - 1];  // an oval is a polygon of that many vertices
    };
    EXPECT_EQ(segments(50.8f, 50.8f), 48) << "25 + 25, rounded down to a multiple of 4";
    EXPECT_EQ(segments(-100, 100), 100);
    EXPECT_EQ(segments(1e30f, 1), 1024);
    EXPECT_EQ(segments(4, 4), 12) << "never fewer than 12";
    EXPECT_EQ(segments(NAN, 1), 12);
    gr->SetMatrix(3, 0, 0, 0.5f, 0, 0);
    EXPECT_EQ(segments(20, 20), 32) << "30 + 5 under the matrix";
}

// ---------------------------------------------------------------------------------------------
// Loading, decoding and pixel writes without a texture

TEST_F(GraphicsModule, PngDecodingKeepsTheChannelCount) {
    for (int depth = 1; depth <= 4; ++depth) {
        std::vector<unsigned char> pixels(3 * 2 * depth);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i);
        std::vector<unsigned char> png = EncodePng(3, 2, depth, pixels);
        int w = 0, h = 0, d = 0;
        unsigned char *out = kt_image_Decode(png.data(), static_cast<int>(png.size()), &w, &h, &d);
        ASSERT_NE(out, nullptr) << "depth " << depth;
        EXPECT_EQ(std::vector<int>({w, h, d}), std::vector<int>({3, 2, depth}));
        EXPECT_EQ(std::memcmp(out, pixels.data(), pixels.size()), 0);
        std::free(out);
    }
}

TEST_F(GraphicsModule, TruncatedOversizedOrForeignImagesGiveNull) {
    std::vector<unsigned char> png = EncodePng(4, 4, 4, std::vector<unsigned char>(64, 200));
    int w, h, d;
    auto decode = [&](const std::vector<unsigned char> &bytes) {
        unsigned char *out =
            kt_image_Decode(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &d);
        std::free(out);
        return out != nullptr;
    };
    EXPECT_FALSE(decode(std::vector<unsigned char>(png.begin(), png.begin() + png.size() / 2)));

    // A chunk declaring more data than the file holds is refused before the decoder sizes a
    // buffer by it (2 GB here); so is an empty first data chunk.
    auto withChunk = [&](const std::string &length, const char *type) {
        std::string chunk = length + type + std::string(4, '\0');  // the checksum goes unread
        std::vector<unsigned char> bytes = png;
        bytes.insert(bytes.begin() + 33, chunk.begin(), chunk.end());
        return decode(bytes);
    };
    EXPECT_FALSE(withChunk("\x7f\xff\xff\xf0", "IDAT"));
    EXPECT_FALSE(withChunk(std::string(4, '\0'), "IDAT"));
    EXPECT_TRUE(withChunk(std::string(4, '\0'), "teXt")) << "an empty ancillary chunk";

    // Wider than 8192 pixels: refused before anything is allocated for it.
    EXPECT_FALSE(decode(EncodePng(8193, 1, 1, std::vector<unsigned char>(8193))));
    EXPECT_TRUE(decode(EncodePng(8192, 1, 1, std::vector<unsigned char>(8192))));

    // GIF is a format the decoder is built without.
    const char gif[] =
        "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00"
        "\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02"
        "D\x01\x00;";
    EXPECT_FALSE(decode(std::vector<unsigned char>(gif, gif + sizeof gif - 1)));
}

TEST_F(GraphicsModule, LoadImagePremultipliesAndFailsQuietlyOnMissingFiles) {
    ASSERT_TRUE(WritePng(game.dataDir + "/rgba.png", 2, 1, 4, {200, 100, 255, 128, 9, 9, 9, 255}));
    ASSERT_TRUE(WritePng(game.dataDir + "/la.png", 1, 1, 2, {200, 128}));
    ASSERT_TRUE(WritePng(game.dataDir + "/rgb.png", 1, 1, 3, {200, 100, 50}));

    c_Image *rgba = kt_graphics_LoadImage(String("rgba.png"), 2, 0);
    ASSERT_NE(rgba, nullptr);
    const unsigned char *p = rgba->surface->data;
    EXPECT_EQ(std::vector<int>(p, p + 8), (std::vector<int>{100, 50, 128, 128, 9, 9, 9, 255}));
    EXPECT_EQ(rgba->width, 1);
    EXPECT_EQ(kt_graphics_LoadImage2(String("la.png"), 1, 1, 1, 0)->surface->data[0], 100);
    EXPECT_EQ(kt_graphics_LoadImage(String("rgb.png"), 1, 0)->surface->data[0], 200)
        << "no alpha, nothing to premultiply";
    EXPECT_RUNTIME_ERROR(kt_graphics_LoadImage(String("rgb.png"), 0, 0),
                         "frame count must be at least 1");
    EXPECT_EQ(kt_graphics_LoadImage(String("missing.png"), 1, 0), nullptr);
    EXPECT_EQ(kt_graphics_LoadImage2(String("missing.png"), 1, 1, 1, 0), nullptr);

    // The framework font: optional, loaded once, 96 frames with an x border.
    kt_graphics_SetFont(nullptr, 32);
    EXPECT_EQ(kt_graphics_context->defaultFont, nullptr);
    ASSERT_TRUE(WritePng(game.dataDir + "/plume_font.png", 96 * 8, 12, 4,
                         std::vector<unsigned char>(96 * 8 * 12 * 4, 255)));
    kt_graphics_SetFont(nullptr, 99);
    c_Image *font = kt_graphics_context->defaultFont;
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(kt_graphics_context->font, font);
    EXPECT_EQ(
        std::vector<int>({kt_graphics_context->firstChar, font->frames.Length(), font->width}),
        std::vector<int>({32, 96, 6}));
    kt_graphics_SetFont(nullptr, 32);
    EXPECT_EQ(kt_graphics_context->defaultFont, font);
}

TEST_F(GraphicsModule, WritePixelsStoresPremultipliedRgbaInsideTheSurface) {
    c_Image *image = kt_graphics_CreateImage(3, 2, 2, 0);
    gxtkSurface *s = image->surface;
    EXPECT_EQ(s->data, nullptr) << "the store is made on the first write";

    int argb[4] = {static_cast<int>(0x80C86432u), static_cast<int>(0xFF0A141Eu), 0, 0x7F000000};
    gr->WritePixels2(s, Array<int>(argb, 4), 4, 1, 2, 1, 0, 2);
    ASSERT_NE(s->data, nullptr);
    const unsigned char *p = s->data + (1 * 6 + 4) * 4;
    EXPECT_EQ(std::vector<int>(p, p + 8), (std::vector<int>{100, 50, 25, 128, 10, 20, 30, 255}));
    EXPECT_EQ(s->data[0], 0) << "outside the rectangle nothing changes";
}

// The loader's prefetch: files decoded on a worker, each taken once; a file that fails leaves
// its load empty; a batch for another level (a resize) is abandoned and never handed out.
TEST_F(GraphicsModule, PrefetchHandsOutEachDecodeOnceAndAbandonsAnotherLevelsBatch) {
    for (const char *name : {"a1.png", "b1.png", "a2.png", "b2.png"}) {
        ASSERT_TRUE(WritePng(game.dataDir + "/" + name, 2, 1, 4, std::vector<unsigned char>(8)));
    }
    std::ofstream(game.dataDir + "/bad.png") << "not a png";
    auto files = [&](std::vector<std::string> names) {
        std::vector<ImagePrefetch::File> out;
        for (const std::string &name : names) {
            out.push_back({name, std::fopen((game.dataDir + "/" + name).c_str(), "rb")});
        }
        return out;
    };
    ImagePrefetch prefetch;
    auto take = [&](const std::string &key) {
        unsigned char *pixels = nullptr;
        int w = 0, h = 0, d = 0;
        ImagePrefetch::Taken taken = prefetch.Take(key, &pixels, &w, &h, &d);
        EXPECT_EQ(taken == ImagePrefetch::Taken::Ready, pixels != nullptr && w == 2) << key;
        std::free(pixels);
        return taken;
    };
    using T = ImagePrefetch::Taken;

    prefetch.Start(files({"a1.png", "bad.png", "missing.png", "a1.png", "b1.png"}));
    EXPECT_EQ(take("a1.png"), T::Ready);
    EXPECT_EQ(take("bad.png"), T::Failed);
    EXPECT_EQ(take("missing.png"), T::Failed);
    EXPECT_EQ(take("a1.png"), T::Ready) << "listed twice, decoded twice";
    EXPECT_EQ(take("a1.png"), T::NotPrefetched) << "each decode is handed out once";
    // Asking again for what is still untaken keeps the batch.
    prefetch.Start(files({"b1.png"}));
    EXPECT_EQ(take("b1.png"), T::Ready);

    // A resize to another level: the first batch is dropped, decoded or not.
    prefetch.Start(files({"a1.png", "b1.png"}));
    prefetch.Start(files({"a2.png", "b2.png"}));
    EXPECT_EQ(take("b2.png"), T::Ready);
    EXPECT_EQ(take("a1.png"), T::NotPrefetched);
    EXPECT_EQ(take("a2.png"), T::Ready);
    prefetch.Start({});
    EXPECT_EQ(take("b1.png"), T::NotPrefetched);
}
