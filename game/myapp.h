// c_MyApp: the application. For now a placeholder that keeps the window running (a plain night
// sky) until the close key ends it; the board game replaces it.
#pragma once

#include "framework/app.h"

struct c_MyApp : c_App {
    c_MyApp *m_new();
    int p_OnCreate() override;
    int p_OnRender() override;
};
