#include "synth.h"

#include "sounds.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace audio {

namespace {

constexpr int kTable = 4096;

const std::vector<float> &sineTable() {
    static const std::vector<float> table = [] {
        std::vector<float> t(kTable + 1);
        for (int i = 0; i <= kTable; ++i)
            t[i] = static_cast<float>(std::sin(2 * M_PI * i / kTable));
        return t;
    }();
    return table;
}

}  // namespace

double sine(double phase) {
    const std::vector<float> &t = sineTable();
    double p = (phase - std::floor(phase)) * kTable;
    int i = static_cast<int>(p);
    double f = p - i;
    return t[i] + (t[i + 1] - t[i]) * f;
}

double noteHz(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

LowPass::LowPass(double cutoffHz)
    : a(static_cast<float>(1 - std::exp(-2 * M_PI * cutoffHz / kRate))) {}

void addVoice(Buffer &out, int64_t start, const Voice &v, bool wrap) {
    const int64_t n = static_cast<int64_t>(v.seconds * kRate);
    const int64_t size = static_cast<int64_t>(out.size());
    double phase = 0;
    const double decayPerSample = std::exp(-1.0 / (v.decay * kRate));
    double env = 1;
    for (int64_t i = 0; i < n; ++i) {
        int64_t at = start + i;
        if (wrap) {
            at %= size;
        } else if (at >= size) {
            break;
        }
        double t = static_cast<double>(i) / kRate;
        double hz = v.hz;
        if (v.glideTo > 0) hz = v.hz * std::pow(v.glideTo / v.hz, static_cast<double>(i) / n);
        if (v.vibrato > 0) hz *= std::pow(2.0, v.vibrato * sine(t * 5.2) / 12);
        phase += hz / kRate;
        double s = 0;
        for (int h = 0; h < 6; ++h)
            if (v.harmonics[h] != 0) s += v.harmonics[h] * sine(phase * (h + 1));
        double a = t < v.attack ? t / v.attack : 1;
        double r = std::min(1.0, static_cast<double>(n - i) / (v.release * kRate));
        out[at] += static_cast<float>(s * v.amp * env * a * r);
        if (t >= v.attack) env *= decayPerSample;
    }
}

void addNoise(Buffer &out, int64_t start, double seconds, double amp, double cutoffHz, double decay,
              uint32_t seed, bool wrap) {
    Noise noise(seed);
    LowPass lp1(cutoffHz), lp2(cutoffHz);
    const int64_t n = static_cast<int64_t>(seconds * kRate);
    const int64_t size = static_cast<int64_t>(out.size());
    const double decayPerSample = std::exp(-1.0 / (decay * kRate));
    double env = 1;
    for (int64_t i = 0; i < n; ++i) {
        int64_t at = start + i;
        if (wrap) {
            at %= size;
        } else if (at >= size) {
            break;
        }
        double attack = std::min(1.0, i / (0.002 * kRate));
        double r = std::min(1.0, static_cast<double>(n - i) / (0.01 * kRate));
        out[at] += static_cast<float>(lp2.run(lp1.run(noise.next())) * amp * env * attack * r);
        env *= decayPerSample;
    }
}

void finish(Buffer &b, double peak) {
    float m = 0;
    for (float s : b) m = std::max(m, std::fabs(s));
    if (m > 0) {
        float k = static_cast<float>(peak / m);
        for (float &s : b) s *= k;
    }
    const size_t fade = std::min(b.size() / 2, static_cast<size_t>(0.004 * kRate));
    for (size_t i = 0; i < fade; ++i) {
        float g = static_cast<float>(i) / fade;
        b[i] *= g;
        b[b.size() - 1 - i] *= g;
    }
}

bool writeWav(const std::string &path, const Buffer &b) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "kt_assetgen: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    // Plain PCM chunks only: no PEAK chunk (it carries a time stamp) and no dither.
    sf_command(f, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    bool ok = sf_writef_float(f, b.data(), static_cast<sf_count_t>(b.size())) ==
              static_cast<sf_count_t>(b.size());
    ok = sf_close(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "kt_assetgen: short write to %s\n", path.c_str());
    return ok;
}

}  // namespace audio
