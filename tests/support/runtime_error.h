// EXPECT_RUNTIME_ERROR: the statement ends the process through the runtime's fatal error path
// (exit -1); its output goes to standard error to be matched, and stdin is closed.
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
