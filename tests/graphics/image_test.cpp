// Images, frames, render state and PNG decoding without a display (the renderer never submits).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/graphics.h"
#include "host/image_prefetch.h"
#include "tests/graphics/gl_env.h"
#include "tests/graphics/png_writer.h"
#include "tests/support/runtime_error.h"

namespace {

using Floats = std::vector<float>;
using Ints = std::vector<int>;

gxtkSurface *MakeSurface(int w, int h) {
    gxtkSurface *s = new gxtkSurface();
    s->SetData(static_cast<unsigned char *>(std::calloc(std::size_t(w) * h, 4)), w, h, 4);
    return s;
}

// A strip of `frames` over a blank w x h surface, laid out by p_Init.
c_Image *Strip(int w, int h, int frames, int flags) {
    return (new c_Image)->m_new()->p_Init(MakeSurface(w, h), frames, flags);
}

void Draw(c_Image *image, int frame) {
    kt_graphics_BeginRender();
    kt_graphics_DrawImage(image, 0, 0, frame);
    kt_graphics_EndRender();
}

bool Decodes(const std::vector<unsigned char> &bytes, Ints *pixels = nullptr) {
    int w, h, d;
    unsigned char *out = kt_image_Decode(bytes.data(), int(bytes.size()), &w, &h, &d);
    if (out && pixels)
        *pixels = Ints(out, out + w * h * d), pixels->insert(pixels->end(), {w, h, d});
    std::free(out);
    return out != nullptr;
}

class GraphicsModule : public ::testing::Test {
protected:
    void SetUp() override {
        glfwGraphicsSeq = 0;
        game.dataDir = MakeTempDir();
        KtGame::_game = &game;
        kt_graphics_Init();
        gr = new gxtkGraphics();
        gr->submit = false;  // batches and counts, never calls OpenGL
        kt_graphics_SetGraphicsDevice(gr);
    }
    void TearDown() override { KtGame::_game = nullptr; }
    void Png(const std::string &name, int w, int h, int depth, std::vector<unsigned char> px) {
        ASSERT_TRUE(WritePng(game.dataDir + "/" + name, w, h, depth, px));
    }

    GlTestGame game;
    gxtkGraphics *gr = nullptr;
};

}  // namespace

// Borders, handles, row wrapping, cut-outs and the whole-frame mark of the frame layout.
TEST_F(GraphicsModule, FrameLayout) {
    // {width, height, handle x, handle y, full frame, then x and y of every frame}
    auto Layout = [](c_Image *image) {
        Floats out{float(image->width), float(image->height), image->tx, image->ty,
                   float((image->flags & c_Image::kFullFrame) != 0)};
        for (int i = 0; i < image->frames.Length(); ++i) {
            out.insert(out.end(), {float(image->frames[i]->x), float(image->frames[i]->y)});
        }
        return out;
    };
    EXPECT_EQ(Layout(Strip(16, 8, 1, c_Image::kMidHandle)), (Floats{16, 8, 8, 4, 1, 0, 0}));
    EXPECT_EQ(Layout(Strip(32, 8, 2, c_Image::kFullFrame)), (Floats{16, 8, 0, 0, 0, 0, 0, 16, 0}));
    EXPECT_EQ(Layout(Strip(32, 32, 1, c_Image::kMidHandle | c_Image::kXBorder)),
              (Floats{30, 32, 15, 16, 0, 1, 0}));
    EXPECT_EQ(Layout(Strip(20, 10, 2, c_Image::kYBorder)), (Floats{10, 8, 0, 0, 0, 0, 1, 10, 1}));
    c_Image *grid = (new c_Image)
                        ->m_new()
                        ->p_Init2(MakeSurface(100, 80), 0, 0, 40, 40, 4, 0, nullptr, 0, 0, 100, 80);
    EXPECT_EQ(Layout(grid), (Floats{40, 40, 0, 0, 0, 0, 0, 40, 0, 0, 40, 40, 40}));
    c_Image *cut =
        (new c_Image)->m_new()->p_Init2(grid->surface, 0, 0, 10, 10, 3, 0, grid, 50, 20, 20, 20);
    EXPECT_EQ(Layout(cut), (Floats{10, 10, 0, 0, 0, 50, 20, 60, 20, 50, 30}));
}

