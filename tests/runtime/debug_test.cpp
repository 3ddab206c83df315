// Printing and the fatal-error path: the bytes ktPrint writes, exit statuses, and the debugger
// stop protocol as a debugger feeding standard input sees it. Fatal paths run in a forked child.

#include <gtest/gtest.h>

#include <fcntl.h>
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

TEST(Print, WritesUtf8PerCodeUnitAndEndsAtZero) {
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    fflush(stdout);
    int saved = dup(1);
    dup2(pipefd[1], 1);
    const Char e9[] = {0xE9};
    ktPrint(String(e9, 1));
    const Char with_zero[] = {'a', 0x20AC, 0, 'b'};
    ktDebugLog(String(with_zero, 4));
    ktPrint(String());
    dup2(saved, 1);
    close(saved);
    close(pipefd[1]);
    EXPECT_EQ(read_all(pipefd[0]), "\xC3\xA9\na\xE2\x82\xAC\n\n");
    close(pipefd[0]);
}

TEST(Print, OrderIsKeptWithBufferedStandardOutput) {
    ChildResult r = run_child(
        [] {
            std::fputs("first ", stdout);  // buffered: must come out before the print
            ktPrint(String("second"));
        },
        Input::Closed);
    EXPECT_EQ(r.out, "first second\n");
}

TEST(Errors, EmptyMessageEndsQuietlyWithStatusZero) {
    ChildResult r = run_child([] { ktError(String()); }, Input::Closed);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(Errors, FatalErrorWithoutDebuggerExitsMinusOne) {
    for (Input mode : {Input::Closed, Input::Terminal}) {
        ChildResult r = run_child(fatal, mode);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, kReport);
        EXPECT_EQ(r.err, kStop);
    }
    // An empty pipe is end of input.
    ChildResult r = run_child(fatal, Input::Pipe, "");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, kReport);
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
    ChildResult unterminated = run_child(fatal, Input::Pipe, "q");
    EXPECT_EQ(unterminated.status, 255);
}

TEST(Errors, StepCommandsReturnFromTheStop) {
    ChildResult r = run_child(
        [] {
            dbg_stop();
            std::printf("mode %c\n", dbg_stepmode);
        },
        Input::Pipe, "s\n");
    EXPECT_EQ(r.status, 99);
    EXPECT_EQ(r.out, "mode s\n");
}

TEST(Errors, ObjectQueryAnswersOnlyForLiveObjects) {
    ChildResult r = run_child(
        [] {
            Object *o = new Object;
            char input[128];
            std::snprintf(input, sizeof input, "@%p\n@0\n@0x1234\nq\n", static_cast<void *>(o));
            int p[2];
            if (pipe(p) != 0) _exit(98);
            if (write(p[1], input, strlen(input)) < 0) _exit(98);
            close(p[1]);
            dup2(p[0], 0);
            dbg_stop();
        },
        Input::Closed);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, std::string(kStop) + "+Object\n\n\n");
}

TEST(Errors, ThrowRecordsTheStackText) {
    ThrowableObject *thrown = new ThrowableObject;
    try {
        dbg_throw(thrown);
        FAIL() << "dbg_throw returned";
    } catch (ThrowableObject *caught) {
        EXPECT_EQ(caught, thrown);
    }
    EXPECT_EQ(dbg_exstack.Length(), 0);
    EXPECT_EQ(dbg_stacktrace().Length(), 0);
}
