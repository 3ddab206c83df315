// c_MyApp: the application. For now a placeholder that shows the title, a row of cards that
// turn face down one by one, a rolling die and the playing piece, with the tune playing, until
// the close key ends it; the board game replaces it.
#pragma once

#include "framework/app.h"
#include "framework/graphics.h"

struct c_MyApp : c_App {
    c_Image *logo = nullptr;
    c_Image *cards = nullptr;
    c_Image *pieces = nullptr;
    c_Image *font = nullptr;
    int ticks = 0;  // updates since start: the placeholder's only clock

    c_MyApp *m_new();
    int p_OnCreate() override;
    int p_OnUpdate() override;
    int p_OnRender() override;
    void mark() override;
};
