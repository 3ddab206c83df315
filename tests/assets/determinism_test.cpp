// The generator itself: reproducible output, a complete data directory, honest failure.
#include "asset_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace assets {
namespace {

namespace fs = std::filesystem;

// A fresh directory, removed with its contents; an empty path when it could not be made.
struct TempDir {
    std::string path = (fs::temp_directory_path() / "kt_assets_XXXXXX").string();
    TempDir() { path.resize(mkdtemp(path.data()) ? path.size() : 0); }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};

int runGenerator(const std::string &dir) {
    std::string cmd = std::string("'") + KT_TEST_ASSETGEN + "' '" + dir + "' > /dev/null 2>&1";
    return std::system(cmd.c_str());
}

// Every regular file below `root`, by relative path, with its bytes.
std::map<std::string, std::string> readTree(const std::string &root) {
    std::map<std::string, std::string> files;
    for (const auto &e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[fs::relative(e.path(), root).string()] =
            std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

TEST(AssetGenerator, TwoRunsWriteIdenticalImagesAndSounds) {
    TempDir a, b;
    ASSERT_FALSE(a.path.empty() || b.path.empty());
    ASSERT_EQ(runGenerator(a.path), 0);
    ASSERT_EQ(runGenerator(b.path), 0);
    auto first = readTree(a.path), second = readTree(b.path);
    ASSERT_EQ(first.size(), second.size());
    int compared = 0;
    for (const auto &[name, bytes] : first) {
        ASSERT_TRUE(second.count(name)) << name;
        // The Ogg container carries a random stream serial number; the PCM inside is checked
        // by the sound tests.
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ogg") == 0) continue;
        EXPECT_TRUE(bytes == second[name]) << name << " differs between two runs";
        ++compared;
    }
    EXPECT_GT(compared, 40);

    // The build's data directory holds everything the generator writes; the image and sound
    // tests check that this is every file the game loads.
    auto built = readTree(dataDir());
    for (const auto &[name, bytes] : first) EXPECT_TRUE(built.count(name)) << name;
}

TEST(AssetGenerator, ReportsAFailureWhenItCannotWrite) {
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    std::string blocker = dir.path + "/file";
    std::ofstream(blocker) << "not a directory";
    EXPECT_NE(runGenerator(blocker), 0);
}

}  // namespace
}  // namespace assets
