// The sound cues: short mono 16-bit WAVs, one family of soft wooden clicks and warm bells.
#include "sounds.h"
#include "synth.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace audio {

namespace {

int64_t at(double seconds) {
    return static_cast<int64_t>(seconds * kRate);
}

Buffer sized(double seconds) {
    return Buffer(static_cast<size_t>(seconds * kRate), 0.0f);
}

// A bell: inharmonic-ish partials that fade at different rates.
void bell(Buffer &b, double t, double midi, double amp, double length = 1.2) {
    Voice v;
    v.hz = noteHz(midi);
    v.seconds = length;
    v.amp = amp;
    v.attack = 0.002;
    v.decay = length * 0.35;
    v.release = 0.05;
    v.harmonics[0] = 1;
    v.harmonics[1] = 0.35;
    v.harmonics[3] = 0.12;
    addVoice(b, at(t), v);
    Voice shimmer = v;
    shimmer.hz = v.hz * 2.76;  // the bell's bright, quickly fading overtone
    shimmer.decay = length * 0.08;
    shimmer.amp = amp * 0.25;
    shimmer.harmonics[1] = shimmer.harmonics[3] = 0;
    addVoice(b, at(t), shimmer);
}

// A soft flute-like tone with a little vibrato.
void flute(Buffer &b, double t, double midi, double seconds, double amp, double glide = 0) {
    Voice v;
    v.hz = noteHz(midi);
    v.glideTo = glide > 0 ? noteHz(glide) : 0;
    v.seconds = seconds;
    v.amp = amp;
    v.attack = 0.02;
    v.decay = seconds * 1.5;
    v.release = 0.06;
    v.vibrato = 0.12;
    v.harmonics[0] = 1;
    v.harmonics[1] = 0.25;
    v.harmonics[2] = 0.1;
    addVoice(b, at(t), v);
}

// A wooden tick: a resonant pitched ping plus a little noise, the family of menu clicks.
void tick(Buffer &b, double t, double hz, double amp, uint32_t seed) {
    Voice v;
    v.hz = hz;
    v.seconds = 0.06;
    v.amp = amp;
    v.attack = 0.0005;
    v.decay = 0.012;
    v.release = 0.01;
    v.harmonics[0] = 1;
    v.harmonics[2] = 0.3;
    addVoice(b, at(t), v);
    addNoise(b, at(t), 0.03, amp * 1.2, 4000, 0.006, seed);
}

Buffer click() {  // Sfx::Click: a menu move or a step of the piece
    Buffer b = sized(0.08);
    tick(b, 0, 1400, 0.6, 99);
    return b;
}

Buffer pop() {  // Sfx::Pop: a soft rising pop
    Buffer b = sized(0.16);
    Voice v;
    v.hz = 500;
    v.glideTo = 1100;
    v.seconds = 0.12;
    v.amp = 0.6;
    v.attack = 0.002;
    v.decay = 0.04;
    addVoice(b, 0, v);
    tick(b, 0, 1800, 0.25, 1);
    return b;
}

Buffer back() {  // Sfx::Back: the same pop, falling: cancel / back
    Buffer b = sized(0.2);
    tick(b, 0, 1200, 0.5, 95);
    tick(b, 0.07, 900, 0.45, 96);
    return b;
}

Buffer confirm() {  // Sfx::Confirm: confirm or pause, two quick rising notes
    Buffer b = sized(0.35);
    tick(b, 0, 1600, 0.3, 98);
    bell(b, 0, 79, 0.4, 0.25);
    bell(b, 0.08, 86, 0.45, 0.27);
    return b;
}

Buffer safe() {  // Sfx::Safe: a bright chime
    Buffer b = sized(1.0);
    bell(b, 0, 84, 0.5, 0.9);
    bell(b, 0.06, 88, 0.45, 0.9);
    bell(b, 0.12, 91, 0.4, 0.85);
    return b;
}

Buffer trapThud() {  // Sfx::Trap: a low thud with a dull crumble
    Buffer b = sized(0.7);
    Voice v;
    v.hz = 130;
    v.glideTo = 42;
    v.seconds = 0.5;
    v.amp = 1;
    v.attack = 0.002;
    v.decay = 0.14;
    v.harmonics[1] = 0.3;
    addVoice(b, 0, v);
    addNoise(b, 0, 0.35, 1.4, 300, 0.08, 5);
    addNoise(b, at(0.05), 0.4, 0.6, 900, 0.06, 55);
    return b;
}

Buffer fanfare() {  // Sfx::Goal: the goal, a short rising fanfare ending on a chord
    Buffer b = sized(1.8);
    const double notes[4] = {72, 76, 79, 84};
    for (int i = 0; i < 4; ++i) {
        flute(b, i * 0.11, notes[i], 0.16, 0.35);
        bell(b, i * 0.11, notes[i] + 12, 0.12, 0.3);
    }
    for (double n : {72.0, 76.0, 79.0, 84.0}) flute(b, 0.46, n, 1.1, 0.22);
    bell(b, 0.46, 96, 0.25, 1.2);
    return b;
}

Buffer lastLife() {  // Sfx::LastLife: falling tones
    Buffer b = sized(1.9);
    const double notes[4] = {79, 75, 72, 67};
    for (int i = 0; i < 4; ++i)
        flute(b, i * 0.3, notes[i], i == 3 ? 0.9 : 0.34, 0.4, notes[i] - (i == 3 ? 1.5 : 0.4));
    return b;
}

// Sfx::RattleFirst..RattleLast: a die clattering on stone, each throw different.
Buffer rattle(int which) {
    Buffer b = sized(0.45);
    const int hits = 3 + which;
    double t = 0;
    for (int i = 0; i < hits; ++i) {
        double hz = 1500 + 900 * std::sin(which * 3.1 + i * 1.7);
        double amp = 0.7 * std::pow(0.8, i);
        tick(b, t, hz, amp, 1100 + which * 17 + i);
        t += 0.035 + 0.02 * std::fabs(std::sin(which * 1.3 + i * 2.3));
    }
    return b;
}

Buffer jingle() {  // Sfx::Jingle: the maker's jingle, a warm four-note motif
    Buffer b = sized(2.2);
    const double notes[4] = {67, 72, 76, 74};
    const double times[4] = {0, 0.16, 0.32, 0.56};
    for (int i = 0; i < 4; ++i) bell(b, times[i], notes[i] + 12, 0.35, 1.2);
    for (double n : {60.0, 67.0, 72.0, 79.0}) flute(b, 0.56, n, 1.5, 0.13);
    return b;
}

}  // namespace

