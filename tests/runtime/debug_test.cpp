// Printing and the fatal-error path: the bytes ktPrint writes, exit statuses, and the debugger
// stop protocol as a debugger feeding standard input sees it. Fatal paths run in a forked child.

#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "runtime/debug.h"

namespace {

std::string read_all(int fd) {
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    return out;
}

struct ChildResult {
    int status = -1000;  // exit status, or -1000 when the child did not exit normally
    std::string out, err;
};

enum class Input { Closed, Pipe, Terminal };

// Runs `body` in a child with standard output and error captured and standard input closed, a
// pipe holding `input`, or a pseudo-terminal. A body that returns exits with status 99.
ChildResult run_child(const std::function<void()> &body, Input mode,
                      const std::string &input = "") {
    int out[2], err[2], in[2] = {-1, -1}, pty_master = -1, pty_slave = -1;
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    if (mode == Input::Pipe) {
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        close(in[1]);
    } else if (mode == Input::Terminal) {
        EXPECT_EQ(openpty(&pty_master, &pty_slave, nullptr, nullptr, nullptr), 0);
    }
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (mode == Input::Closed) close(0);
        if (mode == Input::Pipe) dup2(in[0], 0);
        if (mode == Input::Terminal) dup2(pty_slave, 0);
        body();
        fflush(stdout);
        _exit(99);
    }
    close(out[1]);
    close(err[1]);
    if (in[0] >= 0) close(in[0]);
    ChildResult r;
    r.out = read_all(out[0]);
    r.err = read_all(err[0]);
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (pty_master >= 0) close(pty_master), close(pty_slave);
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    return r;
}

void fatal() {
    ktError(String("boom"));
}

const char *const kReport = "Vantor Runtime Error : boom\n\n";
const char *const kStop = "{{~~~~}}\n\n";

}  // namespace

TEST(Print, WritesUtf8PerCodeUnitInOrderWithBufferedOutputAndEndsAtZero) {
    ChildResult r = run_child(
        [] {
            std::fputs("first ", stdout);  // buffered: must come out before the print
            const Char e9[] = {0xE9};
            ktPrint(String(e9, 1));
            const Char with_zero[] = {'a', 0x20AC, 0, 'b'};
            ktDebugLog(String(with_zero, 4));
            ktPrint(String());
        },
        Input::Closed);
    EXPECT_EQ(r.out, "first \xC3\xA9\na\xE2\x82\xAC\n\n");
}

TEST(Errors, WithoutDebuggerAFatalErrorExitsMinusOneAndAnEmptyOneEndsQuietly) {
    // Closed input, a terminal, and an empty pipe (end of input) all mean no debugger.
    for (Input mode : {Input::Closed, Input::Terminal, Input::Pipe}) {
        ChildResult r = run_child(fatal, mode);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, kReport);
        EXPECT_EQ(r.err, kStop);
    }
    ChildResult empty = run_child([] { ktError(String()); }, Input::Closed);
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out + empty.err, "");
}

TEST(Errors, StopProtocolCommands) {
    ChildResult quit = run_child(fatal, Input::Pipe, "q\n");
    EXPECT_EQ(quit.status, 0);
    EXPECT_EQ(quit.out, kReport);

    // "r" continues: the fatal report repeats; "?" lines are ignored.
    ChildResult again = run_child(fatal, Input::Pipe, "r\n?anything\nq\n");
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, std::string(kReport) + kReport);
    EXPECT_EQ(again.err, std::string(kStop) + kStop);

    ChildResult garbage = run_child(fatal, Input::Pipe, "xyz\n");
    EXPECT_EQ(garbage.status, 255);
    EXPECT_EQ(garbage.out, std::string(kReport) + "????? xyz ?????\n");

    // A command line without a line feed ends the process.
    EXPECT_EQ(run_child(fatal, Input::Pipe, "q").status, 255);

    // A step command returns from the stop with the mode set.
    ChildResult step = run_child(
        [] {
            dbg_stop();
            std::printf("mode %c\n", dbg_stepmode);
        },
        Input::Pipe, "s\n");
    EXPECT_EQ(step.status, 99);
    EXPECT_EQ(step.out, "mode s\n");

    // An object query answers only for live objects; the child inherits this one.
    char input[128];
    std::snprintf(input, sizeof input, "@%p\n@0\n@0x1234\nq\n", static_cast<void *>(new Object));
    ChildResult query = run_child([] { dbg_stop(); }, Input::Pipe, input);
    EXPECT_EQ(query.status, 0);
    EXPECT_EQ(query.err, std::string(kStop) + "+Object\n\n\n");
}
