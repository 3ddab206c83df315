// The audio module: sounds, channels and music on the installed audio device.
#pragma once

#include "host/gxtk_audio.h"

extern gxtkAudio *kt_audio_device;

// Resets the module's globals (called by ktInit).
void kt_audio_Init();
