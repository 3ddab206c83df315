// gxtkAudio on OpenAL Soft: channels, lazy sources, samples and the discard list.

#include "host/gxtk_audio.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

// POSIX: the process that opened the device (getpid).
#include <unistd.h>

// ---------------------------------------------------------------------------------------------
// Globals

namespace {

// Buffers of discarded samples, deleted at the next flush that finds them unattached. Sample
// destructors run inside the collector, where no OpenAL call belongs, so they only append here.
std::vector<ALuint> discarded;

// The source's OpenAL state; a source OpenAL does not know (or no context) counts as stopped.
ALint SourceState(ALuint source) {
    ALint state = AL_STOPPED;
    if (source) alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

bool ValidChannel(int channel) {
    return channel >= 0 && channel < gxtkAudio::kChannels;
}

// The OpenAL format of decoded audio; 0 for what the device cannot play (more than two
// channels, samples wider than 16 bits), which the decoders may still hand over.
ALenum BufferFormat(int channels, int format) {
    if (channels == 1 && format == 1) return AL_FORMAT_MONO8;
    if (channels == 2 && format == 1) return AL_FORMAT_STEREO8;
    if (channels == 1 && format == 2) return AL_FORMAT_MONO16;
    if (channels == 2 && format == 2) return AL_FORMAT_STEREO16;
    return 0;
}

void ReportUnplayable(const String &path, int channels, int format, int hertz) {
    std::string line = "Cannot play " + path.ToNarrow() + ": " + std::to_string(8 * format) +
                       "-bit samples in " + std::to_string(channels) + " channels at " +
                       std::to_string(hertz) + " Hz; sounds must be 8- or 16-bit mono or stereo";
    ktPrint(String(line.c_str()));
}

// The device the game is playing through. The collector never destroys the game's device, so
// it is closed at exit instead; OpenAL Soft otherwise reports an unclosed device on every quit.
// Only by the process that opened it: a forked child that exits (a test's death test) has a
// copy of OpenAL's state without its mixer thread, which may have held one of its locks at the
// fork, so closing the copy could wait for ever.
gxtkAudio *liveDevice;
pid_t liveDeviceOwner;

void CloseLiveDeviceAtExit() {
    if (liveDevice && getpid() == liveDeviceOwner) liveDevice->Close();
}

}  // namespace

int gxtkAudio_DiscardedCount() {
    return static_cast<int>(discarded.size());
}

// ---------------------------------------------------------------------------------------------
// gxtkSample

gxtkSample::gxtkSample() : al_buffer(0) {}
gxtkSample::gxtkSample(ALuint buffer) : al_buffer(buffer) {}
gxtkSample::~gxtkSample() {
    Discard();
}

void gxtkSample::SetBuffer(ALuint buffer) {
    al_buffer = buffer;
}

void gxtkSample::Discard() {
    if (!al_buffer) return;
    discarded.push_back(al_buffer);
    al_buffer = 0;
}

// ---------------------------------------------------------------------------------------------
// Opening and closing

gxtkAudio::gxtkAudio() : alcDevice(nullptr), alcContext(nullptr), channels(), ready(false) {
    ktPrint(String("opening openal device"));
    // The opener writes the two handles and nothing else; Ready reads them after the join.
    auto open = [this] {
        alcDevice = alcOpenDevice(nullptr);
        if (!alcDevice) alcDevice = alcOpenDevice("Generic Hardware");
        if (!alcDevice) alcDevice = alcOpenDevice("Generic Software");
        if (alcDevice) alcContext = alcCreateContext(alcDevice, nullptr);
    };
    try {
        opener = std::thread(open);
    } catch (const std::system_error &) {
        open();  // no thread to be had: open it here
    }
    // Registered now, so a game that ends while the device is still opening waits for it
    // rather than leaving OpenAL to tear down under the opener.
    static bool exitHookSet = false;
    if (!exitHookSet) exitHookSet = std::atexit(CloseLiveDeviceAtExit) == 0;
    liveDevice = this;
    liveDeviceOwner = getpid();
}

void gxtkAudio::Ready() {
    if (ready) return;
    ready = true;
    if (opener.joinable()) opener.join();
    if (!alcDevice) {
        ktPrint(String("OpenAl error: alcOpenDevice failed"));
    } else if (!alcContext) {
        ktPrint(String("OpenAl error: alcCreateContext failed"));
    } else if (!alcMakeContextCurrent(alcContext)) {
        ktPrint(String("OpenAl error: alcMakeContextCurrent failed"));
    }
    // Positions only pan; they never attenuate.
    alDistanceModel(AL_NONE);
    ChannelSource(kMusicChannel);
}

// The game's device lives for the process; only a test's device is ever collected. Its buffers
// die with its context, so their names must not linger in the discard list either.
gxtkAudio::~gxtkAudio() {
    Close();
}

void gxtkAudio::Close() {
    Ready();
    if (liveDevice == this) liveDevice = nullptr;
    if (alcContext) {
        if (alcGetCurrentContext() == alcContext) alcMakeContextCurrent(nullptr);
        alcDestroyContext(alcContext);
        alcContext = nullptr;
        discarded.clear();
    }
    if (alcDevice) alcCloseDevice(alcDevice);
    alcDevice = nullptr;
}

void gxtkAudio::mark() {
    for (gxtkChannel &chan : channels) gc_mark(chan.sample);
    Object::mark();
}

// ---------------------------------------------------------------------------------------------
// Sources and the discard list

ALuint gxtkAudio::ChannelSource(int channel) {
    Ready();
    gxtkChannel &chan = channels[channel];
    if (chan.source) return chan.source;
    ALuint source = 0;
    alGetError();
    alGenSources(1, &source);
    if (alGetError() == AL_NO_ERROR && source) {
        chan.source = source;
        return source;
    }
    // Out of sources: take one from an effect channel that has gone quiet.
    for (int c = 0; c < kMusicChannel; ++c) {
        if (channels[c].source && ChannelState(c) == 0) {
            chan.source = channels[c].source;
            channels[c].source = 0;
            break;
        }
    }
    return chan.source;
}

void gxtkAudio::Release(gxtkChannel &chan) {
    if (chan.source) alSourcei(chan.source, AL_BUFFER, 0);
    chan.sample = nullptr;
    chan.state = 0;
}

void gxtkAudio::FlushDiscarded() {
    Ready();
    // A stopped source still holds its last buffer, which OpenAL then refuses to delete.
    for (gxtkChannel &chan : channels) {
        if (chan.sample && SourceState(chan.source) == AL_STOPPED) Release(chan);
    }
    if (discarded.empty()) return;
    std::vector<ALuint> failed;
    for (ALuint buffer : discarded) {
        alGetError();
        alDeleteBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) failed.push_back(buffer);
    }
    discarded.swap(failed);
}

