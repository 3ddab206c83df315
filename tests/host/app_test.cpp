// The app module on the test host: registration, the delegate's device work around updates and
// renders, input routing, the end of the app, display modes and the window-size cache.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/app.h"
#include "tests/support/test_game.h"

namespace {

// Records each hook with what it saw: an update the key hit and down counts of A and the device
// size, a render whether the render device was set.
struct c_ProbeApp : c_App {
    std::vector<std::string> hooks;

    c_ProbeApp *m_new() {
        c_App::m_new();
        return this;
    }
    int Hook(std::string name) {
        hooks.push_back(name);
        return 0;
    }
    int p_OnCreate() override { return Hook("create"); }
    int p_OnSuspend() override { return Hook("suspend"); }
    int p_OnResume() override { return Hook("resume"); }
    int p_OnUpdate() override {
        return Hook("update " + std::to_string(kt_input_KeyHit(65)) + " " +
                    std::to_string(kt_input_KeyDown(65)) + " " +
                    std::to_string(kt_app_DeviceWidth()) + "x" +
                    std::to_string(kt_app_DeviceHeight()));
    }
    int p_OnRender() override { return Hook(kt_graphics_renderDevice ? "render" : "render?"); }
};

// After each call into the game the collector runs in torture mode (every step ends a cycle, so
// a reference stored without the barrier is freed at once: a use after free in the sanitizer
// build) or in verify mode (a plain store into a scanned object stops the process).
struct App : ::testing::TestWithParam<bool> {
    KtTestGame game;

    void SetUp() override {
        setenv("ALSOFT_DRIVERS", "null", 1);  // test machines have no sound card
        game.Install();
        kt_app_Init();
        kt_graphics_Init();
        kt_input_Init();
        kt_audio_Init();
        gc_set_torture(GetParam());
        gc_set_verify(!GetParam());
    }
    void TearDown() override {
        gc_set_torture(false);
        gc_set_verify(false);
    }
};

INSTANTIATE_TEST_SUITE_P(Collector, App, ::testing::Bool(),
                         [](const auto &info) { return info.param ? "Torture" : "Verify"; });

TEST_P(App, OneAppWhoseDelegateCreatesTheDevicesAndBracketsUpdatesAndRenders) {
    c_ProbeApp *app = (new c_ProbeApp())->m_new();
    EXPECT_EQ(kt_app__app, app);
    ASSERT_NE(kt_app__delegate, nullptr);
    EXPECT_EQ(game.Delegate(), kt_app__delegate);
    EXPECT_EQ(kt_app__delegate->graphics, nullptr) << "no devices before the start";
    EXPECT_EXIT((new c_ProbeApp())->m_new(), ::testing::ExitedWithCode(255), "") << "second app";
    game.StartGame();
    EXPECT_TRUE(kt_graphics_device && kt_audio_device && kt_input_device);
    EXPECT_EQ(kt_app_DeviceWidth(), 640);
    EXPECT_EQ(app->hooks, std::vector<std::string>{"create"});

    // A render sets up the framework's render state and clears it after; a key pressed and
    // released between updates is a hit for one update only; the size is refreshed before every
    // update.
    game.RenderGame();
    EXPECT_EQ(kt_graphics_renderDevice, nullptr);
    game.ScriptKey(GLFW_KEY_A, GLFW_PRESS);
    game.ScriptKey(GLFW_KEY_A, GLFW_RELEASE);
    game.PumpNow();
    game.UpdateGame();
    game.UpdateGame();
    game.SetDeviceSize(800, 600);
    game.UpdateGame();
    game.SuspendGame();
    game.ResumeGame();
    EXPECT_EQ(app->hooks, (std::vector<std::string>{"create", "render", "update 1 0 640x480",
                                                    "update 0 0 640x480", "update 0 0 800x600",
                                                    "suspend", "resume"}));

    // The module's functions reach the host; a rate change restarts the update clock.
    game.SetUpdateRate(60);
    game.RunFrame();
    ASSERT_NE(game.NextUpdate(), 0.0);
    kt_app_SetUpdateRate(30);
    EXPECT_EQ(game.UpdateRate(), 30);
    EXPECT_EQ(game.NextUpdate(), 0.0);
    game.Advance(2.5);
    EXPECT_EQ(kt_app_Millisecs(), game.Millisecs());
    kt_app_SaveState(String("abc"));
    EXPECT_EQ(kt_app_LoadState(), String("abc"));
}

TEST_P(App, CloseAndBackKeysEndTheProcessWithStatusZero) {
    // The audio device runs threads: each death test re-runs the program instead of forking it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    (new c_ProbeApp())->m_new();
    game.StartGame();
    // Only key downs end it; an up or a character with the same number does not.
    game.KeyEvent(2, 432);
    game.KeyEvent(3, 432);
    EXPECT_EXIT(game.KeyEvent(1, 432), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(game.KeyEvent(1, 416), ::testing::ExitedWithCode(0), "");
    // The window's close button through the host's callback.
    game.ScriptClose();
    EXPECT_EXIT(game.PumpNow(), ::testing::ExitedWithCode(0), "");
}

TEST_P(App, DisplayModesAreDistinctSizesInFirstSeenOrder) {
    (new c_ProbeApp())->m_new();
    game.SetDisplayModes({{800, 600}, {640, 480}, {800, 600}, {1024, 768}, {640, 480}});
    game.SetDesktopMode(1920, 1080);
    kt_app_EnumDisplayModes();
    std::vector<std::pair<int, int>> modes;
    for (int i = 0; i < kt_app__displayModes.Length(); ++i) {
        modes.emplace_back(kt_app__displayModes[i]->width, kt_app__displayModes[i]->height);
    }
    EXPECT_EQ(modes, (std::vector<std::pair<int, int>>{{800, 600}, {640, 480}, {1024, 768}}));
    EXPECT_EQ(kt_app__desktopMode->width, 1920);

    // No modes and no desktop mode: the empty array and the current window size.
    game.SetDisplayModes({});
    game.SetDesktopMode(-1, -1);
    game.SetDeviceSize(700, 500);
    kt_app_ValidateDeviceWindow(false);
    kt_app_EnumDisplayModes();
    EXPECT_EQ(kt_app__displayModes.Length(), 0);
    EXPECT_EQ(kt_app__desktopMode->width, 700);
    EXPECT_EQ(kt_app__desktopMode->height, 500);
}

}  // namespace
