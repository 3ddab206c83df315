// The options box, the pause screen and the console's quit prompt, driven through the keys, the
// pointer and the joystick.

#include <GLFW/glfw3.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/game_kit.h"

using ::testing::HasSubstr;

namespace {

struct Options : KitTest {
    // The box open over the menu, slid in, its latches free.
    void SetUp() override {
        KitTest::SetUp();
        kit.Frame(40);
        kit.Tap(GLFW_KEY_LEFT, 1);
        kit.Tap(GLFW_KEY_ENTER);
        ASSERT_EQ(app->OptionsOpen, 1);
        kit.Frame(32);
    }

    // A click on row n (1 is the first) of the open box, held: it acts once.
    void ClickRow(int n) {
        kit.MoveMouse(200, 130 + 40.0f * (n - 1) + 10);
        kit.MouseButton(true);
        kit.Frame(3);
        kit.MouseButton(false);
        kit.Frame();
    }
};

// A state with no screen of its own: the frames below run the pause screen alone.
struct Pause : KitTest {
    void SetUp() override {
        KitTest::SetUp();
        kit.Frame(40);
        app->Mode = Screen::None;
        app->Paused = app->PauseCursor = 1;
        app->PausePanelY = -64;
        Frames(20);
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            kit.Frame();
            if (app->Paused == 1) app->p_PauseMenu();
        }
    }
    void Tap(int key) {
        kit.Press(key);
        Frames(1);
        kit.Release(key);
        Frames(1);
    }
};

}  // namespace

// Four presses bring the sound mode round; only the modes without music stop it; nothing is
// saved until the box closes, and the back that closes it does not quit.
TEST_F(Options, SoundRowCyclesAndSavesOnlyOnClose) {
    std::string before = kit.host.LoadState().ToUtf8();
    kit.Tap(GLFW_KEY_DOWN, 1);
    ASSERT_EQ(app->OptionRow, 1);
    struct Step {
        int mode;
        const char *caption;
        bool stops;
    } steps[] = {{2, "Sound:SFX", true},
                 {3, "Sound:Music", false},
                 {0, "Sound:Off", true},
                 {1, "Sound:SFX+Music", false}};
    for (const Step &s : steps) {
        app->MusicOn = 1;
        size_t calls = kit.audio->musicCalls.size();
        kit.Tap(GLFW_KEY_ENTER, 1);
        EXPECT_EQ(app->Settings[Setting::Sound], s.mode);
        EXPECT_EQ(app->MusicOn, s.stops ? 0 : 1) << s.mode;
        const auto &made = kit.audio->musicCalls;
        EXPECT_EQ(std::count(made.begin() + calls, made.end(), "stop") > 0, s.stops) << s.mode;
        EXPECT_THAT(kit.Text(), HasSubstr(s.caption));
    }
    ClickRow(4);
    EXPECT_EQ(app->Settings[Setting::LeftStickY], 1);
    EXPECT_EQ(kit.host.LoadState().ToUtf8(), before) << "changing a row does not save";

    kit.Tap(GLFW_KEY_ESCAPE, 1);
    EXPECT_EQ(app->OptionsOpen, 0);
    EXPECT_EQ(app->Mode, Screen::Menu);
    std::vector<std::string> items = kit.SavedItems();
    ASSERT_GT(items.size(), static_cast<size_t>(Setting::Length));
    EXPECT_EQ((std::vector<std::string>{items[Setting::Sound], items[Setting::LeftStickY]}),
              (std::vector<std::string>{"1", "1"}));
    kit.Frame(40);
    EXPECT_EQ(app->OptionsSlide, 0);
}

