// Screens reached by scripted keys (gl_game.h), drawn by the real renderer on Mesa under Xvfb,
// against golden/: a frame fails when over 0.5% of its pixels have a channel more than 8 off
// (Mesa's rounding; a moved dot or a wrong art level changes far more). KT_UPDATE_GOLDENS=1
// (scripts/update-goldens.sh) writes the goldens instead.

#include <gtest/gtest.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "stb_image.h"
#pragma GCC diagnostic pop

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/game_e2e/gl_game.h"
#include "tests/game_e2e/image.h"
#include "tests/graphics/png_writer.h"

namespace {

struct Case {
    const char *name;
    GameScreen screen;
    int width, height, artLevel;
};
const Case kCases[] = {
    {"loading", GameScreen::Loading, 640, 480, 2}, {"loading", GameScreen::Loading, 1280, 720, 4},
    {"menu", GameScreen::Menu, 640, 480, 2},       {"credits", GameScreen::Credits, 640, 480, 2},
    {"options", GameScreen::Options, 640, 480, 2}, {"pause", GameScreen::Pause, 640, 480, 2},
};

TEST(Golden, ScreensMatchTheStoredImages) {
    XvfbServer server;
    ASSERT_TRUE(server.Start());
    std::shared_ptr<void> stop(nullptr, [&](void *) { glfwTerminate(), server.Stop(); });
    ASSERT_TRUE(glfwInit()) << "no connection to the private Xvfb";
    for (const Case &c : kCases) {
        std::string name = std::string(c.name) + "-" + std::to_string(c.width) + "x" +
                           std::to_string(c.height) + ".png";
        SCOPED_TRACE(name);
        GlGame game;
        ASSERT_TRUE(game.Start(c.width, c.height)) << "no OpenGL window";
        ASSERT_TRUE(DriveTo(game, c.screen)) << "not reached; run from the build's bin directory";
        ASSERT_EQ(game.app->HDLevel, c.artLevel);
        Image frame{c.width, c.height, game.ReadRgb()}, expected;
        std::string golden = std::string(KT_GOLDEN_DIR) + "/" + name;
        if (const char *update = std::getenv("KT_UPDATE_GOLDENS"); update && *update == '1') {
            ASSERT_TRUE(WritePng(golden, c.width, c.height, 3, frame.rgb)) << golden;
            continue;
        }
        int channels = 0;
        unsigned char *pixels =
            stbi_load(golden.c_str(), &expected.width, &expected.height, &channels, 3);
        ASSERT_NE(pixels, nullptr) << golden << " is missing: scripts/update-goldens.sh makes it";
        expected.rgb.assign(pixels, pixels + expected.width * expected.height * 3);
        stbi_image_free(pixels);
        ASSERT_TRUE(expected.width == c.width && expected.height == c.height) << golden;
        double share = frame.Differing(expected, 8, 0, 0, c.width, c.height) /
                       static_cast<double>(c.width * c.height);
        if (share > 0.005) {
            WritePng("actual-" + name, c.width, c.height, 3, frame.rgb);
            ADD_FAILURE() << share * 100 << "% of the pixels differ from " << golden
                          << " (0.5% allowed); the frame is actual-" << name
                          << " here. If the change is intended, run scripts/update-goldens.sh";
        }
    }
}

}  // namespace
