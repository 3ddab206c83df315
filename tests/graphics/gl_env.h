// A private Xvfb display (-displayfd: no collisions) and a Mesa OpenGL window for pixel tests.
#pragma once

#include <GLFW/glfw3.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/gxtk_graphics.h"
#include "host/image_decode.h"
#include "host/ktgame.h"

// The rendering tests' host: one GLFW window (320 x 240 while none), data files under `dataDir`.
struct GlTestGame : KtGame {
    GLFWwindow *window = nullptr;
    std::string dataDir;

    int GetDeviceWidth() override { return FramebufferSize(0); }
    int GetDeviceHeight() override { return FramebufferSize(1); }
    String PathToFilePath(String path) override {
        if (!path.StartsWith(String("vantor://data/"))) return path;
        return String(dataDir.c_str()) + "/" + path.Slice(14);
    }
    unsigned char *LoadImageData(String path, int *w, int *h, int *depth) override {
        return kt_image_LoadFile(this, path, w, h, depth);
    }

    // (Re)creates the window, makes it current, counts it in glfwGraphicsSeq like the host.
    bool OpenWindow(int width, int height) {
        if (window) gxtk_SaveTextures(), glfwDestroyWindow(window);
        glfwDefaultWindowHints();
        glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
        window = glfwCreateWindow(width, height, "graphics test", nullptr, nullptr);
        if (!window) return false;
        glfwMakeContextCurrent(window);
        ++glfwGraphicsSeq;
        return true;
    }

    int FramebufferSize(int axis) {
        int size[2] = {320, 240};
        if (window) glfwGetFramebufferSize(window, &size[0], &size[1]);
        return size[axis];
    }
};

// A private Xvfb server for the life of the program.
class XvfbServer {
public:
    // Starts the server and points DISPLAY at it; false (with a message) when it fails.
    bool Start() {
        int fds[2];
        if (pipe(fds) != 0 || (pid = fork()) < 0) return false;
        if (pid == 0) {
            // The server goes with this program even if it dies before Stop.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(fds[0]);
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p = {fds[0], POLLIN, 0};
        // The server writes its display number once it accepts connections.
        while (poll(&p, 1, 20000) > 0) {
            char c;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            std::fprintf(stderr, "Xvfb did not start (is the xvfb package installed?)\n");
            return Stop(), false;
        }
        setenv("DISPLAY", (":" + number).c_str(), 1);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        return true;
    }

    void Stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }

private:
    pid_t pid = -1;
};
