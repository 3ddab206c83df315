// The options box's choices (what it draws is the tour's).

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

}  // namespace

// Four presses bring the sound mode round, stopping the music without it; saved on close only.
TEST_F(Options, SoundRowCyclesAndSavesOnlyOnClose) {
    std::string before = kit.host.LoadState().ToUtf8();
    kit.Tap(GLFW_KEY_DOWN, 1);
    for (auto [mode, caption] : {std::pair{2, "Sound:SFX"}, std::pair{3, "Sound:Music"},
                                 std::pair{0, "Sound:Off"}, std::pair{1, "Sound:SFX+Music"}}) {
        app->MusicOn = 1, kit.audio->musicCalls.clear(), kit.Tap(GLFW_KEY_ENTER, 1);
        const auto &calls = kit.audio->musicCalls;
        int stops = mode % 2 == 0;
        EXPECT_EQ(V({app->Settings[Setting::Sound], app->MusicOn,
                     int(std::count(calls.begin(), calls.end(), "stop")), Shows(caption)}),
                  V({mode, 1 - stops, stops, 1}));
    }
    ClickRow(4);
    EXPECT_EQ(app->Settings[Setting::LeftStickY], 1);
    EXPECT_EQ(kit.host.LoadState().ToUtf8(), before) << "changing a row does not save";
    kit.Tap(GLFW_KEY_ESCAPE, 1);
    std::vector<std::string> items = kit.SavedItems();
    EXPECT_EQ(items.at(Setting::Sound) + items.at(Setting::LeftStickY), "11");
}

// Rows flip iCade and sticks; closing the window saves the open box; the gear closes and saves.
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
