// The main menu wheel, the highscore lists and the credits page.

#include "game/myapp.h"

int c_MyApp::p_Menu() {
    return 0;
}
