// The shell: fitting the virtual screen, the key latch, function keys, suspend.

#include <gmock/gmock.h>

#include "tests/support/game_kit.h"

using V = std::vector<int>;
using Shell = KitTest;

TEST(ShellFit, VirtualScreenFitsTheWindow) {
    struct Case {
        int w, h;
        float overscan;
        int fitMode, landscape;
        float scale, vw, vh;
        float deviceX0, deviceY0;  // where virtual (0, 0) lands
    } cases[] = {
        {1280, 720, 0, 1, 1, 2.0f, 640, 360, 0, 0},
        {640, 960, 0, 2, 0, 960.0f / 720, 480, 720, 0, 0},
        {500, 500, 0, 2, 1, 500.0f / 480, 480, 480, 0, 0},  // the height's scale is the larger
        {1280, 720, 64, 1, 1, (1280.0f - 128) / 640, 640, 360, 64, 36},
    };
    for (const Case &c : cases) {
        GameKit kit(c.w, c.h);
        kt_Cobble_overscan = c.overscan, kit.FinishLoading();
        kit.app->p_CLS2D(kNoValue, 0, 0, 0), kit.app->p_Rect(0, 0, 10, 10), kit.host.RenderGame();
        const KitGraphics::Draw &rect = kit.graphics->draws.back();
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_THAT((std::vector<float>{float(kit.app->FitMode), float(kit.app->Landscape),
                                        kit.app->ScaleX, kit.app->ScaleY, kt_Cobble_jscrw,
                                        kt_Cobble_jscrh, rect.x, rect.y, rect.w}),
                    ::testing::Pointwise(::testing::FloatEq(),
                                         {float(c.fitMode), float(c.landscape), c.scale, c.scale,
                                          c.vw, c.vh, c.deviceX0, c.deviceY0, 10 * c.scale}));
    }
}

// Minimised (0 x 0) keeps the fitting and the pointer; only a new size reloads the art.
TEST_F(Shell, MinimisedWindowKeepsTheFitting) {
    kit.Resize(0, 0), kit.Frame(2);
    EXPECT_EQ(V({app->ScaleX == 1, app->LoadStage, app->MouseX}), V({1, 0, 0}));
    kit.Resize(640, 480), kit.Frame();
    EXPECT_EQ(app->LoadStage, 0);
    kit.Resize(800, 600), kit.Frame();
    EXPECT_GT(app->LoadStage, 0);
}

// The latch holds until every action is up; back closing the credits latches; so does the box.
TEST_F(Shell, KeyLatchHoldsUntilEveryActionIsUp) {
    app->KeyLatch = 1;  // a screen acted on the press
    kit.Press(GLFW_KEY_RIGHT), kit.Press(GLFW_KEY_SPACE), kit.Frame();
    kit.Release(GLFW_KEY_RIGHT), kit.Frame();
    EXPECT_EQ(app->KeyLatch, 1) << "space is still held";
    kit.Release(GLFW_KEY_SPACE), kit.Frame();
    EXPECT_EQ(app->KeyLatch, 0);
    app->CreditsOpen = 1;
    kit.Tap(GLFW_KEY_ESCAPE);
    EXPECT_EQ(V({app->CreditsOpen, app->KeyLatch, app->PressLock}), V({0, 1, 1}));
    kit.Frame(), app->OptionsOpen = 1, kit.Frame();
    EXPECT_EQ(V({app->KeyLatch, app->OptionsSlide}), V({1, 1}));
}

// F1 and F2 flip the HUD and the debug mode; F11 the desktop mode (none: nothing); F4 ends.
TEST_F(Shell, FunctionKeys) {
    kit.host.SetDesktopMode(1920, 1080), kit.Tap(GLFW_KEY_F11);
    EXPECT_EQ(V({app->Fullscreen, kit.host.GetDeviceWidth()}), V({1, 1920}));
    kit.FinishLoading(), kit.Tap(GLFW_KEY_F11);
    EXPECT_EQ(V({app->Fullscreen, kit.host.GetDeviceWidth(), kit.host.GetDeviceHeight()}),
              V({0, 640, 480}));
    kit.host.SetDesktopMode(-1, 0), kit.Tap(GLFW_KEY_F11);
    EXPECT_EQ(app->Fullscreen, 0);
    kit.Tap(GLFW_KEY_F1), kit.Tap(GLFW_KEY_F2);
    EXPECT_EQ(V({app->HudToggle, kt_Cobble_DebugMode}), V({1, 1}));
    EXPECT_EXIT((kit.Press(GLFW_KEY_F4), kit.Frame()), ::testing::ExitedWithCode(0), "");
}

// Suspend pauses a running game only, clears the inputs and iCade, slows the updates.
TEST_F(Shell, SuspendPausesARunningGameOnly) {
    kit.host.ScriptFocus(false), kit.Frame();
    EXPECT_EQ(app->Paused, 0) << "the menu is not paused";
    kit.host.ScriptFocus(true), kit.Frame();
    app->Mode = Screen::Game;
    app->VirtualButtons[Action::Up] = Virtual::Held;
    kt_Cobble_iCadeControls = 1;
    kit.host.ScriptFocus(false), kit.Frame();
    EXPECT_EQ(V({app->Paused, app->PauseCursor, app->PausePanelY, app->VirtualButtons[Action::Up],
                 kt_Cobble_iCadeControls, kit.host.UpdateRate()}),
              V({1, 1, 240, 0, 0, 5}));
    kit.host.ScriptFocus(true), kit.Frame();
    EXPECT_EQ(V({kit.host.UpdateRate(), app->Paused}), V({60, 1}));
}
