// A private Xvfb display and a Mesa OpenGL window for pixel tests.
#pragma once

#include <GLFW/glfw3.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/gxtk_graphics.h"
#include "host/image_decode.h"
#include "host/ktgame.h"
#include "tests/support/x_session.h"

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

// A private Xvfb server (XSession) with DISPLAY pointed at it and Mesa's software renderer.
class XvfbServer {
public:
    // False (with a message) when the server does not start.
    bool Start() {
        session = std::make_unique<XSession>();
        if (!session->Running()) {
            std::fprintf(stderr, "Xvfb did not start (is the xvfb package installed?)\n");
            return Stop(), false;
        }
        setenv("DISPLAY", session->Display().c_str(), 1);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        return true;
    }
    void Stop() { session.reset(); }

private:
    std::unique_ptr<XSession> session;
};
