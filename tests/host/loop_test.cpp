// The frame loop's pacing and the guarded entry points, on the test host's fake clock.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "tests/support/test_game.h"

namespace {

using Calls = std::vector<std::string>;
using Ints = std::vector<int>;

struct Loop : ::testing::Test {
    KtTestGame game;
    KtRecordingDelegate *delegate = new KtRecordingDelegate();

    void SetUp() override {
        game.Install();
        game.SetDelegate(delegate);
        game.SetUpdateRate(60);
        game.StartGame();
    }
    // Runs `frames` iterations and returns the number of updates each one ran.
    Ints UpdatesPerFrame(int frames) {
        Ints out;
        for (int i = 0; i < frames; ++i) {
            int before = delegate->updates;
            game.RunFrame();
            out.push_back(delegate->updates - before);
        }
        return out;
    }
};

// 1/60 s sleeps when renders are fast, a slower game (not skipped updates) when they are slow.
TEST_F(Loop, PacingFollowsTheRateAndTheRenderCost) {
    EXPECT_EQ(UpdatesPerFrame(120), Ints(120, 1));
    EXPECT_EQ(game.sleeps.size(), 119u);
    for (double s : game.sleeps) EXPECT_NEAR(s, 1.0 / 60.0, 1e-9);
    game.sleeps.clear();
    game.SetUpdateRate(60);
    delegate->onRender = [&] { game.Advance(0.1); };
    EXPECT_EQ(UpdatesPerFrame(10), (Ints{1, 4, 1, 4, 1, 4, 1, 4, 1, 4}));
    EXPECT_TRUE(game.sleeps.empty());
}

// A suspended loop waits, and resumes without a burst.
TEST_F(Loop, ASuspendedLoopBlocks) {
    game.ScriptFocus(false);
    EXPECT_EQ(UpdatesPerFrame(4), Ints(4, 0));
    EXPECT_TRUE(game.Suspended() && game.NextUpdate() == 0.0);
    EXPECT_EQ(Ints({game.waits, delegate->renders}), Ints({3, 4}));
    game.Advance(10.0);
    game.ScriptFocus(true);
    size_t sleeps = game.sleeps.size();
    EXPECT_EQ(UpdatesPerFrame(2), Ints({1, 1}));
    EXPECT_FALSE(game.Suspended());
    EXPECT_EQ(game.sleeps.size(), sleeps + 1);
    EXPECT_EQ(delegate->Events(), (Calls{"start", "suspend", "resume"}));
}

// Nothing before the start, each state change once, no updates while suspended; one step a call.
TEST(LoopEntries, GuardedEntryPointsFollowTheGameState) {
    KtTestGame game;
    KtRecordingDelegate *delegate = new KtRecordingDelegate();
    game.Install();
    game.SetDelegate(delegate);
    auto everyCall = [&] {
        game.UpdateGame(), game.RenderGame(), game.KeyEvent(1, 65), game.MouseEvent(6, -1, 1, 2);
        game.TouchEvent(7, 0, 1, 2), game.MotionEvent(10, 0, 1, 2, 3), game.DiscardGraphics();
    };
    everyCall();
    game.SuspendGame(), game.ResumeGame();
    EXPECT_TRUE(delegate->calls.empty());
    long long steps = gc_stats.steps;
    game.StartGame(), game.StartGame();
    EXPECT_EQ(gc_stats.steps, steps + 1);
    game.SuspendGame(), game.SuspendGame();
    everyCall();
    game.ResumeGame(), game.ResumeGame();
    game.UpdateGame();
    EXPECT_EQ(delegate->calls, (Calls{"start", "suspend", "render", "key 1 65", "mouse 6 -1 1 2",
                                      "touch 7 0", "motion 10", "discard", "resume", "update"}));
}

// A key release nested in an update (a new window) leaves collecting to it; exceptions die.
TEST_F(Loop, NestedCallsLeaveCollectionToTheUpdateAndLanguageExceptionsDie) {
    game.ScriptKey(GLFW_KEY_UP, GLFW_PRESS);
    game.PumpNow();
    long long steps = 0;
    delegate->onUpdate = [&] {
        steps = gc_stats.steps;
        game.SetDeviceWindow(640, 480, 0);
        EXPECT_EQ(gc_stats.steps, steps);
    };
    game.UpdateGame();
    EXPECT_EQ(gc_stats.steps, steps + 1);
    EXPECT_EQ(delegate->calls.back(), "key 2 38");

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

}  // namespace
