// Golden image comparison.

#include "tests/game_e2e/golden.h"

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "stb_image.h"
#pragma GCC diagnostic pop

#include <cstdlib>

#include "tests/graphics/png_writer.h"

namespace {

constexpr int kChannelTolerance = 8;
constexpr double kMaxDifferingShare = 0.005;

double DifferingShare(const std::vector<unsigned char> &a, const unsigned char *b) {
    size_t differing = 0, pixels = a.size() / 3;
    for (size_t p = 0; p < pixels; ++p) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(a[3 * p + c] - b[3 * p + c]) > kChannelTolerance) {
                ++differing;
                break;
            }
        }
    }
    return pixels ? static_cast<double>(differing) / static_cast<double>(pixels) : 1.0;
}

}  // namespace

void ExpectMatchesGolden(const std::string &name, int w, int h,
                         const std::vector<unsigned char> &rgb) {
    std::string golden = std::string(KT_GOLDEN_DIR) + "/" + name;
    const char *update = std::getenv("KT_UPDATE_GOLDENS");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(WritePng(golden, w, h, 3, rgb)) << "cannot write " << golden;
        return;
    }
    int gw = 0, gh = 0, channels = 0;
    unsigned char *expected = stbi_load(golden.c_str(), &gw, &gh, &channels, 3);
    ASSERT_NE(expected, nullptr) << golden << " is missing: make it with scripts/update-goldens.sh";
    double share = gw == w && gh == h ? DifferingShare(rgb, expected) : 1.0;
    stbi_image_free(expected);
    if (share > kMaxDifferingShare) {
        std::string actual = "actual-" + name;
        WritePng(actual, w, h, 3, rgb);
        ADD_FAILURE() << share * 100 << "% of the pixels differ from " << golden << " (at most "
                      << kMaxDifferingShare * 100 << "% allowed); the current image is " << actual
                      << " in the working directory. If the change is intended, run "
                      << "scripts/update-goldens.sh";
    }
}
