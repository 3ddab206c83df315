// Controls: the abstract actions and their mapping to keys, joysticks, sticks and virtual
// buttons; the iCade letter decoder; the on-screen pad and the tilt indicator; the pointer tests
// behind every button on screen; and the board game's analogue steering.
//
// p_PlayKey reads down states only; edges are the callers' business (the shell's KeyLatch).
// VirtualButtons entries hold 2 while an iCade letter holds them and 1 for the one update after
// an on-screen press; the shell clears the 1s right after the iCade step.
//
// Sections: the mapping tables; Actions; iCade; On-screen pad and tilt indicator; Pointer
// tests; Analogue steering.

#include <array>
#include <cmath>

#include "game/myapp.h"

#include "framework/input.h"

namespace {

constexpr int kPlayers = KeyCode::JoyPorts;  // one per joystick port

// The actions the key latches watch, in polling order.
constexpr int kLatchActions[] = {Action::Up,      Action::Left,    Action::Right,   Action::Down,
                                 Action::Button1, Action::Button2, Action::Button3, Action::Button4,
                                 Action::Button5, Action::Button6, Action::Back};

constexpr int kLeftStick = 0;
constexpr float kStickThreshold = 0.4f;

constexpr int kNone = -1;  // ends the fixed-size lists below

enum class StickTest { None, YBelow, XBelow, XAbove, YAbove };

// Everything that makes one action active. Key lists end at 0, the others at kNone.
struct ActionRow {
    int action;
    std::array<int, 4> keys;       // iCade off
    std::array<int, 4> iCadeKeys;  // iCade on: the cabinet types letters, so no letter keys
    std::array<int, 3> joy;
    StickTest stick;
    std::array<int, 3> entries;
};

// A row with one joystick button whose virtual entry is the action's own.
constexpr ActionRow Row(int action, std::array<int, 4> keys, std::array<int, 4> iCadeKeys, int joy,
                        StickTest stick = StickTest::None) {
    return {action, keys, iCadeKeys, {joy, kNone, kNone}, stick, {action, kNone, kNone}};
}

constexpr ActionRow kActions[] = {
    Row(Action::Up, {KeyCode::Up, 'W'}, {KeyCode::Up}, JoyButton::Up, StickTest::YBelow),
    Row(Action::Left, {KeyCode::Left, 'A'}, {KeyCode::Left}, JoyButton::Left, StickTest::XBelow),
    Row(Action::Right, {KeyCode::Right, 'D'}, {KeyCode::Right}, JoyButton::Right,
        StickTest::XAbove),
    Row(Action::Down, {KeyCode::Down, 'S'}, {KeyCode::Down}, JoyButton::Down, StickTest::YAbove),
    Row(Action::Button1, {'Z', 'J', KeyCode::Space, KeyCode::Enter},
        {KeyCode::Space, KeyCode::Enter}, JoyButton::Button1),
    Row(Action::Button2, {'X', 'K', KeyCode::Control}, {KeyCode::Control}, JoyButton::Button2),
    Row(Action::Button3, {'C', 'L', KeyCode::Shift}, {KeyCode::Shift}, JoyButton::Button3),
    Row(Action::Button4, {'V', 'I'}, {}, JoyButton::Button4),
    Row(Action::Button5, {'B', 'U'}, {}, JoyButton::Button5),
    Row(Action::Button6, {'N', 'O'}, {}, JoyButton::Button6),
};

// The back actions (98 menu, 99 back) share one row; a console replaces it with its own two.
constexpr ActionRow kBackRow = {
    Action::Back,
    {KeyCode::Escape, KeyCode::Backquote, KeyCode::Delete, KeyCode::Backspace},
    {KeyCode::Escape, KeyCode::Delete, KeyCode::Backspace},
    {JoyButton::Back, JoyButton::Start, JoyButton::Menu},
    StickTest::None,
    {Virtual::Back1, Virtual::Back2, Virtual::MenuKey}};
constexpr ActionRow kOuyaMenuRow = {Action::Menu,      {KeyCode::Escape},
                                    {KeyCode::Escape}, {JoyButton::Back, kNone, kNone},
                                    StickTest::None,   {Virtual::MenuKey, kNone, kNone}};
constexpr ActionRow kOuyaBackRow = {Action::Back,      {KeyCode::Escape},
                                    {KeyCode::Escape}, {JoyButton::Back, JoyButton::Start, kNone},
                                    StickTest::None,   {Virtual::MenuKey, kNone, kNone}};

// The row for an action in the current mode, or null when the action cannot be active.
const ActionRow *RowFor(int action, bool iCade, bool keyboardOnly) {
    if (action == Action::Menu || action == Action::Back) {
        if (action == Action::Menu && (iCade || keyboardOnly)) return nullptr;
        if (iCade || kt_Cobble_isOuya == 0) return &kBackRow;
        if (kt_Cobble_isOuya != 1) return nullptr;
        return action == Action::Menu ? &kOuyaMenuRow : &kOuyaBackRow;
    }
    for (const ActionRow &row : kActions) {
        if (row.action == action) return &row;
    }
    return nullptr;
}

// iCade cabinets type one letter when a control goes down and another when it comes up.
struct ICadeLetters {
    char press, release;  // upper case; the lower-case letters act the same
    int entry;
};

constexpr ICadeLetters kICadeLetters[] = {
    {'W', 'E', Action::Up},      {'X', 'Z', Action::Down},    {'A', 'Q', Action::Left},
    {'D', 'C', Action::Right},   {'Y', 'T', Action::Button4}, {'U', 'F', Action::Button5},
    {'I', 'M', Action::Button6}, {'O', 'G', Virtual::Back1},  {'H', 'R', Action::Button1},
    {'J', 'N', Action::Button2}, {'K', 'P', Action::Button3}, {'L', 'V', Virtual::Back2},
};
constexpr int kLowerCase = 'a' - 'A';

// On-screen pad: frames of the d-pad sheet, distances in pad-scale units, and its limits.
constexpr int kPadFrameUp = 1, kPadFrameLeft = 4, kPadFrameCentre = 5, kPadFrameRight = 6,
              kPadFrameDown = 9, kPadFrameButton = 0;
constexpr float kPadArm = 32, kPadButtonOffset = 24;
constexpr float kPadEdge = 32;  // the pad's centre stays this far inside the screen
constexpr int kPadScaleMin = 8, kPadScaleMax = 25;
constexpr float kPadScaleUnit = 10;
constexpr int kPinchStep = 16;  // pixels of finger spread per step of the pad scale
constexpr float kPadAlpha = 0.6f, kPadEditSize = 3, kPadButtonSize = 1.5f;

// Tilt indicator.
constexpr int kTiltIconFrame = 7;
constexpr float kTiltIconSize = 1.5f, kTiltIconAlpha = 0.8f, kTiltDotAlpha = 0.6f;
constexpr float kTiltInset = 24, kTiltReach = 20, kTiltDot = 4;
constexpr float kTiltSmoothing = 4, kTiltSnap = 0.005f;

// Analogue steering.
constexpr float kDragRange = 72;  // pointer pixels from the anchor for a full stick
constexpr float kDragDeadZone = 0.1f;
constexpr int kAnchorLeash = 64, kAnchorCreep = 4;
constexpr float kRealStickDeadZone = 0.2f;
constexpr float kKeyAxisStep = 0.15f, kKeyAxisReturn = 0.2f;
constexpr float kDebugShow = 0.05f, kDebugInset = 64, kDebugReach = 52;
constexpr float kAnchorRadius = 12, kPointerRadius = 8;

// The touch area of p_Touch reaches beyond the drawn rectangle, further to the right and below.
constexpr float kTouchBefore = 6, kTouchAfter = 12;

// The position of touch slot i, when that touch is down.
bool TouchAt(const c_MyApp *app, int i, float &tx, float &ty) {
    if (app->TouchDown[i] != 1) return false;
    tx = static_cast<float>(app->TouchX[i]);
    ty = static_cast<float>(app->TouchY[i]);
    return true;
}

template <typename Inside>
int AnyTouch(const c_MyApp *app, Inside inside) {
    for (int i = 0; i < app->TouchDown.Length(); ++i) {
        float tx, ty;
        if (TouchAt(app, i, tx, ty) && inside(tx, ty)) return 1;
    }
    return 0;
}

bool InBox(float tx, float ty, float left, float top, float right, float bottom) {
    return left < tx && tx < right && top < ty && ty < bottom;
}

// Half the drawn size of an image slot's cell. Slots outside the table have no size, so a
// button on them can never be hit.
void HalfSize(const c_MyApp *app, int slot, float &hw, float &hh) {
    hw = hh = 0;
    if (slot < 0 || slot >= Img::Slots) return;
    hw = static_cast<float>(app->ImageInfo[SlotInfo::Width(slot)]) * app->HDScale * app->DrawSizeX /
         2;
    hh = static_cast<float>(app->ImageInfo[SlotInfo::Height(slot)]) * app->HDScale *
         app->DrawSizeY / 2;
}

// A setting kept within lo..hi (compared as floats, like the screen size it depends on).
int ClampSetting(int v, float lo, float hi) {
    return Trunc(std::fmin(std::fmax(static_cast<float>(v), lo), hi));
}

// a - b as a float, without int overflow for saturated pointer positions.
float Diff(int a, int b) {
    return static_cast<float>(static_cast<long long>(a) - b);
}

float Clamp1(float v) {
    return v < -1 ? -1 : v > 1 ? 1 : v;
}

// One key axis for a pair of opposite actions: the keys push it by a step per update, and it
// falls back to 0 once neither is held. Writes the stick output only while the keys own it.
void KeyAxis(c_MyApp *app, int negative, int positive, float &axis, float &stick) {
    bool less = app->p_PlayKey(negative, 0, 0) != 0;
    bool more = app->p_PlayKey(positive, 0, 0) != 0;
    if (less) {
        axis -= kKeyAxisStep;
        stick = axis;
    }
    if (more) {
        axis += kKeyAxisStep;
        stick = axis;
    }
    if (!less && !more && axis != 0) {
        axis = axis > 0 ? std::fmax(0.0f, axis - kKeyAxisReturn)
                        : std::fmin(0.0f, axis + kKeyAxisReturn);
        stick = axis;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Actions

int c_MyApp::p_PlayKey(int action, int allowStick, int player) {
    int iCade = kt_Cobble_iCadeControls;
    if (iCade != 0 && iCade != 1) return 0;
    if (player < -1 || player >= kPlayers) return 0;
    bool keyboardOnly = player == -1;
    const ActionRow *row = RowFor(action, iCade == 1, keyboardOnly);
    if (!row) return 0;

    for (int key : iCade == 1 ? row->iCadeKeys : row->keys) {
        if (key != 0 && kt_input_KeyDown(key)) return 1;
    }
    for (int entry : row->entries) {
        if (entry != kNone && VirtualButtons[entry] != 0) return 1;
    }
    if (keyboardOnly) return 0;

    for (int button : row->joy) {
        if (button == kNone) continue;
        int code = KeyCode::Joy0 + KeyCode::JoyStride * player + button;
        if (code >= KeyCode::First && code <= KeyCode::Last && kt_input_KeyDown(code)) return 1;
    }
    if (allowStick != 1 || iCade == 1) return 0;
    switch (row->stick) {
        case StickTest::YBelow:
            return p_StickY(kLeftStick, player) < -kStickThreshold ? 1 : 0;
        case StickTest::XBelow:
            return p_StickX(kLeftStick, player) < -kStickThreshold ? 1 : 0;
        case StickTest::XAbove:
            return p_StickX(kLeftStick, player) > kStickThreshold ? 1 : 0;
        case StickTest::YAbove:
            return p_StickY(kLeftStick, player) > kStickThreshold ? 1 : 0;
        case StickTest::None:
            break;
    }
    return 0;
}

int HeldLatchAction(c_MyApp *app) {
    for (int action : kLatchActions) {
        if (Any(app, action)) return action;
    }
    return -1;
}

int c_MyApp::p_PlayKeyAll(int action, int allowStick) {
    int sum = 0;
    for (int player = 0; player < kPlayers; ++player) sum += p_PlayKey(action, allowStick, player);
    return sum;
}

float c_MyApp::p_StickX(int axis, int player) {
    return player < 0 ? 0.0f : kt_input_JoyX(axis, player);
}

// The stick's y is negated for the screen unless the player's stick-flip setting is on.
float c_MyApp::p_StickY(int axis, int player) {
    if (player < 0) return 0;
    float y = kt_input_JoyY(axis, player);
    int flip = Setting::LeftStickY + axis;
    bool flipped = flip >= Setting::LeftStickY && flip <= Setting::RightStickY && Settings[flip];
    return flipped ? y : -y;
}

// ---------------------------------------------------------------------------------------------
// iCade

int c_MyApp::p_iCade(int on) {
    if (on == 1) {
        kt_input_EnableKeyboard();
        kt_Cobble_iCadeControls = 1;
        // Letters typed before the switch belong to no press this decoder saw.
        while (kt_input_GetChar() != 0) {
        }
        CurrentChar = 0;
    } else if (on == 0) {
        kt_input_DisableKeyboard();
        kt_Cobble_iCadeControls = 0;
        for (int i = 0; i < Virtual::Cleared; ++i) VirtualButtons[i] = Virtual::Up;
    }
    return 0;
}

void c_MyApp::p_ControlOverlays() {
    p_DecodeICade();
    for (int i = 0; i < Virtual::Cleared; ++i) {
        if (VirtualButtons[i] == Virtual::Pressed) VirtualButtons[i] = Virtual::Up;
    }
    bool padRan = kt_Cobble_OnScreenControls == 1 && Mode > Screen::Waiting;
    if (padRan) p_OnScreenPad();
    if (!padRan && kt_Cobble_AccelerometerControls == 1) p_TiltIndicator();
}

void c_MyApp::p_DecodeICade() {
    if (kt_Cobble_iCadeControls != 1) return;
    while ((CurrentChar = kt_input_GetChar()) != 0) {
        for (const ICadeLetters &pair : kICadeLetters) {
            if (CurrentChar == pair.press || CurrentChar == pair.press + kLowerCase) {
                VirtualButtons[pair.entry] = Virtual::Held;
                break;
            }
            if (CurrentChar == pair.release || CurrentChar == pair.release + kLowerCase) {
                VirtualButtons[pair.entry] = Virtual::Up;
                break;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// On-screen pad and tilt indicator

void c_MyApp::p_OnScreenPad() {
    Settings[Setting::PadX] =
        ClampSetting(Settings[Setting::PadX], kPadEdge, kt_Cobble_jscrw - kPadEdge);
    Settings[Setting::PadY] =
        ClampSetting(Settings[Setting::PadY], kPadEdge, kt_Cobble_jscrh - kPadEdge);
    int &scale = Settings[Setting::PadScale];
    scale = scale < kPadScaleMin ? kPadScaleMin : scale > kPadScaleMax ? kPadScaleMax : scale;

    PadCenterX = static_cast<float>(Settings[Setting::PadX]);
    PadCenterY = static_cast<float>(Trunc(kt_Cobble_jscrh - Settings[Setting::PadY]));
    PadScale = static_cast<float>(scale) / kPadScaleUnit;
    float cx = PadCenterX, cy = PadCenterY, s = PadScale;
    p_SetRot(0);
    p_SetCol(255, 255, 255, kPadAlpha);
    DrawBlend = 1;
    p_SetSize(s, s);

    struct Arm {
        float dx, dy;
        int frame, entry;
    };
    const Arm arms[] = {{-kPadArm, 0, kPadFrameLeft, Action::Left},
                        {0, -kPadArm, kPadFrameUp, Action::Up},
                        {0, kPadArm, kPadFrameDown, Action::Down},
                        {kPadArm, 0, kPadFrameRight, Action::Right}};
    for (const Arm &arm : arms) {
        int hit =
            p_Button(Img::Dpad, cx + arm.dx * s, cy + arm.dy * s, static_cast<float>(arm.frame));
        if (hit && Paused == 0) VirtualButtons[arm.entry] = Virtual::Pressed;
    }
    p_DrawImg(Img::Dpad, cx, cy, kPadFrameCentre);

    // Paused, the player can drag the pad with one finger and resize it with two.
    if (Paused > 0) {
        p_SetSize(kPadEditSize, kPadEditSize);
        int held = p_Button0(Img::Dpad, cx, cy, kPadFrameButton);
        bool second = TouchDown[1] != 0;
        if (held && !second) {
            Settings[Setting::PadX] = TouchX[0];
            Settings[Setting::PadY] = Trunc(kt_Cobble_jscrh - static_cast<float>(TouchY[0]));
        }
        if (!held && !second) {
            PadDragging = 0;
            PadDragLast = 0;
        }
        if (TouchDown[0] != 0 && second) {
            long long spread = static_cast<long long>(TouchX[0]) - TouchX[1];
            int d = static_cast<int>((spread < 0 ? -spread : spread) / kPinchStep);
            PadPinch = d;
            if (PadDragging == 1) {
                scale = Trunc(static_cast<float>(scale) + PadDragLast - static_cast<float>(d));
            }
            PadDragLast = static_cast<float>(d);
            PadDragging = 1;
        }
    }

    // The action buttons mirror the pad on the right-hand side and work while paused too.
    p_SetSize(kPadButtonSize * s, kPadButtonSize * s);
    float offset = kPadButtonOffset * s;
    if (p_Button(Img::Dpad, kt_Cobble_jscrw - (cx - offset), cy - offset, kPadFrameButton)) {
        VirtualButtons[Action::Button1] = Virtual::Pressed;
    }
    if (p_Button(Img::Dpad, kt_Cobble_jscrw - (cx + offset), cy + offset, kPadFrameButton)) {
        VirtualButtons[Action::Button2] = Virtual::Pressed;
    }
}

void c_MyApp::p_TiltIndicator() {
    if (kt_Cobble_iCadeControls != 0) {
        TiltX = TiltY = TiltSmoothX = TiltSmoothY = 0;
        return;
    }
    p_SetRot(0);
    p_SetCol(255, 255, 255, kNoValue);
    DrawBlend = 1;
    TiltX = kt_input_AccelX() - TiltZeroX;
    TiltY = kt_input_AccelY() - TiltZeroY;
    p_SetSize(kTiltIconSize, kTiltIconSize);
    p_Alpha(kTiltIconAlpha);
    TiltSmoothX += (TiltX - TiltSmoothX) / kTiltSmoothing;
    if (std::fabs(TiltX - TiltSmoothX) < kTiltSnap) TiltSmoothX = TiltX;
    TiltSmoothY += (TiltY - TiltSmoothY) / kTiltSmoothing;
    if (std::fabs(TiltY - TiltSmoothY) < kTiltSnap) TiltSmoothY = TiltY;

    float x = kTiltInset, y = kt_Cobble_jscrh - kTiltInset;
    // The icon recalibrates: the device's current attitude becomes level.
    if (p_Button2(x, y, kTiltIconFrame)) {
        TiltZeroX = kt_input_AccelX();
        TiltZeroY = kt_input_AccelY();
    }
    p_SetCol(100, 255, 100, kTiltDotAlpha);
    p_SetSize(1, 1);
    p_Oval(x + kTiltReach * TiltSmoothX, y + kTiltReach * TiltSmoothY, kTiltDot, kTiltDot);
}

// ---------------------------------------------------------------------------------------------
// Pointer tests

int c_MyApp::p_MouseIn(float x, float y, float w, float h) {
    return AnyTouch(this, [&](float tx, float ty) { return InBox(tx, ty, x, y, x + w, y + h); });
}

int c_MyApp::p_MouseIn_Centered(float x, float y, float w, float h) {
    return AnyTouch(this, [&](float tx, float ty) {
        return std::fabs(tx - x) < w / 2 && std::fabs(ty - y) < h / 2;
    });
}

int c_MyApp::p_MouseIn_Radius(float x, float y, float w, float h) {
    float reach = (w / 2) * (w / 2) + (h / 2) * (h / 2);
    return AnyTouch(this, [&](float tx, float ty) {
        return (tx - x) * (tx - x) + (ty - y) * (ty - y) <= reach;
    });
}

int c_MyApp::p_Touch(float x, float y, float w, float h) {
    p_Rect(x, y, w, h);
    return AnyTouch(this, [&](float tx, float ty) {
        return InBox(tx, ty, x - kTouchBefore, y - kTouchBefore, x + w + kTouchAfter,
                     y + h + kTouchAfter);
    });
}

int c_MyApp::p_Touch2(float y, float w) {
    constexpr float kRowX = 84, kRowHeight = 24;
    return p_Touch(kRowX, y, w, kRowHeight);
}

int c_MyApp::p_Button(int slot, float x, float y, float frame) {
    p_DrawImg(slot, x, y, frame);
    float hw, hh;
    HalfSize(this, slot, hw, hh);
    bool inside = AnyTouch(
        this, [&](float tx, float ty) { return InBox(tx, ty, x - hw, y - hh, x + hw, y + hh); });
    ButtonHit = inside && PointerDown >= 1 ? 1 : 0;
    return ButtonHit;
}

int c_MyApp::p_Button2(float x, float y, float frame) {
    return p_Button(Img::Icons, x, y, frame);
}

// Touch 0 alone: the pad's editing handle must follow one finger, not whichever is inside.
int c_MyApp::p_Button0(int slot, float x, float y, float frame) {
    p_DrawImg(slot, x, y, frame);
    float hw, hh, tx, ty;
    HalfSize(this, slot, hw, hh);
    bool inside = TouchAt(this, 0, tx, ty) && InBox(tx, ty, x - hw, y - hh, x + hw, y + hh);
    return inside && PointerDown > 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Analogue steering

int c_MyApp::p_AnalogueControl() {
    StickX = StickY = 0;

    // Drag stick: the pointer's offset from where the press landed. The anchor trails a pointer
    // that strays too far, so reversing direction never needs a long way back.
    if (PointerDown == 0) DragAnchorX = -1;
    if (PointerDown > 0) {
        if (DragAnchorX < 0) {
            DragAnchorX = MouseX;
            DragAnchorY = MouseY;
        } else {
            float dx = Diff(MouseX, DragAnchorX), dy = Diff(MouseY, DragAnchorY);
            StickX = dx / kDragRange;
            StickY = dy / kDragRange;
            if (std::fabs(StickX) < kDragDeadZone && std::fabs(StickY) < kDragDeadZone) {
                StickX = StickY = 0;
            }
            if (dx > kAnchorLeash) DragAnchorX += kAnchorCreep;
            if (dx < -kAnchorLeash) DragAnchorX -= kAnchorCreep;
            if (dy > kAnchorLeash) DragAnchorY += kAnchorCreep;
            if (dy < -kAnchorLeash) DragAnchorY -= kAnchorCreep;
        }
        p_SetCol(0, 100, 250, 0.25f);
        p_Oval(static_cast<float>(DragAnchorX), static_cast<float>(DragAnchorY), kAnchorRadius,
               kAnchorRadius);
        p_Oval(static_cast<float>(MouseX), static_cast<float>(MouseY), kPointerRadius,
               kPointerRadius);
    }

    float x = p_StickX(kLeftStick, 0), y = p_StickY(kLeftStick, 0);
    if (std::fabs(x) > kRealStickDeadZone || std::fabs(y) > kRealStickDeadZone) {
        StickX = x;
        StickY = y;
    }

    KeyAxis(this, Action::Up, Action::Down, KeyAxisY, StickY);
    KeyAxis(this, Action::Left, Action::Right, KeyAxisX, StickX);

    StickX = Clamp1(StickX);
    StickY = Clamp1(StickY);
    KeyAxisX = Clamp1(KeyAxisX);
    KeyAxisY = Clamp1(KeyAxisY);

    if (kt_Cobble_DebugMode == 1 &&
        (std::fabs(StickX) > kDebugShow || std::fabs(StickY) > kDebugShow)) {
        float cx = kt_Cobble_jscrw - kDebugInset, cy = kt_Cobble_jscrh - kDebugInset;
        p_SetCol(0, 180, 250, 0.5f);
        p_Oval(cx, cy, kAnchorRadius, kAnchorRadius);
        p_Oval(cx + kDebugReach * StickX, cy + kDebugReach * StickY, kPointerRadius,
               kPointerRadius);
    }
    p_ResetDraw();
    return 0;
}
