// The placeholder application and the program's module initialiser and entry.

#include "game/myapp.h"

#include "host/glfw_game.h"

// ---------------------------------------------------------------------------------------------
// Application

c_MyApp *c_MyApp::m_new() {
    c_App::m_new();
    return this;
}

int c_MyApp::p_OnCreate() {
    kt_app_SetUpdateRate(60);
    return 0;
}

int c_MyApp::p_OnRender() {
    kt_graphics_device->Cls(12, 18, 46);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Program entry points

void ktInit() {
    kt_app_Init();
    kt_graphics_Init();
    kt_input_Init();
    kt_audio_Init();
}

int ktMain() {
    (new c_MyApp())->m_new();
    return 0;
}
