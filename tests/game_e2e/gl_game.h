// The game on a real OpenGL context: a c_MyApp on the in-process test host (fake clock, real
// frame loop) rendering through the real renderer into a GLFW window on a private Xvfb, with the
// generated images in data/ beside the executable. For the pixel goldens, the game benchmarks
// and the gallery. One GlGame at a time; the display (XvfbServer) and glfwInit are the caller's.
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

// Decodes images like the real host; sounds stay undecoded, nothing here listens.
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

    // A w x h window with the game started in it; false when no window can be made.
    bool Start(int w, int h) {
        setenv("ALSOFT_DRIVERS", "null", 1);
        glfwDefaultWindowHints();
        glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
        if (!(window = glfwCreateWindow(w, h, "Cobble Vale test", nullptr, nullptr))) return false;
        glfwMakeContextCurrent(window);
        ++glfwGraphicsSeq;  // surfaces make their textures in this context
        width = w, height = h;
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

    // Render then update, as the frame loop does; Render alone draws the last update's records.
    void Frame(int count = 1) {
        for (int i = 0; i < count; ++i) host.RunFrame();
    }
    void Render() { host.RenderGame(); }
    gxtkGraphics *Renderer() const { return kt_graphics_device; }

    // The back buffer as RGB bytes, top row first.
    std::vector<unsigned char> ReadRgb() const {
        size_t stride = static_cast<size_t>(width) * 3;
        std::vector<unsigned char> rows(stride * height);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
        for (int y = 0; y < height / 2; ++y) {
            std::swap_ranges(rows.begin() + y * stride, rows.begin() + (y + 1) * stride,
                             rows.end() - (y + 1) * stride);
        }
        return rows;
    }
};

// Scripted ways to the game's screens: keys through the host's real input mapping, fixed frame
// counts on the fake clock (which also seeds the deal), so a screen is the same on every run.
enum class GameScreen { Loading, Menu, Credits, Options, Board, Pause, GameOver };

// A key held for `hold` frames (the game reads key states), then `after` frames.
inline void TapKey(GlGame &game, int key, int hold = 4, int after = 12) {
    game.host.ScriptKey(key, GLFW_PRESS);
    game.Frame(hold);
    game.host.ScriptKey(key, GLFW_RELEASE);
    game.Frame(after);
}

// Drives a just started game to `screen` and renders it; false when it was not reached.
inline bool DriveTo(GlGame &game, GameScreen screen) {
    c_MyApp &app = *game.app;
    bool reached = true;
    if (screen == GameScreen::Loading) {  // the dots spin 3 degrees a step: a fixed picture
        game.Frame(6);
        reached = app.LoadStage > 0 && app.Images[Img::OrvoLogo];
    } else {
        game.Frame(120);  // the loader, then the menu's slide-in and backdrop fade
        reached = app.Mode == Screen::Menu;
    }
    if (screen == GameScreen::Credits) {  // the side panel: two columns right, then confirm
        TapKey(game, GLFW_KEY_RIGHT);
        TapKey(game, GLFW_KEY_RIGHT);
        TapKey(game, GLFW_KEY_SPACE, 4, 90);
        reached &= app.CreditsOpen == 1;
    } else if (screen == GameScreen::Options) {  // the gear: one column left, then confirm
        TapKey(game, GLFW_KEY_LEFT);
        TapKey(game, GLFW_KEY_SPACE, 4, 60);
        reached &= app.OptionsOpen == 1;
    } else if (screen == GameScreen::Board) {  // Normal: the deal settles, a roll, a step right
        TapKey(game, GLFW_KEY_SPACE, 4, 240);
        TapKey(game, GLFW_KEY_SPACE, 4, 100);
        TapKey(game, GLFW_KEY_RIGHT, 4, 20);
        reached &= app.Mode == Screen::Game;
    } else if (screen == GameScreen::Pause) {
        TapKey(game, GLFW_KEY_SPACE, 4, 240);
        TapKey(game, GLFW_KEY_ESCAPE, 4, 60);
        reached &= app.Paused == 1;
    } else if (screen == GameScreen::GameOver) {  // Hard: roll and walk right into a trap
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
        reached &= app.GameOverFlag != 0 && app.Mode == Screen::Game;
    }
    game.Render();
    return reached;
}
