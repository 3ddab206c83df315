// The audio device on OpenAL Soft's wave writer, whose real-time output the tests measure.

#include <gtest/gtest.h>

#include "framework/audio.h"
#include "tests/audio/audio_files.h"

using namespace audiotest;

namespace {

gxtkSample *tone440;
WaveCapture *capture;
const gc_roots testRoots([] { gc_mark(tone440); });

String At(const std::string &name) {
    return String((ScratchDir() + "/" + name).c_str());
}

// The frequency of a captured side from its rising zero crossings.
double Hz(const std::vector<float> &v) {
    std::vector<std::size_t> rises;
    for (std::size_t i = 1; i < v.size(); ++i)
        if (v[i - 1] < 0 && v[i] >= 0) rises.push_back(i);
    return rises.size() < 2 ? 0
                            : (rises.size() - 1.0) * capture->rate() / (rises.back() - rises[0]);
}

// The sides heard, "L", "R", both or neither; a side neither sounding nor silent reads "?".
std::string Heard(const Stereo &s) {
    auto side = [](const std::vector<float> &v, const char *name) {
        return std::string(Rms(v) > 0.1 ? name : Rms(v) < 1e-3 ? "" : "?");
    };
    return side(s.left, "L") + side(s.right, "R");
}

// Two full cycles: an object the write barrier greyed in the current cycle survives its end.
void CollectAll() {
    gc_set_torture(true);
    gc_collect_step(nullptr), gc_collect_step(nullptr);
    gc_set_torture(false);
}

class AudioDevice : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string dir = ScratchDir(), wave = dir + "/capture.wav";
        const std::string conf =
            "[general]\ndrivers = wave\nchannels = stereo\nsample-type = float32\nfrequency = "
            "44100\nperiod_size = 256\nhrtf = false\nstereo-mode = speakers\nstereo-encoding = "
            "panpot\noutput-limiter = false\ndither = false\n[wave]\nfile = " +
            wave + "\n";
        WriteFile(dir + "/alsoft.conf", Bytes(conf.begin(), conf.end()));
        setenv("ALSOFT_CONF", (dir + "/alsoft.conf").c_str(), 1);
        capture = new WaveCapture(wave);
        // Whole cycles in one second, so a looped tone has no seam.
        for (auto [name, hz, seconds] :
             {std::tuple{"tone440", 440, 1.0}, {"tone660", 660, 1.0}, {"beep", 440, 0.1}})
            WriteFile(dir + "/" + name + ".wav",
                      Wav(1, 22050, 16, SinePcm16(hz, 22050, seconds, 0.5)));
        KtGame::_game = new FileGame();
        kt_audio_SetAudioDevice(new gxtkAudio());
        // The first load waits for the device, which opens on a thread of its own.
        gc_assign(tone440, kt_audio_device->LoadSample(At("tone440.wav")));
        ASSERT_NE(kt_audio_device->alcDevice, nullptr) << "OpenAL Soft's wave writer did not open";
        ASSERT_NE(tone440, nullptr);
    }

    void TearDown() override {
        for (int c = 0; c < gxtkAudio::kChannels; ++c)
            dev().StopChannel(c), dev().SetVolume(c, 1), dev().SetRate(c, 1), dev().SetPan(c, 0);
    }

    gxtkAudio &dev() { return *kt_audio_device; }
};

// Through the module's functions, which forward to the device.
TEST_F(AudioDevice, RatePanAndVolumeChangeWhatIsHeard) {
    kt_audio_PlaySound((new c_Sound())->m_new(tone440), 1, 1);
    Stereo normal = capture->Next(0.15);
    const double full = Rms(normal.left);
    EXPECT_NEAR(Hz(normal.left), 440, 10);
    kt_audio_SetChannelRate(1, 2);
    EXPECT_NEAR(Hz(capture->Next(0.15).left), 880, 15);
    kt_audio_SetChannelPan(1, float(M_PI / 2));
    EXPECT_EQ(Heard(capture->Next(0.15)), "R");
    kt_audio_SetChannelPan(1, float(-M_PI / 2));
    EXPECT_EQ(Heard(capture->Next(0.15)), "L");
    kt_audio_SetChannelPan(1, 0), kt_audio_SetChannelVolume(1, 0.5f);
    EXPECT_NEAR(Rms(capture->Next(0.15).left) / full, 0.5, 0.02);
    kt_audio_StopChannel(1);
    EXPECT_EQ(dev().ChannelState(1), 0);
    // Channels that do not exist are ignored.
    EXPECT_EQ(dev().PlaySample(tone440, gxtkAudio::kChannels, 0) +
                  dev().PlaySample(tone440, -1, 0) + dev().ChannelState(99),
              -2);
    dev().SetPan(-5, 1);
}

