// KtTestGame: the windowless host plus a scriptable device and a record of waits and sleeps.
#pragma once

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/headless_game.h"

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

class KtTestGame : public KtHeadlessGame, public KtJoystickSource {
public:
    void SetDeviceSize(int w, int h) { width = w, height = h; }
    int GetDeviceWidth() override { return width; }
    int GetDeviceHeight() override { return height; }
    // Releases every held scripted key first, as the GLFW host does before re-creating its window.
    void SetDeviceWindow(int width, int height, int flags) override;
    // A negative width means the host reports no desktop mode.
    void SetDesktopMode(int w, int h) { desktop = {w, h}; }
    KtDisplayMode *GetDesktopMode() override;

    // Scripted input (GLFW 3 codes), delivered in order at the next event pump like ScriptKey.
    void ScriptChar(unsigned int c) {
        Post([this, c] { OnChar(this, c); });
    }
    void ScriptMouseButton(int button, int action) {
        Post([this, button, action] { OnMouseButton(this, button, action, cursor[0], cursor[1]); });
    }
    void ScriptCursor(double x, double y) {
        Post([this, x, y] { cursor[0] = x, cursor[1] = y, OnMousePos(this, x, y); });
    }
    void ScriptClose() {
        Post([this] { OnWindowClose(this); });
    }
    void ScriptFocus(bool focused) {
        Post([this, focused] { active = focused; });
    }
    // A joystick at library id `id` (0..15) with the given counts, all centred and released.
    KtTestJoystick &AddJoystick(int id, int buttons, int axes) {
        return joysticks[id] = {std::vector<float>(axes), std::vector<unsigned char>(buttons)};
    }
    void PumpNow() { PumpEvents(false); }

    // The state as it was when the game last asked to keep it as damaged.
    void KeepDamagedState() override { damagedState = LoadState(); }
    String damagedState;

    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override {
        return PollJoystickDevice(*this, joySlots, port, joyx, joyy, joyz, buttons);
    }
    [[noreturn]] void Die(ThrowableObject *exception) override { throw KtTestDeath(exception); }

    int waits = 0;  // event pumps that waited, and each sleep's length
    std::vector<double> sleeps;

protected:
    void SleepUntil(double time) override {
        sleeps.push_back(time - now);
        KtHeadlessGame::SleepUntil(time);
    }
    void PumpEvents(bool wait) override {
        waits += wait;
        KtHeadlessGame::PumpEvents(wait);
    }
    bool WindowActive() override { return active; }

    bool JoystickPresent(int id) override { return joysticks.count(id) != 0; }
    const float *JoystickAxes(int id, int *count) override {
        return Report(Joystick(id).axes, count);
    }
    const unsigned char *JoystickButtons(int id, int *count) override {
        return Report(Joystick(id).buttons, count);
    }

private:
    KtTestJoystick &Joystick(int id) { return joysticks.count(id) ? joysticks[id] : gone; }
    template <class T>
    static const T *Report(const std::vector<T> &values, int *count) {
        *count = static_cast<int>(values.size());
        return values.data();
    }

    bool active = true;
    int width = 640, height = 480;
    std::pair<int, int> desktop{1024, 768};
    double cursor[2] = {0, 0};
    std::map<int, KtTestJoystick> joysticks;
    KtTestJoystick gone;  // what a joystick that went away reports: nothing, as in GLFW
    int joySlots[KT_JOYSTICK_PORTS] = {-1, -1, -1, -1};
};

// A delegate recording every call as text ("start", "key 1 38", ...), with update/render hooks.
struct KtRecordingDelegate : KtGameDelegate {
    std::vector<std::string> calls;
    std::function<void()> onUpdate, onRender;
    int updates = 0, renders = 0;

    void StartGame() override { calls.push_back("start"); }
    void SuspendGame() override { calls.push_back("suspend"); }
    void ResumeGame() override { calls.push_back("resume"); }
    void UpdateGame() override { Hook("update", updates, onUpdate); }
    void RenderGame() override { Hook("render", renders, onRender); }
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

private:
    void Hook(const char *name, int &count, const std::function<void()> &hook) {
        ++count;
        calls.push_back(name);
        if (hook) hook();
    }
};
