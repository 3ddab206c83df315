// End-to-end test support: a private Xvfb server and child processes whose output lines the
// test can wait for. Each XSession starts its own server on a free display number.
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
    // The lines so far; a last one without its newline only once the process ended.
    std::vector<std::string> Lines();
    // The exit status; -1 on timeout or a signal.
    int WaitExit(std::chrono::milliseconds timeout);
    void Stop();
    // The fields of /proc/<pid>/stat after the command name, the state letter first.
    std::string Stat() const;
    // User plus system CPU seconds so far.
    double CpuSeconds() const;

private:
    pid_t pid = -1;
    bool reaped = false;
    int status = 0;
    int output = -1;
};

// A private X server (Xvfb, 1024 x 768 x 24, no TCP; `extraArgs` added), ready for clients.
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
