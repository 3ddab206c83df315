// The state file as the player's folder holds it, and the line a failed save prints.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/data/scratch_dir.h"

namespace {

const char kDamaged[] = ".vantorstate.damaged";
constexpr int kNobody = 65534;

// The id of a process that ran and no longer does.
std::string dead_pid() {
    pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return std::to_string(pid);
}

// Saves `text`; the result and what the save printed.
std::pair<int, std::string> save(const std::string &text) {
    testing::internal::CaptureStdout();
    int result = KtGame().SaveState(String(text.c_str()));
    return {result, testing::internal::GetCapturedStdout()};
}

using StateFile = InScratchDir;

// Read-only by the owner's write bit (so also for root), a directory in the way, a link loop.
TEST_F(StateFile, WhatCannotBeReplacedIsLeftAsItIsWithALine) {
    const std::string line = "Could not save the game state to .vantorstate: ";
    write_file(kState, "old");
    chmod(kState, 0444);
    EXPECT_EQ(save("new"), std::make_pair(-1, line + "Permission denied\n"));
    EXPECT_EQ(read_file(kState), "old");
    fs::remove(kState);
    fs::create_directory(kState);
    EXPECT_EQ(save("new"), std::make_pair(-1, line + "Is a directory\n"));
    EXPECT_TRUE(fs::is_directory(kState));
    EXPECT_EQ(names(), std::vector<std::string>{kState});
    fs::remove(kState);
    fs::create_symlink(kState, kState);
    EXPECT_EQ(save("new"), std::make_pair(-1, line + "Too many levels of symbolic links\n"));
}

// A state failing its checksum is copied aside; one larger than any save is moved aside unread.
TEST_F(StateFile, DamagedOrOversizedStateIsKeptAside) {
    KtGame game;
    write_file(kState, "old");
    write_file(kDamaged, "older");
    testing::internal::CaptureStdout();
    game.KeepDamagedState();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "The game state in .vantorstate failed its checksum; it is kept as "
              ".vantorstate.damaged\n");
    EXPECT_EQ(read_file(kDamaged) + read_file(kState), "oldold");
    write_file(kState, std::string(kt_data_MaxStateBytes, '7'));
    EXPECT_EQ(game.LoadState().Length(), kt_data_MaxStateBytes) << "the bound itself is read";
    const std::string big(kt_data_MaxStateBytes + 1, '7');
    write_file(kState, big);
    testing::internal::CaptureStdout();
    EXPECT_EQ(game.LoadState().Length(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "The game state in .vantorstate is larger than 64 KiB, more than any save; it is "
              "kept as .vantorstate.damaged\n");
    EXPECT_EQ(read_file(kDamaged), big);
    EXPECT_FALSE(fs::exists(kState));
}

// Not root: in place where no temporary fits, else nothing; a size limit keeps the old file.
TEST_F(StateFile, SavesThatCannotUseATemporaryFileOrFailPartWay) {
    // Player's own file?, directory mode, size limit, bytes saved, result, what the file holds.
    const std::tuple<bool, mode_t, rlim_t, std::size_t, int, std::string> cases[] = {
        {true, 0555, RLIM_INFINITY, 3, 0, "nnn"},
        {true, 0555, 1000, 5000, -2, std::string(1000, 'n')},
        {false, 0777, 1000, 5000, -2, "old"},
        {false, 0555, RLIM_INFINITY, 3, -1, "old"},
    };
    for (const auto &[owned, dir_mode, limit, size, result, kept] : cases) {
        SCOPED_TRACE(testing::Message() << owned << dir_mode << size);
        ASSERT_EQ(chmod(".", 0700), 0);
        write_file(kState, "old");
        ASSERT_EQ(chown(kState, owned ? kNobody : 0, owned ? kNobody : 0), 0);
        ASSERT_EQ(chmod(".", dir_mode), 0);
        pid_t pid = fork();
        if (pid == 0) {
            if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(50);
            signal(SIGXFSZ, SIG_IGN);
            rlimit bound = {limit, limit};
            setrlimit(RLIMIT_FSIZE, &bound);
            _exit(100 + KtGame().SaveState(String(std::string(size, 'n').c_str())));
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (WEXITSTATUS(status) == 50) GTEST_SKIP() << "cannot drop root privileges here";
        EXPECT_EQ(WEXITSTATUS(status) - 100, result);
        EXPECT_EQ(read_file(kState), kept);
        EXPECT_EQ(names(), std::vector<std::string>{kState});
    }
}

// The file links name gets the text; beside it, leftovers of processes no longer running go.
TEST_F(StateFile, SymbolicLinksAreSavedThroughToTheirTargetWhereLeftoversAreCleared) {
    const std::string dead = dead_pid(), live = std::to_string(getppid()), prefix = "sub/real.tmp-";
    fs::create_directory("sub");
    for (const std::string &name : {prefix + dead, prefix + live, prefix + "0", prefix + "12x",
                                    prefix + "99999999999", "sub/other.tmp-" + dead})
        write_file(name, "left");
    fs::create_directory(prefix + dead_pid());  // only files are ever removed
    write_file("sub/real", "old");
    chmod("sub/real", 0600);
    fs::create_symlink("sub/real", kState);
    ASSERT_EQ(save("new").first, 0);
    EXPECT_EQ(read_file("sub/real"), "new");
    EXPECT_EQ(fs::status("sub/real").permissions() & fs::perms::all, fs::perms(0600));
    EXPECT_TRUE(names("sub").size() == 7 && !fs::exists(prefix + dead)) << "only the dead's went";
    // What .vantorstate points to, what that points to in turn, and the file saved.
    const std::tuple<const char *, const char *, const char *> cases[] = {
        {"sub/missing", nullptr, "sub/missing"},
        {"sub/rel", "back", "sub/back"},
    };
    for (auto [link, next, target] : cases) {
        SCOPED_TRACE(link);
        fs::remove(kState);
        if (next) fs::create_symlink(next, link);
        fs::create_symlink(link, kState);
        ASSERT_EQ(save("new").first, 0);
        EXPECT_TRUE(fs::is_symlink(kState));
        EXPECT_EQ(fs::is_symlink(link), next != nullptr);
        EXPECT_EQ(read_file(target), "new");
    }
    EXPECT_EQ(names("sub").size(), 10u) << "the saves through links left no temporary file";
}

}  // namespace
