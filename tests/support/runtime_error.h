// EXPECT_RUNTIME_ERROR: the statement ends the process through the runtime's fatal error path.
//
// A fatal runtime error prints to standard output and exits with -1; the child's output goes
// to standard error so the message can be matched, and stdin is closed so no debugger waits.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#define EXPECT_RUNTIME_ERROR(statement, message)         \
    EXPECT_EXIT(                                         \
        {                                                \
            dup2(2, 1);                                  \
            (void)std::freopen("/dev/null", "r", stdin); \
            statement;                                   \
        },                                               \
        ::testing::ExitedWithCode(255), message)
