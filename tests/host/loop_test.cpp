// The frame loop's pacing and the guarded entry points, on the test host's fake clock.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "tests/support/test_game.h"

namespace {

struct Loop : ::testing::Test {
    KtTestGame game;
    KtRecordingDelegate *delegate = new KtRecordingDelegate();

    void SetUp() override {
        game.Install();
        game.SetDelegate(delegate);
    }

    // Runs `frames` iterations and returns the number of updates each one ran.
    std::vector<int> UpdatesPerFrame(int frames) {
        std::vector<int> out;
        for (int i = 0; i < frames; ++i) {
            int before = delegate->updates;
            game.RunFrame();
            out.push_back(delegate->updates - before);
        }
        return out;
    }
};

TEST_F(Loop, SlowRendersAlternateOneAndFourUpdates) {
    game.SetUpdateRate(60);
    game.StartGame();
    delegate->onRender = [&] { game.Advance(0.1); };
    std::vector<int> counts = UpdatesPerFrame(10);
    EXPECT_EQ(counts, (std::vector<int>{1, 4, 1, 4, 1, 4, 1, 4, 1, 4}));
    // 5 updates per 200 ms: the game runs slower instead of skipping ahead.
    EXPECT_EQ(delegate->updates, 25);
    EXPECT_NEAR(game.Now(), 2.0, 1e-9);
    // Behind schedule, the loop never sleeps.
    EXPECT_TRUE(game.sleeps.empty());
}

TEST_F(Loop, FastRendersSleepUntilEachUpdateIsDue) {
    game.SetUpdateRate(60);
    game.StartGame();
    double start = game.Now();
    std::vector<int> counts = UpdatesPerFrame(120);
    EXPECT_EQ(counts, std::vector<int>(120, 1));
    // The first update is due at once; every later one 1/60 s after the one before.
    EXPECT_NEAR(game.Now() - start, 119.0 / 60.0, 1e-9);
    EXPECT_EQ(game.sleeps.size(), 119u);
    for (double s : game.sleeps) EXPECT_NEAR(s, 1.0 / 60.0, 1e-9);
}

TEST_F(Loop, SetUpdateRateInsideAnUpdateEndsTheCatchUp) {
    game.SetUpdateRate(60);
    game.StartGame();
    game.RunFrame();
    ASSERT_EQ(delegate->updates, 1);

    // A 50 ms stall leaves 3 updates due; the first of them restarts the clock.
    game.Advance(0.05);
    bool reset = true;
    delegate->onUpdate = [&] {
        if (reset) game.SetUpdateRate(30);
        reset = false;
    };
    game.RunFrame();
    EXPECT_EQ(delegate->updates, 2);
    EXPECT_EQ(game.NextUpdate(), 0.0);

    // The new rate starts from the next frame, due at once.
    double now = game.Now();
    game.RunFrame();
    EXPECT_EQ(delegate->updates, 3);
    EXPECT_NEAR(game.NextUpdate(), now + 1.0 / 30.0, 1e-9);
}

TEST_F(Loop, SuspendedLoopBlocksAndResumesWithAnUpdateDueAtOnce) {
    game.SetUpdateRate(60);
    game.StartGame();
    UpdatesPerFrame(3);

    game.ScriptFocus(false);
    std::vector<int> counts = UpdatesPerFrame(4);
    EXPECT_EQ(counts, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_TRUE(game.Suspended());
    EXPECT_EQ(game.NextUpdate(), 0.0);
    // The pump after the suspend waits for events; renders go on once per iteration.
    EXPECT_EQ(game.waits, 3);
    EXPECT_EQ(delegate->renders, 7);

    game.Advance(10.0);
    game.ScriptFocus(true);
    size_t sleepsBefore = game.sleeps.size();
    counts = UpdatesPerFrame(2);
    // No burst of catch-up updates after ten seconds away, and no wait for the first one.
    EXPECT_EQ(counts, (std::vector<int>{1, 1}));
    EXPECT_FALSE(game.Suspended());
    EXPECT_EQ(game.sleeps.size(), sleepsBefore + 1);
    EXPECT_EQ(delegate->Events(), (std::vector<std::string>{"start", "suspend", "resume"}));
}

TEST_F(Loop, RateZeroRunsOneUpdatePerRender) {
    game.StartGame();
    delegate->onRender = [&] { game.Advance(0.25); };
    EXPECT_EQ(UpdatesPerFrame(6), std::vector<int>(6, 1));
    EXPECT_EQ(delegate->renders, 6);
    EXPECT_TRUE(game.sleeps.empty());
    // Even a fast frame gets its update at once.
    delegate->onRender = nullptr;
    EXPECT_EQ(UpdatesPerFrame(3), std::vector<int>(3, 1));
}

TEST_F(Loop, FirstFrameRendersBeforeTheFirstUpdateAndEndsWhenTheWindowCloses) {
    game.SetUpdateRate(60);
    game.StartGame();
    int frames = 0;
    delegate->onUpdate = [&] {
        if (++frames == 3) game.Close();
    };
    game.RunFrames();
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"start", "render", "update", "render",
                                                         "update", "render", "update"}));
    EXPECT_EQ(game.swaps, 3);
}

