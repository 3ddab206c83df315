// gxtkAudio: the OpenAL audio device with 32 effect channels and one music channel.
//
// Channels 0..31 carry sound effects and 32 the music. A channel gets its OpenAL source on
// first use; when OpenAL has no more sources a channel takes one from a stopped effect channel
// (never from the music channel). Samples are fully decoded OpenAL buffers; a sample's buffer
// is deleted through the process-wide discard list once no source holds it any more. Without an
// audio device every call still works and nothing sounds. Main thread only, but for the opening
// of the device (see the constructor).
//
// Who owns a channel's sample: the channel holds its sample, as a reference the collector
// follows, from the play until the channel is stopped or is found stopped (by ChannelState,
// PauseChannel or the check at every load and play). At that moment it detaches the buffer from
// its source and forgets the sample, so no channel ever points at a collected sample and no
// source holds a buffer that the discard list waits to delete. A music track belongs to the
// device alone: StopMusic (and PlayMusic, which stops the track before it) discards its buffer
// at once; a track that ends by itself is forgotten and left to the collector.
#pragma once

// <AL/...>: the channel and sample records hold OpenAL names.
#include <AL/al.h>
#include <AL/alc.h>

#include <thread>

#include "host/ktgame.h"

// ---------------------------------------------------------------------------------------------
// Types

// One decoded sound in an OpenAL buffer; collecting it discards the buffer.
struct gxtkSample : Object {
    ALuint al_buffer;

    gxtkSample();
    explicit gxtkSample(ALuint buffer);
    ~gxtkSample() override;
    void SetBuffer(ALuint buffer);
    // Hands the buffer to the discard list (deleted at a later flush) and forgets it.
    virtual void Discard();
};

struct gxtkChannel {
    ALuint source;       // 0 until one is obtained
    gxtkSample *sample;  // held from the play until the channel stops; null when stopped
    int flags;           // of the last play; non-zero loops
    int state;           // 0 stopped, 1 playing, 2 paused
};

struct gxtkAudio : Object {
    static constexpr int kChannels = 33;
    static constexpr int kMusicChannel = 32;

    ALCdevice *alcDevice;  // null when no device could be opened
    ALCcontext *alcContext;
    gxtkChannel channels[kChannels];

    // Starts opening the default device (then "Generic Hardware", "Generic Software") on a
    // thread of its own and returns at once: the set-up takes milliseconds (more with a sound
    // server) that the first frames need. The device object exists in every case.
    gxtkAudio();
    ~gxtkAudio() override;
    // Waits for the opening, prints what failed and makes the context current; at once when
    // that is done. alcDevice and alcContext are valid only after it. Every path to OpenAL
    // passes through it: ChannelSource, FlushDiscarded, ChannelState, LoadSample__UNSAFE__ and
    // Close call it, and a channel whose state is not 0 was played through ChannelSource.
    void Ready();
    // Destroys the context and closes the device; the object stays, silent.
    void Close();
    // Marks the samples the channels hold. Runs inside the collector: no OpenAL call.
    void mark() override;

    // Pause every playing channel for a suspended game, and play exactly those again.
    virtual void Suspend();
    virtual void Resume();
    // Decodes a file (through the host's LoadAudioData) into a new sample; null on failure.
    virtual gxtkSample *LoadSample(String path);
    virtual bool LoadSample__UNSAFE__(gxtkSample *sample, String path);
    // 0 when the sample plays on the channel, -1 when the channel has no source (or no such
    // channel exists).
    virtual int PlaySample(gxtkSample *sample, int channel, int flags);
    virtual void StopChannel(int channel);
    virtual void PauseChannel(int channel);
    virtual void ResumeChannel(int channel);
    virtual int ChannelState(int channel);
    virtual void SetVolume(int channel, float volume);
    // Radians: 0 straight ahead, pi/2 fully right, -pi/2 fully left.
    virtual void SetPan(int channel, float pan);
    // 1 is normal speed and pitch.
    virtual void SetRate(int channel, float rate);
    // Stops the current track, then decodes and plays `path` on the music channel; -1 when the
    // file cannot be loaded.
    virtual int PlayMusic(String path, int flags);
    virtual void StopMusic();
    virtual void PauseMusic();
    virtual void ResumeMusic();
    virtual int MusicState();
    virtual void SetMusicVolume(float volume);

    // The channel's source, obtained (or taken from a stopped effect channel) if it has none
    // yet; 0 when none can be had.
    ALuint ChannelSource(int channel);
    // Lets every channel whose source has stopped forget its sample, then deletes the discarded
    // buffers that no source holds any more.
    void FlushDiscarded();

private:
    std::thread opener;  // opens the device; joined by Ready
    bool ready;          // Ready has run

    // Detaches the channel's buffer from its source, forgets its sample and marks it stopped.
    void Release(gxtkChannel &chan);
};

// ---------------------------------------------------------------------------------------------
// Functions

// Buffer names discarded but not yet deleted (for tests and diagnostics).
int gxtkAudio_DiscardedCount();
