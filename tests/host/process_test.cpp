// Process services of the GLFW host that need no window: crash signals.

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include "host/glfw_game.h"

namespace {

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

}  // namespace