bool writeCues(const std::string &dataDir) {
    bool ok = true;
    for (const manifest::SoundFile &sound : manifest::kSounds) {
        const int cue = sound.cue;
        Buffer b;
        switch (cue) {
            case Sfx::Pop:
                b = pop();
                break;
            case Sfx::Safe:
                b = safe();
                break;
            case Sfx::Trap:
                b = trapThud();
                break;
            case Sfx::Goal:
                b = fanfare();
                break;
            case Sfx::LastLife:
                b = lastLife();
                break;
            case Sfx::Back:
                b = back();
                break;
            case Sfx::Jingle:
                b = jingle();
                break;
            case Sfx::Confirm:
                b = confirm();
                break;
            case Sfx::Click:
                b = click();
                break;
            default:
                b = rattle(cue - Sfx::RattleFirst);
                break;
        }
        // Clicks sit quietly under the game; the long sustained fall of the last life is held
        // back too.
        finish(b, cue == Sfx::Click || cue == Sfx::Pop || cue == Sfx::Back ? 0.5
                  : cue == Sfx::LastLife                                   ? 0.6
                                                                           : 0.8);
        char name[32];
        std::snprintf(name, sizeof name, manifest::kCueFile, cue);
        std::filesystem::path path = std::filesystem::path(dataDir) / name;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        ok = writeWav(path.string(), b) && ok;
    }
    return ok;
}

}  // namespace audio
