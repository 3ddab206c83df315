// Input mapping shared by every host: window-library keys to framework key codes, the input
// callbacks' event sequences, and the two joystick layouts.
//
// The GLFW host and the test host both drive input through these functions, so the codes and
// sequences the framework sees are the same on both. Key and action values are GLFW 3's.
#pragma once

#include "host/keycodes.h"
#include "host/ktgame.h"

// ---------------------------------------------------------------------------------------------
// Types

// The joystick devices as the window library reports them: ids 0..15, axes in -1..1, buttons
// pressed (non-zero) or released, with hat directions appended as trailing buttons.
struct KtJoystickSource {
    virtual ~KtJoystickSource() = default;
    virtual bool JoystickPresent(int id) = 0;
    // The reported axes (null or count 0 when there are none).
    virtual const float *JoystickAxes(int id, int *count) = 0;
    virtual const unsigned char *JoystickButtons(int id, int *count) = 0;
};

// ---------------------------------------------------------------------------------------------
// Globals

constexpr int KT_JOYSTICK_IDS = 16;                   // library joystick ids 0..15
constexpr int KT_JOYSTICK_PORTS = KeyCode::JoyPorts;  // framework ports

// ---------------------------------------------------------------------------------------------
// Functions

// Window-library key code to framework key code; 0 for keys the framework does not know.
int TransKey(int key);
// Framework key code to the character a press of it also sends; 0 for none (printable
// characters come from the character callback instead). Bit 16 marks non-printing keys.
int KeyToChar(int code);

// Key callback: press and auto-repeat send key down and then KeyToChar's character (if any);
// release sends key up. Untranslated keys are ignored.
void OnKey(KtGame *game, int key, int action);
// Character callback: one key-char event with the character as the library gives it.
void OnChar(KtGame *game, unsigned int character);
// Mouse buttons 0..2 only; (x, y) is the cursor position at the time of the event.
void OnMouseButton(KtGame *game, int button, int action, double x, double y);
void OnMousePos(KtGame *game, double x, double y);
// The close button: close key down and up; the window stays open and the game decides.
void OnWindowClose(KtGame *game);
// Sends key up for every translated key `pressed` reports held, so that no key stays down
// across a window change.
void ReleaseHeldKeys(KtGame *game, bool (*pressed)(void *context, int key), void *context);

// Re-enumerates `slots` (the library ids of ports 0..3, -1 when free) when `port` is 0, then
// fills the arrays for the joystick at `port` through layout A (14 buttons and 5 axes) or
// layout B (any other device). False, arrays untouched, when no joystick is at the port.
bool PollJoystickDevice(KtJoystickSource &source, int slots[KT_JOYSTICK_PORTS], int port,
                        Array<float> joyx, Array<float> joyy, Array<float> joyz,
                        Array<bool> buttons);
