// The main menu's choices: the wheel by keys and clicks, the way out (the drawing is the tour's).

#include <cmath>
#include <cstdlib>

#include "tests/support/game_kit.h"

namespace {

using V = std::vector<int>;

struct Menu : KitTest {
    void SetUp() override { KitTest::SetUp(), kit.Frame(40); }
    // A click where the wheel draws row r now.
    void ClickRow(int r) {
        float hx = 38 + 12.0f * app->MenuSlide, hy = kt_Cobble_jscrh - 64 - 8.0f * app->MenuSlide;
        float a = 32.0f * r + 48 + app->MenuShown;
        float radius = 116 + (std::fabs(a - 45) <= 45 ? (45 - std::fabs(a - 45)) * 1.5f : 0);
        kit.Click(hx + radius * std::sin(a * 3.14159265f / 180),
                  hy - radius * std::cos(a * 3.14159265f / 180));
    }
};

}  // namespace

// On the desktop the wheel stops at its ends; a button starts the selected type.
TEST(MenuStart, TheWheelStopsAtItsEnds) {
    for (auto [key, difficulty] : {std::pair{GLFW_KEY_UP, 1}, std::pair{GLFW_KEY_DOWN, 3}}) {
        GameKit kit;
        kit.FinishLoading(), kit.Frame(40);
        for (int i = 0; i < 3; ++i) kit.Tap(key, 1);
        kit.Tap(GLFW_KEY_ENTER);
        EXPECT_EQ(
            V({kit.app->Mode, kit.app->Difficulty, kit.app->ControlKind, int(kit.app->MenuTarget)}),
            V({Screen::Starting, difficulty, 0, -32 * (difficulty - 1)}));
    }
}

// A click on another row only selects it; a click on the selected row starts it.
TEST_F(Menu, ClicksOnTheWheelSelectThenStart) {
    ClickRow(2);
    EXPECT_EQ(V({app->MenuSel, app->Mode, kit.Cues(Sfx::Click)}), V({2, Screen::Menu, 1}));
    kit.Frame(40);
    size_t before = kit.audio->sounds.size();
    ClickRow(2);
    EXPECT_EQ(V({app->Mode, app->Difficulty, app->ControlKind, kit.Cues(Sfx::Confirm, before)}),
              V({Screen::Starting, 3, 2, 1}));
}

// Back on the menu ends the program; the play button starts the selected type.
TEST_F(Menu, BackEndsAndPlayButtonStarts) {
    EXPECT_EXIT((kit.Press(GLFW_KEY_ESCAPE), kit.Frame(), std::exit(1)),
                ::testing::ExitedWithCode(0), "");
    app->MenuFocus = 2;
    kit.Click(kt_Cobble_jscrw - 70, kt_Cobble_jscrh - 48);
    EXPECT_EQ(V({app->MenuFocus, app->Mode, app->Difficulty}), V({1, Screen::Starting, 2}));
}
