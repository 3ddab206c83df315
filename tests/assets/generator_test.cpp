// The generator's building blocks: frame placement and PNG output (sounds: see assets_test).
#include "art.h"
#include "pngfile.h"

#include <gtest/gtest.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Paints far beyond its cell in a grey that names the frame: only the cell may keep it.
void paintFrameNumber(art::FrameCtx &c) {
    double v = (c.frame * 40 + 20) / 255.0;
    cairo_set_source_rgb(c.cr, v, v, v);
    cairo_rectangle(c.cr, -100, -100, 1000, 1000);
    cairo_fill(c.cr);
}

// Five 4 x 3 frames, two to a row, at level 2: three rows, the sixth cell left clear.
TEST(AssetGeneratorParts, FramesAreDrawnRowByRowEachInsideItsCell) {
    cairo_surface_t *surf = art::renderSheet({"fonts/test", 4, 3, 5, 2, true, paintFrameNumber}, 2);
    const int w = cairo_image_surface_get_width(surf), h = cairo_image_surface_get_height(surf);
    ASSERT_EQ(std::pair(w, h), std::pair(16, 18));
    const int stride = cairo_image_surface_get_stride(surf);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int slot = y / 6 * 2 + x / 8;
            uint32_t want = slot < 5 ? 0xff000000u | 0x010101u * (slot * 40 + 20) : 0;
            const unsigned char *row = cairo_image_surface_get_data(surf) + y * stride;
            EXPECT_EQ(reinterpret_cast<const uint32_t *>(row)[x], want) << slot;
        }
    }
    cairo_surface_destroy(surf);
}

// Half-transparent orange comes back straight in RGBA order, not premultiplied.
TEST(AssetGeneratorParts, PngFilesHoldStraightColour) {
    cairo_surface_t *surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t *cr = cairo_create(surf);
    cairo_set_source_rgba(cr, 0.8, 0.4, 0.2, 0.5);
    cairo_paint(cr);
    cairo_destroy(cr);
    const std::string path = std::filesystem::temp_directory_path() / "kt_assetgen_test.png";
    ASSERT_TRUE(art::writePng(surf, path));
    cairo_surface_destroy(surf);
    int w = 0, h = 0, channels = 0;
    unsigned char *px = stbi_load(path.c_str(), &w, &h, &channels, 0);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(channels, 4);
    const int want[] = {204, 102, 51, 128};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(px[i], want[i], i < 3 ? 2 : 1) << i;
    stbi_image_free(px);
    std::filesystem::remove(path);
}

}  // namespace
