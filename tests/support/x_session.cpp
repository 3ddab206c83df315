// Xvfb sessions and observed child processes for the end-to-end tests.

#include "tests/support/x_session.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

extern char **environ;

namespace {

// The caller's environment with DISPLAY replaced (or removed when `display` is empty); OpenAL
// gets its silent back end, since test machines have no sound card.
std::vector<std::string> ChildEnvironment(const std::string &display) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "ALSOFT_DRIVERS=", 15) != 0) {
            env.push_back(*e);
        }
    }
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    env.push_back("ALSOFT_DRIVERS=null");
    return env;
}

std::vector<char *> Pointers(std::vector<std::string> &strings) {
    std::vector<char *> out;
    for (std::string &s : strings) out.push_back(&s[0]);
    out.push_back(nullptr);
    return out;
}

// Starts `args` with stdin from /dev/null, stdout into `outFd` and stderr discarded. Returns
// the pid, or -1.
pid_t Spawn(std::vector<std::string> args, const std::string &display, int outFd) {
    std::vector<std::string> env = ChildEnvironment(display);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv = Pointers(args), envp = Pointers(env);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// XSession

XSession::XSession(std::vector<std::string> extraArgs) {
    // The server picks a free display number itself and reports it once it accepts clients, so
    // concurrently running tests never share one.
    std::vector<std::string> args = {"Xvfb", "-displayfd",  "1",         "-screen",
                                     "0",    "1024x768x24", "-nolisten", "tcp"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    server = std::make_unique<Child>(args, "");
    if (server->WaitForLine([](const std::string &) { return true; }, std::chrono::seconds(15))) {
        number = std::atoi(server->Lines().front().c_str());
    }
    // Then until a client gets through, so that a test's first client is never refused.
    for (int i = 0; i < 100 && Running() && Run({"xwininfo", "-root"}) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

XSession::~XSession() {
    // SIGTERM lets the server remove its lock file and socket.
    if (server->Pid() > 0) kill(server->Pid(), SIGTERM);
    server->WaitExit(std::chrono::seconds(5));
}

int XSession::Run(const std::vector<std::string> &args, std::string *output) {
    // A tool that waits for something that never comes (xwininfo asking for a click) must not
    // hang the test.
    Child tool(args, Display());
    int status = tool.WaitExit(std::chrono::seconds(30));
    tool.Stop();
    if (output) {
        output->clear();
        for (const std::string &line : tool.Lines()) *output += line + "\n";
    }
    return status;
}

// ---------------------------------------------------------------------------------------------
// Child

Child::Child(const std::vector<std::string> &args, const std::string &display)
    : output(memfd_create("child-output", MFD_CLOEXEC)) {
    if (output >= 0) pid = Spawn(args, display, output);
}

Child::~Child() {
    Stop();
    if (output >= 0) close(output);
}

void Child::Stop() {
    if (pid > 0 && !reaped) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        reaped = true;
    }
}

std::vector<std::string> Child::Lines() {
    std::string text;
    char buffer[4096];
    for (ssize_t n;
         (n = pread(output, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size() && reaped) lines.push_back(text.substr(start));
    return lines;
}

bool Child::WaitForLine(const std::function<bool(const std::string &)> &match,
                        std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (const std::string &line : Lines()) {
            if (match(line)) return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool Child::WaitForLine(const std::string &line, std::chrono::milliseconds timeout) {
    return WaitForLine([&](const std::string &l) { return l == line; }, timeout);
}

int Child::WaitExit(std::chrono::milliseconds timeout) {
    if (pid <= 0) return -1;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!reaped) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            reaped = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        usleep(10000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Child::Stat() const {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');  // the command name may hold spaces and parentheses
    return close == std::string::npos || close + 2 > text.size() ? "" : text.substr(close + 2);
}

double Child::CpuSeconds() const {
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the state.
    unsigned long user = 0, system = 0;
    std::sscanf(Stat().c_str(), "%*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %lu %lu", &user,
                &system);
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string XSession::WaitForWindows(const std::string &title, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    std::string ids;
    while (Run({"xdotool", "search", "--name", title}, &ids) != 0 || ids.empty()) {
        if (std::chrono::steady_clock::now() >= end) return std::string();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ids;
}
