// KtGlfwGame: the desktop host on GLFW 3: window, timing, input callbacks, joysticks, paths.
//
// The frame loop itself lives in KtLoopGame; this class supplies its primitives (GLFW's timer,
// a precise sleep, event pumping, buffer swap, window state) and everything else the framework
// asks of the platform. KtVantorGame adds only the process entry.
#pragma once

#include "host/image_prefetch.h"
#include "host/keys.h"
#include "host/loop_game.h"

struct GLFWwindow;

// ---------------------------------------------------------------------------------------------
// Types

// A video mode exactly as the window library reports it (bit depths included).
struct KtGlfwVideoMode : Object {
    int width = 0, height = 0, red = 0, green = 0, blue = 0;
};

class KtGlfwGame : public KtLoopGame, public KtJoystickSource {
public:
    KtGlfwGame();

    int Millisecs() override;
    int SaveState(String state) override;
    String LoadState() override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override;
    // Hands the URL, narrowed to 8 bits per code unit, to `urlOpener` in a detached process.
    void OpenUrl(String url) override;
    void SetMouseVisible(bool visible) override;
    int GetDeviceWidth() override;
    int GetDeviceHeight() override;
    void SetDeviceWindow(int width, int height, int flags) override;
    Array<KtDisplayMode *> GetDisplayModes() override;
    KtDisplayMode *GetDesktopMode() override;
    void SetSwapInterval(int interval) override;
    String PathToFilePath(String path) override;
    // Takes the file's pixels from the prefetch when it has them, else decodes at once.
    unsigned char *LoadImageData(String path, int *width, int *height, int *depth) override;
    unsigned char *LoadAudioData(String path, int *length, int *channels, int *format,
                                 int *hertz) override;
    // Decodes the files on a worker thread, in order (the files are opened here).
    void PrefetchImages(Array<String> paths) override;

    // (Re)creates the window: held keys are released first, then the old window closes and a
    // new one opens (centred and titled when windowed) with the callbacks installed. A window
    // that cannot be opened ends the process with a message and status 1.
    virtual void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                               int depth, int stencil, bool fullscreen);
    virtual KtGlfwVideoMode *GetGlfwDesktopMode();
    virtual Array<KtGlfwVideoMode *> GetGlfwVideoModes();
    // Opens the 640 x 480 window, starts the game and runs frames until the window closes.
    virtual void Run();

    GLFWwindow *Window() const { return window; }

    static KtGlfwGame *_glfwGame;
    // The desktop's opener program (looked up on PATH); tests point it at a fake.
    static const char *urlOpener;

protected:
    double LoopTime() override;
    void SleepUntil(double time) override;
    void PumpEvents(bool wait) override;
    void SwapBuffers() override;
    bool WindowOpen() override;
    bool WindowActive() override;

    bool JoystickPresent(int id) override;
    const float *JoystickAxes(int id, int *count) override;
    const unsigned char *JoystickButtons(int id, int *count) override;

    String appPath;
    String internalPath;
    int swapInterval;
    GLFWwindow *window;
    int joySlots[KT_JOYSTICK_PORTS];
    ImagePrefetch prefetch;
};

class KtVantorGame : public KtGlfwGame {
public:
    // The whole life of the process; returns when the window has been closed.
    static void Main(int argc, char **argv);
};

// ---------------------------------------------------------------------------------------------
// Globals

extern int kt_argc;
extern char **kt_argv;

// ---------------------------------------------------------------------------------------------
// Functions

// The application's side of start-up, defined by the program (game/): the module initialiser
// of every framework and game global, and the module entry that creates the application.
void ktInit();
int ktMain();

// Crash signals (SIGSEGV, SIGILL, SIGFPE) print the runtime's error line ("Vantor Runtime Error : "
// and what happened) and end the process at once with status -1, without the fatal-error path:
// no exit handlers, no debugger protocol.
void kt_glfw_InstallSignalHandlers();
// LC_CTYPE "en_US.UTF-8", or the user's default when that locale is missing.
void kt_glfw_SetLocale();
