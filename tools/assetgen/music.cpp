// "Fennel": the game's gentle looping tune in F major, 16 bars at 96 beats a minute (40 s).
// Every note is mixed into a circular buffer, so tails that run past the end sound at the
// start: the last sample flows into the first and the loop has no seam.
#include "sounds.h"
#include "synth.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace audio {

namespace {

constexpr int kBars = 16;
constexpr double kBeat = 60.0 / 96;
constexpr double kEighth = kBeat / 2;
static_assert(kBars * 4 * 60 / 96 == kMusicSeconds, "the tune's length is part of its contract");

// Chord roots (MIDI) and qualities per bar: F Dm Bb C | F Am Bb C | Dm Bb F C | Bb C F C.
const int kRoot[kBars] = {53, 50, 46, 48, 53, 45, 46, 48, 50, 46, 53, 48, 46, 48, 53, 48};
const bool kMinor[kBars] = {false, true,  false, false, false, true,  false, false,
                            true,  false, false, false, false, false, false, false};

// Melody in eighths: a MIDI note starts, -1 holds the previous note, 0 is a rest.
const int kMelody[kBars][8] = {
    {72, -1, 69, -1, 65, -1, 67, 69}, {74, -1, 72, -1, 69, -1, -1, 0},
    {65, -1, 67, -1, 69, -1, 72, -1}, {67, -1, -1, -1, -1, 0, 0, 0},
    {72, -1, 69, -1, 65, -1, 67, 69}, {72, -1, 74, -1, 76, -1, -1, 0},
    {77, -1, 74, -1, 72, -1, 69, -1}, {67, -1, 69, -1, 72, -1, -1, 0},
    {74, -1, -1, 77, -1, -1, 74, 72}, {70, -1, 72, -1, 74, -1, -1, 0},
    {72, -1, -1, 69, -1, -1, 65, -1}, {67, -1, 69, -1, 67, -1, -1, 0},
    {74, -1, -1, 72, -1, -1, 70, -1}, {72, -1, -1, -1, 67, -1, -1, 0},
    {69, -1, -1, -1, 65, -1, -1, -1}, {-1, -1, -1, 0, 0, 0, 67, 69},
};

struct Stereo {
    Buffer left, right;
};

int64_t at(double seconds) {
    return static_cast<int64_t>(std::llround(seconds * kRate));
}

void both(Stereo &s, double t, const Voice &v, double pan) {
    Voice l = v, r = v;
    l.amp = v.amp * (1 - pan);
    r.amp = v.amp * (1 + pan);
    addVoice(s.left, at(t), l, true);
    addVoice(s.right, at(t), r, true);
}

void chordTones(int bar, int out[3]) {
    out[0] = kRoot[bar] + 12;
    out[1] = kRoot[bar] + 12 + (kMinor[bar] ? 3 : 4);
    out[2] = kRoot[bar] + 19;
}

void pad(Stereo &s) {
    for (int bar = 0; bar < kBars; ++bar) {
        int tones[3];
        chordTones(bar, tones);
        for (int i = 0; i < 3; ++i) {
            Voice v;
            v.seconds = 4 * kBeat + 0.4;
            v.amp = 0.05;
            v.attack = 0.35;
            v.decay = 12;
            v.release = 0.6;
            v.harmonics[0] = 1;
            v.harmonics[1] = 0.35;
            v.harmonics[2] = 0.15;
            v.harmonics[3] = 0.06;
            // Two slightly detuned copies, one each side, for a soft chorus.
            v.hz = noteHz(tones[i] - 0.06);
            addVoice(s.left, at(bar * 4 * kBeat), v, true);
            v.hz = noteHz(tones[i] + 0.06);
            addVoice(s.right, at(bar * 4 * kBeat), v, true);
        }
    }
}

void bass(Stereo &s) {
    for (int bar = 0; bar < kBars; ++bar)
        for (int beat : {0, 2, 3}) {
            Voice v;
            v.hz = noteHz(kRoot[bar] - 12 + (beat == 3 ? 7 : 0));
            v.seconds = beat == 0 ? 1.8 * kBeat : 0.9 * kBeat;
            v.amp = beat == 3 ? 0.14 : 0.2;
            v.attack = 0.01;
            v.decay = 0.6;
            v.release = 0.08;
            v.harmonics[1] = 0.3;
            v.harmonics[2] = 0.08;
            both(s, (bar * 4 + beat) * kBeat, v, 0);
        }
}

void harp(Stereo &s) {
    // Rising broken chords in eighths, a little to the right.
    for (int bar = 0; bar < kBars; ++bar) {
        int tones[3];
        chordTones(bar, tones);
        const int pattern[8] = {tones[0], tones[1], tones[2], tones[0] + 12,
                                tones[2], tones[1], tones[2], tones[1] + 12};
        for (int i = 0; i < 8; ++i) {
            Voice v;
            v.hz = noteHz(pattern[i]);
            v.seconds = 0.9;
            v.amp = i == 0 ? 0.075 : 0.055;
            v.attack = 0.003;
            v.decay = 0.28;
            v.release = 0.1;
            v.harmonics[1] = 0.4;
            v.harmonics[2] = 0.15;
            v.harmonics[3] = 0.05;
            both(s, bar * 4 * kBeat + i * kEighth, v, 0.35);
        }
    }
}

void melody(Stereo &s) {
    Stereo dry{Buffer(s.left.size()), Buffer(s.left.size())};
    for (int bar = 0; bar < kBars; ++bar)
        for (int i = 0; i < 8; ++i) {
            int note = kMelody[bar][i];
            if (note <= 0) continue;
            int len = 1;
            for (int j = bar * 8 + i + 1; kMelody[(j / 8) % kBars][j % 8] == -1; ++j) ++len;
            Voice v;
            v.hz = noteHz(note);
            v.seconds = len * kEighth + 0.15;
            v.amp = 0.22;
            v.attack = 0.03;
            v.decay = 1.6;
            v.release = 0.18;
            v.vibrato = 0.1;
            v.harmonics[1] = 0.22;
            v.harmonics[2] = 0.08;
            both(dry, bar * 4 * kBeat + i * kEighth, v, -0.1);
            Voice chime = v;  // a soft bell doubling the note's start
            chime.hz *= 2;
            chime.seconds = 0.8;
            chime.amp = 0.05;
            chime.attack = 0.002;
            chime.decay = 0.2;
            chime.vibrato = 0;
            both(dry, bar * 4 * kBeat + i * kEighth, chime, 0.1);
        }
    // A ping-pong echo of three dotted eighths, folded round the loop like everything else.
    const size_t n = s.left.size();
    const size_t delay = static_cast<size_t>(at(3 * kEighth));
    for (size_t i = 0; i < n; ++i) {
        s.left[i] += dry.left[i];
        s.right[i] += dry.right[i];
        float gain = 0.32f;
        for (size_t k = 1; k <= 4; ++k, gain *= 0.55f) {
            size_t j = (i + k * delay) % n;
            float mono = (dry.left[i] + dry.right[i]) * 0.5f * gain;
            (k % 2 ? s.right : s.left)[j] += mono;
        }
    }
}

void brush(Stereo &s) {
    // A soft shaker on the off-beats and a wooden tock on beats two and four.
    for (int bar = 0; bar < kBars; ++bar)
        for (int i = 0; i < 8; ++i) {
            double t = bar * 4 * kBeat + i * kEighth;
            uint32_t seed = 7000u + bar * 8 + i;
            if (i % 2) {
                addNoise(s.left, at(t), 0.08, 0.05, 7000, 0.02, seed, true);
                addNoise(s.right, at(t + 0.004), 0.08, 0.05, 7000, 0.02, seed + 999, true);
            }
            if (i == 2 || i == 6) {
                Voice v;
                v.hz = 820;
                v.seconds = 0.08;
                v.amp = 0.05;
                v.attack = 0.001;
                v.decay = 0.02;
                v.release = 0.02;
                both(s, t, v, -0.3);
            }
        }
}

}  // namespace

bool writeMusic(const std::string &dataDir) {
    const size_t n = static_cast<size_t>(kMusicSeconds) * kRate;
    Stereo s{Buffer(n), Buffer(n)};
    pad(s);
    bass(s);
    harp(s);
    melody(s);
    brush(s);
    float peak = 0;
    for (size_t i = 0; i < n; ++i)
        peak = std::max({peak, std::fabs(s.left[i]), std::fabs(s.right[i])});
    const float k = peak > 0 ? 0.7f / peak : 1;
    std::vector<float> frames(2 * n);
    for (size_t i = 0; i < n; ++i) {
        frames[2 * i] = s.left[i] * k;
        frames[2 * i + 1] = s.right[i] * k;
    }

    std::filesystem::path path =
        std::filesystem::path(dataDir) /
        (std::string(manifest::kTuneDir) + manifest::kTune + manifest::kTuneExtension);
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "kt_assetgen: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    double quality = 0.4;
    sf_command(f, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    bool ok =
        sf_writef_float(f, frames.data(), static_cast<sf_count_t>(n)) == static_cast<sf_count_t>(n);
    ok = sf_close(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "kt_assetgen: short write to %s\n", path.c_str());
    return ok;
}

}  // namespace audio
