// The sound cues and the music, decoded the way the audio device decodes them.
#include "asset_table.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <stb/stb_vorbis.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace assets {
namespace {

bool readCue(int cue, SF_INFO &info, std::vector<short> &samples) {
    info = SF_INFO{};
    SNDFILE *f = sf_open(cuePath(cue).c_str(), SFM_READ, &info);
    if (!f) return false;
    samples.resize(static_cast<size_t>(info.frames) * info.channels);
    sf_count_t got = sf_read_short(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
    return got == static_cast<sf_count_t>(samples.size());
}

TEST(AssetSounds, CuesAreShortAudible16BitPcmAndTheDieRattlesDiffer) {
    std::vector<std::vector<short>> rattles;
    for (const manifest::SoundFile &sound : manifest::kSounds) {
        const int cue = sound.cue;
        SCOPED_TRACE(cuePath(cue));
        SF_INFO info;
        std::vector<short> s;
        ASSERT_TRUE(readCue(cue, info, s));
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        EXPECT_GE(info.samplerate, 22050);
        EXPECT_GT(info.frames, info.samplerate / 50) << "shorter than 20 ms";
        EXPECT_LT(info.frames, info.samplerate * 3) << "a cue should be short";
        int peak = 0;
        double energy = 0;
        for (short v : s) {
            peak = std::max(peak, std::abs(static_cast<int>(v)));
            energy += static_cast<double>(v) * v;
        }
        EXPECT_GT(peak, 8000) << "too quiet";
        EXPECT_LT(peak, 32767) << "clipped";
        EXPECT_GT(std::sqrt(energy / s.size()), 300.0);
        // Starting and ending at rest: no click when the cue starts or is cut.
        EXPECT_LT(std::abs(s.front()), 200);
        EXPECT_LT(std::abs(s.back()), 200);
        if (cue >= Sfx::RattleFirst && cue <= Sfx::RattleLast) {
            for (const auto &other : rattles) EXPECT_NE(other, s) << "two rattles are the same";
            rattles.push_back(s);
        }
    }
}

TEST(AssetSounds, MusicDecodesToItsLengthAndLoopsWithoutAClick) {
    int channels = 0, rate = 0;
    short *out = nullptr;
    std::string path =
        dataDir() + "/" + manifest::kTuneDir + manifest::kTune + manifest::kTuneExtension;
    int frames = stb_vorbis_decode_filename(path.c_str(), &channels, &rate, &out);
    ASSERT_GT(frames, 0) << path;
    std::vector<short> pcm(out, out + static_cast<size_t>(frames) * channels);
    std::free(out);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, kMusicRate);
    EXPECT_EQ(frames, manifest::kTuneSeconds * kMusicRate);

    double energy = 0;
    for (short v : pcm) energy += static_cast<double>(v) * v;
    EXPECT_GT(std::sqrt(energy / pcm.size()), 1000.0) << "the music is nearly silent";

    // The jump from the last sample back to the first must be no bigger than the ordinary
    // steps between neighbouring samples.
    for (int c = 0; c < channels; ++c) {
        std::vector<int> steps;
        for (int i = 1; i < frames; ++i)
            steps.push_back(std::abs(pcm[i * channels + c] - pcm[(i - 1) * channels + c]));
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
        int p99 = steps[steps.size() * 99 / 100];
        int seam = std::abs(pcm[c] - pcm[static_cast<size_t>(frames - 1) * channels + c]);
        EXPECT_LE(seam, p99) << "channel " << c;
    }
}

}  // namespace
}  // namespace assets
