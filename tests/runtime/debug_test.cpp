// Printing, fatal errors and the debugger stop protocol, each in a forked child.

#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <tuple>

#include "runtime/debug.h"

namespace {

// Exit status (-1000 when the child did not exit normally), standard output, standard error.
using ChildResult = std::tuple<int, std::string, std::string>;

std::string contents(std::FILE *file) {
    std::string out;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) out += static_cast<char>(c);
    std::fclose(file);
    return out;
}

enum class Input { Closed, File, Terminal };

// Runs `body` in a child, output captured, stdin closed/`input`/a pty; a return exits 99.
ChildResult run_child(const std::function<void()> &body, Input mode,
                      const std::string &input = "") {
    std::FILE *in = std::tmpfile(), *out = std::tmpfile(), *err = std::tmpfile();
    std::fputs(input.c_str(), in);
    std::rewind(in);
    int master = -1, terminal = -1;
    if (mode == Input::Terminal) {
        EXPECT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        mode == Input::Closed ? close(0) : dup2(mode == Input::File ? fileno(in) : terminal, 0);
        body();
        std::fflush(stdout);
        _exit(99);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (master >= 0) close(master), close(terminal);
    std::fclose(in);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1000, contents(out), contents(err)};
}

void fatal() {
    ktError(String("boom"));
}

const std::string kReport = "Vantor Runtime Error : boom\n\n", kStop = "{{~~~~}}\n\n";

}  // namespace

TEST(Print, WritesUtf8PerCodeUnitInOrderWithBufferedOutputAndEndsAtZero) {
    auto print = [] {
        std::fputs("first ", stdout);  // buffered: must come out before the print
        const Char text[] = {0xE9, 'a', 0x20AC, 0, 'b'};
        ktPrint(String(text, 1));
        ktDebugLog(String(text + 1, 4));
        ktPrint(String());
    };
    EXPECT_EQ(run_child(print, Input::Closed),
              (ChildResult{99, "first \xC3\xA9\na\xE2\x82\xAC\n\n", ""}));
}

// No debugger (input closed, a terminal, empty input): a fatal error exits -1, an empty one 0.
TEST(Errors, WithoutDebuggerAFatalErrorExitsMinusOneAndAnEmptyOneEndsQuietly) {
    for (Input mode : {Input::Closed, Input::Terminal, Input::File}) {
        EXPECT_EQ(run_child(fatal, mode), (ChildResult{255, kReport, kStop}));
    }
    EXPECT_EQ(run_child([] { ktError(String()); }, Input::Closed), (ChildResult{0, "", ""}));
}

// q quits, r continues, ? is ignored; anything else, or no line feed, ends with -1.
TEST(Errors, StopProtocolCommands) {
    const std::pair<const char *, ChildResult> cases[] = {
        {"q\n", {0, kReport, kStop}},
        {"r\n?anything\nq\n", {0, kReport + kReport, kStop + kStop}},
        {"xyz\n", {255, kReport + "????? xyz ?????\n", kStop}},
        {"q", {255, kReport, kStop}},
    };
    for (auto &[input, result] : cases) EXPECT_EQ(run_child(fatal, Input::File, input), result);
}
