// The options box, the pause screen and the console's quit prompt, driven through the keys, the
// pointer and the joystick.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/support/game_kit.h"

namespace {

// Item i of the saved state text.
std::string SavedItem(GameKit &kit, int i) {
    std::stringstream in(kit.host.LoadState().ToUtf8());
    std::string item;
    for (int k = 0; k <= i; ++k) {
        if (!std::getline(in, item, '|')) return "";
    }
    return item;
}

struct Options : ::testing::Test {
    GameKit kit;
    c_MyApp *app = kit.app;

    // The box open over the menu, slid in, its latches free.
    void SetUp() override {
        kit.FinishLoading();
        kit.Frame(40);
        Open();
    }

    void Open() {
        kit.Tap(GLFW_KEY_LEFT);
        kit.Frame();
        kit.Tap(GLFW_KEY_ENTER);
        ASSERT_EQ(app->OptionsOpen, 1);
        kit.Frame(32);
    }

    void Key(int key) {
        kit.Tap(key);
        kit.Frame();
    }

    // A click on row n (1 is the first) of the open box.
    void ClickRow(int n) {
        kit.MoveMouse(200, 130 + 40.0f * (n - 1) + 10);
        kit.MouseButton(true);
        kit.Frame(3);  // held: acts once
        kit.MouseButton(false);
        kit.Frame();
    }
};

struct Pause : Options {
    void SetUp() override {
        kit.FinishLoading();
        kit.Frame(40);
        // A state with no screen of its own: the frames below run the pause screen alone.
        app->Mode = 3;
        app->Paused = 1;
        app->PauseCursor = 1;
        app->PausePanelY = -64;
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
// saved until the box closes.
TEST_F(Options, SoundRowCyclesAndSavesOnlyOnClose) {
    std::string before = kit.host.LoadState().ToUtf8();
    Key(GLFW_KEY_DOWN);
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
        Key(GLFW_KEY_ENTER);
        EXPECT_EQ(app->Settings[Setting::Sound], s.mode);
        EXPECT_EQ(app->MusicOn, s.stops ? 0 : 1) << s.mode;
        bool stopped = false;
        for (size_t i = calls; i < kit.audio->musicCalls.size(); ++i) {
            stopped = stopped || kit.audio->musicCalls[i] == "stop";
        }
        EXPECT_EQ(stopped, s.stops) << s.mode;
        EXPECT_NE(kit.Text().find(s.caption), std::string::npos) << kit.Text();
    }
    ClickRow(4);
    EXPECT_EQ(app->Settings[Setting::LeftStickY], 1);
    EXPECT_EQ(kit.host.LoadState().ToUtf8(), before) << "changing a row does not save";

    Key(GLFW_KEY_ESCAPE);
    EXPECT_EQ(app->OptionsOpen, 0);
    EXPECT_EQ(app->Mode, Screen::Menu) << "the back that closes the box does not quit";
    EXPECT_EQ(SavedItem(kit, Setting::Sound), "1");
    EXPECT_EQ(SavedItem(kit, Setting::LeftStickY), "1");
    kit.Frame(40);
    EXPECT_EQ(app->OptionsSlide, 0);
}

// In a running game a mode with music restarts the last tune; without a music stream there
// are only Off and On, and any other stored mode shows as Off.
TEST_F(Options, SoundModesWithAndWithoutAMusicStream) {
    Key(GLFW_KEY_DOWN);
    app->Mode = 3;  // no screen of its own: only the box runs
    app->Settings[Setting::Sound] = 2;
    kit.Frame();
    app->Mode = Screen::Game + 5;  // counts as a running game
    size_t played = kit.audio->music.size();
    app->CurrentTune = String("Fennel");
    Key(GLFW_KEY_ENTER);
    EXPECT_EQ(app->Settings[Setting::Sound], 3);
    ASSERT_EQ(kit.audio->music.size(), played + 1);
    EXPECT_NE(kit.audio->music.back().path.find("sfx/Fennel.ogg"), std::string::npos);

    kt_Cobble_HasMusicStream = 0;
    kit.Frame();
    EXPECT_EQ(app->Settings[Setting::Sound], 0);
    EXPECT_NE(kit.Text().find("Sound:Off"), std::string::npos);
    Key(GLFW_KEY_ENTER);
    EXPECT_EQ(app->Settings[Setting::Sound], 1);
    EXPECT_NE(kit.Text().find("Sound:On"), std::string::npos);
}

// Clicks on the iCade and thumbstick rows flip their settings; the cursor then walks up to the
// gear, and a button there closes the box and saves.
TEST_F(Options, RowClicksAndClosingWithTheGear) {
    ClickRow(2);
    EXPECT_EQ(kt_Cobble_iCadeControls, 1);
    EXPECT_NE(kit.Text().find("iCade:On"), std::string::npos);
    ClickRow(2);
    EXPECT_EQ(kt_Cobble_iCadeControls, 0);

    KtTestJoystick &pad = kit.Joystick(0, 16, 4);
    pad.axes[1] = 0.3f;  // below the action threshold: moves no cursor
    kit.Frame();
    float flipped = app->p_StickY(0, 0);
    ASSERT_NE(flipped, 0);
    ClickRow(4);
    EXPECT_FLOAT_EQ(app->p_StickY(0, 0), -flipped);
    EXPECT_NE(kit.Text().find("LeftThumbstickYNormal"), std::string::npos);
    ClickRow(5);
    EXPECT_EQ(app->Settings[Setting::RightStickY], 1);
    ClickRow(4);
    EXPECT_FLOAT_EQ(app->p_StickY(0, 0), flipped);

    for (int i = 0; i < 5; ++i) Key(GLFW_KEY_UP);
    EXPECT_EQ(app->OptionRow, 0);
    Key(GLFW_KEY_ENTER);
    EXPECT_EQ(app->OptionsOpen, 0);
    EXPECT_FALSE(kit.host.LoadState().ToUtf8().empty());
}

// The panel slides in to half the height; the choices move with Up and Down; resume slides
// it out again and unpauses.
TEST_F(Pause, SlidesChoosesAndResumes) {
    Frames(20);
    EXPECT_EQ(app->PausePanelY, 240);
    EXPECT_NE(kit.Text().find("PAUSED"), std::string::npos);
    int lines = 0;
    for (const KitCommand &c : kit.Commands()) lines += c.kind == KitCommand::Line;
    EXPECT_EQ(lines, 2 * 101) << "the trail's 102 points, each joint drawn twice";

    Tap(GLFW_KEY_UP);
    EXPECT_EQ(app->PauseChoice, -1);
    Tap(GLFW_KEY_UP);
    EXPECT_EQ(app->PauseChoice, -1);
    Tap(GLFW_KEY_DOWN);
    Tap(GLFW_KEY_DOWN);
    EXPECT_EQ(app->PauseChoice, 1);
    Tap(GLFW_KEY_DOWN);
    EXPECT_EQ(app->PauseChoice, 1);
    Tap(GLFW_KEY_UP);

    Tap(GLFW_KEY_ENTER);
    EXPECT_EQ(app->PauseCursor, -1);
    Frames(12);
    EXPECT_EQ(app->Paused, 0);
}

TEST_F(Pause, BackResumesAndTheGearOpensTheOptions) {
    Frames(20);
    Tap(GLFW_KEY_ESCAPE);
    EXPECT_EQ(app->PauseCursor, -1);

    app->PauseCursor = 1;
    Frames(5);
    // Landscape: the gear stands under the resume button, at (64, 296), drawn at size 2.
    kit.MoveMouse(64, 296);
    kit.MouseButton(true);
    Frames(1);
    EXPECT_EQ(app->OptionsOpen, 1);
    kit.MouseButton(false);
    Frames(35);
    EXPECT_EQ(app->Paused, 1);
    EXPECT_EQ(kit.Text().find("Quit"), std::string::npos) << "no quit row on the desktop";
}

TEST_F(Pause, QuitGameEndsTheRun) {
    Frames(20);
    Tap(GLFW_KEY_UP);
    Tap(GLFW_KEY_ENTER);
    EXPECT_EQ(app->Paused, 0);
    EXPECT_EQ(app->PauseCursor, -1);
    EXPECT_EQ(app->PausePanelY, -64);
    EXPECT_EQ(app->GameOverFlag, 1);
    EXPECT_EQ(app->QuitFlag, -1);
}

// The console asks before it quits: the first button returns to the menu, the second, the
// third and back end the program.
TEST(QuitPrompt, ThreeOutcomes) {
    struct Case {
        int key;
        bool quits;
    } cases[] = {
        {GLFW_KEY_J, false}, {GLFW_KEY_K, true}, {GLFW_KEY_L, true}, {GLFW_KEY_ESCAPE, true}};
    for (const Case &c : cases) {
        GameKit kit;
        kit.FinishLoading();
        kt_Cobble_isOuya = 1;
        kit.Frame(40);
        kit.Tap(GLFW_KEY_ESCAPE);
        ASSERT_EQ(kit.app->Mode, Screen::QuitPrompt);
        kit.Frame();
        EXPECT_NE(kit.Text().find("UnexpectedQuit"), std::string::npos) << kit.Text();
        EXPECT_NE(kit.Text().find("Whatshould"), std::string::npos);
        EXPECT_EXIT(
            {
                kit.Tap(c.key);
                kit.Frame();
                std::exit(kit.app->Mode == Screen::Menu ? 7 : 1);
            },
            ::testing::ExitedWithCode(c.quits ? 0 : 7), "")
            << c.key;
    }
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
                             SavedItem(*closing, Setting::LeftStickY).c_str());
            });
            kit.host.ScriptClose();
            kit.Frame();
        },
        ::testing::ExitedWithCode(0), "saved 1");
}

// On the console the box carries the overscan slider and a "Quit" row.
TEST(ConsoleOptions, OverscanSliderAndQuitRow) {
    GameKit kit;
    kit.FinishLoading();
    kt_Cobble_isOuya = 1;
    c_MyApp *app = kit.app;
    app->OptionsOpen = 1;
    kit.Frame(35);
    EXPECT_NE(kit.Text().find("Overscan"), std::string::npos);
    EXPECT_NE(kit.Text().find("Quit"), std::string::npos);

    struct Case {
        int from, key, to;
    } cases[] = {{1, GLFW_KEY_O, 17}, {40, GLFW_KEY_U, 24}, {90, GLFW_KEY_O, 96}};
    for (const Case &c : cases) {
        app->Settings[Setting::Overscan] = c.from;
        kit.Tap(c.key);
        kit.Frame();
        EXPECT_EQ(app->Settings[Setting::Overscan], c.to) << c.from;
        EXPECT_FLOAT_EQ(kt_Cobble_overscan, static_cast<float>(c.to));
    }
}