TEST_F(Loop, GuardedEntryPointsFollowTheGameState) {
    // Nothing reaches the delegate before the start.
    game.UpdateGame();
    game.RenderGame();
    game.KeyEvent(1, 65);
    game.MouseEvent(6, -1, 1, 2);
    game.TouchEvent(7, 0, 1, 2);
    game.MotionEvent(10, 0, 1, 2, 3);
    game.SuspendGame();
    game.ResumeGame();
    game.DiscardGraphics();
    EXPECT_TRUE(delegate->calls.empty());

    long long steps = gc_stats.steps;
    game.StartGame();
    game.StartGame();
    EXPECT_EQ(gc_stats.steps, steps + 1) << "one collector step per delivered call";

    game.SuspendGame();
    game.SuspendGame();
    // Suspended: no updates, but renders and input still arrive.
    game.UpdateGame();
    game.RenderGame();
    game.KeyEvent(1, 65);
    game.ResumeGame();
    game.ResumeGame();
    game.UpdateGame();
    game.DiscardGraphics();
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"start", "suspend", "render", "key 1 65",
                                                         "resume", "update", "discard"}));
}

TEST_F(Loop, CallsNestedInAnUpdateLeaveCollectionToTheUpdate) {
    game.StartGame();
    game.ScriptKey(GLFW_KEY_UP, GLFW_PRESS);
    game.PumpNow();
    // The game re-creates its window during an update: the held key's release arrives inside
    // the update and must not collect the update's unrooted objects under it.
    long long steps = 0;
    delegate->onUpdate = [&] {
        steps = gc_stats.steps;
        game.SetDeviceWindow(640, 480, 0);
        EXPECT_EQ(gc_stats.steps, steps);
    };
    game.UpdateGame();
    EXPECT_EQ(gc_stats.steps, steps + 1);
    EXPECT_EQ(delegate->calls.back(), "key 2 38");
}

TEST_F(Loop, LanguageExceptionsDieAndOthersPassThrough) {
    game.StartGame();
    ThrowableObject *thrown = new ThrowableObject();
    delegate->onUpdate = [&] { throw thrown; };
    try {
        game.UpdateGame();
        ADD_FAILURE() << "Die was not called";
    } catch (const KtTestDeath &death) {
        EXPECT_EQ(death.exception, thrown);
    }
    delegate->onUpdate = [] { throw std::logic_error("not ours"); };
    EXPECT_THROW(game.UpdateGame(), std::logic_error);
}

TEST_F(Loop, CloseButtonSendsTheCloseKeyAndHeldKeysAreReleasedOnANewWindow) {
    game.StartGame();
    game.ScriptClose();
    game.ScriptKey(GLFW_KEY_LEFT, GLFW_PRESS);
    game.ScriptKey(GLFW_KEY_A, GLFW_PRESS);
    game.ScriptKey(GLFW_KEY_A, GLFW_RELEASE);
    game.ScriptKey(GLFW_KEY_RIGHT_CONTROL, GLFW_PRESS);
    game.PumpNow();
    delegate->calls.clear();

    int seq = glfwGraphicsSeq;
    game.SetDeviceWindow(800, 600, 0);
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"key 2 37", "key 2 17"}));
    EXPECT_EQ(glfwGraphicsSeq, seq + 1);
    EXPECT_EQ(game.GetDeviceWidth(), 800);

    delegate->calls.clear();
    game.ScriptClose();
    game.PumpNow();
    EXPECT_EQ(delegate->calls, (std::vector<std::string>{"key 1 432", "key 2 432"}));
}

}  // namespace
