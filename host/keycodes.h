// The framework's key codes and the host's input event codes. The host translates window
// events into them, the framework's input module keeps its key table by them and the game asks
// for keys by them, so each number is written here once.
#pragma once

// Codes of the framework's key table, 1..511; anything outside is never down and never hit.
// Keyboard keys use the desktop virtual-key numbering: letters and digits are their upper-case
// character codes ('A'..'Z', '0'..'9').
namespace KeyCode {
constexpr int First = 1, Last = 511, Count = 512;
constexpr int MouseLeft = 1, MouseRight = 2, MouseMiddle = 3;
constexpr int Backspace = 8, Tab = 9, Enter = 13, Shift = 16, Control = 17, Escape = 27;
constexpr int Space = 32, PageUp = 33, PageDown = 34, End = 35, Home = 36;
constexpr int Left = 37, Up = 38, Right = 39, Down = 40, Insert = 45, Delete = 46;
constexpr int Numpad0 = 96, NumpadMultiply = 106, NumpadAdd = 107, NumpadSubtract = 109;
constexpr int NumpadDecimal = 110, NumpadDivide = 111;
constexpr int F1 = 112, F2 = 113, F4 = 115, F11 = 122, F12 = 123;
constexpr int Semicolon = 186, Equal = 187, Comma = 188, Minus = 189, Period = 190;
constexpr int Slash = 191, Backquote = 192;
constexpr int LeftBracket = 219, Backslash = 220, RightBracket = 221, Apostrophe = 222;
// Joystick j's button b (JoyButton) is Joy0 + JoyStride x j + b, for joysticks 0..JoyPorts-1.
constexpr int Joy0 = 256, JoyStride = 32, JoyPorts = 4;
// Touch i (0..Touches-1) is Touch0 + i; touch 0 and the left mouse button are one pointer.
constexpr int Touch0 = 384, Touches = 32;
constexpr int Back = 416;   // the device's back key
constexpr int Close = 432;  // the window's close request
static_assert(Joy0 + JoyPorts * JoyStride == Touch0 && Touch0 + Touches == Back,
              "the joystick and touch ranges meet without overlapping");
}  // namespace KeyCode

// The framework buttons of one joystick port, as the host's layouts fill them; the hat
// directions are 8..11 and buttons 14..31 stay released.
namespace JoyButton {
constexpr int Button1 = 0, Button2 = 1, Button3 = 2, Button4 = 3, Button5 = 4, Button6 = 5;
constexpr int Back = 6, Start = 7;
constexpr int Left = 8, Up = 9, Right = 10, Down = 11;
constexpr int Menu = 14;
constexpr int Count = 32;
}  // namespace JoyButton

// The input events the host sends the game delegate: key events carry a key code or a
// character, mouse events a button 0..2, touch events a touch index 0..31.
namespace KtEvent {
enum Code : int {
    KeyDown = 1,
    KeyUp = 2,
    KeyChar = 3,
    MouseDown = 4,
    MouseUp = 5,
    MouseMove = 6,
    TouchDown = 7,
    TouchUp = 8,
    TouchMove = 9,
    Motion = 10,
};
}  // namespace KtEvent
