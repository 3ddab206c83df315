// The input module: one flat table of key codes, hits per update, characters, pointers, joysticks.
#pragma once

#include "host/ktgame.h"

struct c_InputDevice : Object {
    c_InputDevice *m_new();
    void p_BeginUpdate();
    void p_EndUpdate();
    void p_KeyEvent(int event, int data);
    void p_MouseEvent(int event, int data, float x, float y);
    void p_TouchEvent(int event, int data, float x, float y);
    void p_MotionEvent(int event, int data, float x, float y, float z);
};

extern c_InputDevice *kt_input_device;

// Resets the module's globals (called by ktInit).
void kt_input_Init();
