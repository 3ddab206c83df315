// The game on a real OpenGL context: a c_MyApp on the in-process test host (fake clock, real
// frame loop) whose renders go through the real renderer into a GLFW window on a private Xvfb,
// and whose images are the generated files in data/ beside the executable. For pixel tests and
// benchmarks of whole game frames; the game test kit records instead and has no context.
//
// One GlGame at a time; the display (XvfbServer) and glfwInit belong to the caller.
#pragma once

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <cstdlib>
#include <vector>

#include "game/myapp.h"
#include "host/glfw_game.h"
#include "host/image_decode.h"
#include "tests/graphics/gl_env.h"
#include "tests/support/test_game.h"

// Decodes images like the real host. Sounds stay undecoded: nothing here listens.
struct GlGameHost : KtTestGame {
    unsigned char *LoadImageData(String path, int *w, int *h, int *depth) override {
        return kt_image_LoadFile(this, path, w, h, depth);
    }
};

class GlGame {
public:
    GlGameHost host;
    c_MyApp *app = nullptr;
    GLFWwindow *window = nullptr;
    int width = 0, height = 0;

    // Opens a w x h window and starts the game in it (ktInit, a new c_MyApp, the create hook);
    // false when the window cannot be made.
    bool Start(int w, int h) {
        setenv("ALSOFT_DRIVERS", "null", 1);
        glfwDefaultWindowHints();
        glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
        window = glfwCreateWindow(w, h, "Cobble Vale test", nullptr, nullptr);
        if (!window) return false;
        glfwMakeContextCurrent(window);
        ++glfwGraphicsSeq;  // surfaces make their textures in this context
        width = w;
        height = h;
        host.Install();
        host.SetDeviceSize(w, h);
        ktInit();
        gc_mark();
        app = (new c_MyApp())->m_new();
        host.StartGame();
        return true;
    }

    ~GlGame() {
        if (app) {
            if (kt_app__delegate && kt_app__delegate->audio) kt_app__delegate->audio->Close();
            kt_app_Init();
            kt_audio_Init();
            kt_input_Init();
            kt_graphics_Init();
        }
        if (window) glfwDestroyWindow(window);
    }

    // Render, then one update, as the frame loop does.
    void Frame(int count = 1) {
        for (int i = 0; i < count; ++i) host.RunFrame();
    }
    // A render alone: draws what the last update recorded.
    void Render() { host.RenderGame(); }

    gxtkGraphics *Renderer() const { return kt_graphics_device; }

    // The back buffer as RGB bytes, top row first.
    std::vector<unsigned char> ReadRgb() const {
        std::vector<unsigned char> bottomUp(static_cast<size_t>(width) * height * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
        std::vector<unsigned char> rows(bottomUp.size());
        size_t stride = static_cast<size_t>(width) * 3;
        for (int y = 0; y < height; ++y) {
            std::copy_n(bottomUp.begin() + static_cast<long>((height - 1 - y) * stride), stride,
                        rows.begin() + static_cast<long>(y * stride));
        }
        return rows;
    }
};
