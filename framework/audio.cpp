// The audio module: c_Sound and the kt_audio_ calls that forward to the audio device.

#include "framework/audio.h"

// ---------------------------------------------------------------------------------------------
// Globals

gxtkAudio *kt_audio_device;

namespace {

const gc_roots audioRoots([] { gc_mark(kt_audio_device); });

}  // namespace

// ---------------------------------------------------------------------------------------------
// c_Sound

c_Sound *c_Sound::m_new(gxtkSample *s) {
    gc_assign(sample, s);
    return this;
}

void c_Sound::mark() {
    gc_mark(sample);
    Object::mark();
}

// ---------------------------------------------------------------------------------------------
// Module functions

void kt_audio_Init() {
    kt_audio_device = nullptr;
}

void kt_audio_SetAudioDevice(gxtkAudio *device) {
    gc_assign(kt_audio_device, device);
}

c_Sound *kt_audio_LoadSound(String path) {
    if (!kt_audio_device) return nullptr;
    gxtkSample *sample = kt_audio_device->LoadSample(kt_data_FixDataPath(path));
    return sample ? (new c_Sound())->m_new(sample) : nullptr;
}

void kt_audio_PlaySound(c_Sound *sound, int channel, int flags) {
    if (kt_audio_device && sound && sound->sample) {
        kt_audio_device->PlaySample(sound->sample, channel, flags);
    }
}

void kt_audio_StopChannel(int channel) {
    if (kt_audio_device) kt_audio_device->StopChannel(channel);
}

void kt_audio_SetChannelVolume(int channel, float volume) {
    if (kt_audio_device) kt_audio_device->SetVolume(channel, volume);
}

void kt_audio_SetChannelPan(int channel, float pan) {
    if (kt_audio_device) kt_audio_device->SetPan(channel, pan);
}

void kt_audio_SetChannelRate(int channel, float rate) {
    if (kt_audio_device) kt_audio_device->SetRate(channel, rate);
}

int kt_audio_PlayMusic(String path, int flags) {
    if (!kt_audio_device) return -1;
    return kt_audio_device->PlayMusic(kt_data_FixDataPath(path), flags);
}

void kt_audio_StopMusic() {
    if (kt_audio_device) kt_audio_device->StopMusic();
}

void kt_audio_PauseMusic() {
    if (kt_audio_device) kt_audio_device->PauseMusic();
}

void kt_audio_ResumeMusic() {
    if (kt_audio_device) kt_audio_device->ResumeMusic();
}