// Misuse stops the program with a runtime error that says what was wrong.
TEST_F(GraphicsModule, MisuseIsARuntimeError) {
    gxtkSurface *s = MakeSurface(100, 80);
    c_Image *image = Strip(8, 4, 2, 0);
    Array<int> argb(4);
    const std::pair<std::function<void()>, const char *> cases[] = {
        {[&] { (new c_Image)->p_Init2(s, 0, 0, 40, 40, 5, 0, nullptr, 0, 0, 100, 80); },
         "Vantor Runtime Error : Image frame outside surface"},
        {[&] { (new c_Image)->p_Init2(s, 0, 0, 10, 81, 1, 0, nullptr, 0, 0, 100, 80); },
         "Image frame outside surface"},
        {[&] { image->p_Init(MakeSurface(8, 8), 1, 0); }, "Image already initialized"},
        {[] { Strip(8, 8, 0, 0); }, "frame count must be at least 1"},  // the strip divides by it
        {[] { kt_graphics_CreateImage(8, 8, -2, 0); }, "frame count must be at least 1"},
        {[] { kt_graphics_LoadImage(String("x.png"), 0, 0); }, "frame count must be at least 1"},
        {[] { kt_graphics_DrawRect(1, 2, 3, 4); }, "allowed only while rendering"},
        {[] { kt_graphics_PopMatrix(); }, "PopMatrix without a matching PushMatrix"},
        {[] { kt_graphics_SetMatrix2(Array<float>(5)); }, "needs 6 elements"},
        {[&] { Draw(image, 2); }, "Image frame 2 out of range"},
        {[&] { Draw(image, -1); }, "Image frame -1 out of range"},
        {[] { Draw(nullptr, 0); }, "image is null"},
        {[&] { gr->WritePixels2(s, argb, 99, 0, 2, 1, 0, 2); }, "inside the surface"},
        {[&] { gr->WritePixels2(s, argb, 0, 79, 1, 2, 0, 1); }, "inside the surface"},
        {[&] { gr->WritePixels2(s, argb, 0, 0, 2, 2, 1, 2); }, "pixel array must hold"},
        {[&] { gr->ReadPixels(Array<int>(3), 0, 0, 2, 2, 0, 2); }, "cannot hold"},
    };
    for (auto &[call, message] : cases) EXPECT_RUNTIME_ERROR(call(), message);
}

// Every frame starts from the same state.
TEST_F(GraphicsModule, EveryFrameStartsFromTheSameState) {
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
    EXPECT_EQ(Floats({gr->r, gr->g, gr->b, gr->alpha, float(gr->blend)}),
              Floats({255, 255, 255, 1, 0}));
    EXPECT_EQ(Ints({gr->scissorX, gr->scissorY, gr->scissorW, gr->scissorH,
                    kt_graphics_context->matrixSp}),
              Ints({0, 0, 320, 240, 0}));
}

// An oval has x radius + y radius vertices under the matrix, a multiple of 4 from 12 to 1024.
TEST_F(GraphicsModule, OvalSegmentCountsAreClampedAndFollowTheMatrix) {
    auto segments = [&](float w, float h) {
        gr->DrawOval(0, 0, w, h);
        return gr->polySizes[gr->polyCount - 1];
    };
    EXPECT_EQ(Ints({segments(50.8f, 50.8f), segments(-100, 100), segments(1e30f, 1), segments(4, 4),
                    segments(NAN, 1)}),
              Ints({48, 100, 1024, 12, 12}));
    gr->SetMatrix(3, 0, 0, 0.5f, 0, 0);
    EXPECT_EQ(segments(20, 20), 32) << "30 + 5 under the matrix";
}

// Decoding keeps the channel count; truncated, oversized, foreign (GIF) and lying files give null.
TEST_F(GraphicsModule, PngDecodingKeepsTheChannelCountAndRefusesDamagedFiles) {
    for (int depth = 1; depth <= 4; ++depth) {
        std::vector<unsigned char> pixels(3 * 2 * depth);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i);
        Ints decoded, expected(pixels.begin(), pixels.end());
        expected.insert(expected.end(), {3, 2, depth});
        EXPECT_TRUE(Decodes(EncodePng(3, 2, depth, pixels), &decoded) && decoded == expected);
    }
    std::vector<unsigned char> png = EncodePng(4, 4, 4, std::vector<unsigned char>(64, 200));
    EXPECT_FALSE(Decodes(std::vector<unsigned char>(png.begin(), png.begin() + png.size() / 2)));
    // A chunk longer than the file (2 GB here) is refused before a buffer is sized by it.
    auto withChunk = [&](const std::string &length, const char *type) {
        std::string chunk = length + type + std::string(4, '\0');  // the checksum goes unread
        std::vector<unsigned char> bytes = png;
        bytes.insert(bytes.begin() + 33, chunk.begin(), chunk.end());
        return Decodes(bytes);
    };
    EXPECT_FALSE(withChunk("\x7f\xff\xff\xf0", "IDAT"));
    EXPECT_FALSE(withChunk(std::string(4, '\0'), "IDAT"));
    EXPECT_TRUE(withChunk(std::string(4, '\0'), "teXt")) << "an empty ancillary chunk";
    // Wider than 8192 pixels: refused before anything is allocated for it.
    EXPECT_FALSE(Decodes(EncodePng(8193, 1, 1, std::vector<unsigned char>(8193))));
    EXPECT_TRUE(Decodes(EncodePng(8192, 1, 1, std::vector<unsigned char>(8192))));
    const char gif[] =
        "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00"
        "\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02"
        "D\x01\x00;";
    EXPECT_FALSE(Decodes(std::vector<unsigned char>(gif, gif + sizeof gif - 1)));
}

