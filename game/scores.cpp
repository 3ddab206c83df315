// Scores, placings and the game-over overlay.

#include "game/myapp.h"

int c_MyApp::p_GameOver() {
    return 0;
}

int c_MyApp::p_LoadMenu() {
    return 0;
}
