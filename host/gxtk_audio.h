// gxtkAudio: the OpenAL audio device with 32 effect channels and one music channel.
#pragma once

#include "host/ktgame.h"

struct gxtkAudio : Object {
    gxtkAudio();
    virtual void Suspend();
    virtual void Resume();
};
