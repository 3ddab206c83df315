// End-to-end test support: private Xvfb servers and child processes whose output lines the
// test can wait for.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// A child on `display` (none when empty) with OpenAL's silent back end, stdin /dev/null, stdout
// kept in an unnamed file, stderr discarded; killed by the destructor.
class Child {
public:
    Child(const std::vector<std::string> &args, const std::string &display);
    ~Child();
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    pid_t Pid() const { return pid; }
    // Polls every 10 ms for a printed line satisfying `match`; false on timeout.
    bool WaitForLine(const std::function<bool(const std::string &)> &match,
                     std::chrono::milliseconds timeout);
    bool WaitForLine(const std::string &line, std::chrono::milliseconds timeout) {
        return WaitForLine([&](const std::string &l) { return l == line; }, timeout);
    }
    std::vector<std::string> Lines();  // a last one without its newline once the process ended
    int WaitExit(std::chrono::milliseconds timeout);  // its status; -1 on timeout or a signal
    // The fields of /proc/<pid>/stat after the command name (the state letter first), and the
    // user plus system CPU seconds so far.
    std::string Stat() const;
    double CpuSeconds() const;

private:
    pid_t pid = -1;
    bool reaped = false;
    int status = 0;
    int output = -1;
};

// A private X server (Xvfb, 1024 x 768 x 24, no TCP, no reset; `extraArgs` added), ready for
// clients.
class XSession {
public:
    explicit XSession(std::vector<std::string> extraArgs = {});
    ~XSession();

    bool Running() const { return number >= 0; }
    std::string Display() const { return ":" + std::to_string(number); }
    // Runs a program on this display to its end (killed after 30 s); its exit status (-1 when it
    // could not run or was killed) and its standard output.
    int Run(const std::vector<std::string> &args, std::string *output = nullptr);
    // The ids of the windows titled `title` (an xdotool pattern), one a line, as soon as there is
    // one (polled every 10 ms: xdotool's --sync looks twice a second); empty after `limit`.
    std::string WaitForWindows(const std::string &title,
                               std::chrono::milliseconds limit = std::chrono::seconds(30));

private:
    std::unique_ptr<Child> server;
    int number = -1;
};