// Loaded and written pixels are premultiplied (rounding down); a missing file gives null.
TEST_F(GraphicsModule, LoadAndWritePremultiply) {
    Png("rgba.png", 2, 1, 4, {200, 100, 255, 128, 9, 9, 9, 255});
    Png("la.png", 1, 1, 2, {200, 128});
    Png("rgb.png", 1, 1, 3, {200, 100, 50});
    const int counted = gc_ext_new_bytes;
    c_Image *rgba = kt_graphics_LoadImage(String("rgba.png"), 2, 0);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(gc_ext_new_bytes - counted, 2 * 4) << "decoded pixels pace the collector";
    const unsigned char *p = rgba->surface->data;
    EXPECT_EQ(Ints(p, p + 8), (Ints{100, 50, 128, 128, 9, 9, 9, 255}));
    EXPECT_EQ(rgba->width, 1);
    EXPECT_EQ(kt_graphics_LoadImage2(String("la.png"), 1, 1, 1, 0)->surface->data[0], 100);
    EXPECT_EQ(kt_graphics_LoadImage(String("rgb.png"), 1, 0)->surface->data[0], 200)
        << "no alpha, nothing to premultiply";
    EXPECT_EQ(kt_graphics_LoadImage(String("missing.png"), 1, 0), nullptr);
    EXPECT_EQ(kt_graphics_LoadImage2(String("missing.png"), 1, 1, 1, 0), nullptr);

    gxtkSurface *s = kt_graphics_CreateImage(3, 2, 2, 0)->surface;
    EXPECT_EQ(s->data, nullptr);
    int argb[4] = {0x7F000000, static_cast<int>(0x80C86432u), static_cast<int>(0xFF0A141Eu),
                   0x7F000000};
    gr->WritePixels2(s, Array<int>(argb, 4), 4, 0, 2, 1, 1, 2);
    ASSERT_NE(s->data, nullptr);
    Ints surface(6 * 2 * 4), row{100, 50, 25, 128, 10, 20, 30, 255};
    std::copy(row.begin(), row.end(), surface.begin() + 4 * 4);
    EXPECT_EQ(Ints(s->data, s->data + surface.size()), surface) << "only the rectangle changes";
}

// Prefetched decodes are taken once; failures load nothing; another level's batch is dropped.
TEST_F(GraphicsModule, PrefetchHandsOutEachDecodeOnceAndAbandonsAnotherLevelsBatch) {
    for (const char *name : {"a1.png", "b1.png", "a2.png", "b2.png"})
        Png(name, 2, 1, 4, {0, 0, 0, 0, 0, 0, 0, 0});
    std::ofstream(game.dataDir + "/bad.png") << "not a png";
    ImagePrefetch prefetch;
    auto start = [&](std::vector<std::string> names) {
        std::vector<ImagePrefetch::File> files;
        for (const std::string &name : names) {
            files.push_back({name, std::fopen((game.dataDir + "/" + name).c_str(), "rb")});
        }
        prefetch.Start(files);
    };
    // Takes each key in turn: 'R' ready (with the pixels), 'F' failed, '-' not prefetched.
    auto take = [&](std::vector<std::string> keys) {
        std::string out;
        for (const std::string &key : keys) {
            unsigned char *pixels = nullptr;
            int w = 0, h = 0, d = 0;
            ImagePrefetch::Taken taken = prefetch.Take(key, &pixels, &w, &h, &d);
            EXPECT_EQ(taken == ImagePrefetch::Taken::Ready, pixels != nullptr && w == 2) << key;
            std::free(pixels);
            out += "-FR"[int(taken)];
        }
        return out;
    };
    // Listed twice, decoded twice; each decode is handed out once.
    start({"a1.png", "bad.png", "missing.png", "a1.png", "b1.png"});
    EXPECT_EQ(take({"a1.png", "bad.png", "missing.png", "a1.png", "a1.png"}), "RFFR-");
    start({"b1.png"});  // asking again for what is still untaken keeps the batch
    EXPECT_EQ(take({"b1.png"}), "R");
    // A resize to another level: the first batch is dropped, decoded or not.
    start({"a1.png", "b1.png"});
    start({"a2.png", "b2.png"});
    EXPECT_EQ(take({"b2.png", "a1.png", "a2.png"}), "R-R");
    start({});
    EXPECT_EQ(take({"b1.png"}), "-");
}
