// Scripted ways to the game's screens for a GlGame: keys go through the host's real input
// mapping, time is the test host's fake clock and every wait is a fixed number of frames, so a
// screen comes out the same on every run (the board's deal is seeded from that clock too).
// Shared by the goldens and the gallery.
#pragma once

#include <GLFW/glfw3.h>

#include "tests/game_e2e/gl_game.h"

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