// The replaced track's buffer goes at once; a track that cannot load still stops the last.
TEST_F(AudioDevice, SecondPlayMusicReplacesTheFirst) {
    ASSERT_EQ(kt_audio_PlayMusic(At("tone440.wav"), 1), 0);
    gxtkSample *firstTrack = dev().channels[gxtkAudio::kMusicChannel].sample;
    ASSERT_EQ(kt_audio_PlayMusic(At("tone660.wav"), 1), 0);
    EXPECT_EQ(std::make_pair(firstTrack->al_buffer, gxtkAudio_DiscardedCount()),
              std::make_pair(0u, 0));
    EXPECT_NEAR(Hz(capture->Next(0.2).left), 660, 10) << "the tracks are not mixed";
    kt_audio_PauseMusic();
    const int paused = dev().MusicState();
    kt_audio_ResumeMusic();
    EXPECT_EQ(std::make_pair(paused, dev().MusicState()), std::make_pair(2, 1));
    EXPECT_EQ(kt_audio_PlayMusic(String("/nonexistent/track.ogg"), 1), -1);
    EXPECT_EQ(Heard(capture->Next(0.1)) + std::to_string(dev().MusicState()), "0");
}

// A channel holds its sample until a flush sees it end; collected, its buffer goes at the next.
TEST_F(AudioDevice, CollectorKeepsSoundingSamplesAndDeletesTheRest) {
    CollectAll();
    dev().FlushDiscarded();
    ASSERT_EQ(gxtkAudio_DiscardedCount(), 0);
    c_Sound *a = kt_audio_LoadSound(At("beep.wav")), *b = kt_audio_LoadSound(At("beep.wav"));
    ASSERT_TRUE(a && b);
    gxtkSample *playing = a->sample, *done = b->sample;
    const ALuint playingBuffer = playing->al_buffer, doneBuffer = done->al_buffer;
    ASSERT_EQ(dev().PlaySample(playing, 4, 1) + dev().PlaySample(done, 5, 0), 0);
    capture->Next(0.05, 0.2);  // the one-shot ends
    CollectAll();
    EXPECT_EQ(std::make_pair(gxtkAudio_DiscardedCount(), dev().channels[5].sample),
              std::make_pair(0, done));
    dev().FlushDiscarded();
    EXPECT_EQ(dev().channels[5].sample, nullptr);
    CollectAll();
    EXPECT_EQ(gxtkAudio_DiscardedCount(), 1);
    EXPECT_TRUE(alIsBuffer(doneBuffer)) << "deleted only at the next flush";
    dev().FlushDiscarded();
    EXPECT_TRUE(gxtkAudio_DiscardedCount() == 0 && !alIsBuffer(doneBuffer) &&
                alIsBuffer(playingBuffer));
    EXPECT_EQ(Heard(capture->Next(0.1)) + std::to_string(dev().ChannelState(5)), "LR0");
}

// A stopped channel lets its sample go at once, so it never points at a collected one.
TEST_F(AudioDevice, StoppedChannelKeepsNoPointerToACollectedSample) {
    for (int channel : {gxtkAudio::kMusicChannel, 3}) {
        const bool music = channel == gxtkAudio::kMusicChannel;
        auto play = [&] {
            return music ? dev().PlayMusic(At("tone440.wav"), 1)
                         : dev().PlaySample(dev().LoadSample(At("beep.wav")), channel, 1);
        };
        ASSERT_EQ(play(), 0) << channel;
        music ? dev().StopMusic() : dev().StopChannel(channel);
        CollectAll();
        gxtkSample *held = dev().channels[channel].sample;
        EXPECT_TRUE(!held || gc_is_live(held)) << channel;
        EXPECT_EQ(play(), 0) << channel;
        EXPECT_EQ(Heard(capture->Next(0.1)), "LR") << channel;
    }
}

}  // namespace
