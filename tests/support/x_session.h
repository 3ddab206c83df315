// End-to-end test support: a private Xvfb server and child processes whose output lines the
// test can wait for. Nothing here needs a display of the caller's: each XSession starts its own
// server on a free display number and children get exactly that display.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// A child process whose standard output goes to an unnamed temporary file that the test reads
// line by line. Standard input is /dev/null and standard error is discarded. Stopped (SIGKILL)
// by the destructor.
class Child {
public:
    // `display` empty: the child gets no DISPLAY at all.
    Child(const std::vector<std::string> &args, const std::string &display);
    ~Child();
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    pid_t Pid() const { return pid; }

    // Waits for a line satisfying `match` among all lines so far (polled every 10 ms); false on
    // timeout.
    bool WaitForLine(const std::function<bool(const std::string &)> &match,
                     std::chrono::milliseconds timeout);
    bool WaitForLine(const std::string &line, std::chrono::milliseconds timeout);
    // The lines written so far; a last line without its newline only once the process ended.
    std::vector<std::string> Lines();
    // Waits for the process to end; returns its exit status, or -1 on timeout or a signal.
    int WaitExit(std::chrono::milliseconds timeout);
    // Kills the process if it still runs.
    void Stop();
    // The fields of /proc/<pid>/stat after the command name, the state letter first.
    std::string Stat() const;
    // User plus system CPU seconds the process has used so far.
    double CpuSeconds() const;

private:
    pid_t pid = -1;
    bool reaped = false;
    int status = 0;
    int output = -1;
};

// A private X server (Xvfb, 1024 x 768 x 24, no TCP). Stopped by the destructor.
class XSession {
public:
    // `extraArgs` go to Xvfb (e.g. {"-extension", "GLX"}).
    explicit XSession(std::vector<std::string> extraArgs = {});
    ~XSession();

    bool Running() const { return number >= 0; }
    std::string Display() const { return ":" + std::to_string(number); }

    // Runs a program to its end on this display (killing it after 30 s); returns its exit
    // status (-1 when it could not run or was killed) and its standard output in `output`.
    int Run(const std::vector<std::string> &args, std::string *output = nullptr);
    // The ids of the windows titled `title` (an xdotool pattern), one a line, as soon as there
    // is one: polled every 10 ms, where xdotool's own --sync looks only twice a second and so
    // can miss a screen that lasts a quarter of a second. Empty after `limit`.
    std::string WaitForWindows(const std::string &title,
                               std::chrono::milliseconds limit = std::chrono::seconds(30));

private:
    std::unique_ptr<Child> server;
    int number = -1;
};
