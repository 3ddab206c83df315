// The choices of the options box, the pause screen and the quit prompt (the drawing is the tour's).

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/support/game_kit.h"

namespace {

using V = std::vector<int>;

struct Options : KitTest {
    void SetUp() override { KitTest::SetUp(), app->OptionsOpen = 1, kit.Frame(35); }
    // A click on row n (1 is the first) of the open box, held: it acts once.
    void ClickRow(int n) {
        kit.MoveMouse(200, 100 + 40.0f * n), kit.MouseButton(true), kit.Frame(3);
        kit.MouseButton(false), kit.Frame();
    }
    bool Shows(const char *text) { return kit.Text().find(text) != std::string::npos; }
};

using Screens = KitTest;

}  // namespace

// Four presses bring the sound mode round, stopping the music without it; saved on close only.
TEST_F(Options, SoundRowCyclesAndSavesOnlyOnClose) {
    std::string before = kit.host.LoadState().ToUtf8();
    kit.Tap(GLFW_KEY_DOWN, 1);
    struct Step {
        int mode;
        const char *caption;
    } steps[] = {{2, "Sound:SFX"}, {3, "Sound:Music"}, {0, "Sound:Off"}, {1, "Sound:SFX+Music"}};
    for (const Step &s : steps) {
        app->MusicOn = 1;
        kit.audio->musicCalls.clear();
        kit.Tap(GLFW_KEY_ENTER, 1);
        const auto &calls = kit.audio->musicCalls;
        int stops = s.mode % 2 == 0;
        EXPECT_EQ(V({app->Settings[Setting::Sound], app->MusicOn,
                     int(std::count(calls.begin(), calls.end(), "stop")), Shows(s.caption)}),
                  V({s.mode, 1 - stops, stops, 1}));
    }
    ClickRow(4);
    EXPECT_EQ(app->Settings[Setting::LeftStickY], 1);
    EXPECT_EQ(kit.host.LoadState().ToUtf8(), before) << "changing a row does not save";
    kit.Tap(GLFW_KEY_ESCAPE, 1);
    std::vector<std::string> items = kit.SavedItems();
    ASSERT_GT(items.size(), static_cast<size_t>(Setting::Length));
    EXPECT_EQ(items[Setting::Sound] + items[Setting::LeftStickY], "11");
}

// Row clicks flip iCade and the sticks; closing the window saves the open box first and exits
// 0; the cursor stops at the gear, which closes the box and saves.
TEST_F(Options, RowClicksAndClosing) {
    ClickRow(2);
    EXPECT_EQ(V({kt_Cobble_iCadeControls, Shows("iCade:On")}), V({1, 1}));
    ClickRow(2);
    EXPECT_EQ(kt_Cobble_iCadeControls, 0);
    kit.Joystick(0, 16, 4).axes[1] = 0.3f, kit.Frame();  // below the action threshold
    float flipped = app->p_StickY(0, 0);
    ASSERT_NE(flipped, 0);
    ClickRow(4);
    EXPECT_FLOAT_EQ(app->p_StickY(0, 0), -flipped);
    ClickRow(5);
    EXPECT_EQ(app->Settings[Setting::RightStickY], 1);
    static GameKit *closing = &kit;
    EXPECT_EXIT(
        {
            std::atexit([] {
                std::fprintf(stderr, "saved %s\n",
                             closing->SavedItems().at(Setting::RightStickY).c_str());
            });
            kit.host.ScriptClose();
            kit.Frame();
        },
        ::testing::ExitedWithCode(0), "saved 1");
    for (int i = 0; i < 6; ++i) kit.Tap(GLFW_KEY_UP, 1);
    EXPECT_EQ(app->OptionRow, 0);
    kit.Tap(GLFW_KEY_ENTER, 1);
    EXPECT_EQ(V({app->OptionsOpen, kit.SavedItems().at(Setting::RightStickY) == "1"}), V({0, 1}));
}

// The pause screen alone: the choice stops at both ends; back resumes; its gear opens the box.
TEST_F(Screens, PauseChoicesBackAndTheGear) {
    kit.Frame(40);
    app->Mode = Screen::None, app->Paused = app->PauseCursor = 1, app->PausePanelY = -64;
    auto frames = [&](int n) {
        for (int i = 0; i < n; ++i) kit.Frame(), app->Paused == 1 && app->p_PauseMenu();
    };
    auto tap = [&](int key) { kit.Press(key), frames(1), kit.Release(key), frames(1); };
    frames(20);
    std::vector<int> choices;
    const int U = GLFW_KEY_UP, D = GLFW_KEY_DOWN;
    for (int key : {U, U, D, D, D, U}) tap(key), choices.push_back(app->PauseChoice);
    EXPECT_EQ(choices, V({-1, -1, 0, 1, 1, 0}));
    tap(GLFW_KEY_ESCAPE);
    EXPECT_EQ(app->PauseCursor, -1);
    app->PauseCursor = 1, frames(5);
    kit.MoveMouse(64, 296), kit.MouseButton(true), frames(1);
    EXPECT_EQ(app->OptionsOpen, 1);
    kit.MouseButton(false), frames(35);
    EXPECT_EQ(app->Paused, 1);
    EXPECT_EQ(kit.Text().find("Quit"), std::string::npos);
}

// The console's prompt: button 1 returns to the menu; 2, 3 and back end the program.
TEST_F(Screens, QuitPromptThreeOutcomes) {
    kt_Cobble_isOuya = 1, kit.Frame(40), kit.Tap(GLFW_KEY_ESCAPE, 1);
    ASSERT_EQ(app->Mode, Screen::QuitPrompt);
    for (auto [key, quits] : {std::pair{GLFW_KEY_J, false}, std::pair{GLFW_KEY_K, true},
                              std::pair{GLFW_KEY_L, true}, std::pair{GLFW_KEY_ESCAPE, true}}) {
        EXPECT_EXIT(
            {
                kit.Tap(key, 1);
                std::exit(app->Mode == Screen::Menu ? 7 : 1);
            },
            ::testing::ExitedWithCode(quits ? 0 : 7), "")
            << key;
    }
}

// The console's overscan slider moves in steps and stays in bounds.
TEST_F(Options, ConsoleOverscanSlider) {
    kt_Cobble_isOuya = 1, kit.Frame();
    struct Case {
        int from, key, to;
    } cases[] = {{1, GLFW_KEY_O, 17}, {40, GLFW_KEY_U, 24}, {90, GLFW_KEY_O, 96}};
    for (const Case &c : cases) {
        app->Settings[Setting::Overscan] = c.from, kit.Tap(c.key, 1);
        EXPECT_EQ(V({app->Settings[Setting::Overscan], int(kt_Cobble_overscan)}), V({c.to, c.to}));
    }
}