// ---------------------------------------------------------------------------------------------
// Channels

int gxtkAudio::ChannelState(int channel) {
    Ready();
    if (!ValidChannel(channel)) return 0;
    gxtkChannel &chan = channels[channel];
    if (chan.state == 1 && SourceState(chan.source) == AL_STOPPED) Release(chan);
    return chan.state;
}

void gxtkAudio::StopChannel(int channel) {
    if (!ValidChannel(channel)) return;
    gxtkChannel &chan = channels[channel];
    if (chan.state == 0) return;
    alSourceStop(chan.source);
    Release(chan);
}

void gxtkAudio::PauseChannel(int channel) {
    if (!ValidChannel(channel)) return;
    gxtkChannel &chan = channels[channel];
    if (chan.state != 1) return;
    if (SourceState(chan.source) == AL_STOPPED) {
        Release(chan);
    } else {
        alSourcePause(chan.source);
        chan.state = 2;
    }
}

void gxtkAudio::ResumeChannel(int channel) {
    if (!ValidChannel(channel)) return;
    gxtkChannel &chan = channels[channel];
    if (chan.state != 2) return;
    alSourcePlay(chan.source);
    chan.state = 1;
}

// Channels paused by the game (state 2) are left alone, so they stay paused after Resume.
void gxtkAudio::Suspend() {
    for (gxtkChannel &chan : channels) {
        if (chan.state == 1 && SourceState(chan.source) == AL_PLAYING) alSourcePause(chan.source);
    }
}

