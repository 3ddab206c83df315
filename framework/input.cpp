// The input module: key table, hit counting, character queue, pointer and joystick state.

#include "framework/input.h"

// ---------------------------------------------------------------------------------------------
// Types and constants

namespace {

static_assert(JoyButton::Count == KeyCode::JoyStride, "a port's buttons fill its stride");
constexpr int kStickAxes = 2;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Globals

c_InputDevice *kt_input_device;

namespace {

gc_roots input_roots([] { gc_mark(kt_input_device); });

}  // namespace

// ---------------------------------------------------------------------------------------------
// Key table

namespace {

bool valid_key(int key) {
    return key > 0 && key < c_InputDevice::KEY_CODES;
}

// Counts a press for this update while the queue has room; a full queue still lets the key go
// down, it only stops counting.
void count_hit(c_InputDevice *d, int key) {
    if (d->keyHitCount >= c_InputDevice::HIT_QUEUE) return;
    d->keyHit[key] += 1;
    d->keyHitQueue[d->keyHitCount++] = key;
}

void set_down(c_InputDevice *d, int key) {
    if (d->keyDown[key]) return;
    d->keyDown[key] = true;
    count_hit(d, key);
}

// The pointer's other code: the left button and touch 0 are one pointer.
int mirror_of(int key) {
    return key == KeyCode::MouseLeft ? KeyCode::Touch0
           : key == KeyCode::Touch0  ? KeyCode::MouseLeft
                                     : 0;
}

// Auto-repeat reaches here as another down of a held key and is not counted.
void press(c_InputDevice *d, int key) {
    if (!valid_key(key) || d->keyDown[key]) return;
    set_down(d, key);
    if (int other = mirror_of(key)) set_down(d, other);
}

void release(c_InputDevice *d, int key) {
    if (!valid_key(key) || !d->keyDown[key]) return;
    d->keyDown[key] = false;
    if (int other = mirror_of(key)) d->keyDown[other] = false;
}

void set_pointer(c_InputDevice *d, float x, float y) {
    d->mouseX = x;
    d->mouseY = y;
    d->touchX[0] = x;
    d->touchY[0] = y;
}

void idle_port(c_InputDevice *d, int port) {
    c_JoyState *joy = d->joyStates[port];
    for (int a = 0; a < kStickAxes; ++a) joy->joyx[a] = joy->joyy[a] = joy->joyz[a] = 0;
    for (int b = 0; b < JoyButton::Count; ++b) {
        joy->buttons[b] = false;
        d->keyDown[KeyCode::Joy0 + KeyCode::JoyStride * port + b] = false;
    }
}

float stick(const Array<float> &axes, int axis) {
    return axis >= 0 && axis < kStickAxes ? axes[axis] : 0.0f;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// c_JoyState

c_JoyState *c_JoyState::m_new() {
    gc_assign(joyx, Array<float>(kStickAxes));
    gc_assign(joyy, Array<float>(kStickAxes));
    gc_assign(joyz, Array<float>(kStickAxes));
    gc_assign(buttons, Array<bool>(JoyButton::Count));
    return this;
}

void c_JoyState::mark() {
    gc_mark(joyx);
    gc_mark(joyy);
    gc_mark(joyz);
    gc_mark(buttons);
    Object::mark();
}

// ---------------------------------------------------------------------------------------------
// c_InputDevice

c_InputDevice *c_InputDevice::m_new() {
    gc_assign(joyStates, Array<c_JoyState *>(JOYSTICKS));
    for (int j = 0; j < JOYSTICKS; ++j) joyStates.Store(j, (new c_JoyState())->m_new());
    gc_assign(keyDown, Array<bool>(KEY_CODES));
    gc_assign(keyHitQueue, Array<int>(HIT_QUEUE));
    gc_assign(keyHit, Array<int>(KEY_CODES));
    gc_assign(charQueue, Array<int>(CHAR_QUEUE));
    gc_assign(touchX, Array<float>(TOUCHES));
    gc_assign(touchY, Array<float>(TOUCHES));
    return this;
}

void c_InputDevice::mark() {
    gc_mark(joyStates);
    gc_mark(keyDown);
    gc_mark(keyHitQueue);
    gc_mark(keyHit);
    gc_mark(charQueue);
    gc_mark(touchX);
    gc_mark(touchY);
    Object::mark();
}

// Polls ports in order and stops at the first absent one. A button the poll reports up is
// simply up (no release is counted); one newly down counts a hit like a key press. The ports
// from the absent one on read as idle: a pad unplugged with a button held or a stick pushed
// would otherwise keep steering the game.
void c_InputDevice::p_BeginUpdate() {
    KtGame *game = KtGame::_game;
    if (!game) return;
    for (int j = 0; j < JOYSTICKS; ++j) {
        c_JoyState *joy = joyStates[j];
        if (!game->PollJoystick(j, joy->joyx, joy->joyy, joy->joyz, joy->buttons)) {
            for (int k = j; k < JOYSTICKS; ++k) idle_port(this, k);
            break;
        }
        for (int b = 0; b < JoyButton::Count; ++b) {
            int key = KeyCode::Joy0 + KeyCode::JoyStride * j + b;
            if (!joy->buttons[b]) {
                keyDown[key] = false;
            } else {
                set_down(this, key);
            }
        }
    }
}

void c_InputDevice::p_EndUpdate() {
    for (int i = 0; i < keyHitCount; ++i) keyHit[keyHitQueue[i]] = 0;
    keyHitCount = 0;
    charGet = 0;
    charPut = 0;
}

void c_InputDevice::p_KeyEvent(int event, int data) {
    switch (event) {
        case KtEvent::KeyDown:
            press(this, data);
            break;
        case KtEvent::KeyUp:
            release(this, data);
            break;
        case KtEvent::KeyChar:
            if (charPut < CHAR_QUEUE) charQueue[charPut++] = data;
            break;
    }
}

// Buttons other than 0..2 have no key code and only move the pointer.
void c_InputDevice::p_MouseEvent(int event, int data, float x, float y) {
    bool button = data >= 0 && data <= 2;
    switch (event) {
        case KtEvent::MouseDown:
            if (button) press(this, KeyCode::MouseLeft + data);
            set_pointer(this, x, y);
            break;
        case KtEvent::MouseUp:
            if (button) release(this, KeyCode::MouseLeft + data);
            break;
        case KtEvent::MouseMove:
            set_pointer(this, x, y);
            break;
    }
}

// Indexes outside 0..31 name no touch (their codes would alias other keys) and are ignored.
void c_InputDevice::p_TouchEvent(int event, int data, float x, float y) {
    if (data < 0 || data >= TOUCHES) return;
    if (event == KtEvent::TouchDown) press(this, KeyCode::Touch0 + data);
    if (event == KtEvent::TouchUp) release(this, KeyCode::Touch0 + data);
    if (event == KtEvent::TouchDown || event == KtEvent::TouchMove) {
        touchX[data] = x;
        touchY[data] = y;
        if (data == 0) set_pointer(this, x, y);
    }
}

void c_InputDevice::p_MotionEvent(int event, int, float x, float y, float z) {
    if (event != KtEvent::Motion) return;
    accelX = x;
    accelY = y;
    accelZ = z;
}

bool c_InputDevice::p_KeyDown(int key) {
    return valid_key(key) && keyDown[key];
}

int c_InputDevice::p_KeyHit(int key) {
    return valid_key(key) ? keyHit[key] : 0;
}

int c_InputDevice::p_GetChar() {
    return charGet < charPut ? charQueue[charGet++] : 0;
}

float c_InputDevice::p_JoyX(int axis, int joy) {
    return joy >= 0 && joy < JOYSTICKS ? stick(joyStates[joy]->joyx, axis) : 0.0f;
}

float c_InputDevice::p_JoyY(int axis, int joy) {
    return joy >= 0 && joy < JOYSTICKS ? stick(joyStates[joy]->joyy, axis) : 0.0f;
}

float c_InputDevice::p_TouchX(int index) {
    return index >= 0 && index < TOUCHES ? touchX[index] : 0.0f;
}

float c_InputDevice::p_TouchY(int index) {
    return index >= 0 && index < TOUCHES ? touchY[index] : 0.0f;
}

// ---------------------------------------------------------------------------------------------
// Module functions

namespace {

// Computed wide so that no argument overflows; anything outside the table reads as 0.
int key_or_none(long long key) {
    return key > 0 && key < c_InputDevice::KEY_CODES ? int(key) : 0;
}

int joy_key(int button, int joy) {
    return key_or_none((button | KeyCode::Joy0) + static_cast<long long>(KeyCode::JoyStride) * joy);
}

}  // namespace

void kt_input_Init() {
    kt_input_device = nullptr;
}

int kt_input_SetInputDevice(c_InputDevice *device) {
    gc_assign(kt_input_device, device);
    return 0;
}

int kt_input_KeyDown(int key) {
    return kt_input_device->p_KeyDown(key) ? 1 : 0;
}
int kt_input_KeyHit(int key) {
    return kt_input_device->p_KeyHit(key);
}
int kt_input_JoyDown(int button, int joy) {
    return kt_input_KeyDown(joy_key(button, joy));
}
int kt_input_JoyHit(int button, int joy) {
    return kt_input_KeyHit(joy_key(button, joy));
}
float kt_input_JoyX(int axis, int joy) {
    return kt_input_device->p_JoyX(axis, joy);
}
float kt_input_JoyY(int axis, int joy) {
    return kt_input_device->p_JoyY(axis, joy);
}
float kt_input_MouseX() {
    return kt_input_device->mouseX;
}
float kt_input_MouseY() {
    return kt_input_device->mouseY;
}
int kt_input_MouseDown(int button) {
    return kt_input_KeyDown(key_or_none(button + 1LL));
}
int kt_input_MouseHit(int button) {
    return kt_input_KeyHit(key_or_none(button + 1LL));
}
int kt_input_TouchDown(int index) {
    return kt_input_KeyDown(key_or_none(KeyCode::Touch0 + 0LL + index));
}
float kt_input_TouchX(int index) {
    return kt_input_device->p_TouchX(index);
}
float kt_input_TouchY(int index) {
    return kt_input_device->p_TouchY(index);
}
float kt_input_AccelX() {
    return kt_input_device->accelX;
}
float kt_input_AccelY() {
    return kt_input_device->accelY;
}
int kt_input_GetChar() {
    return kt_input_device->p_GetChar();
}

int kt_input_EnableKeyboard() {
    KtGame::_game->SetKeyboardEnabled(true);
    return 0;
}

int kt_input_DisableKeyboard() {
    KtGame::_game->SetKeyboardEnabled(false);
    return 0;
}