// In a running game a mode with music restarts the last tune; without a music stream there
// are only Off and On, and any other stored mode shows as Off.
TEST_F(Options, SoundModesWithAndWithoutAMusicStream) {
    kit.Tap(GLFW_KEY_DOWN, 1);
    app->Mode = Screen::None;  // no screen of its own: only the box runs
    app->Settings[Setting::Sound] = SoundMode::EffectsOnly;
    kit.Frame();
    app->Mode = Screen::Game;
    size_t played = kit.audio->music.size();
    app->CurrentTune = String("Fennel");
    kit.Tap(GLFW_KEY_ENTER, 1);
    EXPECT_EQ(app->Settings[Setting::Sound], SoundMode::MusicOnly);
    ASSERT_EQ(kit.audio->music.size(), played + 1);
    EXPECT_THAT(kit.audio->music.back().path, HasSubstr("sfx/Fennel.ogg"));

    kt_Cobble_HasMusicStream = 0;
    kit.Frame();
    EXPECT_EQ(app->Settings[Setting::Sound], SoundMode::Off);
    EXPECT_THAT(kit.Text(), HasSubstr("Sound:Off"));
    kit.Tap(GLFW_KEY_ENTER, 1);
    EXPECT_EQ(app->Settings[Setting::Sound], SoundMode::All);
    EXPECT_THAT(kit.Text(), HasSubstr("Sound:On"));
}

// Clicks on the iCade and thumbstick rows flip their settings; the cursor then walks up to the
// gear, and a button there closes the box and saves.
TEST_F(Options, RowClicksAndClosingWithTheGear) {
    ClickRow(2);
    EXPECT_EQ(kt_Cobble_iCadeControls, 1);
    EXPECT_THAT(kit.Text(), HasSubstr("iCade:On"));
    ClickRow(2);
    EXPECT_EQ(kt_Cobble_iCadeControls, 0);

    KtTestJoystick &pad = kit.Joystick(0, 16, 4);
    pad.axes[1] = 0.3f;  // below the action threshold: moves no cursor
    kit.Frame();
    float flipped = app->p_StickY(0, 0);
    ASSERT_NE(flipped, 0);
    ClickRow(4);
    EXPECT_FLOAT_EQ(app->p_StickY(0, 0), -flipped);
    EXPECT_THAT(kit.Text(), HasSubstr("LeftThumbstickYNormal"));
    ClickRow(5);
    EXPECT_EQ(app->Settings[Setting::RightStickY], 1);
    ClickRow(4);
    EXPECT_FLOAT_EQ(app->p_StickY(0, 0), flipped);

    for (int i = 0; i < 5; ++i) kit.Tap(GLFW_KEY_UP, 1);
    EXPECT_EQ(app->OptionRow, 0);
    kit.Tap(GLFW_KEY_ENTER, 1);
    EXPECT_EQ(app->OptionsOpen, 0);
    EXPECT_FALSE(kit.host.LoadState().ToUtf8().empty());
}

// Closing the window with the box open saves its changes first, then ends with status 0.
TEST_F(Options, ClosingTheWindowSavesTheOpenBoxFirst) {
    ClickRow(4);
    ASSERT_EQ(app->Settings[Setting::LeftStickY], 1);
    static GameKit *closing = &kit;
    EXPECT_EXIT(
        {
            std::atexit([] {
                std::fprintf(stderr, "saved %s\n",
                             closing->SavedItems().at(Setting::LeftStickY).c_str());
            });
            kit.host.ScriptClose();
            kit.Frame();
        },
        ::testing::ExitedWithCode(0), "saved 1");
}

