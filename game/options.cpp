// The options box, the pause screen and the console's quit prompt.

#include "game/myapp.h"

int c_MyApp::p_OptionBox() {
    return 0;
}

int c_MyApp::p_OuyaQuit() {
    return 0;
}
