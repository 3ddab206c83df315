// The game shell on the test host.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "tests/support/game_kit.h"

TEST(Shell, Smoke) {
    GameKit kit;
    EXPECT_EQ(kit.app->Mode, Screen::Menu);
    kit.Frame(20);
    EXPECT_EQ(kit.app->LoadStage, 0);
}