void gxtkAudio::Resume() {
    for (gxtkChannel &chan : channels) {
        if (chan.state == 1 && SourceState(chan.source) == AL_PAUSED) alSourcePlay(chan.source);
    }
}

void gxtkAudio::SetVolume(int channel, float volume) {
    if (!ValidChannel(channel)) return;
    alSourcef(ChannelSource(channel), AL_GAIN, volume);
}

void gxtkAudio::SetPan(int channel, float pan) {
    if (!ValidChannel(channel)) return;
    alSource3f(ChannelSource(channel), AL_POSITION, std::sin(pan), 0.0f, -std::cos(pan));
}

void gxtkAudio::SetRate(int channel, float rate) {
    if (!ValidChannel(channel)) return;
    alSourcef(ChannelSource(channel), AL_PITCH, rate);
}

// ---------------------------------------------------------------------------------------------
// Samples

int gxtkAudio::PlaySample(gxtkSample *sample, int channel, int flags) {
    if (!sample || !ValidChannel(channel)) return -1;
    FlushDiscarded();
    ALuint source = ChannelSource(channel);
    if (!source) return -1;
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(sample->al_buffer));
    alSourcei(source, AL_LOOPING, flags ? AL_TRUE : AL_FALSE);
    alSourcePlay(source);
    gxtkChannel &chan = channels[channel];
    gc_assign(chan.sample, sample);
    chan.flags = flags;
    chan.state = 1;
    return 0;
}

gxtkSample *gxtkAudio::LoadSample(String path) {
    FlushDiscarded();
    gxtkSample *sample = new gxtkSample();
    return LoadSample__UNSAFE__(sample, path) ? sample : nullptr;
}

bool gxtkAudio::LoadSample__UNSAFE__(gxtkSample *sample, String path) {
    Ready();
    KtGame *game = KtGame::_game;
    if (!sample || !game) return false;
    int length = 0, nchannels = 0, format = 0, hertz = 0;
    unsigned char *data = game->LoadAudioData(path, &length, &nchannels, &format, &hertz);
    if (!data) return false;
    // Refused here rather than by OpenAL, which would leave a sample that silently never sounds.
    const ALenum alFormat = BufferFormat(nchannels, format);
    if (!alFormat || hertz <= 0) {
        ReportUnplayable(path, nchannels, format, hertz);
        std::free(data);
        return false;
    }
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    alBufferData(buffer, alFormat, data, format * nchannels * length, hertz);
    std::free(data);
    // A sample loaded twice must not leak its first buffer.
    sample->Discard();
    sample->SetBuffer(buffer);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Music

int gxtkAudio::PlayMusic(String path, int flags) {
    StopMusic();
    gxtkSample *sample = LoadSample(path);
    if (!sample) return -1;
    PlaySample(sample, kMusicChannel, flags);
    return 0;
}

// A track belongs to the device alone, so its buffer (megabytes of decoded audio) goes now: left
// to the collector it would wait for allocations a game in steady play hardly makes.
void gxtkAudio::StopMusic() {
    gxtkSample *track = channels[kMusicChannel].sample;
    StopChannel(kMusicChannel);
    if (track) track->Discard();
}
void gxtkAudio::PauseMusic() {
    PauseChannel(kMusicChannel);
}
void gxtkAudio::ResumeMusic() {
    ResumeChannel(kMusicChannel);
}
int gxtkAudio::MusicState() {
    return ChannelState(kMusicChannel);
}
void gxtkAudio::SetMusicVolume(float volume) {
    SetVolume(kMusicChannel, volume);
}
