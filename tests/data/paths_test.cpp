// Resource path mapping, file names and whole-file reads.

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "gtest/gtest.h"
#include "host/data.h"

namespace {

namespace fs = std::filesystem;

// A host whose framework paths resolve like the GLFW host's, against a chosen directory.
struct PathGame : KtGame {
    String appPath, internalPath;
    String PathToFilePath(String path) override {
        return kt_data_ResolvePath(path, appPath, internalPath);
    }
};

std::string utf8(const String &s) {
    return s.ToUtf8();
}

String units(std::initializer_list<Char> u) {
    return String(u.begin(), static_cast<int>(u.size()));
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/kt-paths-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir = templ;
    }
    void TearDown() override { fs::remove_all(dir); }
    void write(const std::string &name, const std::string &bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    }
    std::string dir;
};

TEST(FixDataPath, PrefixesOnlyBareNames) {
    EXPECT_EQ(utf8(kt_data_FixDataPath(String("gfx/tiles.png"))), "vantor://data/gfx/tiles.png");
    EXPECT_EQ(utf8(kt_data_FixDataPath(String("C:/x.png"))), "C:/x.png");
    EXPECT_EQ(utf8(kt_data_FixDataPath(String("./x.png"))), "./x.png");
    EXPECT_EQ(utf8(kt_data_FixDataPath(String("/x.png"))), "/x.png");
    EXPECT_EQ(utf8(kt_data_FixDataPath(String("vantor://internal/x"))), "vantor://internal/x");
    // A ":/" after a directory separator is part of a name, not a scheme.
    EXPECT_EQ(utf8(kt_data_FixDataPath(String("a/b:/c"))), "vantor://data/a/b:/c");
}

TEST(ResolvePath, MapsEachAreaAgainstTheExecutableDirectory) {
    String app("/games/cv"), internal;
    auto resolve = [&](const char *p) {
        return utf8(kt_data_ResolvePath(String(p), app, internal));
    };
    EXPECT_EQ(resolve("vantor://data/plume_font.png"), "/games/cv/data/plume_font.png");
    EXPECT_EQ(internal.Length(), 0);
    EXPECT_EQ(resolve("vantor://internal/s.txt"), "/games/cv/internal/s.txt");
    EXPECT_EQ(utf8(internal), "/games/cv/internal");
    EXPECT_EQ(resolve("vantor://external/e.txt"), "/games/cv/external/e.txt");
    EXPECT_EQ(resolve("vantor://cache/x"), "");
    EXPECT_EQ(resolve("./.vantorstate"), "./.vantorstate");
    EXPECT_EQ(resolve("/etc/x"), "/etc/x");
    EXPECT_EQ(resolve("vantorx/y"), "vantorx/y");
    EXPECT_EQ(utf8(app), "/games/cv");

    // With nothing cached, the directory of the running executable.
    app = String();
    std::string exe = fs::read_symlink("/proc/self/exe").string();
    std::string dir = exe.substr(0, exe.rfind('/'));
    EXPECT_EQ(resolve("vantor://data/a.png"), dir + "/data/a.png");
    EXPECT_EQ(utf8(app), dir);
}

TEST(FileNames, ConvertToUtf8AndBackByteForByte) {
    std::string out;
    // e-acute, euro sign, and U+1F600 as a surrogate pair: a proper 4-byte sequence.
    ASSERT_TRUE(kt_data_ToFileName(units({'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}), out));
    EXPECT_EQ(out, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(kt_data_FromFileName(out.data(), static_cast<int>(out.size())),
              units({'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}));

    // Bytes that are not UTF-8 (Latin-1 e-acute, an overlong slash, an encoded surrogate)
    // survive the trip through UTF-16.
    const std::string odd = "x\xE9y\xC0\xAF\xED\xA0\x80z";
    String name = kt_data_FromFileName(odd.data(), static_cast<int>(odd.size()));
    ASSERT_TRUE(kt_data_ToFileName(name, out));
    EXPECT_EQ(out, odd);

    EXPECT_FALSE(kt_data_ToFileName(units({'a', 0, 'b'}), out));
}

TEST_F(TempDir, OpenFileUsesUtf8NamesAndRefusesWhatCannotBeNamed) {
    PathGame game;
    game.appPath = String("/nonexistent");
    // "d" + U+1F600 + ".txt": the file on disk carries the 4-byte UTF-8 name.
    String name = String((dir + "/d").c_str()) + units({0xD83D, 0xDE00}) + String(".txt");
    std::FILE *f = game.OpenFile(name, String("wb"));
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(fs::exists(dir + "/d\xF0\x9F\x98\x80.txt"));

    errno = 0;
    EXPECT_EQ(game.OpenFile(String("vantor://cache/x"), String("rb")), nullptr);
    EXPECT_EQ(errno, 0) << "an unresolvable path must not reach the file system";

    // A NUL would cut the name short and open some other file.
    String cut = String((dir + "/d").c_str()) + units({0xD83D, 0xDE00, 0}) + String(".txt");
    EXPECT_EQ(game.OpenFile(cut, String("rb")), nullptr);
}

TEST_F(TempDir, LoadDataReadsWholeFilesAcrossChunkBoundaries) {
    KtGame game;
    for (int size : {0, 1, 4095, 4096, 4097, 8192, 70000}) {
        std::string bytes(static_cast<std::size_t>(size), '\0');
        for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
        write("f.bin", bytes);
        int length = -1;
        unsigned char *data = game.LoadData(String((dir + "/f.bin").c_str()), &length);
        ASSERT_NE(data, nullptr) << size;
        EXPECT_EQ(length, size);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(data), length), bytes) << size;
        std::free(data);
    }
    int length = -1;
    EXPECT_EQ(game.LoadData(String((dir + "/missing").c_str()), &length), nullptr);
    // A directory opens but cannot be read: an error, not an empty file.
    EXPECT_EQ(game.LoadData(String(dir.c_str()), &length), nullptr);
}

}  // namespace
