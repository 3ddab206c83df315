// A test fixture that runs each test in a fresh working directory of its own, where
// "./.vantorstate" lands, and removes it afterwards (write permission restored first, since
// tests take it away); and whole-file reads and writes.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class InScratchDir : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/kt-data-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir = templ;
        old_cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(old_cwd);
        chmod(dir.c_str(), 0700);
        std::filesystem::remove_all(dir);
    }

    std::string dir;
    std::filesystem::path old_cwd;
};

inline std::string read_file(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_file(const std::string &name, const std::string &bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}
