// The audio module: sounds, channels and music on the installed audio device.
//
// A thin layer over gxtkAudio: bare names are looked up in the data directory and every call
// forwards to `kt_audio_device`, which the game delegate installs at start. Before that (or
// with a null sound) the calls do nothing.
#pragma once

#include "host/gxtk_audio.h"

// ---------------------------------------------------------------------------------------------
// Types

// A loaded sound effect.
struct c_Sound : Object {
    gxtkSample *sample = nullptr;

    c_Sound *m_new(gxtkSample *sample);
    void mark() override;
};

// ---------------------------------------------------------------------------------------------
// Globals

extern gxtkAudio *kt_audio_device;

// ---------------------------------------------------------------------------------------------
// Functions

// Resets the module's globals (called by ktInit).
void kt_audio_Init();
void kt_audio_SetAudioDevice(gxtkAudio *device);
// Null when the file is missing, unreadable or of an unsupported kind.
c_Sound *kt_audio_LoadSound(String path);
void kt_audio_PlaySound(c_Sound *sound, int channel, int flags);
void kt_audio_StopChannel(int channel);
void kt_audio_SetChannelVolume(int channel, float volume);
void kt_audio_SetChannelPan(int channel, float pan);
void kt_audio_SetChannelRate(int channel, float rate);
// 0 when the track plays, -1 when it cannot be loaded (or there is no device).
int kt_audio_PlayMusic(String path, int flags);
void kt_audio_StopMusic();
void kt_audio_PauseMusic();
void kt_audio_ResumeMusic();
