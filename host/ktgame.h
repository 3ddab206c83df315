// KtGame: the one narrow interface between the portable framework and the platform.
//
// Everything above this class (framework and game) is portable and runs unchanged on the GLFW
// host and on the in-process test host. The host reaches the game only through its delegate;
// every guarded entry point forwards to the delegate inside the language-exception guard and
// then runs one collector step, so collection never runs inside game code.
#pragma once

#include <cstdio>

#include "runtime/array.h"
#include "runtime/debug.h"
#include "runtime/gc.h"
#include "runtime/ktstring.h"

// ---------------------------------------------------------------------------------------------
// Types

// Receives every lifecycle step and input event; the framework's c_GameDelegate implements it.
struct KtGameDelegate : Object {
    virtual void StartGame() {}
    virtual void SuspendGame() {}
    virtual void ResumeGame() {}
    virtual void UpdateGame() {}
    virtual void RenderGame() {}
    virtual void KeyEvent(int /*event*/, int /*data*/) {}
    virtual void MouseEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/) {}
    virtual void TouchEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/) {}
    virtual void MotionEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/, float /*z*/) {}
    virtual void DiscardGraphics() {}
};

// A display mode as the framework sees it; this host fills width and height only.
struct KtDisplayMode : Object {
    int width = 0, height = 0, depth = 0, hertz = 0, flags = 0;
};

class KtGame {
public:
    KtGame();
    virtual ~KtGame();

    virtual void SetDelegate(KtGameDelegate *delegate);
    virtual KtGameDelegate *Delegate();
    virtual void SetKeyboardEnabled(bool enabled);
    virtual bool KeyboardEnabled();
    virtual void SetUpdateRate(int hz);
    virtual int UpdateRate();
    virtual bool Started();
    virtual bool Suspended();
    virtual int Millisecs();
    virtual void GetDate(Array<int> date);
    virtual int SaveState(String state);
    // The state file's text; the empty string when there is none, and for a file larger than
    // kt_data_MaxStateBytes, which is then kept aside as KeepDamagedState keeps a damaged one.
    virtual String LoadState();
    // Keeps a copy of the state file as ".vantorstate.damaged" (replacing an older copy) so that
    // the next save does not destroy what the player had, and prints one line saying so. The game
    // calls it when the state it loaded fails a checksum.
    virtual void KeepDamagedState();
    virtual String LoadString(String path);
    virtual bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons);
    virtual void OpenUrl(String url);
    virtual void SetMouseVisible(bool visible);
    virtual int GetDeviceWidth();
    virtual int GetDeviceHeight();
    virtual void SetDeviceWindow(int width, int height, int flags);
    virtual Array<KtDisplayMode *> GetDisplayModes();
    virtual KtDisplayMode *GetDesktopMode();
    virtual void SetSwapInterval(int interval);
    virtual String PathToFilePath(String path);
    virtual std::FILE *OpenFile(String path, String mode);
    // The whole file in one malloc'ed buffer owned by the caller (free()); null on failure.
    virtual unsigned char *LoadData(String path, int *length);
    virtual unsigned char *LoadImageData(String path, int *width, int *height, int *depth);
    virtual unsigned char *LoadAudioData(String path, int *length, int *channels, int *format,
                                         int *hertz);
    // A hint that these image files (data paths as the graphics module is given them) will be
    // loaded soon, in this order: a host may decode them ahead, and LoadImageData then hands
    // out the decoded pixels. An empty list withdraws the hint. Ignored by default.
    virtual void PrefetchImages(Array<String> paths);
    [[noreturn]] virtual void Die(ThrowableObject *exception);
    virtual void gc_collect();

    // Guarded entry points: the frame loop and the input callbacks call only these.
    virtual void StartGame();
    virtual void SuspendGame();
    virtual void ResumeGame();
    virtual void UpdateGame();
    virtual void RenderGame();
    virtual void KeyEvent(int event, int data);
    virtual void MouseEvent(int event, int data, float x, float y);
    virtual void TouchEvent(int event, int data, float x, float y);
    virtual void MotionEvent(int event, int data, float x, float y, float z);
    virtual void DiscardGraphics();

    static KtGame *_game;

protected:
    KtGameDelegate *delegate;
    bool keyboardEnabled;
    int updateRate;
    bool started;
    bool suspended;
};

// ---------------------------------------------------------------------------------------------
// Functions

// Turns a bare resource name into a data-scheme path ("vantor://data/" + name).
String kt_data_FixDataPath(String path);
