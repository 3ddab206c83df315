// The input module: one flat table of key codes, hits per update, characters, pointers, joysticks.
//
// Key codes (host/keycodes.h) run from 1 to 511: 1..3 the mouse buttons, 8..255 keyboard keys,
// then the joystick buttons, the touches, the back key and the window's close request. The left
// mouse button and touch 0 are one pointer and always move together.
//
// The game delegate feeds events between updates and brackets each update with p_BeginUpdate
// (joystick poll) and p_EndUpdate (hits and typed characters are forgotten), so a hit and a
// character are visible to exactly one update.
#pragma once

#include "host/keycodes.h"
#include "host/ktgame.h"

// ---------------------------------------------------------------------------------------------
// Types

// One joystick port as the host's poll fills it: two sticks (axis index 0 and 1) with a trigger
// each, and 32 buttons.
struct c_JoyState : Object {
    Array<float> joyx, joyy, joyz;  // 2 each
    Array<bool> buttons;            // 32

    c_JoyState *m_new();
    void mark() override;
};

struct c_InputDevice : Object {
    static constexpr int KEY_CODES = KeyCode::Count;
    static constexpr int HIT_QUEUE = 33;
    static constexpr int CHAR_QUEUE = 32;
    static constexpr int TOUCHES = KeyCode::Touches;
    static constexpr int JOYSTICKS = KeyCode::JoyPorts;

    Array<c_JoyState *> joyStates;  // one per port, made by m_new
    Array<bool> keyDown;            // KEY_CODES
    int keyHitCount = 0;            // entries used in keyHitQueue
    Array<int> keyHitQueue;         // codes whose keyHit was raised this update
    Array<int> keyHit;              // presses of each code this update
    int charGet = 0;
    int charPut = 0;
    Array<int> charQueue;  // characters typed this update
    float mouseX = 0, mouseY = 0;
    Array<float> touchX, touchY;  // TOUCHES, device pixels
    float accelX = 0, accelY = 0, accelZ = 0;

    // Creates every table and the four joystick states.
    c_InputDevice *m_new();

    void p_BeginUpdate();
    void p_EndUpdate();
    // Events are KtEvent codes; each call takes only its own kind and ignores the others.
    // Key down, key up, character.
    void p_KeyEvent(int event, int data);
    // Mouse down, up (data = button 0..2), move.
    void p_MouseEvent(int event, int data, float x, float y);
    // Touch down, up, move (data = touch index 0..31).
    void p_TouchEvent(int event, int data, float x, float y);
    // Accelerometer.
    void p_MotionEvent(int event, int data, float x, float y, float z);

    bool p_KeyDown(int key);
    int p_KeyHit(int key);
    int p_GetChar();
    float p_JoyX(int axis, int joy);
    float p_JoyY(int axis, int joy);
    float p_TouchX(int index);
    float p_TouchY(int index);

    void mark() override;
};

// ---------------------------------------------------------------------------------------------
// Globals

// The installed device (a collector root); null until the game delegate starts the game.
extern c_InputDevice *kt_input_device;

// ---------------------------------------------------------------------------------------------
// Functions

// Resets the module's globals (called by ktInit).
void kt_input_Init();

int kt_input_SetInputDevice(c_InputDevice *device);

// Every query reads the installed device; out-of-range codes, indexes and buttons give 0.
int kt_input_KeyDown(int key);
int kt_input_KeyHit(int key);
// Joystick `joy` button `button`: code (button | KeyCode::Joy0) + KeyCode::JoyStride x joy.
int kt_input_JoyDown(int button, int joy);
int kt_input_JoyHit(int button, int joy);
float kt_input_JoyX(int axis, int joy);
float kt_input_JoyY(int axis, int joy);
float kt_input_MouseX();
float kt_input_MouseY();
int kt_input_MouseDown(int button);
int kt_input_MouseHit(int button);
int kt_input_TouchDown(int index);
float kt_input_TouchX(int index);
float kt_input_TouchY(int index);
float kt_input_AccelX();
float kt_input_AccelY();
// The next character typed this update, 0 when none is left.
int kt_input_GetChar();
// Ask the host to switch character input on or off.
int kt_input_EnableKeyboard();
int kt_input_DisableKeyboard();
