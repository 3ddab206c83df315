// The generator's own building blocks: frame placement and PNG output. WAV output and the
// synthesiser are checked through the files they make (assets_test).
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
    for (int y = 0; y < 3 * 3 * level; ++y) {
        for (int x = 0; x < 2 * 4 * level; ++x) {
            int slot = y / (3 * level) * 2 + x / (4 * level);  // 5: unused, after the last frame
            uint32_t want = slot < 5 ? 0xff000000u | 0x010101u * (slot * 40 + 20) : 0;
            EXPECT_EQ(reinterpret_cast<const uint32_t *>(data + y * stride)[x], want) << slot;
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
    std::string path =
        (fs::temp_directory_path() / ("kt_assetgen_" + std::to_string(::getpid()) + ".png"))
            .string();
    ASSERT_TRUE(art::writePng(surf, path));
    cairo_surface_destroy(surf);

    int w = 0, h = 0, channels = 0;
    unsigned char *px = stbi_load(path.c_str(), &w, &h, &channels, 0);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(channels, 4);
    // Half-transparent orange comes back as orange in RGBA order, not as the premultiplied
    // darker colour.
    const int want[] = {204, 102, 51, 128};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(px[i], want[i], i < 3 ? 2 : 1) << i;
    stbi_image_free(px);
    fs::remove(path);
}

}  // namespace
