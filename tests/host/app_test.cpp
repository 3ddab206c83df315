// The app module where the game's tests do not reach, with the collector in torture mode.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/app.h"
#include "tests/support/test_game.h"

namespace {

// Records each hook: updates with A's hit/down counts and device size, renders with the device set.
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

// One app a process, devices from the start; Close and Back key downs end it with 0.
TEST(App, OneAppAndTheKeysThatEndIt) {
    setenv("ALSOFT_DRIVERS", "null", 1);  // test machines have no sound card
    KtTestGame game;
    game.Install();
    kt_app_Init(), kt_graphics_Init(), kt_input_Init(), kt_audio_Init();
    gc_set_torture(true);
    c_ProbeApp *app = (new c_ProbeApp())->m_new();
    game.StartGame();
    EXPECT_EQ(game.Delegate(), kt_app__delegate);
    EXPECT_TRUE(kt_graphics_device && kt_audio_device && kt_input_device);
    // Render state set only during a render; the size is refreshed before every update.
    game.RenderGame();
    EXPECT_EQ(kt_graphics_renderDevice, nullptr);
    game.ScriptKey(GLFW_KEY_A, GLFW_PRESS), game.ScriptKey(GLFW_KEY_A, GLFW_RELEASE);
    game.PumpNow(), game.UpdateGame(), game.SetDeviceSize(800, 600), game.UpdateGame();
    game.SuspendGame(), game.ResumeGame();
    EXPECT_EQ(app->hooks, (std::vector<std::string>{"create", "render", "update 1 0 640x480",
                                                    "update 0 0 800x600", "suspend", "resume"}));

    // The audio device runs threads: each death test re-runs the program instead of forking it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT((new c_ProbeApp())->m_new(), ::testing::ExitedWithCode(255), "");
    game.KeyEvent(2, 432), game.KeyEvent(3, 432), game.KeyEvent(3, 416);
    EXPECT_EXIT(game.KeyEvent(1, 432), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(game.KeyEvent(1, 416), ::testing::ExitedWithCode(0), "");
    game.ScriptClose();
    EXPECT_EXIT(game.PumpNow(), ::testing::ExitedWithCode(0), "");
    gc_set_torture(false);
}

}  // namespace
