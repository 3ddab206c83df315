// Each test in a fresh working directory of its own, removed afterwards; whole-file reads.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "host/data.h"

namespace fs = std::filesystem;

inline const char kState[] = ".vantorstate";

inline std::string read_file(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const std::string &name, const std::string &bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

class InScratchDir : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/kt-data-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        fs::current_path(dir = templ);
    }
    void TearDown() override {
        fs::current_path(old_cwd);
        chmod(dir.c_str(), 0700);
        fs::remove_all(dir);
    }
    static std::vector<std::string> names(const std::string &in = ".") {
        std::vector<std::string> out;
        for (auto &e : fs::directory_iterator(in)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string dir;
    const fs::path old_cwd = fs::current_path();
};
