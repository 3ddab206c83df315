// No sound backend at all: the device reports it once and the game goes on in silence.

#include <gtest/gtest.h>

#include "framework/audio.h"
#include "tests/audio/audio_files.h"

using namespace audiotest;

TEST(AudioWithoutDevice, ReportsOnceAndEveryCallStaysHarmless) {
    // The module before any device exists.
    kt_audio_Init();
    EXPECT_EQ(kt_audio_LoadSound(String("beep.wav")), nullptr);
    EXPECT_EQ(kt_audio_PlayMusic(String("sfx/x.ogg"), 1), -1);
    kt_audio_PlaySound(nullptr, 0, 0), kt_audio_StopChannel(0), kt_audio_SetChannelPan(0, 0);
    kt_audio_SetChannelVolume(0, 1), kt_audio_SetChannelRate(0, 1), kt_audio_StopMusic();
    kt_audio_PauseMusic(), kt_audio_ResumeMusic();

    const String tone((ScratchDir() + "/tone.wav").c_str());
    WriteFile(tone.ToUtf8(), Wav(1, 22050, 16, SinePcm16(440, 22050, 0.2, 0.5)));
    setenv("ALSOFT_DRIVERS", "no-such-backend", 1);
    KtGame::_game = new FileGame();
    testing::internal::CaptureStdout();
    kt_audio_SetAudioDevice(new gxtkAudio());
    kt_audio_device->Ready();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "opening openal device\nOpenAl error: alcOpenDevice failed\n");
    gxtkAudio &dev = *kt_audio_device;
    EXPECT_EQ(dev.alcDevice, nullptr);
    // Files still decode: OpenAL has nowhere to put them.
    c_Sound *sound = kt_audio_LoadSound(tone);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->sample->al_buffer, 0u);
    EXPECT_EQ(dev.PlaySample(sound->sample, 0, 1), -1);
    EXPECT_EQ(kt_audio_PlayMusic(tone, 1) + dev.MusicState() + dev.ChannelState(0), 0);
    // A sample with no buffer lists none when discarded.
    sound->sample->Discard();
    EXPECT_EQ(gxtkAudio_DiscardedCount(), 0);
    // What no device can play fails at load, with a line naming the file and its format.
    for (auto [wav, line] :
         {std::pair{Wav(2, 22050, 24, Bytes(600)), "24-bit samples in 2 channels"},
          {Wav(3, 22050, 16, Bytes(600)), "16-bit samples in 3 channels"}}) {
        WriteFile(tone.ToUtf8(), wav);
        testing::internal::CaptureStdout();
        EXPECT_EQ(dev.LoadSample(tone), nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Cannot play " + tone.ToUtf8() + ": " + line +
                      " at 22050 Hz; sounds must be 8- or 16-bit mono or stereo\n");
    }
}
