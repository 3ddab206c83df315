// Ogg decoding speed as a multiple of real time, and the time to load every sound of the game.
//
// The game's sounds are read from the build's data directory (the asset generator's output), or
// from the data directory named by KT_AUDIO_BENCH_DATA; where none has been generated, synthesised
// stand-ins of similar length are measured and the results are labelled "stand-ins".

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "game/manifest.h"
#include "host/gxtk_audio.h"
#include "tests/audio/audio_files.h"

using namespace audiotest;

namespace {

constexpr int kTrackSeconds = 60;

// The files of the manifest's cues and of its tune under a data directory.
std::string CuePath(const std::string &dataDir, int cue) {
    char name[32];
    std::snprintf(name, sizeof name, manifest::kCueFile, cue);
    return dataDir + "/" + name;
}

std::string TunePath(const std::string &dataDir) {
    return dataDir + "/" + manifest::kTuneDir + manifest::kTune + manifest::kTuneExtension;
}

Bytes ReadAll(const std::string &path) {
    Bytes b;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return b;
    std::fseek(f, 0, SEEK_END);
    b.resize(std::ftell(f));
    std::fseek(f, 0, SEEK_SET);
    if (std::fread(b.data(), 1, b.size(), f) != b.size()) b.clear();
    std::fclose(f);
    return b;
}

// Music-like stereo: two detuned voices with a slow tremolo and a little noise.
std::vector<float> Music(int seconds, int rate) {
    std::vector<float> s(static_cast<std::size_t>(seconds) * rate * 2);
    unsigned noise = 1;
    for (int i = 0; i < seconds * rate; ++i) {
        double t = double(i) / rate, amp = 0.3 * (1 + 0.5 * std::sin(2 * M_PI * 0.5 * t));
        noise = noise * 1664525u + 1013904223u;
        double n = (int(noise >> 16) - 32768) / 32768.0 * 0.02;
        s[2 * i] = float(amp * std::sin(2 * M_PI * 220 * t) + n);
        s[2 * i + 1] = float(amp * std::sin(2 * M_PI * 331 * t) + n);
    }
    return s;
}

const Bytes &Track() {
    static Bytes track = [] {
        std::string path = ScratchDir() + "/track60.ogg";
        if (!WriteOgg(path, 2, 44100, Music(kTrackSeconds, 44100))) return Bytes();
        return ReadAll(path);
    }();
    return track;
}

void BM_DecodeOgg60sStereo(benchmark::State &state) {
    const Bytes &track = Track();
    if (track.empty()) {
        state.SkipWithError("libsndfile could not write the track");
        return;
    }
    for (auto _ : state) {
        std::FILE *f = fmemopen(const_cast<unsigned char *>(track.data()), track.size(), "rb");
        int length, channels, format, hertz;
        unsigned char *pcm = LoadOGG(f, &length, &channels, &format, &hertz);
        std::fclose(f);
        if (!pcm || length < kTrackSeconds * 44100 - 4096) state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(pcm);
        std::free(pcm);
    }
    state.counters["x_realtime"] =
        benchmark::Counter(double(kTrackSeconds) * state.iterations(), benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(track.size() / 1024) + " KiB");
}
BENCHMARK(BM_DecodeOgg60sStereo)->Unit(benchmark::kMillisecond);

// The game's sound files, or stand-ins written once into the scratch directory.
struct GameSounds {
    std::string dir;  // the data directory
    bool standIns = false;
};

const GameSounds &Sounds() {
    static GameSounds sounds = [] {
        const char *data = std::getenv("KT_AUDIO_BENCH_DATA");
        GameSounds g{std::string(data ? data : KT_DATA_DIR), false};
        bool present = ReadAll(TunePath(g.dir)).size() > 0;
        for (const manifest::SoundFile &sound : manifest::kSounds) {
            present = present && !ReadAll(CuePath(g.dir, sound.cue)).empty();
        }
        if (present) return g;
        g = {ScratchDir(), true};
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(CuePath(g.dir, 0)).parent_path(),
                                            ec);
        std::filesystem::create_directories(std::filesystem::path(TunePath(g.dir)).parent_path(),
                                            ec);
        for (const manifest::SoundFile &sound : manifest::kSounds) {
            WriteFile(CuePath(g.dir, sound.cue),
                      Wav(1, 44100, 16, SinePcm16(440 + sound.cue, 44100, 0.6, 0.5)));
        }
        std::vector<float> tune = Music(30, 44100);
        WriteOgg(TunePath(g.dir), 2, 44100, tune);
        return g;
    }();
    return sounds;
}

std::vector<String> SoundPaths() {
    const GameSounds &g = Sounds();
    std::vector<String> paths;
    for (const manifest::SoundFile &sound : manifest::kSounds) {
        paths.push_back(String(CuePath(g.dir, sound.cue).c_str()));
    }
    paths.push_back(String(TunePath(g.dir).c_str()));
    return paths;
}

// Reading and decoding every file, as LoadAudioData does.
void BM_DecodeGameSounds(benchmark::State &state) {
    FileGame game;
    std::vector<String> paths = SoundPaths();
    long long bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const String &path : paths) {
            int length, channels, format, hertz;
            unsigned char *pcm =
                kt_audio_LoadFile(&game, path, &length, &channels, &format, &hertz);
            if (!pcm) state.SkipWithError("a sound did not load");
            bytes += static_cast<long long>(length) * channels * format;
            std::free(pcm);
        }
    }
    state.counters["decoded_MiB"] = double(bytes) / (1 << 20);
    state.SetLabel(Sounds().standIns ? "stand-ins" : "game data");
}
BENCHMARK(BM_DecodeGameSounds)->Unit(benchmark::kMillisecond);

// The same through the device into OpenAL buffers (OpenAL Soft's null backend).
void BM_LoadGameSamples(benchmark::State &state) {
    std::string conf = ScratchDir() + "/null.conf";
    std::string text = "[general]\ndrivers = null\n";
    WriteFile(conf, Bytes(text.begin(), text.end()));
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    static FileGame game;
    KtGame::_game = &game;
    static gxtkAudio *device = new gxtkAudio();
    std::vector<String> paths = SoundPaths();
    for (auto _ : state) {
        for (const String &path : paths) {
            gxtkSample *sample = device->LoadSample(path);
            if (!sample) state.SkipWithError("a sound did not load");
            sample->Discard();
        }
        device->FlushDiscarded();
    }
    state.SetLabel(Sounds().standIns ? "stand-ins" : "game data");
}
BENCHMARK(BM_LoadGameSamples)->Unit(benchmark::kMillisecond);

}  // namespace
