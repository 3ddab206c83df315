// The generator's own building blocks: frame placement, PNG and WAV output, the synthesiser.
#include "art.h"
#include "sounds.h"
#include "pngfile.h"
#include "synth.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string tempFile(const std::string &name) {
    return (fs::temp_directory_path() / ("kt_assetgen_" + std::to_string(::getpid()) + name))
        .string();
}

// Paints far beyond its cell in a grey that names the frame: only the cell may keep it.
void paintFrameNumber(art::FrameCtx &c) {
    double v = (c.frame * 40 + 20) / 255.0;
    cairo_set_source_rgb(c.cr, v, v, v);
    cairo_rectangle(c.cr, -100, -100, 1000, 1000);
    cairo_fill(c.cr);
}

TEST(AssetGeneratorParts, FramesAreDrawnRowByRowEachInsideItsCell) {
    art::Sheet s{"fonts/test", 4, 3, 5, 2, true, paintFrameNumber};
    EXPECT_EQ(art::levelFile(s, 1), "fonts/test.png");
    EXPECT_EQ(art::levelFile(s, 2), "fonts/test-hd.png");
    EXPECT_EQ(art::levelFile(s, 4), "fonts/test-hd2.png");
    const int level = 2;
    cairo_surface_t *surf = art::renderSheet(s, level);
    ASSERT_EQ(cairo_image_surface_get_width(surf), 2 * 4 * level);
    ASSERT_EQ(cairo_image_surface_get_height(surf), 3 * 3 * level);  // 5 frames need 3 rows
    const unsigned char *data = cairo_image_surface_get_data(surf);
    const int stride = cairo_image_surface_get_stride(surf);
    for (int slot = 0; slot < 6; ++slot) {
        int x0 = (slot % 2) * 4 * level, y0 = (slot / 2) * 3 * level;
        for (int y = y0; y < y0 + 3 * level; ++y)
            for (int x = x0; x < x0 + 4 * level; ++x) {
                uint32_t px = reinterpret_cast<const uint32_t *>(data + y * stride)[x];
                if (slot < 5) {
                    EXPECT_EQ(px, 0xff000000u | 0x010101u * (slot * 40 + 20)) << slot;
                } else {
                    EXPECT_EQ(px, 0u) << "the unused slot after the last frame";
                }
            }
    }
    cairo_surface_destroy(surf);
}

TEST(AssetGeneratorParts, PngFilesHoldStraightColourAndNoSurprises) {
    cairo_surface_t *surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2, 1);
    cairo_t *cr = cairo_create(surf);
    cairo_set_source_rgba(cr, 0.8, 0.4, 0.2, 0.5);
    cairo_rectangle(cr, 0, 0, 1, 1);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_rectangle(cr, 1, 0, 1, 1);
    cairo_fill(cr);
    cairo_destroy(cr);
    std::string path = tempFile("straight.png");
    ASSERT_TRUE(art::writePng(surf, path));
    cairo_surface_destroy(surf);

    int w = 0, h = 0, channels = 0;
    unsigned char *px = stbi_load(path.c_str(), &w, &h, &channels, 0);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(channels, 4);
    // Half-transparent orange comes back as orange, not as the premultiplied darker colour.
    EXPECT_NEAR(px[0], 204, 2);
    EXPECT_NEAR(px[1], 102, 2);
    EXPECT_NEAR(px[2], 51, 2);
    EXPECT_NEAR(px[3], 128, 1);
    EXPECT_EQ(px[4], 0);
    EXPECT_EQ(px[6], 255);
    EXPECT_EQ(px[7], 255);
    stbi_image_free(px);
    fs::remove(path);

    surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    EXPECT_FALSE(art::writePng(surf, "/nonexistent-dir/x.png"));
    cairo_surface_destroy(surf);
}

TEST(AssetGeneratorParts, WavFilesArePlain16BitPcmOfTheSamples) {
    audio::Buffer b(1000);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<float>(std::sin(i * 0.05) * 0.5);
    std::string path = tempFile("plain.wav");
    ASSERT_TRUE(audio::writeWav(path, b));
    // A canonical 44-byte header and the samples: no PEAK chunk with its time stamp.
    EXPECT_EQ(fs::file_size(path), 44u + 2 * b.size());
    SF_INFO info{};
    SNDFILE *f = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.samplerate, audio::kRate);
    std::vector<short> s(b.size());
    EXPECT_EQ(sf_read_short(f, s.data(), static_cast<sf_count_t>(s.size())),
              static_cast<sf_count_t>(s.size()));
    sf_close(f);
    for (size_t i = 0; i < b.size(); i += 97) EXPECT_NEAR(s[i], b[i] * 32767, 1.5) << i;
    fs::remove(path);
    EXPECT_FALSE(audio::writeWav("/nonexistent-dir/x.wav", b));
}

TEST(AssetGeneratorParts, VoicesFadeOutAndWrapRoundALoop) {
    audio::Voice v;
    v.hz = 441;
    v.seconds = 200.0 / audio::kRate;
    v.amp = 1;
    v.attack = 0.0001;
    v.decay = 10;
    v.release = 0.001;
    audio::Buffer cut(1000), loop(1000);
    audio::addVoice(cut, 900, v, false);
    audio::addVoice(loop, 900, v, true);
    double headCut = 0, headLoop = 0, body = 0;
    for (int i = 0; i < 100; ++i) headCut += std::fabs(cut[i]), headLoop += std::fabs(loop[i]);
    for (int i = 900; i < 1000; ++i) body += std::fabs(loop[i]);
    EXPECT_EQ(headCut, 0) << "a cut voice must not spill to the start";
    EXPECT_GT(headLoop, body * 0.5) << "a looped voice's tail belongs at the start";
    // The release brings the last sample of the voice (index 99 after wrapping) to rest.
    EXPECT_LT(std::fabs(loop[99]), 0.05);

    audio::Buffer peak(2000, 0.0f);
    peak[1000] = -4;
    peak[0] = peak[1999] = 2;
    audio::finish(peak, 0.5);
    EXPECT_FLOAT_EQ(peak[1000], -0.5f);
    EXPECT_EQ(peak[0], 0.0f);
    EXPECT_LT(std::fabs(peak[1999]), 0.01f);
}

}  // namespace
