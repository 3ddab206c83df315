// The main menu driven as a player would: the wheel by keys and by clicks, the repeat of a held
// key, the focus columns, the highscore lists, the credits page and the way out.

#include <GLFW/glfw3.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "tests/support/game_kit.h"

using ::testing::HasSubstr;

namespace {

struct Menu : KitTest {
    // Loaded, slid in and the wheel at rest on "Normal".
    void SetUp() override {
        KitTest::SetUp();
        kit.Frame(40);
    }

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

// Each game type from the keyboard, started with a button; on the desktop the wheel stops at
// its ends.
TEST(MenuStart, EachGameTypeFromTheKeyboard) {
    struct Case {
        int key, taps, difficulty;
    } cases[] = {
        {GLFW_KEY_UP, 1, 1}, {GLFW_KEY_UP, 0, 2}, {GLFW_KEY_DOWN, 1, 3}, {GLFW_KEY_UP, 3, 1}};
    for (const Case &c : cases) {
        GameKit kit;
        kit.FinishLoading();
        kit.Frame(40);
        for (int i = 0; i < c.taps; ++i) kit.Tap(c.key, 1);
        kit.Tap(GLFW_KEY_ENTER);
        EXPECT_EQ((std::vector<int>{kit.app->Mode, kit.app->Difficulty, kit.app->ControlKind}),
                  (std::vector<int>{Screen::Starting, c.difficulty, 0}));
        EXPECT_FLOAT_EQ(kit.app->MenuTarget, -32.0f * (c.difficulty - 1));
    }
}

// A click on another row only selects it; a click on the selected row starts it.
TEST_F(Menu, ClicksOnTheWheelSelectThenStart) {
    ClickRow(2);
    EXPECT_EQ(app->MenuSel, 2);
    EXPECT_EQ(app->Mode, Screen::Menu) << "the selecting click does not start the game";
    EXPECT_EQ(kit.Cues(Sfx::Click), 1);
    kit.Frame(40);

    size_t before = kit.audio->sounds.size();
    ClickRow(2);
    EXPECT_EQ((std::vector<int>{app->Mode, app->Difficulty, app->ControlKind}),
              (std::vector<int>{Screen::Starting, 3, 2}))
        << "started with the pointer";
    EXPECT_EQ(kit.Cues(Sfx::Confirm, before), 1);
}

// Back on the menu ends the program; the play button starts the selected type.
TEST_F(Menu, BackEndsAndPlayButtonStarts) {
    EXPECT_EXIT(
        {
            kit.Press(GLFW_KEY_ESCAPE);
            kit.Frame();
            std::exit(1);
        },
        ::testing::ExitedWithCode(0), "");
    app->MenuFocus = 2;
    kit.Click(kt_Cobble_jscrw - 70, kt_Cobble_jscrh - 48);
    EXPECT_EQ((std::vector<int>{app->MenuFocus, app->Mode, app->Difficulty}),
              (std::vector<int>{1, Screen::Starting, 2}));
}

// Held, a direction steps at once, then after 31 updates, then after 19: the wait shortens by
// 12 per step. The console's extra quit row gives the wheel room for three steps.
TEST_F(Menu, HeldKeyRepeatsFaster) {
    kt_Cobble_isOuya = 1;
    app->MenuSel = 2;
    app->MenuTarget = -64;
    kit.Frame(40);
    std::vector<int> stepsAt;
    kit.Press(GLFW_KEY_UP);
    for (int frame = 1; frame <= 60; ++frame) {
        int was = app->MenuSel;
        kit.Frame();
        if (app->MenuSel != was) stepsAt.push_back(frame);
    }
    EXPECT_EQ(stepsAt, (std::vector<int>{1, 32, 51}));
    EXPECT_EQ(app->MenuSel, -1) << "the console reaches the quit row";
    kit.Release(GLFW_KEY_UP);
    kit.Frame();
    EXPECT_EQ(app->MenuRepeat, 0);
    EXPECT_EQ(app->MenuRepeatDelay, 30);
}

// Left and Right walk the columns and stop at the ends; a button then opens what is focused:
// the credits page (closed by back without quitting, or by a click), or the options box.
TEST_F(Menu, FocusColumnsAndTheirActivation) {
    std::vector<int> focus;
    for (int key : {GLFW_KEY_LEFT, GLFW_KEY_LEFT, GLFW_KEY_RIGHT, GLFW_KEY_RIGHT, GLFW_KEY_RIGHT}) {
        kit.Tap(key, 1);
        focus.push_back(app->MenuFocus);
    }
    EXPECT_EQ(focus, (std::vector<int>{0, 0, 1, 2, 2}));
    kit.Tap(GLFW_KEY_ENTER);
    EXPECT_EQ(app->CreditsOpen, 1);
    EXPECT_EQ(app->Mode, Screen::Menu);
    EXPECT_EXIT(
        {
            kit.Frame(5);
            kit.Press(GLFW_KEY_ESCAPE);
            kit.Frame(10);
            std::exit(app->CreditsOpen == 0 && app->Mode == Screen::Menu ? 7 : 1);
        },
        ::testing::ExitedWithCode(7), "");

    // The page scrolls and shows its statistics while the panel widens over the screen.
    kit.Frame(60);
    EXPECT_FLOAT_EQ(app->PanelExtra, kt_Cobble_jscrw - 140);
    EXPECT_GT(app->CreditLine, 0);
    EXPECT_THAT(kit.Text(), HasSubstr("DebugStats"));
    int dots = 0;
    for (const KitCommand &c : kit.Commands()) {
        dots += c.kind == KitCommand::Oval && c.w == 16 && std::fabs(c.alpha - 0.3f) < 1e-6f;
    }
    EXPECT_EQ(dots, 11);

    kit.Click(300, 200);
    EXPECT_EQ(app->CreditsOpen, 0);
    kit.Frame();
    kit.Tap(GLFW_KEY_LEFT, 1);
    kit.Tap(GLFW_KEY_LEFT, 1);
    kit.Tap(GLFW_KEY_ENTER);
    EXPECT_EQ(app->OptionsOpen, 1);
}

// Rows of the lists: as many as fit in half the screen, one at least, ten at most.
TEST_F(Menu, HighscoreListsFitTheScreen) {
    for (int k = 0; k < Highscore::ListLength; ++k) {
        app->Highscores[Highscore::Top(1, k)] = 110 - k;
        app->Highscores[Highscore::Last(1, k)] = 210 + k;
    }
    kit.Frame();
    EXPECT_THAT(kit.Text(), HasSubstr("Top10110109108107106105104103102101Last10"));

    app->ImageInfo[SlotInfo::Height(app->FontSlot)] = 16;  // rows of 24: floor(150 / 24) = 6
    kit.Frame();
    EXPECT_THAT(kit.Text(), HasSubstr("Top6110109108107106105Last6210211212213214215"));

    kit.Resize(640, 100);
    kit.Frame();
    kit.FinishLoading();
    kit.Frame();
    EXPECT_THAT(kit.Text(), HasSubstr("Highscore110Last210"));
}
