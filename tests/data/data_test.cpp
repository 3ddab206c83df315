// Resource path mapping, file names, whole-file reads, and the state file: its encoding,
// whole-file loads, and saves that survive kills.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>

#include "tests/data/scratch_dir.h"

namespace {

// A host whose framework paths resolve like the GLFW host's, against a chosen directory.
struct PathGame : KtGame {
    String appPath, internalPath;
    String PathToFilePath(String path) override {
        return kt_data_ResolvePath(path, appPath, internalPath);
    }
};

String units(std::initializer_list<Char> u) {
    return String(u.begin(), static_cast<int>(u.size()));
}

using DataDir = InScratchDir;

TEST(Paths, BareNamesGoToDataAndEachAreaMapsBelowTheExecutableDirectory) {
    auto fix = [](const char *path) { return kt_data_FixDataPath(String(path)).ToUtf8(); };
    EXPECT_EQ(fix("gfx/tiles.png"), "vantor://data/gfx/tiles.png");
    // A ":/" after a directory separator is part of a name, not a scheme.
    EXPECT_EQ(fix("a/b:/c"), "vantor://data/a/b:/c");
    for (const char *kept : {"C:/x.png", "./x.png", "/x.png", "vantor://internal/x"}) {
        EXPECT_EQ(fix(kept), kept);
    }
    String app("/games/cv"), internal;
    auto resolve = [&](const char *p) {
        return kt_data_ResolvePath(String(p), app, internal).ToUtf8();
    };
    EXPECT_EQ(resolve("vantor://data/plume_font.png"), "/games/cv/data/plume_font.png");
    EXPECT_EQ(internal.Length(), 0);
    EXPECT_EQ(resolve("vantor://internal/s.txt"), "/games/cv/internal/s.txt");
    EXPECT_EQ(internal.ToUtf8(), "/games/cv/internal");
    EXPECT_EQ(resolve("vantor://external/e.txt"), "/games/cv/external/e.txt");
    EXPECT_EQ(resolve("vantor://cache/x"), "");
    for (const char *kept : {"./.vantorstate", "/etc/x", "vantorx/y"}) {
        EXPECT_EQ(resolve(kept), kept);
    }
    // With nothing cached, the directory of the running executable.
    app = String();
    std::string exe = fs::read_symlink("/proc/self/exe").string();
    std::string dir = exe.substr(0, exe.rfind('/'));
    EXPECT_EQ(resolve("vantor://data/a.png"), dir + "/data/a.png");
    EXPECT_EQ(app.ToUtf8(), dir);
}

TEST(FileNames, ConvertToUtf8AndBackByteForByte) {
    std::string out;
    // e-acute, euro sign, and U+1F600 as a surrogate pair: a proper 4-byte sequence.
    const String name = units({'a', 0xE9, 0x20AC, 0xD83D, 0xDE00});
    ASSERT_TRUE(kt_data_ToFileName(name, out));
    EXPECT_EQ(out, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(kt_data_FromFileName(out.data(), static_cast<int>(out.size())), name);
    // Bytes that are not UTF-8 (Latin-1 e-acute, an overlong slash, an encoded surrogate)
    // survive the trip through UTF-16.
    const std::string odd = "x\xE9y\xC0\xAF\xED\xA0\x80z";
    ASSERT_TRUE(kt_data_ToFileName(kt_data_FromFileName(odd.data(), int(odd.size())), out));
    EXPECT_EQ(out, odd);
    EXPECT_FALSE(kt_data_ToFileName(units({'a', 0, 'b'}), out));
}

TEST_F(DataDir, OpenFileUsesUtf8NamesAndRefusesWhatCannotBeNamed) {
    PathGame paths;
    paths.appPath = String("/nonexistent");
    // "d" + U+1F600 + ".txt": the file on disk carries the 4-byte UTF-8 name.
    String name = String((dir + "/d").c_str()) + units({0xD83D, 0xDE00}) + String(".txt");
    std::FILE *f = paths.OpenFile(name, String("wb"));
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(fs::exists(dir + "/d\xF0\x9F\x98\x80.txt"));
    errno = 0;
    EXPECT_EQ(paths.OpenFile(String("vantor://cache/x"), String("rb")), nullptr);
    EXPECT_EQ(errno, 0) << "an unresolvable path must not reach the file system";
    // A NUL would cut the name short and open some other file.
    String cut = String((dir + "/d").c_str()) + units({0xD83D, 0xDE00, 0}) + String(".txt");
    EXPECT_EQ(paths.OpenFile(cut, String("rb")), nullptr);
}

TEST_F(DataDir, LoadDataReadsWholeFilesAcrossChunkBoundaries) {
    KtGame game;
    int length = -1;
    for (int size : {0, 4095, 4097, 70000}) {
        std::string bytes(static_cast<std::size_t>(size), '\0');
        for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
        write_file("f.bin", bytes);
        unsigned char *data = game.LoadData(String("./f.bin"), &length);
        ASSERT_NE(data, nullptr) << size;
        EXPECT_EQ(std::string(reinterpret_cast<char *>(data), length), bytes) << size;
        std::free(data);
    }
    EXPECT_EQ(game.LoadData(String("./missing"), &length), nullptr);
    // A directory opens but cannot be read: an error, not an empty file.
    EXPECT_EQ(game.LoadData(String(dir.c_str()), &length), nullptr);
}

// Each UTF-16 unit is encoded alone (not the file-name encoder's 4-byte sequences), and the
// whole file is decoded, not just its first 4096-byte chunk. Decoding itself: string_test.
TEST_F(DataDir, StateRoundTripsPerCodeUnitAndLoadsTheWholeFile) {
    KtGame game;
    EXPECT_EQ(game.LoadState().Length(), 0) << "no state file is a first start";
    String pair = units({'A', 0xD83D, 0xDE00});
    ASSERT_EQ(game.SaveState(pair), 0);
    EXPECT_EQ(read_file(kState), "A\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(game.LoadState(), pair);
    ASSERT_EQ(game.SaveState(String()), 0);
    EXPECT_EQ(names(), std::vector<std::string>{kState}) << "no temporary file is left";
    EXPECT_EQ(fs::file_size(kState), 0u);

    std::string big(5000, 'x');
    big[4500] = '\xE9';
    write_file(kState, big);
    String text = game.LoadState();
    ASSERT_EQ(text.Length(), 5000);
    EXPECT_EQ(text[4500], 0xE9);
}

// A kill at any moment of a save leaves one complete text, the old or the new one.
TEST_F(DataDir, StateSurvivesKillsDuringSaves) {
    const std::string a = std::string(150000, 'a') + "end of A";
    const std::string b = std::string(90000, 'b') + "end of B";
    const String texts[2] = {String(a.c_str()), String(b.c_str())};
    using Clock = std::chrono::steady_clock;
    auto before = Clock::now();
    ASSERT_EQ(KtGame().SaveState(texts[0]), 0);
    // Kills land anywhere within the first few saves, however slow this build saves.
    auto one_save = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - before);
    const long window = 4 * one_save.count() + 1000;
    std::mt19937 rng(20261206);
    int kills = 0, seen_b = 0;
    for (auto start = Clock::now();
         kills < 200 && Clock::now() - start < std::chrono::seconds(8);) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 1;; ++i) {
                if (KtGame().SaveState(texts[i % 2]) != 0) _exit(1);
            }
        }
        usleep(static_cast<useconds_t>(rng() % window));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver failed on its own";
        ++kills;
        std::string now = read_file(kState);
        ASSERT_TRUE(now == a || now == b) << "kill " << kills << " left " << now.size() << " bytes";
        seen_b += now == b;
    }
    EXPECT_GE(kills, 50);
    EXPECT_GT(seen_b, 0) << "no save ever completed, so the test proved nothing";
}

}  // namespace
