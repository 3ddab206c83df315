// KtTestGame: a host for in-process tests. No window, a fake clock, scripted input.
//
// It runs the real frame loop (KtLoopGame) and the real input mapping (host/keys.h), so scripted
// keys, characters, mouse buttons and joysticks pass through the GLFW host's translation code.
// Time moves only when a test advances it or the loop sleeps. Scripted events wait in a queue
// until the loop pumps events (or a test calls PumpNow).
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <stdexcept>
#include <vector>

#include "host/keys.h"
#include "host/loop_game.h"

// Thrown by Die, so that a test can observe an escaped language exception.
struct KtTestDeath : std::runtime_error {
    explicit KtTestDeath(ThrowableObject *e) : std::runtime_error("died"), exception(e) {}
    ThrowableObject *exception;
};

// A scripted joystick: set axes and buttons before the next poll.
struct KtTestJoystick {
    std::vector<float> axes;
    std::vector<unsigned char> buttons;
};

class KtTestGame : public KtLoopGame, public KtJoystickSource {
public:
    ~KtTestGame() override;
    // Makes this the process's game (KtGame::_game) until it is destroyed.
    void Install();

    double Now() const { return now; }
    void Advance(double seconds) { now += seconds; }
    int Millisecs() override { return static_cast<int>(now * 1000.0); }

    void SetDeviceSize(int w, int h) {
        width = w;
        height = h;
    }
    int GetDeviceWidth() override { return width; }
    int GetDeviceHeight() override { return height; }
    // Releases every held scripted key first, as the GLFW host does before re-creating its window.
    void SetDeviceWindow(int width, int height, int flags) override;
    void SetDisplayModes(std::vector<std::pair<int, int>> modes) { displayModes = modes; }
    // A negative width means the host reports no desktop mode.
    void SetDesktopMode(int w, int h) {
        desktopWidth = w;
        desktopHeight = h;
    }
    Array<KtDisplayMode *> GetDisplayModes() override;
    KtDisplayMode *GetDesktopMode() override;

    // Scripted input (GLFW 3 key codes and actions), delivered at the next event pump. A focus
    // change takes effect at the same pump as the events queued before it.
    void ScriptKey(int key, int action);
    void ScriptChar(unsigned int character);
    void ScriptMouseButton(int button, int action);
    void ScriptCursor(double x, double y);
    void ScriptClose();
    void ScriptFocus(bool focused);
    // A joystick at library id `id` (0..15) with the given counts, all centred and released.
    KtTestJoystick &AddJoystick(int id, int buttons, int axes);
    void PumpNow() { PumpEvents(false); }

    // State in memory.
    int SaveState(String text) override {
        state = text;
        return 0;
    }
    String LoadState() override { return state; }
    // The state as it was when the game last asked to keep it as damaged.
    void KeepDamagedState() override { damagedState = state; }
    String damagedState;

    String PathToFilePath(String path) override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override;
    [[noreturn]] void Die(ThrowableObject *exception) override { throw KtTestDeath(exception); }

    // What the loop did: event pumps that waited, and each sleep's length.
    int waits = 0;
    std::vector<double> sleeps;

protected:
    double LoopTime() override { return now; }
    void SleepUntil(double time) override;
    void PumpEvents(bool wait) override;
    void SwapBuffers() override {}
    bool WindowOpen() override { return true; }
    bool WindowActive() override { return active; }

    bool JoystickPresent(int id) override { return joysticks.count(id) != 0; }
    const float *JoystickAxes(int id, int *count) override;
    const unsigned char *JoystickButtons(int id, int *count) override;

private:
    // The clock starts away from 0, which the loop reserves for "not running".
    double now = 1.0;
    bool active = true;
    int width = 640, height = 480;
    int desktopWidth = 1024, desktopHeight = 768;
    std::vector<std::pair<int, int>> displayModes;
    std::deque<std::function<void()>> pending;
    std::set<int> heldKeys;
    double cursorX = 0, cursorY = 0;
    std::map<int, KtTestJoystick> joysticks;
    KtTestJoystick gone;
    int joySlots[KT_JOYSTICK_PORTS] = {-1, -1, -1, -1};
    String state, appPath, internalPath;  // appPath empty: the executable's directory
    KtGame *previousGame = nullptr;
    bool installed = false;
};

// A delegate that records every call as text ("start", "update", "key 1 38", "mouse 4 0 10 20",
// ...) and runs an optional hook on each update and render.
struct KtRecordingDelegate : KtGameDelegate {
    std::vector<std::string> calls;
    std::function<void()> onUpdate, onRender;
    int updates = 0, renders = 0;

    void StartGame() override { calls.push_back("start"); }
    void SuspendGame() override { calls.push_back("suspend"); }
    void ResumeGame() override { calls.push_back("resume"); }
    void UpdateGame() override;
    void RenderGame() override;
    void KeyEvent(int event, int data) override { Record("key", {event, data}); }
    void MouseEvent(int event, int data, float x, float y) override {
        Record("mouse", {event, data, static_cast<int>(x), static_cast<int>(y)});
    }
    void TouchEvent(int event, int data, float, float) override { Record("touch", {event, data}); }
    void MotionEvent(int event, int, float, float, float) override { Record("motion", {event}); }
    void DiscardGraphics() override { calls.push_back("discard"); }
    // The recorded calls other than update and render, in order.
    std::vector<std::string> Events() const;
    void Record(const char *name, std::initializer_list<int> values);
};