// The panel slides in to half the height with its trail; the choice moves with Up and Down and
// stops at both ends; resume slides it out again and unpauses.
TEST_F(Pause, SlidesChoosesAndResumes) {
    EXPECT_EQ(app->PausePanelY, 240);
    EXPECT_THAT(kit.Text(), HasSubstr("PAUSED"));
    int lines = 0;
    for (const KitCommand &c : kit.Commands()) lines += c.kind == KitCommand::Line;
    EXPECT_EQ(lines, 2 * 101) << "the trail's 102 points, each joint drawn twice";

    const int U = GLFW_KEY_UP, D = GLFW_KEY_DOWN;
    std::vector<int> choices;
    for (int key : {U, U, D, D, D, U}) Tap(key), choices.push_back(app->PauseChoice);
    EXPECT_EQ(choices, (std::vector<int>{-1, -1, 0, 1, 1, 0}));
    Tap(GLFW_KEY_ENTER);
    EXPECT_EQ(app->PauseCursor, -1);
    Frames(12);
    EXPECT_EQ(app->Paused, 0);
}

// Back resumes. In landscape the gear stands under the resume button, at (64, 296), drawn at
// size 2: it opens the options over the pause screen, which has no quit row on the desktop.
TEST_F(Pause, BackResumesAndTheGearOpensTheOptions) {
    Tap(GLFW_KEY_ESCAPE);
    EXPECT_EQ(app->PauseCursor, -1);

    app->PauseCursor = 1;
    Frames(5);
    kit.MoveMouse(64, 296);
    kit.MouseButton(true);
    Frames(1);
    EXPECT_EQ(app->OptionsOpen, 1);
    kit.MouseButton(false);
    Frames(35);
    EXPECT_EQ(app->Paused, 1);
    EXPECT_EQ(kit.Text().find("Quit"), std::string::npos);
}

TEST_F(Pause, QuitGameEndsTheRun) {
    Tap(GLFW_KEY_UP);
    Tap(GLFW_KEY_ENTER);
    EXPECT_EQ((std::vector<int>{app->Paused, app->PauseCursor, app->PausePanelY, app->GameOverFlag,
                                app->QuitFlag}),
              (std::vector<int>{0, -1, -64, 1, -1}));
}

// The console asks before it quits: the first button returns to the menu, the second, the
// third and back end the program. Each outcome runs in its own child of the same prompt.
TEST(QuitPrompt, ThreeOutcomes) {
    GameKit kit;
    kit.FinishLoading();
    kt_Cobble_isOuya = 1;
    kit.Frame(40);
    kit.Tap(GLFW_KEY_ESCAPE);
    ASSERT_EQ(kit.app->Mode, Screen::QuitPrompt);
    kit.Frame();
    EXPECT_THAT(kit.Text(), HasSubstr("UnexpectedQuit"));
    EXPECT_THAT(kit.Text(), HasSubstr("Whatshould"));
    for (auto [key, quits] : {std::pair{GLFW_KEY_J, false}, std::pair{GLFW_KEY_K, true},
                              std::pair{GLFW_KEY_L, true}, std::pair{GLFW_KEY_ESCAPE, true}}) {
        EXPECT_EXIT(
            {
                kit.Tap(key, 1);
                std::exit(kit.app->Mode == Screen::Menu ? 7 : 1);
            },
            ::testing::ExitedWithCode(quits ? 0 : 7), "")
            << key;
    }
}

// On the console the box carries the overscan slider and a "Quit" row.
using ConsoleOptions = KitTest;

TEST_F(ConsoleOptions, OverscanSliderAndQuitRow) {
    kt_Cobble_isOuya = 1;
    app->OptionsOpen = 1;
    kit.Frame(35);
    EXPECT_THAT(kit.Text(), HasSubstr("Overscan"));
    EXPECT_THAT(kit.Text(), HasSubstr("Quit"));

    struct Case {
        int from, key, to;
    } cases[] = {{1, GLFW_KEY_O, 17}, {40, GLFW_KEY_U, 24}, {90, GLFW_KEY_O, 96}};
    for (const Case &c : cases) {
        app->Settings[Setting::Overscan] = c.from;
        kit.Tap(c.key, 1);
        EXPECT_EQ(app->Settings[Setting::Overscan], c.to) << c.from;
        EXPECT_FLOAT_EQ(kt_Cobble_overscan, static_cast<float>(c.to));
    }
}
