// The board game: the deal, the die, the piece's steps and the landings.

#include "game/myapp.h"

int c_MyApp::p_LoadGame() {
    return 0;
}

int c_MyApp::p_Game() {
    return 0;
}

int c_MyApp::p_InGame() {
    return 0;
}
