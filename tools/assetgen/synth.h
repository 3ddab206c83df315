// Tiny synthesiser used by the cues and the music: oscillators from one sine table, simple
// envelopes and filters, all deterministic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace audio {

using Buffer = std::vector<float>;

double sine(double phase);   // phase in cycles; table-based sin(2 pi phase)
double noteHz(double midi);  // 69 = A4 = 440 Hz

// Deterministic white noise in [-1, 1).
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    float next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int32_t>(state_)) * (1.0f / 2147483648.0f);
    }

private:
    uint32_t state_;
};

// One-pole low-pass, the building block for softened noise and mellow tones.
struct LowPass {
    float a, y = 0;
    explicit LowPass(double cutoffHz);
    float run(float x) { return y += a * (x - y); }
};

// A voice: a sum of harmonics with an attack / exponential decay envelope and optional vibrato
// and pitch glide. Added into `out` starting at sample `start`; `wrap` makes the buffer
// circular (for a seamless loop) instead of cutting at the end.
struct Voice {
    double hz = 440;
    double glideTo = 0;  // end frequency of a glide over the voice's length, 0 = none
    double seconds = 0.5;
    double amp = 0.5;
    double attack = 0.005;
    double decay = 0.3;     // time constant of the exponential decay
    double release = 0.02;  // fade at the very end, so no voice ends in a click
    double vibrato = 0;     // depth in semitones
    double harmonics[6] = {1, 0, 0, 0, 0, 0};
};
void addVoice(Buffer &out, int64_t start, const Voice &v, bool wrap = false);

// A burst of low-passed noise with a short attack and exponential decay.
void addNoise(Buffer &out, int64_t start, double seconds, double amp, double cutoffHz, double decay,
              uint32_t seed, bool wrap = false);

// Scales to the given peak and fades the first and last few milliseconds.
void finish(Buffer &b, double peak);

// Writes mono 16-bit PCM WAV at kRate; false (with a message) on failure.
bool writeWav(const std::string &path, const Buffer &b);

}  // namespace audio
