// The game on a real OpenGL context: a c_MyApp on the in-process test host (fake clock, real
// frame loop) whose renders go through the real renderer into a GLFW window on a private Xvfb,
// and whose images are the generated files in data/ beside the executable. For pixel tests and
// benchmarks of whole game frames, and the gallery; the game test kit records instead and has
// no context.
//
// One GlGame at a time; the display (XvfbServer) and glfwInit belong to the caller.
#pragma once

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GLFW/glfw3.h>

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

// Scripted ways to the game's screens: keys go through the host's real input mapping, time is
// the test host's fake clock and every wait is a fixed number of frames, so a screen comes out
// the same on every run (the board's deal is seeded from that clock too).
enum class GameScreen { Loading, Menu, Credits, Options, Board, Pause, GameOver };

// A key held for `hold` frames (the game reads key states), then `after` frames.
inline void TapKey(GlGame &game, int key, int hold = 4, int after = 12) {
    game.host.ScriptKey(key, GLFW_PRESS);
    game.Frame(hold);
    game.host.ScriptKey(key, GLFW_RELEASE);
    game.Frame(after);
}

// Drives a just started game to `screen` and leaves it there after a render; false when the
// game did not reach it.
inline bool DriveTo(GlGame &game, GameScreen screen) {
    c_MyApp &app = *game.app;
    if (screen == GameScreen::Loading) {  // the dots spin 3 degrees a step: a fixed picture
        game.Frame(6);
        game.Render();
        return app.LoadStage > 0 && app.Images[Img::OrvoLogo];
    }
    game.Frame(120);  // the loader, then the menu's slide-in and backdrop fade
    if (app.Mode != Screen::Menu) return false;
    switch (screen) {
        case GameScreen::Loading:
        case GameScreen::Menu:
            break;
        case GameScreen::Credits:  // the side panel: two columns right, then confirm
            TapKey(game, GLFW_KEY_RIGHT);
            TapKey(game, GLFW_KEY_RIGHT);
            TapKey(game, GLFW_KEY_SPACE, 4, 90);
            if (app.CreditsOpen != 1) return false;
            break;
        case GameScreen::Options:  // the gear: one column left, then confirm
            TapKey(game, GLFW_KEY_LEFT);
            TapKey(game, GLFW_KEY_SPACE, 4, 60);
            if (app.OptionsOpen != 1) return false;
            break;
        case GameScreen::Board:  // a Normal game: the deal settles, a roll, a step into column 0
            TapKey(game, GLFW_KEY_SPACE, 4, 240);
            TapKey(game, GLFW_KEY_SPACE, 4, 100);
            TapKey(game, GLFW_KEY_RIGHT, 4, 20);
            if (app.Mode != Screen::Game) return false;
            break;
        case GameScreen::Pause:
            TapKey(game, GLFW_KEY_SPACE, 4, 240);
            TapKey(game, GLFW_KEY_ESCAPE, 4, 60);
            if (app.Paused != 1) return false;
            break;
        case GameScreen::GameOver:  // Hard: roll and walk right until a trap ends the run
            TapKey(game, GLFW_KEY_DOWN);
            TapKey(game, GLFW_KEY_SPACE, 4, 240);
            // Stops as soon as the run ends: the overlay lasts 90 frames before the menu returns.
            for (int turn = 0; turn < 60 && app.GameOverFlag == 0; ++turn) {
                TapKey(game, GLFW_KEY_SPACE, 4, 100);
                for (int step = 0; step < 6 && app.GameOverFlag == 0; ++step) {
                    TapKey(game, GLFW_KEY_RIGHT, 4, 8);
                }
                for (int wait = 0; wait < 70 && app.GameOverFlag == 0; ++wait) game.Frame();
            }
            game.Frame(50);  // the overlay grows
            if (app.GameOverFlag == 0 || app.Mode != Screen::Game) return false;
            break;
    }
    game.Render();
    return true;
}
