// End-to-end test support: private Xvfb servers and observed child processes.
#pragma once

#include <sys/types.h>

#include <chrono>
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
    // Polls every 10 ms for the printed `line`; false on timeout.
    bool WaitForLine(const std::string &line, std::chrono::milliseconds timeout);
    std::vector<std::string> Lines();  // a last one without its newline once the process ended
    int WaitExit(std::chrono::milliseconds timeout);  // its status; -1 on timeout or a signal
    std::string Stat() const;   // /proc/<pid>/stat after the command name: the state letter first
    double CpuSeconds() const;  // user plus system

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
    // Runs a program here to its end (killed after 30 s): its status (-1: not run, killed) and
    // its standard output.
    int Run(const std::vector<std::string> &args, std::string *output = nullptr);
    // The ids of the windows titled `title` (an xdotool pattern), one a line, as soon as there is
    // one (polled every 10 ms: xdotool's --sync looks twice a second); empty after `limit`.
    std::string WaitForWindows(const std::string &title,
                               std::chrono::milliseconds limit = std::chrono::seconds(30));

private:
    std::unique_ptr<Child> server;
    int number = -1;
};
