// The in-process test host.

#include "tests/support/test_game.h"

#include <GLFW/glfw3.h>

#include <string>

#include "host/data.h"
#include "host/gxtk_graphics.h"

// ---------------------------------------------------------------------------------------------
// Host

KtTestGame::~KtTestGame() {
    if (installed) KtGame::_game = previousGame;
}

void KtTestGame::Install() {
    if (!installed) previousGame = KtGame::_game;
    installed = true;
    KtGame::_game = this;
}

void KtTestGame::SleepUntil(double time) {
    sleeps.push_back(time - now);
    if (time > now) now = time;
}

void KtTestGame::PumpEvents(bool wait) {
    if (wait) ++waits;
    // Events queued while delivering wait for the next pump, as on a real queue.
    std::deque<std::function<void()>> batch;
    batch.swap(pending);
    for (auto &event : batch) event();
}

void KtTestGame::SetDeviceWindow(int w, int h, int) {
    ReleaseHeldKeys(
        this,
        [](void *context, int key) {
            return static_cast<KtTestGame *>(context)->heldKeys.count(key) != 0;
        },
        this);
    heldKeys.clear();
    SetDeviceSize(w, h);
    ++glfwGraphicsSeq;
}

namespace {

KtDisplayMode *Mode(int width, int height) {
    KtDisplayMode *mode = new KtDisplayMode();
    mode->width = width;
    mode->height = height;
    return mode;
}

}  // namespace

Array<KtDisplayMode *> KtTestGame::GetDisplayModes() {
    Array<KtDisplayMode *> out(static_cast<int>(displayModes.size()));
    for (int i = 0; i < out.Length(); ++i) {
        out.Store(i, Mode(displayModes[i].first, displayModes[i].second));
    }
    return out;
}

KtDisplayMode *KtTestGame::GetDesktopMode() {
    return desktopWidth < 0 ? nullptr : Mode(desktopWidth, desktopHeight);
}

String KtTestGame::PathToFilePath(String path) {
    return kt_data_ResolvePath(path, appPath, internalPath);
}

// ---------------------------------------------------------------------------------------------
// Scripted input

void KtTestGame::ScriptKey(int key, int action) {
    pending.push_back([this, key, action] {
        if (action == GLFW_RELEASE) {
            heldKeys.erase(key);
        } else {
            heldKeys.insert(key);
        }
        OnKey(this, key, action);
    });
}

void KtTestGame::ScriptChar(unsigned int character) {
    pending.push_back([this, character] { OnChar(this, character); });
}

void KtTestGame::ScriptMouseButton(int button, int action) {
    pending.push_back(
        [this, button, action] { OnMouseButton(this, button, action, cursorX, cursorY); });
}

void KtTestGame::ScriptCursor(double x, double y) {
    pending.push_back([this, x, y] {
        cursorX = x;
        cursorY = y;
        OnMousePos(this, x, y);
    });
}

void KtTestGame::ScriptClose() {
    pending.push_back([this] { OnWindowClose(this); });
}

void KtTestGame::ScriptFocus(bool focused) {
    pending.push_back([this, focused] { active = focused; });
}

KtTestJoystick &KtTestGame::AddJoystick(int id, int buttons, int axes) {
    KtTestJoystick &joystick = joysticks[id];
    joystick.axes.assign(axes, 0.0f);
    joystick.buttons.assign(buttons, 0);
    return joystick;
}

// Like GLFW, a joystick that went away reports nothing rather than failing.
const float *KtTestGame::JoystickAxes(int id, int *count) {
    KtTestJoystick &joystick = joysticks.count(id) ? joysticks[id] : gone;
    *count = static_cast<int>(joystick.axes.size());
    return joystick.axes.data();
}

const unsigned char *KtTestGame::JoystickButtons(int id, int *count) {
    KtTestJoystick &joystick = joysticks.count(id) ? joysticks[id] : gone;
    *count = static_cast<int>(joystick.buttons.size());
    return joystick.buttons.data();
}

bool KtTestGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons) {
    return PollJoystickDevice(*this, joySlots, port, joyx, joyy, joyz, buttons);
}

// ---------------------------------------------------------------------------------------------
// Recording delegate

void KtRecordingDelegate::UpdateGame() {
    ++updates;
    calls.push_back("update");
    if (onUpdate) onUpdate();
}

void KtRecordingDelegate::RenderGame() {
    ++renders;
    calls.push_back("render");
    if (onRender) onRender();
}

void KtRecordingDelegate::Record(const char *name, std::initializer_list<int> values) {
    std::string call = name;
    for (int value : values) call += " " + std::to_string(value);
    calls.push_back(call);
}

std::vector<std::string> KtRecordingDelegate::Events() const {
    std::vector<std::string> out;
    for (const std::string &call : calls) {
        if (call != "update" && call != "render") out.push_back(call);
    }
    return out;
}
