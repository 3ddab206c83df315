// The state file as the player's folder holds it: read-only files, directories that cannot take
// a temporary file, symbolic links, a directory in its place, damaged or oversized states, the
// leftovers of killed saves, and the line a failed save prints.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/data/scratch_dir.h"

namespace {

const char kDamaged[] = ".vantorstate.damaged";
constexpr int kNobody = 65534;

// A process id that ran and no longer does.
pid_t dead_pid() {
    pid_t pid = fork();
    if (pid == 0) _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

class StateFile : public InScratchDir {
protected:
    // Saves `text` and returns the result and what the save printed.
    int save(const std::string &text, std::string *printed = nullptr) {
        testing::internal::CaptureStdout();
        int result = KtGame().SaveState(String(text.c_str()));
        std::string out = testing::internal::GetCapturedStdout();
        if (printed) *printed = out;
        return result;
    }
};

}  // namespace

// Read-only by the owner's write bit, so also when root runs the game; a directory in the way.
TEST_F(StateFile, ReadOnlyFileOrDirectoryIsNotReplaced) {
    write_file(kState, "old");
    chmod(kState, 0444);
    std::string printed;
    EXPECT_EQ(save("new", &printed), -1);
    EXPECT_EQ(read_file(kState), "old");
    EXPECT_EQ(fs::status(kState).permissions() & fs::perms::all, fs::perms(0444));
    EXPECT_EQ(printed, "Could not save the game state to .vantorstate: Permission denied\n");

    fs::remove(kState);
    fs::create_directory(kState);
    EXPECT_EQ(save("new", &printed), -1);
    EXPECT_EQ(printed, "Could not save the game state to .vantorstate: Is a directory\n");
    EXPECT_TRUE(fs::is_directory(kState));
    EXPECT_EQ(names(), std::vector<std::string>{kState});

    fs::remove(kState);
    EXPECT_EQ(save("new", &printed), 0);
    EXPECT_EQ(printed, "") << "a save that works prints nothing";
}

// A state that failed its checksum is copied aside (replacing an older copy) before a save can
// replace it; a file larger than any save is moved aside unread and the game starts afresh.
TEST_F(StateFile, DamagedOrOversizedStateIsKeptAside) {
    KtGame game;
    write_file(kState, "old");
    write_file(kDamaged, "older");
    testing::internal::CaptureStdout();
    game.KeepDamagedState();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "The game state in .vantorstate failed its checksum; it is kept as "
              ".vantorstate.damaged\n");
    EXPECT_EQ(read_file(kDamaged), "old");
    EXPECT_EQ(read_file(kState), "old");

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

// Saves by a player who is not root (root ignores permissions): a directory the player cannot
// add files to has the player's own file written in place, and -2 when that write fails
// part-way; a file-size limit (a full disk, say) fails the temporary file's write and keeps the
// old file; a file the player can neither replace nor write fails the open. No temporary file
// is left behind.
TEST_F(StateFile, SavesThatCannotUseATemporaryFileOrFailPartWay) {
    const struct {
        bool owned;
        mode_t dir_mode;
        rlim_t limit;
        std::size_t size;
        int result;
        std::string kept;
    } cases[] = {
        {true, 0555, RLIM_INFINITY, 3, 0, "nnn"},
        {true, 0555, 1000, 5000, -2, std::string(1000, 'n')},
        {false, 0777, 1000, 5000, -2, "old"},
        {false, 0555, RLIM_INFINITY, 3, -1, "old"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.owned << " " << c.dir_mode << " " << c.size);
        ASSERT_EQ(chmod(".", 0700), 0);
        fs::remove(kState);
        write_file(kState, "old");
        ASSERT_EQ(chown(kState, c.owned ? kNobody : 0, c.owned ? kNobody : 0), 0);
        ASSERT_EQ(chmod(".", c.dir_mode), 0);
        pid_t pid = fork();
        if (pid == 0) {
            if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(50);
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit = {c.limit, c.limit};
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(100 + KtGame().SaveState(String(std::string(c.size, 'n').c_str())));
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (WEXITSTATUS(status) == 50) {
            GTEST_SKIP() << "cannot drop root privileges here";
        }
        EXPECT_EQ(WEXITSTATUS(status) - 100, c.result);
        EXPECT_EQ(read_file(kState), c.kept);
        EXPECT_EQ(names(), std::vector<std::string>{kState});
    }
}

// The links stay; the file they name, existing (keeping its mode) or not, gets the text.
TEST_F(StateFile, SymbolicLinksAreSavedThroughToTheirTarget) {
    fs::create_directory("sub");
    const struct {
        const char *link;  // what .vantorstate points to
        const char *next;  // what that points to in turn, if it is a link
        const char *target;
        bool exists;
    } cases[] = {
        {"sub/real", nullptr, "sub/real", true},
        {"sub/missing", nullptr, "sub/missing", false},
        {"hop", "sub/far", "sub/far", false},
        {"sub/rel", "back", "sub/back", false},  // relative to the link's own directory
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.link);
        fs::remove(kState);
        if (c.exists) {
            write_file(c.target, "old");
            chmod(c.target, 0600);
        }
        if (c.next) fs::create_symlink(c.next, c.link);
        fs::create_symlink(c.link, kState);
        ASSERT_EQ(save("new"), 0);
        EXPECT_TRUE(fs::is_symlink(kState));
        EXPECT_EQ(fs::is_symlink(c.link), c.next != nullptr);
        EXPECT_EQ(read_file(c.target), "new");
        if (c.exists) {
            EXPECT_EQ(fs::status(c.target).permissions() & fs::perms::all, fs::perms(0600));
        }
    }
    for (const std::string &name : names("sub")) EXPECT_EQ(name.find(".tmp-"), std::string::npos);

    // A loop of links ends nowhere.
    fs::remove(kState);
    fs::create_symlink(kState, kState);
    std::string printed;
    EXPECT_EQ(save("new", &printed), -1);
    EXPECT_NE(printed.find("symbolic links"), std::string::npos) << printed;
}

// A save killed part-way leaves its temporary file; the next save removes those of processes
// that no longer run, and nothing else, also beside a link's target where its saves put them.
TEST_F(StateFile, LeftoversOfDeadSavesAreCleared) {
    const std::string dead = std::to_string(dead_pid()), dead2 = std::to_string(dead_pid());
    const std::string live = std::to_string(getppid()), prefix = std::string(kState) + ".tmp-";
    for (const std::string &name : {prefix + dead, prefix + live, prefix + "0", prefix + "12x",
                                    prefix + "99999999999", "other.tmp-" + dead}) {
        write_file(name, "left");
    }
    fs::create_directory(prefix + dead2);  // only files are ever removed
    ASSERT_EQ(save("new"), 0);
    std::vector<std::string> want = {
        kState,        prefix + "0",       prefix + "12x", prefix + dead2, prefix + "99999999999",
        prefix + live, "other.tmp-" + dead};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(names(), want);

    fs::create_directory("sub");
    write_file("sub/real.tmp-" + dead, "left");
    fs::remove(kState);
    fs::create_symlink("sub/real", kState);
    ASSERT_EQ(save("new"), 0);
    EXPECT_EQ(names("sub"), std::vector<std::string>{"real"});
}
