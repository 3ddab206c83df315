// Input mapping: GLFW 3 key codes, callback event sequences and joystick layouts.

#include "host/keys.h"

// GLFW's header only for its key, action and joystick constants; nothing here calls GLFW.
#include <GLFW/glfw3.h>

// ---------------------------------------------------------------------------------------------
// Types

namespace {

// One joystick layout: six axis sources and the framework buttons' device buttons, each list
// ended early by kEnd. Axis source codes: low 4 bits index, high bits kind (below).
struct Layout {
    int axes[6];
    int buttons[14];
};

// ---------------------------------------------------------------------------------------------
// Globals

constexpr int kEnd = 999;
constexpr int kDeleteChar = 127;
constexpr int kNonPrinting = 0x10000;  // marks the character of a key that prints nothing
constexpr int kAxis = 0, kAxisHalfUp = 16, kAxisHalfDown = 32, kAxisNegated = 64, kButton = 128;

// A: pads reporting 14 buttons and 5 axes (triggers on one shared axis).
constexpr Layout kLayoutA = {{0, 1, 2, 4, 67, 66}, {0, 1, 2, 3, 4, 5, 6, 7, -4, -3, -2, -1, 8, 9}};
// B: every other device (triggers as buttons 6 and 7).
constexpr Layout kLayoutB = {{0, 1, 134, 2, 67, 135},
                             {1, 2, 0, 3, 4, 5, 8, 9, -4, -3, -2, -1, 10, 11}};

// Framework codes of the non-alphanumeric keys; GLFW 3 gives the US-layout key position, so
// the double quote and tilde share the apostrophe and backquote keys.
struct KeyRow {
    int key, code;
};
constexpr KeyRow kKeyTable[] = {
    {GLFW_KEY_SPACE, KeyCode::Space},
    {GLFW_KEY_APOSTROPHE, KeyCode::Apostrophe},
    {GLFW_KEY_COMMA, KeyCode::Comma},
    {GLFW_KEY_MINUS, KeyCode::Minus},
    {GLFW_KEY_PERIOD, KeyCode::Period},
    {GLFW_KEY_SLASH, KeyCode::Slash},
    {GLFW_KEY_SEMICOLON, KeyCode::Semicolon},
    {GLFW_KEY_EQUAL, KeyCode::Equal},
    {GLFW_KEY_LEFT_BRACKET, KeyCode::LeftBracket},
    {GLFW_KEY_BACKSLASH, KeyCode::Backslash},
    {GLFW_KEY_RIGHT_BRACKET, KeyCode::RightBracket},
    {GLFW_KEY_GRAVE_ACCENT, KeyCode::Backquote},
    {GLFW_KEY_ESCAPE, KeyCode::Escape},
    {GLFW_KEY_UP, KeyCode::Up},
    {GLFW_KEY_DOWN, KeyCode::Down},
    {GLFW_KEY_LEFT, KeyCode::Left},
    {GLFW_KEY_RIGHT, KeyCode::Right},
    {GLFW_KEY_LEFT_SHIFT, KeyCode::Shift},
    {GLFW_KEY_RIGHT_SHIFT, KeyCode::Shift},
    {GLFW_KEY_LEFT_CONTROL, KeyCode::Control},
    {GLFW_KEY_RIGHT_CONTROL, KeyCode::Control},
    {GLFW_KEY_TAB, KeyCode::Tab},
    {GLFW_KEY_ENTER, KeyCode::Enter},
    {GLFW_KEY_BACKSPACE, KeyCode::Backspace},
    {GLFW_KEY_INSERT, KeyCode::Insert},
    {GLFW_KEY_DELETE, KeyCode::Delete},
    {GLFW_KEY_PAGE_UP, KeyCode::PageUp},
    {GLFW_KEY_PAGE_DOWN, KeyCode::PageDown},
    {GLFW_KEY_HOME, KeyCode::Home},
    {GLFW_KEY_END, KeyCode::End},
    {GLFW_KEY_KP_DIVIDE, KeyCode::NumpadDivide},
    {GLFW_KEY_KP_MULTIPLY, KeyCode::NumpadMultiply},
    {GLFW_KEY_KP_SUBTRACT, KeyCode::NumpadSubtract},
    {GLFW_KEY_KP_ADD, KeyCode::NumpadAdd},
    {GLFW_KEY_KP_DECIMAL, KeyCode::NumpadDecimal},
};

// ---------------------------------------------------------------------------------------------
// Functions

float AxisSource(int code, const float *axes, int axisCount, const unsigned char *buttons,
                 int buttonCount) {
    int index = code & 15, kind = code & ~15;
    if (kind == kButton) {
        return index < buttonCount && buttons[index] ? 1.0f : 0.0f;
    }
    // Only the first six axes are read; the rest count as centred.
    float axis = index < axisCount && index < 6 ? axes[index] : 0.0f;
    switch (kind) {
        case kAxis:
            return axis;
        case kAxisHalfUp:
            return (1 + axis) * 0.5f;
        case kAxisHalfDown:
            return (1 - axis) * 0.5f;
        case kAxisNegated:
            return -axis;
        default:
            return 0.0f;
    }
}

}  // namespace

