// The save string: settings, badge flags and highscore tables.

#include "game/myapp.h"

int c_MyApp::p_Save() {
    return 0;
}

int c_MyApp::p_Load() {
    return 0;
}
