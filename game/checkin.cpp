// The online check-in: one request to the game's service, switched off by configuration.

#include "game/myapp.h"

int c_MyApp::p_GetURL(String, String, String) {
    return 0;
}

// The game's number at the check-in service.
const int kt_Cobble_GameNum = 1;