int TransKey(int key) {
    if ((key >= GLFW_KEY_0 && key <= GLFW_KEY_9) || (key >= GLFW_KEY_A && key <= GLFW_KEY_Z)) {
        return key;
    }
    if (key >= GLFW_KEY_F1 && key <= GLFW_KEY_F12) return KeyCode::F1 + (key - GLFW_KEY_F1);
    if (key >= GLFW_KEY_KP_0 && key <= GLFW_KEY_KP_9) {
        return KeyCode::Numpad0 + (key - GLFW_KEY_KP_0);
    }
    for (const KeyRow &row : kKeyTable) {
        if (row.key == key) return row.code;
    }
    return 0;
}

int KeyToChar(int code) {
    switch (code) {
        case KeyCode::Backspace:
        case KeyCode::Tab:
        case KeyCode::Enter:
        case KeyCode::Escape:
            return code;
        case KeyCode::Delete:
            return kDeleteChar;
        case KeyCode::Insert:
            return code | kNonPrinting;
        default:
            return code >= KeyCode::PageUp && code <= KeyCode::Down ? code | kNonPrinting : 0;
    }
}

void OnKey(KtGame *game, int key, int action) {
    int code = TransKey(key);
    if (code == 0) return;
    if (action == GLFW_PRESS || action == GLFW_REPEAT) {
        game->KeyEvent(KtEvent::KeyDown, code);
        int c = KeyToChar(code);
        if (c != 0) game->KeyEvent(KtEvent::KeyChar, c);
    } else if (action == GLFW_RELEASE) {
        game->KeyEvent(KtEvent::KeyUp, code);
    }
}

void OnChar(KtGame *game, unsigned int character) {
    game->KeyEvent(KtEvent::KeyChar, static_cast<int>(character));
}

void OnMouseButton(KtGame *game, int button, int action, double x, double y) {
    if (button < 0 || button > 2) return;
    float fx = static_cast<float>(x), fy = static_cast<float>(y);
    if (action == GLFW_PRESS) {
        game->MouseEvent(KtEvent::MouseDown, button, fx, fy);
    } else if (action == GLFW_RELEASE) {
        game->MouseEvent(KtEvent::MouseUp, button, fx, fy);
    }
}

void OnMousePos(KtGame *game, double x, double y) {
    game->MouseEvent(KtEvent::MouseMove, -1, static_cast<float>(x), static_cast<float>(y));
}

void OnWindowClose(KtGame *game) {
    game->KeyEvent(KtEvent::KeyDown, KeyCode::Close);
    game->KeyEvent(KtEvent::KeyUp, KeyCode::Close);
}

void ReleaseHeldKeys(KtGame *game, bool (*pressed)(void *context, int key), void *context) {
    for (int key = GLFW_KEY_SPACE; key <= GLFW_KEY_LAST; ++key) {
        int code = TransKey(key);
        if (code != 0 && pressed(context, key)) game->KeyEvent(KtEvent::KeyUp, code);
    }
}

bool PollJoystickDevice(KtJoystickSource &source, int slots[KT_JOYSTICK_PORTS], int port,
                        Array<float> joyx, Array<float> joyy, Array<float> joyz,
                        Array<bool> buttons) {
    if (port < 0 || port >= KT_JOYSTICK_PORTS) return false;
    if (port == 0) {
        int found = 0;
        for (int id = 0; id < KT_JOYSTICK_IDS && found < KT_JOYSTICK_PORTS; ++id) {
            if (source.JoystickPresent(id)) slots[found++] = id;
        }
        while (found < KT_JOYSTICK_PORTS) slots[found++] = -1;
    }
    int id = slots[port];
    if (id < 0) return false;

    int axisCount = 0, buttonCount = 0;
    const float *axes = source.JoystickAxes(id, &axisCount);
    const unsigned char *pressed = source.JoystickButtons(id, &buttonCount);
    if (!axes) axisCount = 0;
    if (!pressed) buttonCount = 0;
    const Layout &layout = buttonCount == 14 && axisCount == 5 ? kLayoutA : kLayoutB;

    float out[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 6 && layout.axes[i] != kEnd; ++i) {
        out[i] = AxisSource(layout.axes[i], axes, axisCount, pressed, buttonCount);
    }
    joyx[0] = out[0], joyy[0] = out[1], joyz[0] = out[2];
    joyx[1] = out[3], joyy[1] = out[4], joyz[1] = out[5];

    for (int i = 0; i < JoyButton::Count; ++i) buttons[i] = false;
    for (int i = 0; i < 14 && layout.buttons[i] != kEnd; ++i) {
        // Negative entries count from the end, where the library appends the hat directions;
        // a device with too few buttons simply leaves those framework buttons released.
        int b = layout.buttons[i] < 0 ? layout.buttons[i] + buttonCount : layout.buttons[i];
        buttons[i] = b >= 0 && b < buttonCount && pressed[b] != 0;
    }
    return true;
}
