// The loading screen through the real renderer (private Xvfb, Mesa's software rasteriser),
// compared with stored images (tests/game_e2e/golden.h): 640 x 480 (the "-hd" art) and
// 1280 x 720 (the "-hd2" art). This file also owns the program's private display.

#include <gtest/gtest.h>

#include <string>

#include "tests/game_e2e/gl_game.h"
#include "tests/game_e2e/golden.h"

namespace {

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

void CheckLoadingScreen(int w, int h, int level) {
    GlGame game;
    ASSERT_TRUE(game.Start(w, h)) << "no OpenGL window of " << w << " x " << h;
    game.Frame(kLoaderFrames);
    game.Render();
    ASSERT_EQ(game.app->HDLevel, level);
    ASSERT_GT(game.app->LoadStage, 0) << "still loading";
    ASSERT_NE(game.app->Images[Img::OrvoLogo], nullptr) << "run from the build's bin directory";

    ExpectMatchesGolden("loading-" + std::to_string(w) + "x" + std::to_string(h) + ".png", w, h,
                        game.ReadRgb());
}

}  // namespace

TEST(LoadingScreenGolden, At640x480) {
    CheckLoadingScreen(640, 480, 2);
}

TEST(LoadingScreenGolden, At1280x720) {
    CheckLoadingScreen(1280, 720, 4);
}
