// The loading screen at 640 x 480 (the "-hd" art) and 1280 x 720 (the "-hd2" art), the main
// menu, the credits page, the options box and the pause screen through the real renderer
// (private Xvfb, Mesa's software rasteriser), reached with scripted keys on the fake clock
// (tests/game_e2e/gl_game.h) and compared with the stored images in golden/.
//
// A pixel differs when a channel is more than 8 from the golden's; a frame fails when more than
// 0.5% of its pixels differ. Mesa gives the same pixels run after run on one machine; the slack
// absorbs rounding changes between Mesa versions, while a moved dot, a missing panel or a wrong
// art level changes far more pixels. With KT_UPDATE_GOLDENS=1 the frames are written as the
// goldens instead (scripts/update-goldens.sh), for art or screens changed on purpose.

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

#include "tests/game_e2e/image.h"
#include "tests/game_e2e/gl_game.h"
#include "tests/graphics/png_writer.h"

namespace {

constexpr int kChannelTolerance = 8;
constexpr double kMaxDifferingShare = 0.005;

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

struct Case {
    const char *name;
    GameScreen screen;
    int width, height, artLevel;
};
void PrintTo(const Case &c, std::ostream *out) {
    *out << c.name << " " << c.width << " x " << c.height;
}

class Golden : public ::testing::TestWithParam<Case> {};

TEST_P(Golden, MatchesTheStoredImage) {
    const Case &c = GetParam();
    GlGame game;
    ASSERT_TRUE(game.Start(c.width, c.height)) << "no OpenGL window";
    ASSERT_TRUE(DriveTo(game, c.screen)) << "not reached; run from the build's bin directory";
    ASSERT_EQ(game.app->HDLevel, c.artLevel);
    Image frame{c.width, c.height, game.ReadRgb()};

    std::string name = std::string(c.name) + "-" + std::to_string(c.width) + "x" +
                       std::to_string(c.height) + ".png";
    std::string golden = std::string(KT_GOLDEN_DIR) + "/" + name;
    const char *update = std::getenv("KT_UPDATE_GOLDENS");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(WritePng(golden, c.width, c.height, 3, frame.rgb)) << "cannot write " << golden;
        return;
    }
    Image expected;
    int channels = 0;
    unsigned char *pixels =
        stbi_load(golden.c_str(), &expected.width, &expected.height, &channels, 3);
    ASSERT_NE(pixels, nullptr) << golden << " is missing: make it with scripts/update-goldens.sh";
    expected.rgb.assign(pixels, pixels + static_cast<size_t>(expected.width) * expected.height * 3);
    stbi_image_free(pixels);
    double share = expected.width != c.width || expected.height != c.height
                       ? 1.0
                       : frame.Differing(expected, kChannelTolerance, 0, 0, c.width, c.height) /
                             static_cast<double>(c.width * c.height);
    if (share > kMaxDifferingShare) {
        WritePng("actual-" + name, c.width, c.height, 3, frame.rgb);
        ADD_FAILURE() << share * 100 << "% of the pixels differ from " << golden << " (at most "
                      << kMaxDifferingShare * 100 << "% allowed); the current image is actual-"
                      << name << " in the working directory. If the change is intended, run "
                      << "scripts/update-goldens.sh";
    }
}

const Case kCases[] = {
    {"loading", GameScreen::Loading, 640, 480, 2}, {"loading", GameScreen::Loading, 1280, 720, 4},
    {"menu", GameScreen::Menu, 640, 480, 2},       {"credits", GameScreen::Credits, 640, 480, 2},
    {"options", GameScreen::Options, 640, 480, 2}, {"pause", GameScreen::Pause, 640, 480, 2},
};
INSTANTIATE_TEST_SUITE_P(Screens, Golden, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case> &info) {
                             return info.param.name + std::to_string(info.param.width);
                         });

}  // namespace
