// Process services of the GLFW host that need no window: the URL opener, crash signals, the date.

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "host/glfw_game.h"

namespace {

// OpenUrl hands the URL to the desktop's opener: one argument, 8 bits per code unit, no shell.
// The opener here is a fake that writes its argument to a file; no real URL is ever opened.

TEST(OpenUrl, PassesTheNarrowedUrlAsOneArgumentWithoutAShell) {
    char dir[] = "/tmp/kt_open_url_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string opener = std::string(dir) + "/opener", result = opener + ".out";
    {
        std::ofstream script(opener);
        script << "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n";
    }
    ASSERT_EQ(chmod(opener.c_str(), 0755), 0);

    const char *saved = KtGlfwGame::urlOpener;
    KtGlfwGame::urlOpener = opener.c_str();
    KtGlfwGame game;
    // 0x141 keeps its low byte, 'A'; the shell's special characters arrive as they are.
    const Char units[] = {'h',   't', 't', 'p', ':', '/', '/', 'x', '/',
                          0x141, ' ', ';', '$', '(', 'i', 'd', ')', '&'};
    game.OpenUrl(String(units, sizeof units / sizeof units[0]));
    KtGlfwGame::urlOpener = saved;

    // The opener runs in the background; its output appears whole, by a rename.
    std::string text;
    for (int i = 0; i < 500 && text.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream file(result);
        std::getline(file, text);
    }
    EXPECT_EQ(text, "http://x/A ;$(id)&");
    unlink(result.c_str());
    unlink(opener.c_str());
    rmdir(dir);
}

// A crash signal ends the process through the runtime's fatal error line and status -1. The
// runtime prints to standard output, which the death test moves onto standard error to read it.
TEST(CrashSignals, ReportTheFaultAndEndWithStatusMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::pair<int, const char *> cases[] = {{SIGSEGV, "Memory access violation"},
                                                  {SIGILL, "Illegal instruction"},
                                                  {SIGFPE, "Floating point exception"}};
    for (auto [signal, text] : cases) {
        EXPECT_EXIT(
            {
                dup2(2, 1);
                kt_glfw_InstallSignalHandlers();
                std::raise(signal);
            },
            ::testing::ExitedWithCode(255), std::string("Vantor Runtime Error : ") + text);
    }
}

// The date fills as much of the array as there is, up to seven fields, and nothing beyond.
TEST(GetDate, FillsOnlyTheFieldsTheArrayHolds) {
    KtGlfwGame game;
    Array<int> date(3);
    game.GetDate(date);
    EXPECT_GE(date[0], 2024);
    EXPECT_TRUE(date[1] >= 1 && date[1] <= 12 && date[2] >= 1 && date[2] <= 31);

    Array<int> wide(9);
    for (int i = 0; i < 9; ++i) wide[i] = -5;
    game.GetDate(wide);
    EXPECT_TRUE(wide[3] <= 23 && wide[5] <= 60);
    EXPECT_EQ(wide[6], 0) << "no milliseconds";
    EXPECT_EQ(wide[7], -5);
    EXPECT_EQ(wide[8], -5);
    game.GetDate(Array<int>());
}

}  // namespace
