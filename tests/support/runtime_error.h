// EXPECT_RUNTIME_ERROR: exits -1 via the fatal error path; stderr matched, stdin closed.
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
