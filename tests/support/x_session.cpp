// Xvfb sessions and observed child processes for the end-to-end tests.

#include "tests/support/x_session.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

extern char **environ;

using Clock = std::chrono::steady_clock;

Child::Child(const std::vector<std::string> &args, const std::string &display)
    : output(memfd_create("child-output", MFD_CLOEXEC)) {
    // The caller's environment but DISPLAY and the audio back end: test machines have no sound.
    std::string displayVariable = "DISPLAY=" + display, audio = "ALSOFT_DRIVERS=null";
    std::vector<char *> argv, envp;
    for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "ALSOFT_DRIVERS=", 15) != 0)
            envp.push_back(*e);
    }
    if (!display.empty()) envp.push_back(&displayVariable[0]);
    envp.push_back(&audio[0]);
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (output < 0 || posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()))
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
}

Child::~Child() {
    if (pid > 0 && !reaped) kill(pid, SIGKILL), waitpid(pid, &status, 0);
    if (output >= 0) close(output);
}

std::vector<std::string> Child::Lines() {
    std::string text;
    char buffer[4096];
    for (ssize_t n;
         (n = pread(output, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size() && reaped) lines.push_back(text.substr(start));
    return lines;
}

bool Child::WaitForLine(const std::string &line, std::chrono::milliseconds timeout) {
    for (auto deadline = Clock::now() + timeout;; usleep(10000)) {
        std::vector<std::string> lines = Lines();
        if (std::find(lines.begin(), lines.end(), line) != lines.end()) return true;
        if (Clock::now() >= deadline) return false;
    }
}

int Child::WaitExit(std::chrono::milliseconds timeout) {
    for (auto deadline = Clock::now() + timeout; pid > 0 && !reaped; usleep(10000)) {
        reaped = waitpid(pid, &status, WNOHANG) == pid;
        if (!reaped && Clock::now() >= deadline) return -1;
    }
    return pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Child::Stat() const {
    std::string text;
    std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), text);
    size_t close = text.rfind(')');  // the command name may hold spaces and parentheses
    return close == std::string::npos || close + 2 > text.size() ? "" : text.substr(close + 2);
}

double Child::CpuSeconds() const {
    // utime and stime: fields 12 and 13 after the state.
    unsigned long user = 0, system = 0;
    std::sscanf(Stat().c_str(), "%*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %lu %lu", &user,
                &system);
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

XSession::XSession(std::vector<std::string> extraArgs) {
    // The server picks a free display itself and prints it once it accepts clients, so tests
    // running at once never share one; then until a client gets through. No reset when the last
    // client leaves: a game started right after another would find the server resetting.
    std::vector<std::string> args = {"Xvfb",        "-displayfd", "1",   "-screen", "0",
                                     "1024x768x24", "-nolisten",  "tcp", "-noreset"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    server = std::make_unique<Child>(args, "");
    for (int i = 0; i < 1500 && server->Lines().empty(); ++i) usleep(10000);
    if (!server->Lines().empty()) number = std::atoi(server->Lines().front().c_str());
    for (int i = 0; i < 100 && Running() && Run({"xwininfo", "-root"}) != 0; ++i) usleep(50000);
}

XSession::~XSession() {
    if (server->Pid() > 0) kill(server->Pid(), SIGTERM);  // lets it remove its lock and socket
    server->WaitExit(std::chrono::seconds(5));
}

int XSession::Run(const std::vector<std::string> &args, std::string *output) {
    Child tool(args, Display());
    int status = tool.WaitExit(std::chrono::seconds(30));  // xwininfo may wait for a click
    if (output) {
        output->clear();
        for (const std::string &line : tool.Lines()) *output += line + "\n";
    }
    return status;
}

std::string XSession::WaitForWindows(const std::string &title, std::chrono::milliseconds limit) {
    std::string ids;
    for (auto end = Clock::now() + limit;
         Run({"xdotool", "search", "--name", title}, &ids) != 0 || ids.empty(); usleep(10000)) {
        if (Clock::now() >= end) return std::string();
    }
    return ids;
}
