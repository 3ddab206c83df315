// Process services of the GLFW host that need no window: the URL opener, crash signals, the date.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include "host/glfw_game.h"

namespace {

// OpenUrl gives the opener one narrowed argument, no shell (a fake opener writes it to a file).
TEST(OpenUrl, PassesTheNarrowedUrlAsOneArgumentWithoutAShell) {
    char dir[] = "/tmp/kt_open_url_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string opener = std::string(dir) + "/opener", result = opener + ".out", text;
    std::ofstream(opener)
        << "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n";
    ASSERT_EQ(chmod(opener.c_str(), 0755), 0);
    const char *saved = KtGlfwGame::urlOpener;
    KtGlfwGame::urlOpener = opener.c_str();
    const Char units[] = {'h',   't', 't', 'p', ':', '/', '/', 'x', '/',
                          0x141, ' ', ';', '$', '(', 'i', 'd', ')', '&'};
    KtGlfwGame().OpenUrl(String(units, sizeof units / sizeof units[0]));
    KtGlfwGame::urlOpener = saved;
    for (int i = 0; i < 500 && text.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::getline(std::ifstream(result), text);
    }
    EXPECT_EQ(text, "http://x/A ;$(id)&");
    for (const std::string &file : {result, opener}) unlink(file.c_str());
    rmdir(dir);
}

// A crash signal ends the process with the runtime's fatal error line and status -1.
TEST(CrashSignals, ReportTheFaultAndEndWithStatusMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::pair<int, const char *> cases[] = {{SIGSEGV, "Memory access violation"},
                                                  {SIGILL, "Illegal instruction"},
                                                  {SIGFPE, "Floating point exception"}};
    for (auto [signal, text] : cases) {
        EXPECT_EXIT((dup2(2, 1), kt_glfw_InstallSignalHandlers(), std::raise(signal)),
                    ::testing::ExitedWithCode(255), std::string("Vantor Runtime Error : ") + text);
    }
}

// The date fills as much of the array as there is, up to seven fields (no milliseconds).
TEST(GetDate, FillsOnlyTheFieldsTheArrayHolds) {
    Array<int> date(9);
    for (int i = 0; i < 9; ++i) date[i] = -5;
    KtGlfwGame().GetDate(date);
    EXPECT_TRUE(date[0] >= 2024 && date[1] >= 1 && date[1] <= 12 && date[2] >= 1 && date[2] <= 31 &&
                date[3] <= 23 && date[5] <= 60);
    EXPECT_EQ(std::vector<int>({date[6], date[7], date[8]}), std::vector<int>({0, -5, -5}));
    KtGlfwGame().GetDate(Array<int>(3));
    KtGlfwGame().GetDate(Array<int>());
}

}  // namespace
