// The real window under a private Xvfb: input, focus, close requests, crash signals and the
// failure paths. host_e2e_app: the real entry, host and framework printing what reaches them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "tests/support/x_session.h"

namespace {

using namespace std::chrono_literals;

struct RealWindow : ::testing::Test {
    XSession x;
    void SetUp() override { ASSERT_TRUE(x.Running()) << "Xvfb did not start"; }
};

// Keys and a click arrive as hits and characters; unfocused, the loop stops updating and idles
// (its CPU share recorded); focus resumes it; a close request ends it, also while suspended.
TEST_F(RealWindow, InputFocusAndCloseOnTheRealLoop) {
    Child app({"./host_e2e_app"}, x.Display());
    ASSERT_TRUE(app.WaitForLine("created", 20s));
    std::string ids = x.WaitForWindows("^Cobble Vale$"), window = ids.substr(0, ids.find('\n'));
    EXPECT_EQ(std::count(ids.begin(), ids.end(), '\n'), 1) << "one window titled Cobble Vale";
    ASSERT_EQ(x.Run({"./host_xhelper", "focus", window}), 0);

    ASSERT_EQ(x.Run({"xdotool", "key", "--delay", "30", "Left", "a", "F1", "KP_0", "Escape",
                     "space", "BackSpace", "apostrophe", "Next", "shift+Tab"}),
              0);
    ASSERT_EQ(x.Run({"xdotool", "mousemove", "--window", window, "100", "50", "click", "1"}), 0);
    for (int code : {37, 65, 112, 96, 27, 32, 8, 222, 34, 16, 9, 1, 384}) {
        EXPECT_TRUE(app.WaitForLine("hit " + std::to_string(code) + " 1", 10s)) << "key " << code;
    }
    // Navigation keys marked with bit 16, control keys as themselves, printable characters from
    // the character callback.
    for (int c : {37 + 65536, 97, 27, 32, 8, 39, 34 + 65536, 9}) {
        EXPECT_TRUE(app.WaitForLine("char " + std::to_string(c), 10s)) << "char " << c;
    }

    auto ticks = [&] {
        auto lines = app.Lines();
        return std::count_if(lines.begin(), lines.end(),
                             [](const std::string &l) { return l.rfind("tick ", 0) == 0; });
    };
    ASSERT_EQ(x.Run({"./host_xhelper", "unfocus"}), 0);
    ASSERT_TRUE(app.WaitForLine("suspend", 10s));
    std::this_thread::sleep_for(500ms);
    long ticksBefore = ticks();
    double cpu = app.CpuSeconds();
    std::this_thread::sleep_for(5s);
    double share = (app.CpuSeconds() - cpu) / 5.0;
    RecordProperty("unfocused_cpu_permille", static_cast<int>(share * 1000));
    EXPECT_LT(share, 0.10);
    EXPECT_EQ(ticks(), ticksBefore) << "no updates while suspended";
    ASSERT_EQ(x.Run({"./host_xhelper", "focus", window}), 0);
    EXPECT_TRUE(app.WaitForLine("resume", 10s));
    ASSERT_EQ(x.Run({"./host_xhelper", "unfocus"}), 0);
    ASSERT_EQ(x.Run({"./host_xhelper", "close", window}), 0);
    EXPECT_EQ(app.WaitExit(15s), 0);
}

// A crash signal at any moment of rendering ends the game at once with its line and status 255,
// also when it interrupts the main thread inside the X library, whose locks may never come back
// (a hang this caught). Each game is signalled once on its main thread, at a random moment of
// its loading screen while that thread is at work. The printed seed repeats a run.
TEST_F(RealWindow, CrashSignalsAtRandomMomentsEndTheGameWithinTwoSeconds) {
    const std::pair<int, const char *> crashes[] = {{SIGSEGV, "Memory access violation"},
                                                    {SIGILL, "Illegal instruction"},
                                                    {SIGFPE, "Floating point exception"}};
    const unsigned seed = std::random_device{}();
    std::printf("seed %u\n", seed);
    std::mt19937 random(seed);
    for (int i = 0; i < 40; ++i) {
        Child game({"./cobblevale"}, x.Display());
        // The audio device opens as the game starts; the loading screen renders from then on.
        ASSERT_TRUE(game.WaitForLine("opening openal device", 30s));
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 401));
        // Its main thread running (drawing a frame), not sleeping until the next one.
        auto giveUp = std::chrono::steady_clock::now() + 2s;
        while (game.Stat().rfind("R", 0) != 0 && std::chrono::steady_clock::now() < giveUp) {
        }
        auto [signal, text] = crashes[i % 3];
        ASSERT_EQ(syscall(SYS_tgkill, game.Pid(), game.Pid(), signal), 0);
        EXPECT_EQ(game.WaitExit(2s), 255) << text << " (-1: hung or killed)";
        EXPECT_TRUE(game.WaitForLine(std::string("Vantor Runtime Error : ") + text, 1s)) << text;
    }
}

// Without GLX no OpenGL window opens: reported, status 1 (no display at all: install_test.sh).
TEST(WindowFailure, IsReportedWithAMessageAndANonZeroStatus) {
    XSession x({"-extension", "GLX"});
    ASSERT_TRUE(x.Running());
    Child noGlx({"./cobblevale"}, x.Display());
    EXPECT_EQ(noGlx.WaitExit(20s), 1);
    EXPECT_THAT(noGlx.Lines(), ::testing::Contains(::testing::StartsWith(
                                   "Cobble Vale: could not open a 640 x 480 OpenGL window")));
}

}  // namespace
