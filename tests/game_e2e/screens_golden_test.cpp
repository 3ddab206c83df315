// The main menu, the credits page, the options box and the pause screen at 640 x 480 through
// the real renderer, reached with scripted keys on the fake clock (tests/game_e2e/screens.h),
// compared with stored images in golden/ like the loading screen's, with the same tolerance:
// a pixel differs when a channel is more than 8 away; at most 0.5% of the pixels may differ.
// That absorbs rounding changes between Mesa versions; a moved panel, a missing list, a wrong
// font or a screen that is not reached changes far more.
//
// KT_UPDATE_GOLDENS=1 writes the current images as the goldens (scripts/update-goldens.sh).
// The private display and glfwInit are the program's environment (loading_golden_test.cpp).

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

#include "tests/game_e2e/screens.h"
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

void CheckScreen(GameScreen screen, const std::string &name) {
    GlGame game;
    ASSERT_TRUE(game.Start(640, 480)) << "no OpenGL window";
    ASSERT_TRUE(DriveTo(game, screen)) << name << " was not reached";
    std::vector<unsigned char> shot = game.ReadRgb();

    std::string golden = std::string(KT_GOLDEN_DIR) + "/" + name + "-640x480.png";
    const char *update = std::getenv("KT_UPDATE_GOLDENS");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(WritePng(golden, 640, 480, 3, shot)) << "cannot write " << golden;
        return;
    }
    int w = 0, h = 0, channels = 0;
    unsigned char *expected = stbi_load(golden.c_str(), &w, &h, &channels, 3);
    ASSERT_NE(expected, nullptr) << golden << " is missing: make it with scripts/update-goldens.sh";
    double share = w == 640 && h == 480 ? DifferingShare(shot, expected) : 1.0;
    stbi_image_free(expected);
    if (share > kMaxDifferingShare) {
        std::string actual = "actual-" + name + "-640x480.png";
        WritePng(actual, 640, 480, 3, shot);
        ADD_FAILURE() << share * 100 << "% of the pixels differ from " << golden << " (at most "
                      << kMaxDifferingShare * 100 << "% allowed); the current image is " << actual
                      << " in the working directory. If the change is intended, run "
                      << "scripts/update-goldens.sh";
    }
}

}  // namespace

TEST(ScreenGolden, MainMenu) {
    CheckScreen(GameScreen::Menu, "menu");
}

TEST(ScreenGolden, CreditsPage) {
    CheckScreen(GameScreen::Credits, "credits");
}

TEST(ScreenGolden, OptionsBox) {
    CheckScreen(GameScreen::Options, "options");
}

TEST(ScreenGolden, PauseScreen) {
    CheckScreen(GameScreen::Pause, "pause");
}
