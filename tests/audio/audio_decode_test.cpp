// The WAV and Ogg decoders and the host's file-ending dispatch.

#include <gtest/gtest.h>

#include <iterator>

#include "tests/audio/audio_files.h"

using namespace audiotest;

namespace {

struct Decoded {
    unsigned char *data = nullptr;
    int length = -1, channels = -1, format = -1, hertz = -1;
    ~Decoded() { std::free(data); }
};

Decoded Decode(decltype(&LoadWAV) decoder, const Bytes &bytes) {
    Decoded d;
    std::FILE *f = fmemopen(const_cast<unsigned char *>(bytes.data()), bytes.size(), "rb");
    d.data = decoder(f, &d.length, &d.channels, &d.format, &d.hertz);
    std::fclose(f);
    return d;
}

// `bytes` with `width` little-endian bytes of `value` written at `at`.
Bytes Patched(Bytes bytes, std::size_t at, std::uint32_t value, int width = 4) {
    for (int i = 0; i < width; ++i) bytes[at + i] = (value >> (8 * i)) & 0xFF;
    return bytes;
}

// The bytes of an Ogg file of 440 Hz at amplitude 0.5 / (c + 1) on each channel c.
Bytes OggTone(const std::string &name, int channels, int rate, double seconds) {
    std::vector<float> s(static_cast<std::size_t>(rate * seconds) * channels);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = 0.5f / (i % channels + 1) * std::sin(2 * M_PI * 440 * (i / channels) / rate);
    EXPECT_TRUE(WriteOgg(ScratchDir() + "/" + name, channels, rate, s));
    std::ifstream in(ScratchDir() + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

// Format and samples exactly; other chunks, odd ones padded, and a longer "fmt " are skipped.
TEST(LoadWAV, ReadsTheFormatAndSamplesAndSkipsOtherChunks) {
    Bytes mono8 = {0x80, 0xFF, 0x00, 0x7F, 0x81}, stereo16 = SinePcm16(440, 44100, 0.01, 0.5), odd;
    PutChunk(odd, "LIST", Bytes(15, 'x'));
    PutChunk(odd, "fact", Bytes{9});
    // The file, its samples, and its channels, bytes per sample, frames and rate.
    const std::tuple<Bytes, Bytes, std::vector<int>> cases[] = {
        {Wav(1, 11025, 8, mono8), mono8, {1, 1, 5, 11025}},
        {Wav(2, 44100, 16, stereo16), stereo16, {2, 2, 220, 44100}},
        {Wav(1, 8000, 16, {1, 2, 3, 4}, odd, 4), {1, 2, 3, 4}, {1, 2, 2, 8000}},
    };
    for (const auto &[file, pcm, format] : cases) {
        Decoded d = Decode(LoadWAV, file);
        ASSERT_NE(d.data, nullptr);
        EXPECT_EQ(std::vector<int>({d.channels, d.format, d.length, d.hertz}), format);
        EXPECT_EQ(Bytes(d.data, d.data + pcm.size()), pcm);
    }
}

// Each case writes `width` bytes of `value` at `at` into a good file.
TEST(LoadWAV, RejectsWhatItCannotPlayAndLyingOrCutFiles) {
    const Bytes good = Wav(1, 8000, 8, Bytes(100, 7));
    const std::tuple<const char *, std::size_t, std::uint32_t, int> cases[] = {
        {"IEEE float", 20, 3, 2},
        {"0 channels", 22, 0, 2},
        {"4 bits", 34, 4, 2},
        {"fmt under 16 bytes", 16, 14, 4},
        {"data one byte longer than the file", 40, 101, 4},
        {"data of 2 GiB", 40, 0x7FFFFFFF, 4},
        {"data of 4 GiB", 40, 0xFFFFFFF0, 4},
        {"no data chunk", 36, 0x5453494C /* LIST */, 4},
        {"not WAVE", 8, 0x20495641 /* "AVI " */, 4},
        {"not RIFF", 0, 0x58464952 /* RIFX */, 4},
    };
    for (auto [what, at, value, width] : cases)
        EXPECT_EQ(Decode(LoadWAV, Patched(good, at, value, width)).data, nullptr) << what;
    for (std::size_t cut : {3, 11, 20, 35, 43})
        EXPECT_EQ(Decode(LoadWAV, Bytes(good.begin(), good.begin() + cut)).data, nullptr) << cut;
    EXPECT_EQ(Decode(LoadWAV, good).length, 100) << "exactly what remains is fine";
}

// A 2.5 s stereo stream keeps each channel's RMS; other data and lying comment lengths refused.
TEST(LoadOGG, DecodesAWholeStereoStreamAndRefusesOtherDataAndLyingCommentLengths) {
    const Bytes good = OggTone("stereo.ogg", 2, 22050, 2.5);
    Decoded d = Decode(LoadOGG, good);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(std::vector<int>({d.channels, d.format, d.hertz}), std::vector<int>({2, 2, 22050}));
    EXPECT_NEAR(d.length, 22050 * 5 / 2, 64);
    const short *s = reinterpret_cast<const short *>(d.data);
    for (int c : {0, 1}) {
        std::vector<float> side;
        for (int i = 11025; i < 44100; ++i) side.push_back(s[2 * i + c] / 32768.0f);
        EXPECT_NEAR(Rms(side), 0.5 / (c + 1) / std::sqrt(2.0), 0.03) << c;
    }
    Bytes junk = {'O', 'g', 'g', 'S'};
    for (int i = 4; i < 5000; ++i) junk.push_back(static_cast<unsigned char>(i * 37));
    EXPECT_EQ(Decode(LoadOGG, junk).data, nullptr);
    EXPECT_EQ(Decode(LoadOGG, Wav(1, 8000, 8, Bytes(100, 0))).data, nullptr);
    // The comment packet opens the second page, behind the 58-byte first page.
    const std::size_t packet = 58 + 27 + good[58 + 26];
    ASSERT_EQ(0, std::memcmp(&good[packet], "\x03vorbis", 7));
    const std::size_t count = packet + 11 + (good[packet + 7] | (good[packet + 8] << 8));
    const std::pair<std::size_t, std::uint32_t> lies[] = {{packet + 7, 0xFFFFFFFF},
                                                          {packet + 7, 0x7FFFFFFF},
                                                          {packet + 7, 5000},
                                                          {count, 0x40000000},
                                                          {count, 0xFFFFFFFF}};
    for (auto [at, value] : lies)
        EXPECT_EQ(Decode(LoadOGG, Patched(good, at, value)).data, nullptr) << at << " " << value;
}

// Every file but h.OGG holds a WAV (.ogg ones fail in the Ogg decoder); decodes pace the collector.
TEST(LoadFile, ChoosesTheDecoderByTheLoweredEnding) {
    FileGame game;
    const std::pair<const char *, bool> files[] = {
        {"a.wav", true},  {"b.WAV", true}, {"d.wave", false},     {"f", false},
        {"g.ogg", false}, {"h.OGG", true}, {"missing.wav", false}};
    for (std::size_t i = 0; i + 1 < std::size(files); ++i)  // all but the missing one
        WriteFile(ScratchDir() + "/" + files[i].first, Wav(1, 8000, 16, Bytes(200, 0)));
    OggTone("h.OGG", 1, 8000, 1);
    for (const auto &[name, loads] : files) {
        int length = 0, channels = 0, format, hertz, before = gc_ext_new_bytes.load();
        unsigned char *data = kt_audio_LoadFile(&game, String((ScratchDir() + "/" + name).c_str()),
                                                &length, &channels, &format, &hertz);
        EXPECT_EQ(data && channels == 1 && gc_ext_new_bytes.load() - before >= length * 2 - 128,
                  loads)
            << name;
        std::free(data);
    }
}
