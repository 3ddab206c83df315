// The main menu, the credits page, the options box and the pause screen at 640 x 480 through
// the real renderer, reached with scripted keys on the fake clock (tests/game_e2e/screens.h),
// compared with stored images (tests/game_e2e/golden.h). The private display and glfwInit are
// the program's environment (loading_golden_test.cpp).

#include <gtest/gtest.h>

#include <string>

#include "tests/game_e2e/screens.h"
#include "tests/game_e2e/golden.h"

namespace {

void CheckScreen(GameScreen screen, const std::string &name) {
    GlGame game;
    ASSERT_TRUE(game.Start(640, 480)) << "no OpenGL window";
    ASSERT_TRUE(DriveTo(game, screen)) << name << " was not reached";
    ExpectMatchesGolden(name + "-640x480.png", 640, 480, game.ReadRgb());
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
