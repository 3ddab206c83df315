// The app module: the application base class, the one game delegate the host drives, and the
// game's view of the host (time, update rate, window size, display modes, state, the end).
#pragma once

#include "framework/audio.h"
#include "framework/graphics.h"
#include "framework/input.h"
#include "host/ktgame.h"
#include "runtime/containers.h"

// ---------------------------------------------------------------------------------------------
// Types

// The game's application derives from it and calls m_new exactly once from its constructor.
struct c_App : Object {
    c_App *m_new();
    virtual int p_OnCreate() { return 0; }
    virtual int p_OnSuspend() { return 0; }
    virtual int p_OnResume() { return 0; }
    virtual int p_OnUpdate() { return 0; }
    virtual int p_OnRender() { return 0; }
    int p_OnResize() { return 0; }
    int p_OnLoading() { return 0; }
    // The window's close key: ends the process (status 0). An application that holds unsaved
    // state overrides it to save first, then calls this.
    virtual int p_OnClose();
    // Ends the process (status 0).
    int p_OnBack();
};

// Owns the three devices from StartGame on and brackets every update and render with the
// device work the game must not do itself.
struct c_GameDelegate : KtGameDelegate {
    gxtkGraphics *graphics = nullptr;
    gxtkAudio *audio = nullptr;
    c_InputDevice *input = nullptr;

    c_GameDelegate *m_new() { return this; }
    void StartGame() override;
    void SuspendGame() override;
    void ResumeGame() override;
    void UpdateGame() override;
    void RenderGame() override;
    void KeyEvent(int event, int data) override;
    void MouseEvent(int event, int data, float x, float y) override;
    void TouchEvent(int event, int data, float x, float y) override;
    void MotionEvent(int event, int data, float x, float y, float z) override;
    void DiscardGraphics() override;
    void mark() override;
};

struct c_DisplayMode : Object {
    int width = 0, height = 0;
    c_DisplayMode *m_new(int w, int h) {
        width = w;
        height = h;
        return this;
    }
};

// A stack of display modes (the distinct modes while they are enumerated).
using c_Stack = c_StackOf<c_DisplayMode *>;

// ---------------------------------------------------------------------------------------------
// Globals

extern c_App *kt_app__app;
extern c_GameDelegate *kt_app__delegate;
extern KtGame *kt_app__game;
extern int kt_app__devWidth;
extern int kt_app__devHeight;
extern Array<c_DisplayMode *> kt_app__displayModes;
extern c_DisplayMode *kt_app__desktopMode;
extern int kt_app__updateRate;

// ---------------------------------------------------------------------------------------------
// Functions

// Resets the module's globals; the host game pointer becomes KtGame::_game.
void kt_app_Init();
// Stores the rate and restarts the host's update clock.
int kt_app_SetUpdateRate(int hz);
int kt_app_Millisecs();
// The window size as of the last refresh (before every update and render).
int kt_app_DeviceWidth();
int kt_app_DeviceHeight();
String kt_app_LoadState();
// Asks the host to keep the state file aside before the next save replaces it: the state it held
// failed a checksum.
void kt_app_KeepDamagedState();
// The host's result (0, or -1/-2 on failure) is not passed on: the game has no way to act on it.
void kt_app_SaveState(String state);
// Refreshes the cached window size from the host.
int kt_app_ValidateDeviceWindow(bool notifyApp);
// Rebuilds the distinct display modes (first-seen order) and the desktop mode.
int kt_app_EnumDisplayModes();
// Ends the process at once with status 0.
[[noreturn]] void kt_app_EndApp();
