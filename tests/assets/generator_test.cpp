// The generator's own building blocks: frame placement and PNG output. WAV output and the
// synthesiser are checked through the files they make (sounds_test, determinism_test).
#include "art.h"
#include "pngfile.h"

#include <gtest/gtest.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <algorithm>
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

TEST(AssetGeneratorParts, EveryManifestImageIsDrawnByExactlyOneSheet) {
    std::vector<std::string> drawn;
    for (const auto &list : {art::fontSheets(), art::uiSheets(), art::gameSheets()})
        for (const art::Sheet &s : list) drawn.push_back(s.name);
    std::vector<std::string> listed;
    for (const manifest::ImageFile *file : manifest::kImages) listed.push_back(file->name);
    std::sort(drawn.begin(), drawn.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(drawn, listed);
}

TEST(AssetGeneratorParts, PngFilesHoldStraightColour) {
    cairo_surface_t *surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t *cr = cairo_create(surf);
    cairo_set_source_rgba(cr, 0.8, 0.4, 0.2, 0.5);
    cairo_paint(cr);
    cairo_destroy(cr);
    std::string path = tempFile("straight.png");
    ASSERT_TRUE(art::writePng(surf, path));
    cairo_surface_destroy(surf);

    int w = 0, h = 0, channels = 0;
    unsigned char *px = stbi_load(path.c_str(), &w, &h, &channels, 0);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(channels, 4);
    // Half-transparent orange comes back as orange in RGBA order, not as the premultiplied
    // darker colour.
    EXPECT_NEAR(px[0], 204, 2);
    EXPECT_NEAR(px[1], 102, 2);
    EXPECT_NEAR(px[2], 51, 2);
    EXPECT_NEAR(px[3], 128, 1);
    stbi_image_free(px);
    fs::remove(path);
}

}  // namespace
