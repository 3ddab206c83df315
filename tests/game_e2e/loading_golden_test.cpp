// The loading screen through the real renderer (private Xvfb, Mesa's software rasteriser),
// compared with stored images: 640 x 480 (the "-hd" art) and 1280 x 720 (the "-hd2" art).
//
// Tolerance: a pixel differs when any channel is more than kChannelTolerance away from the
// golden; the test fails when more than kMaxDifferingShare of the pixels differ. Mesa gives the
// same pixels run after run on one machine; the slack absorbs rounding changes between Mesa
// versions, while a moved dot, a missing logo or a wrong art level changes far more pixels.
//
// With KT_UPDATE_GOLDENS=1 the test writes the current images as the goldens instead
// (scripts/update-goldens.sh); do that only when the art or the screen changed on purpose.
// On a mismatch the current image is written beside the build for inspection.

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "stb_image.h"
#pragma GCC diagnostic pop

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/game_e2e/gl_game.h"
#include "tests/graphics/png_writer.h"

namespace {

constexpr int kChannelTolerance = 8;
constexpr double kMaxDifferingShare = 0.005;
// The dots spin 3 degrees per loader step: a fixed count fixes the picture.
constexpr int kLoaderFrames = 6;

XvfbServer server;

class DisplayEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(server.Start());
        ASSERT_TRUE(glfwInit()) << "no connection to the private Xvfb";
    }
    void TearDown() override {
        glfwTerminate();
        server.Stop();
    }
};

::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new DisplayEnvironment);

struct Rgb {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
};

bool LoadRgb(const std::string &path, Rgb &out) {
    int channels = 0;
    unsigned char *data = stbi_load(path.c_str(), &out.width, &out.height, &channels, 3);
    if (!data) return false;
    out.pixels.assign(data, data + static_cast<size_t>(out.width) * out.height * 3);
    stbi_image_free(data);
    return true;
}

// The share of pixels with a channel beyond the tolerance.
double DifferingShare(const std::vector<unsigned char> &a, const std::vector<unsigned char> &b) {
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

void CheckLoadingScreen(int w, int h, int level) {
    GlGame game;
    ASSERT_TRUE(game.Start(w, h)) << "no OpenGL window of " << w << " x " << h;
    game.Frame(kLoaderFrames);
    game.Render();
    ASSERT_EQ(game.app->HDLevel, level);
    ASSERT_GT(game.app->LoadStage, 0) << "still loading";
    ASSERT_NE(game.app->Images[Img::OrvoLogo], nullptr) << "run from the build's bin directory";
    std::vector<unsigned char> shot = game.ReadRgb();

    std::string name = "loading-" + std::to_string(w) + "x" + std::to_string(h) + ".png";
    std::string golden = std::string(KT_GOLDEN_DIR) + "/" + name;
    const char *update = std::getenv("KT_UPDATE_GOLDENS");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(WritePng(golden, w, h, 3, shot)) << "cannot write " << golden;
        return;
    }
    Rgb expected;
    ASSERT_TRUE(LoadRgb(golden, expected))
        << golden << " is missing: make it with scripts/update-goldens.sh";
    ASSERT_EQ(expected.width, w);
    ASSERT_EQ(expected.height, h);
    double share = DifferingShare(shot, expected.pixels);
    if (share > kMaxDifferingShare) {
        std::string actual = "actual-" + name;
        WritePng(actual, w, h, 3, shot);
        ADD_FAILURE() << share * 100 << "% of the pixels differ from " << golden << " (at most "
                      << kMaxDifferingShare * 100 << "% allowed); the current "
                      << "image is " << actual << " in the working directory. If the change is "
                      << "intended, run scripts/update-goldens.sh";
    }
}

}  // namespace

TEST(LoadingScreenGolden, At640x480) {
    CheckLoadingScreen(640, 480, 2);
}

TEST(LoadingScreenGolden, At1280x720) {
    CheckLoadingScreen(1280, 720, 4);
}
