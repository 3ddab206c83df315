// The game on the in-process test host (fake clock, real frame loop) drawn by the real renderer
// into a GLFW window on a private Xvfb, with data/ beside the executable: for the goldens, the
// benchmarks and the gallery. One at a time; the display and glfwInit are the caller's.
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

// Drives a just started game to `screen` and renders it; false when it was not reached.
inline bool DriveTo(GlGame &game, GameScreen screen) {
    c_MyApp &app = *game.app;
    struct Tap {  // a key held for 4 frames, then `after`
        int key, after;
    };
    // Credits: the side panel, two columns right; options: the gear, one column left; board: a
    // Normal game's deal settles, a roll, a step into column 0; game over: Hard, then below.
    const std::vector<Tap> taps[] = {
        {},
        {},
        {{GLFW_KEY_RIGHT, 12}, {GLFW_KEY_RIGHT, 12}, {GLFW_KEY_SPACE, 90}},
        {{GLFW_KEY_LEFT, 12}, {GLFW_KEY_SPACE, 60}},
        {{GLFW_KEY_SPACE, 240}, {GLFW_KEY_SPACE, 100}, {GLFW_KEY_RIGHT, 20}},
        {{GLFW_KEY_SPACE, 240}, {GLFW_KEY_ESCAPE, 60}},
        {{GLFW_KEY_DOWN, 12}, {GLFW_KEY_SPACE, 240}}};
    // The loading screen after 6 frames (its dots spin 3 degrees a step), else the menu after
    // the loader, its slide-in and backdrop fade.
    game.Frame(screen == GameScreen::Loading ? 6 : 120);
    auto tap = [&](Tap t) {  // the game reads key states
        game.host.ScriptKey(t.key, GLFW_PRESS);
        game.Frame(4);
        game.host.ScriptKey(t.key, GLFW_RELEASE);
        game.Frame(t.after);
    };
    for (Tap t : taps[static_cast<int>(screen)]) tap(t);
    // Roll and walk right until a trap ends the run; the overlay lasts 90 frames, then the menu.
    for (int turn = 0; screen == GameScreen::GameOver && turn < 60 && !app.GameOverFlag; ++turn) {
        tap({GLFW_KEY_SPACE, 100});
        for (int step = 0; step < 6 && !app.GameOverFlag; ++step) tap({GLFW_KEY_RIGHT, 8});
        for (int wait = 0; wait < 70 && !app.GameOverFlag; ++wait) game.Frame();
    }
    if (screen == GameScreen::GameOver) game.Frame(50);  // the overlay grows
    game.Render();
    const bool reached[] = {app.LoadStage > 0 && bool(app.Images[Img::OrvoLogo]),
                            app.Mode == Screen::Menu,
                            app.CreditsOpen == 1,
                            app.OptionsOpen == 1,
                            app.Mode == Screen::Game,
                            app.Paused == 1,
                            app.GameOverFlag != 0 && app.Mode == Screen::Game};
    return reached[static_cast<int>(screen)];
}
