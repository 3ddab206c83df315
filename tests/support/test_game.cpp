// The in-process test host.

#include "tests/support/test_game.h"

#include <GLFW/glfw3.h>

#include <string>

#include "host/data.h"

// ---------------------------------------------------------------------------------------------
// Host

KtTestGame::KtTestGame(String dataRoot) : appPath(dataRoot) {}

KtTestGame::~KtTestGame() {
    if (installed) KtGame::_game = previousGame;
}

void KtTestGame::Install() {
    if (!installed) previousGame = KtGame::_game;
    installed = true;
    KtGame::_game = this;
}

int KtTestGame::Millisecs() {
    return static_cast<int>(now * 1000.0);
}

void KtTestGame::SleepUntil(double time) {
    sleeps.push_back(time - now);
    if (time > now) now = time;
}

void KtTestGame::PumpEvents(bool wait) {
    ++pumps;
    if (wait) ++waits;
    // Events queued while delivering (none today) wait for the next pump, as on a real queue.
    std::deque<std::function<void()>> batch;
    batch.swap(pending);
    for (auto &event : batch) event();
}

void KtTestGame::SetDeviceSize(int w, int h) {
    width = w;
    height = h;
}

void KtTestGame::SetDeviceWindow(int w, int h, int) {
    ReleaseHeldKeys(
        this,
        [](void *context, int key) {
            return static_cast<KtTestGame *>(context)->heldKeys.count(key) != 0;
        },
        this);
    heldKeys.clear();
    width = w;
    height = h;
    ++glfwGraphicsSeq;
}

void KtTestGame::SetDesktopMode(int w, int h) {
    desktopWidth = w;
    desktopHeight = h;
}

Array<KtDisplayMode *> KtTestGame::GetDisplayModes() {
    Array<KtDisplayMode *> out(static_cast<int>(displayModes.size()));
    for (int i = 0; i < out.Length(); ++i) {
        KtDisplayMode *mode = new KtDisplayMode();
        mode->width = displayModes[i].first;
        mode->height = displayModes[i].second;
        out.Store(i, mode);
    }
    return out;
}

KtDisplayMode *KtTestGame::GetDesktopMode() {
    if (desktopWidth < 0) return nullptr;
    KtDisplayMode *mode = new KtDisplayMode();
    mode->width = desktopWidth;
    mode->height = desktopHeight;
    return mode;
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
    auto it = joysticks.find(id);
    *count = it == joysticks.end() ? 0 : static_cast<int>(it->second.axes.size());
    return it == joysticks.end() ? nullptr : it->second.axes.data();
}

const unsigned char *KtTestGame::JoystickButtons(int id, int *count) {
    auto it = joysticks.find(id);
    *count = it == joysticks.end() ? 0 : static_cast<int>(it->second.buttons.size());
    return it == joysticks.end() ? nullptr : it->second.buttons.data();
}

bool KtTestGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons) {
    return PollJoystickDevice(*this, joySlots, port, joyx, joyy, joyz, buttons);
}

// ---------------------------------------------------------------------------------------------
// State, paths, fatal end

int KtTestGame::SaveState(String text) {
    if (saveResult == 0) state = text;
    return saveResult;
}

String KtTestGame::LoadState() {
    return state;
}

String KtTestGame::PathToFilePath(String path) {
    return kt_data_ResolvePath(path, appPath, internalPath);
}

void KtTestGame::Die(ThrowableObject *exception) {
    throw KtTestDeath(exception);
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

void KtRecordingDelegate::KeyEvent(int event, int data) {
    calls.push_back("key " + std::to_string(event) + " " + std::to_string(data));
}

void KtRecordingDelegate::MouseEvent(int event, int data, float x, float y) {
    calls.push_back("mouse " + std::to_string(event) + " " + std::to_string(data) + " " +
                    std::to_string(static_cast<int>(x)) + " " +
                    std::to_string(static_cast<int>(y)));
}

void KtRecordingDelegate::TouchEvent(int event, int data, float, float) {
    calls.push_back("touch " + std::to_string(event) + " " + std::to_string(data));
}

void KtRecordingDelegate::MotionEvent(int event, int, float, float, float) {
    calls.push_back("motion " + std::to_string(event));
}

std::vector<std::string> KtRecordingDelegate::Events() const {
    std::vector<std::string> out;
    for (const std::string &call : calls) {
        if (call != "update" && call != "render") out.push_back(call);
    }
    return out;
}
