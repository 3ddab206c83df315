// The app module: c_App, c_GameDelegate and the game's view of the host.

#include "framework/app.h"

#include "runtime/containers.h"

// ---------------------------------------------------------------------------------------------
// Globals

c_App *kt_app__app;
c_GameDelegate *kt_app__delegate;
KtGame *kt_app__game;
int kt_app__devWidth;
int kt_app__devHeight;
Array<c_DisplayMode *> kt_app__displayModes;
c_DisplayMode *kt_app__desktopMode;
int kt_app__updateRate;

namespace {

gc_roots roots([] {
    gc_mark(kt_app__app);
    gc_mark(kt_app__delegate);
    gc_mark(kt_app__displayModes);
    gc_mark(kt_app__desktopMode);
});

// Render modes the renderer's BeginRender answers.
constexpr int kRenderNone = 0, kRenderLoading = 2;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Application base

c_App *c_App::m_new() {
    if (kt_app__app) ktError(String("App has already been created"));
    gc_assign(kt_app__app, this);
    gc_assign(kt_app__delegate, (new c_GameDelegate())->m_new());
    kt_app__game->SetDelegate(kt_app__delegate);
    return this;
}

int c_App::p_OnClose() {
    kt_app_EndApp();
}

int c_App::p_OnBack() {
    kt_app_EndApp();
}

// ---------------------------------------------------------------------------------------------
// Delegate

void c_GameDelegate::StartGame() {
    gc_assign(graphics, new gxtkGraphics());
    gc_assign(kt_graphics_device, graphics);
    kt_graphics_SetFont(nullptr, 32);
    gc_assign(audio, new gxtkAudio());
    gc_assign(kt_audio_device, audio);
    gc_assign(input, (new c_InputDevice())->m_new());
    gc_assign(kt_input_device, input);
    kt_app_ValidateDeviceWindow(false);
    kt_app_EnumDisplayModes();
    kt_app__app->p_OnCreate();
}

void c_GameDelegate::SuspendGame() {
    kt_app__app->p_OnSuspend();
    audio->Suspend();
}

void c_GameDelegate::ResumeGame() {
    audio->Resume();
    kt_app__app->p_OnResume();
}

void c_GameDelegate::UpdateGame() {
    kt_app_ValidateDeviceWindow(false);
    input->p_BeginUpdate();
    kt_app__app->p_OnUpdate();
    input->p_EndUpdate();
}

void c_GameDelegate::RenderGame() {
    kt_app_ValidateDeviceWindow(false);
    int mode = graphics->BeginRender();
    if (mode == kRenderNone) {
        // No render device is current: the application must not draw.
        kt_app__app->p_OnRender();
        graphics->EndRender();
        return;
    }
    kt_graphics_BeginRender();
    if (mode == kRenderLoading) {
        kt_app__app->p_OnLoading();
    } else {
        kt_app__app->p_OnRender();
    }
    kt_graphics_EndRender();
    graphics->EndRender();
}

void c_GameDelegate::KeyEvent(int event, int data) {
    input->p_KeyEvent(event, data);
    if (event != KtEvent::KeyDown) return;
    if (data == KeyCode::Close) kt_app__app->p_OnClose();
    if (data == KeyCode::Back || data == KeyCode::Close) kt_app_EndApp();
}

void c_GameDelegate::MouseEvent(int event, int data, float x, float y) {
    input->p_MouseEvent(event, data, x, y);
}

void c_GameDelegate::TouchEvent(int event, int data, float x, float y) {
    input->p_TouchEvent(event, data, x, y);
}

void c_GameDelegate::MotionEvent(int event, int data, float x, float y, float z) {
    input->p_MotionEvent(event, data, x, y, z);
}

void c_GameDelegate::DiscardGraphics() {
    graphics->DiscardGraphics();
}

void c_GameDelegate::mark() {
    gc_mark(graphics);
    gc_mark(audio);
    gc_mark(input);
    KtGameDelegate::mark();
}

// ---------------------------------------------------------------------------------------------
// Module functions

void kt_app_Init() {
    kt_app__app = nullptr;
    kt_app__delegate = nullptr;
    kt_app__game = KtGame::_game;
    kt_app__devWidth = 0;
    kt_app__devHeight = 0;
    kt_app__displayModes = Array<c_DisplayMode *>();
    kt_app__desktopMode = nullptr;
    kt_app__updateRate = 0;
}

int kt_app_SetUpdateRate(int hz) {
    kt_app__updateRate = hz;
    kt_app__game->SetUpdateRate(hz);
    return 0;
}

int kt_app_Millisecs() {
    return kt_app__game->Millisecs();
}

int kt_app_DeviceWidth() {
    return kt_app__devWidth;
}

int kt_app_DeviceHeight() {
    return kt_app__devHeight;
}

String kt_app_LoadState() {
    return kt_app__game->LoadState();
}

void kt_app_SaveState(String state) {
    kt_app__game->SaveState(state);
}

void kt_app_KeepDamagedState() {
    kt_app__game->KeepDamagedState();
}

int kt_app_ValidateDeviceWindow(bool) {
    int width = kt_app__game->GetDeviceWidth();
    int height = kt_app__game->GetDeviceHeight();
    if (width != kt_app__devWidth || height != kt_app__devHeight) {
        kt_app__devWidth = width;
        kt_app__devHeight = height;
    }
    return 0;
}

int kt_app_EnumDisplayModes() {
    Array<KtDisplayMode *> modes = kt_app__game->GetDisplayModes();
    // Equal sizes with other depths or refresh rates are one mode to the game.
    c_IntMap<c_DisplayMode *> *seen = (new c_IntMap<c_DisplayMode *>())->m_new();
    c_Stack *distinct = (new c_Stack())->m_new();
    for (int i = 0; i < modes.Length(); ++i) {
        KtDisplayMode *mode = modes[i];
        int key = (mode->width << 16) | mode->height;
        if (seen->p_Contains(key)) continue;
        c_DisplayMode *displayMode = (new c_DisplayMode())->m_new(mode->width, mode->height);
        seen->p_Insert(key, displayMode);
        distinct->p_Push(displayMode);
    }
    gc_assign(kt_app__displayModes, distinct->p_ToArray());

    KtDisplayMode *desktop = kt_app__game->GetDesktopMode();
    c_DisplayMode *mode = desktop
                              ? (new c_DisplayMode())->m_new(desktop->width, desktop->height)
                              : (new c_DisplayMode())->m_new(kt_app__devWidth, kt_app__devHeight);
    gc_assign(kt_app__desktopMode, mode);
    return 0;
}

void kt_app_EndApp() {
    ktError(String());
}
