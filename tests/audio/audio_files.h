// Test helpers: building WAV and Ogg files, a host that loads plain paths, and reading what
// OpenAL Soft's wave writer captured.
#pragma once

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "host/audio_decode.h"
#include "host/ktgame.h"

namespace audiotest {

using Bytes = std::vector<unsigned char>;

inline void Put16(Bytes &b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
inline void Put32(Bytes &b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
inline void PutTag(Bytes &b, const char *tag) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(tag[i]));
}

// A chunk with its header; `size` overrides the stated size (for lying headers), and an odd
// body gets its pad byte.
inline void PutChunk(Bytes &b, const char *tag, const Bytes &body, long size = -1) {
    PutTag(b, tag);
    Put32(b, size < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(size));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
}

inline Bytes FmtBody(unsigned tag, unsigned channels, unsigned rate, unsigned bits) {
    Bytes f;
    Put16(f, tag);
    Put16(f, channels);
    Put32(f, rate);
    Put32(f, rate * channels * (bits / 8));
    Put16(f, channels * (bits / 8));
    Put16(f, bits);
    return f;
}

// "RIFF" size "WAVE" followed by the given chunks (already encoded).
inline Bytes Riff(const Bytes &chunks) {
    Bytes b;
    PutTag(b, "RIFF");
    Put32(b, static_cast<std::uint32_t>(4 + chunks.size()));
    PutTag(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

inline Bytes Wav(unsigned channels, unsigned rate, unsigned bits, const Bytes &pcm) {
    Bytes chunks;
    PutChunk(chunks, "fmt ", FmtBody(1, channels, rate, bits));
    PutChunk(chunks, "data", pcm);
    return Riff(chunks);
}

// Mono 16-bit PCM of a sine wave.
inline Bytes SinePcm16(double hz, int rate, double seconds, double amplitude) {
    Bytes pcm;
    int n = static_cast<int>(rate * seconds);
    for (int i = 0; i < n; ++i) {
        auto s = static_cast<std::int16_t>(
            std::lround(amplitude * 32767.0 * std::sin(2 * M_PI * hz * i / rate)));
        Put16(pcm, static_cast<std::uint16_t>(s));
    }
    return pcm;
}

inline void WriteFile(const std::string &path, const Bytes &bytes) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Interleaved float samples written as Ogg Vorbis through libsndfile.
inline bool WriteOgg(const std::string &path, int channels, int rate,
                     const std::vector<float> &samples) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE *sf = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!sf) return false;
    // libvorbis takes each write on its stack, so long signals go in in pieces.
    const sf_count_t frames = static_cast<sf_count_t>(samples.size() / channels);
    bool ok = true;
    for (sf_count_t at = 0; ok && at < frames; at += 4096) {
        sf_count_t n = frames - at < 4096 ? frames - at : 4096;
        ok = sf_writef_float(sf, samples.data() + at * channels, n) == n;
    }
    return sf_close(sf) == 0 && ok;
}

// A scratch directory of this process, removed when the process ends.
inline std::string ScratchDir() {
    struct Dir {
        std::string path = "/tmp/kt-audio-test-" + std::to_string(getpid());
        Dir() { std::filesystem::create_directories(path); }
        ~Dir() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static Dir dir;
    return dir.path;
}

// A host that opens plain paths and decodes audio like the GLFW host does.
struct FileGame : KtGame {
    unsigned char *LoadAudioData(String path, int *length, int *channels, int *format,
                                 int *hertz) override {
        return kt_audio_LoadFile(this, path, length, channels, format, hertz);
    }
};

// ---------------------------------------------------------------------------------------------
// Captured output

struct Stereo {
    std::vector<float> left, right;
    static double Rms(const std::vector<float> &v) {
        double sum = 0;
        for (float x : v) sum += double(x) * x;
        return v.empty() ? 0 : std::sqrt(sum / v.size());
    }
    double LeftRms() const { return Rms(left); }
    double RightRms() const { return Rms(right); }
    // Frequency of a channel (the left by default) from its rising zero crossings.
    double Frequency(int rate) const { return Frequency(rate, left); }
    static double Frequency(int rate, const std::vector<float> &v) {
        int crossings = 0, first = -1, last = -1;
        for (std::size_t i = 1; i < v.size(); ++i) {
            if (v[i - 1] < 0 && v[i] >= 0) {
                if (first < 0) first = static_cast<int>(i);
                last = static_cast<int>(i);
                ++crossings;
            }
        }
        return crossings < 2 ? 0 : double(crossings - 1) * rate / (last - first);
    }
};

// Reads the float32 stereo WAV that OpenAL Soft's wave writer fills in real time.
class WaveCapture {
public:
    explicit WaveCapture(std::string path) : path_(std::move(path)) {}

    int rate() const { return rate_; }

    // Frames written so far (0 before the header is there).
    long Frames() {
        if (!ReadHeader()) return 0;
        struct stat st;
        if (stat(path_.c_str(), &st) != 0) return 0;
        return (static_cast<long>(st.st_size) - dataOffset_) / 8;
    }

    // The frames [from, from + count) of the capture, waiting up to 5 s for them to be written.
    Stereo Read(long from, long count) {
        Stereo out;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (Frames() < from + count + 4096 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::FILE *f = std::fopen(path_.c_str(), "rb");
        if (!f) return out;
        std::fseek(f, dataOffset_ + from * 8, SEEK_SET);
        std::vector<float> buf(count * 2);
        std::size_t got = std::fread(buf.data(), 8, count, f);
        std::fclose(f);
        for (std::size_t i = 0; i < got; ++i) {
            out.left.push_back(buf[2 * i]);
            out.right.push_back(buf[2 * i + 1]);
        }
        return out;
    }

    // Waits `seconds` of capture time after the current end and returns that stretch.
    Stereo Next(double seconds, double skip = 0.05) {
        long from = Frames() + static_cast<long>(skip * rate_);
        return Read(from, static_cast<long>(seconds * rate_));
    }

private:
    bool ReadHeader() {
        if (dataOffset_ > 0) return true;
        std::FILE *f = std::fopen(path_.c_str(), "rb");
        if (!f) return false;
        unsigned char h[12];
        bool ok = std::fread(h, 1, 12, f) == 12 && !std::memcmp(h, "RIFF", 4);
        while (ok) {
            unsigned char c[8];
            if (std::fread(c, 1, 8, f) != 8) break;
            std::uint32_t size = c[4] | (c[5] << 8) | (c[6] << 16) | (std::uint32_t(c[7]) << 24);
            if (!std::memcmp(c, "data", 4)) {
                dataOffset_ = std::ftell(f);
                break;
            }
            Bytes body(size);
            if (std::fread(body.data(), 1, size, f) != size) break;
            if (!std::memcmp(c, "fmt ", 4) && size >= 8) {
                rate_ = body[4] | (body[5] << 8) | (body[6] << 16) | (body[7] << 24);
            }
        }
        std::fclose(f);
        return dataOffset_ > 0;
    }

    std::string path_;
    long dataOffset_ = 0;
    int rate_ = 44100;
};

}  // namespace audiotest
