// Badge notices that slide in over every screen.

#include "game/myapp.h"

int c_MyApp::p_ShowBadges() {
    return 0;
}
