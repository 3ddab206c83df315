// The state file: its encoding, the decoding of text files, and saves that survive kills and
// failures.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "gtest/gtest.h"
#include "host/data.h"

namespace {

namespace fs = std::filesystem;

const char kState[] = ".vantorstate";

String units(std::initializer_list<Char> u) {
    return String(u.begin(), static_cast<int>(u.size()));
}

std::string read_file(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string &name, const std::string &bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

// Runs each test in a fresh working directory, where "./.vantorstate" lands.
class StateFile : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/kt-state-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir = templ;
        old_cwd = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(old_cwd);
        chmod(dir.c_str(), 0700);
        fs::remove_all(dir);
    }
    int temp_files() {
        int n = 0;
        for (auto &e : fs::directory_iterator(".")) {
            n += e.path().filename().string().rfind(".vantorstate.tmp", 0) == 0;
        }
        return n;
    }
    // Runs `save` in a child process and returns its SaveState result.
    template <class F>
    int in_child(F &&save) {
        pid_t pid = fork();
        if (pid == 0) _exit(100 + save());
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) - 100 : -100;
    }
    std::string dir;
    fs::path old_cwd;
    KtGame game;
};

TEST_F(StateFile, EncodesEachCodeUnitOnItsOwn) {
    ASSERT_EQ(game.SaveState(units({0xE9})), 0);
    EXPECT_EQ(read_file(kState), "\xC3\xA9");
    ASSERT_EQ(game.SaveState(units({0x20AC})), 0);
    EXPECT_EQ(read_file(kState), "\xE2\x82\xAC");
    // A surrogate pair is two three-byte sequences, and loads back as the same two units.
    String pair = units({'A', 0xD83D, 0xDE00});
    ASSERT_EQ(game.SaveState(pair), 0);
    EXPECT_EQ(read_file(kState), "A\xED\xA0\xBD\xED\xB8\x80");
    EXPECT_EQ(game.LoadState(), pair);

    ASSERT_EQ(game.SaveState(String()), 0);
    EXPECT_TRUE(fs::exists(kState));
    EXPECT_EQ(fs::file_size(kState), 0u);
    EXPECT_EQ(game.LoadState().Length(), 0);
    EXPECT_EQ(temp_files(), 0);
}

TEST_F(StateFile, DecodesUtf16Utf8AndFallsBackToLatin1) {
    EXPECT_EQ(game.LoadState().Length(), 0) << "no state file is a first start";
    struct Case {
        const char *bytes;
        int length;
        String text;
    };
    const Case cases[] = {
        {"\xFE\xFF\x00\x41\x20\xAC", 6, units({'A', 0x20AC})},
        {"\xFF\xFE\x41\x00\xAC\x20\x42", 7, units({'A', 0x20AC})},  // odd byte ignored
        {"\xEF\xBB\xBF\x41\xC3\xA9", 6, units({'A', 0xE9})},
        {"\x41\xF0\x9F\x98\x80", 5, units({0x41, 0xF0, 0x9F, 0x98, 0x80})},
        {"\xEF\xBB\xBF\xE9x", 5, units({0xE9, 'x'})},  // Latin-1 after the mark
        {"\xC3", 1, units({0xC3})},                    // cut off by the end
        {"\xEF\xBB\xBF", 3, String()},
    };
    for (const Case &c : cases) {
        write_file(kState, std::string(c.bytes, c.length));
        EXPECT_EQ(game.LoadState(), c.text) << "bytes: " << std::string(c.bytes, c.length);
    }
    // The decoder sees the whole file, not just its first 4096-byte chunk.
    std::string big(5000, 'x');
    big[4500] = '\xE9';
    write_file(kState, big);
    String text = game.LoadState();
    ASSERT_EQ(text.Length(), 5000);
    EXPECT_EQ(text[4500], 0xE9);
}

// A kill at any moment of a save leaves one complete text, the old or the new one.
TEST_F(StateFile, SurvivesKillsDuringSaves) {
    const std::string a = std::string(150000, 'a') + "end of A";
    const std::string b = std::string(90000, 'b') + "end of B";
    const String texts[2] = {String(a.c_str()), String(b.c_str())};
    using Clock = std::chrono::steady_clock;
    auto before = Clock::now();
    ASSERT_EQ(game.SaveState(texts[0]), 0);
    // Kills land anywhere within the first few saves, however slow this build saves.
    auto one_save = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - before);
    const long window = 4 * one_save.count() + 1000;

    std::mt19937 rng(20261206);
    auto start = Clock::now();
    int kills = 0, seen_b = 0;
    while (kills < 200 && Clock::now() - start < std::chrono::seconds(8)) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            KtGame saver;
            for (int i = 1;; ++i) {
                if (saver.SaveState(texts[i % 2]) != 0) _exit(1);
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

// Root ignores permissions, so the save runs in a child that gives up root first.
TEST_F(StateFile, UnwritableDirectoryKeepsTheOldFile) {
    ASSERT_EQ(game.SaveState(String("old")), 0);
    ASSERT_EQ(chmod(".", 0555), 0);
    int result = in_child([] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 50;
        KtGame g;
        return g.SaveState(String("new"));
    });
    chmod(".", 0700);
    if (result == 50) GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(result, -1);
    EXPECT_EQ(read_file(kState), "old");
    EXPECT_EQ(temp_files(), 0);
}

// A file-size limit fails the write part way, as a full disk does, also for root.
TEST_F(StateFile, ShortWriteKeepsTheOldFile) {
    ASSERT_EQ(game.SaveState(String("old")), 0);
    int result = in_child([] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        KtGame g;
        return g.SaveState(String(std::string(5000, 'n').c_str()));
    });
    EXPECT_EQ(result, -2);
    EXPECT_EQ(read_file(kState), "old");
    EXPECT_EQ(temp_files(), 0);
}

TEST_F(StateFile, FailedRenameLeavesNoTemporaryFile) {
    fs::create_directory(kState);
    EXPECT_EQ(game.SaveState(String("new")), -2);
    EXPECT_TRUE(fs::is_directory(kState));
    EXPECT_EQ(temp_files(), 0);
}

TEST_F(StateFile, SaveThroughSymlinkReplacesTheTargetAndKeepsItsMode) {
    write_file("real", "old");
    chmod("real", 0600);
    fs::create_symlink("real", kState);
    ASSERT_EQ(game.SaveState(String("new")), 0);
    EXPECT_TRUE(fs::is_symlink(kState));
    EXPECT_EQ(read_file("real"), "new");
    EXPECT_EQ(fs::status("real").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
