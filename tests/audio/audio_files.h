// Audio test helpers: WAV and Ogg files, a plain-path host, OpenAL Soft's wave-writer capture.
#pragma once

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "host/audio_decode.h"
#include "host/ktgame.h"

namespace audiotest {

using Bytes = std::vector<unsigned char>;

inline void PutLE(Bytes &b, std::uint32_t v, int count) {
    for (int i = 0; i < count; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

// A chunk with its header and, for an odd size, its pad byte.
inline void PutChunk(Bytes &b, const char *tag, const Bytes &body) {
    b.insert(b.end(), tag, tag + 4);
    PutLE(b, static_cast<std::uint32_t>(body.size()), 4);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
}

// A PCM WAV: "fmt " (`fmtExtra` bytes longer than 16), the encoded `extra` chunks, "data".
inline Bytes Wav(unsigned channels, unsigned rate, unsigned bits, const Bytes &pcm,
                 const Bytes &extra = {}, int fmtExtra = 0) {
    Bytes fmt, b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    const unsigned block = channels * (bits / 8);
    for (auto [v, n] :
         {std::pair{1u, 2}, {channels, 2}, {rate, 4}, {rate * block, 4}, {block, 2}, {bits, 2}})
        PutLE(fmt, v, n);
    fmt.resize(16 + fmtExtra);
    PutChunk(b, "fmt ", fmt);
    b.insert(b.end(), extra.begin(), extra.end());
    PutChunk(b, "data", pcm);
    for (int i = 0; i < 4; ++i) b[4 + i] = ((b.size() - 8) >> (8 * i)) & 0xFF;
    return b;
}

// Mono 16-bit PCM of a sine wave.
inline Bytes SinePcm16(double hz, int rate, double seconds, double amplitude) {
    Bytes pcm;
    for (int i = 0; i < static_cast<int>(rate * seconds); ++i)
        PutLE(pcm, std::lround(amplitude * 32767.0 * std::sin(2 * M_PI * hz * i / rate)), 2);
    return pcm;
}

inline void WriteFile(const std::string &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

// Interleaved float samples written as Ogg Vorbis through libsndfile.
inline bool WriteOgg(const std::string &path, int channels, int rate,
                     const std::vector<float> &samples) {
    SF_INFO info{0, rate, channels, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0, 0};
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
    static struct Dir {
        std::string path = "/tmp/kt-audio-test-" + std::to_string(getpid());
        Dir() { std::filesystem::create_directories(path); }
        ~Dir() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } dir;
    return dir.path;
}

// A host that opens plain paths and decodes audio like the GLFW host does.
struct FileGame : KtGame {
    unsigned char *LoadAudioData(String path, int *length, int *channels, int *format,
                                 int *hertz) override {
        return kt_audio_LoadFile(this, path, length, channels, format, hertz);
    }
};

inline double Rms(const std::vector<float> &v) {
    double sum = 0;
    for (float x : v) sum += double(x) * x;
    return v.empty() ? 0 : std::sqrt(sum / v.size());
}

struct Stereo {
    std::vector<float> left, right;
};

// Reads the float32 stereo WAV that OpenAL Soft's wave writer fills in real time.
class WaveCapture {
public:
    explicit WaveCapture(std::string path) : path_(std::move(path)) {}

    int rate() const { return rate_; }

    // Frames written so far (0 before the header is there).
    long Frames() {
        struct stat st;
        if (!ReadHeader() || stat(path_.c_str(), &st) != 0) return 0;
        return (static_cast<long>(st.st_size) - dataOffset_) / 8;
    }

    // Waits `seconds` of capture time, `skip` seconds after the current end, and returns it.
    Stereo Next(double seconds, double skip = 0.05) {
        const long from = Frames() + long(skip * rate_), count = long(seconds * rate_);
        for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
             Frames() < from + count + 4096 && std::chrono::steady_clock::now() < end;)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<float> buf(count * 2);
        std::ifstream in(path_, std::ios::binary);
        in.seekg(dataOffset_ + from * 8).read(reinterpret_cast<char *>(buf.data()), count * 8);
        Stereo out;
        for (long i = 0; i < in.gcount() / 8; ++i)
            out.left.push_back(buf[2 * i]), out.right.push_back(buf[2 * i + 1]);
        return out;
    }

private:
    // The rate from the "fmt " chunk, the samples from the "data" chunk's body on.
    bool ReadHeader() {
        if (dataOffset_ > 0) return true;
        std::string h(512, '\0');
        h.resize(std::ifstream(path_, std::ios::binary).read(&h[0], h.size()).gcount());
        const std::size_t fmt = h.find("fmt "), data = h.find("data");
        if (h.compare(0, 4, "RIFF") || data == h.npos || fmt > data || data + 8 > h.size())
            return false;
        std::memcpy(&rate_, &h[fmt + 12], 4);
        dataOffset_ = static_cast<long>(data + 8);
        return true;
    }

    std::string path_;
    long dataOffset_ = 0;
    int rate_ = 44100;
};

}  // namespace audiotest
