// The WAV and Ogg decoders and the host's file-ending dispatch.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/audio/audio_files.h"

using namespace audiotest;

namespace {

struct Decoded {
    unsigned char *data = nullptr;
    int length = -1, channels = -1, format = -1, hertz = -1;
    ~Decoded() { std::free(data); }
};

// Runs a decoder on an in-memory file.
Decoded Decode(decltype(&LoadWAV) decoder, const Bytes &bytes) {
    Decoded d;
    std::FILE *f = fmemopen(const_cast<unsigned char *>(bytes.data()), bytes.size(), "rb");
    if (!f) return d;
    d.data = decoder(f, &d.length, &d.channels, &d.format, &d.hertz);
    std::fclose(f);
    return d;
}

Bytes ReadAll(const std::string &path) {
    Bytes b;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return b;
    int c;
    while ((c = std::fgetc(f)) != EOF) b.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
    return b;
}

}  // namespace

TEST(LoadWAV, PicksChannelsAndSampleWidthFromFmt) {
    Bytes mono8 = {0x80, 0xFF, 0x00, 0x7F, 0x81};
    Decoded a = Decode(LoadWAV, Wav(1, 11025, 8, mono8));
    ASSERT_NE(a.data, nullptr);
    EXPECT_EQ(a.channels, 1);
    EXPECT_EQ(a.format, 1);
    EXPECT_EQ(a.length, 5);
    EXPECT_EQ(a.hertz, 11025);
    EXPECT_EQ(0, std::memcmp(a.data, mono8.data(), mono8.size()));

    Bytes stereo16 = SinePcm16(440, 44100, 0.01, 0.5);  // 441 mono samples = 882 bytes
    stereo16.resize(880);
    Decoded b = Decode(LoadWAV, Wav(2, 44100, 16, stereo16));
    ASSERT_NE(b.data, nullptr);
    EXPECT_EQ(b.channels, 2);
    EXPECT_EQ(b.format, 2);
    EXPECT_EQ(b.length, 220);
    EXPECT_EQ(b.hertz, 44100);
    EXPECT_EQ(0, std::memcmp(b.data, stereo16.data(), stereo16.size()));
}

TEST(LoadWAV, SkipsOtherChunksWithTheirPadByte) {
    Bytes pcm = {1, 2, 3, 4};
    Bytes chunks;
    // A 22-byte fmt (extension size field included) and chunks of odd size before "data".
    Bytes fmt = FmtBody(1, 1, 8000, 16);
    Put16(fmt, 0);
    Put16(fmt, 0);
    PutChunk(chunks, "fmt ", fmt);
    PutChunk(chunks, "LIST",
             Bytes{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 3, 0, 0, 0, 'a', 'b', 'c'});
    PutChunk(chunks, "fact", Bytes{9});
    PutChunk(chunks, "data", pcm);
    Decoded d = Decode(LoadWAV, Riff(chunks));
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.length, 2);
    EXPECT_EQ(d.hertz, 8000);
    EXPECT_EQ(0, std::memcmp(d.data, pcm.data(), pcm.size()));
}

TEST(LoadWAV, RejectsWhatItCannotPlay) {
    Bytes pcm(64, 0);
    auto withFmt = [&](const Bytes &fmt) {
        Bytes chunks;
        PutChunk(chunks, "fmt ", fmt);
        PutChunk(chunks, "data", pcm);
        return Riff(chunks);
    };
    EXPECT_EQ(Decode(LoadWAV, withFmt(FmtBody(3, 1, 44100, 32))).data, nullptr) << "IEEE float";
    EXPECT_EQ(Decode(LoadWAV, withFmt(FmtBody(0xFFFE, 2, 44100, 16))).data, nullptr)
        << "extensible";
    EXPECT_EQ(Decode(LoadWAV, withFmt(FmtBody(1, 0, 44100, 16))).data, nullptr) << "0 channels";
    EXPECT_EQ(Decode(LoadWAV, withFmt(FmtBody(1, 1, 44100, 4))).data, nullptr) << "4 bits";
    Bytes shortFmt = FmtBody(1, 1, 44100, 16);
    shortFmt.resize(14);
    EXPECT_EQ(Decode(LoadWAV, withFmt(shortFmt)).data, nullptr) << "fmt under 16 bytes";

    Bytes noData;
    PutChunk(noData, "fmt ", FmtBody(1, 1, 8000, 8));
    PutChunk(noData, "LIST", Bytes(10, 'x'));
    EXPECT_EQ(Decode(LoadWAV, Riff(noData)).data, nullptr) << "no data chunk";

    Bytes good = Wav(1, 8000, 8, pcm);
    Bytes notWave = good;
    std::memcpy(&notWave[8], "AVI ", 4);
    EXPECT_EQ(Decode(LoadWAV, notWave).data, nullptr);
    Bytes notRiff = good;
    std::memcpy(&notRiff[0], "RIFX", 4);
    EXPECT_EQ(Decode(LoadWAV, notRiff).data, nullptr);
    for (std::size_t cut : {0, 3, 11, 20, 35, 43}) {
        EXPECT_EQ(Decode(LoadWAV, Bytes(good.begin(), good.begin() + cut)).data, nullptr)
            << "cut at " << cut;
    }
}

TEST(LoadWAV, DataChunkLongerThanTheFileIsRejected) {
    Bytes pcm(100, 7);
    for (long claimed : {101L, 0x7FFFFFFFL, 0xFFFFFFF0L}) {
        Bytes chunks;
        PutChunk(chunks, "fmt ", FmtBody(1, 1, 8000, 8));
        PutChunk(chunks, "data", pcm, claimed);
        EXPECT_EQ(Decode(LoadWAV, Riff(chunks)).data, nullptr) << claimed;
    }
    // Exactly what remains is fine, and so is an empty chunk.
    Decoded exact = Decode(LoadWAV, Wav(1, 8000, 8, pcm));
    EXPECT_EQ(exact.length, 100);
    Decoded empty = Decode(LoadWAV, Wav(2, 8000, 16, Bytes()));
    ASSERT_NE(empty.data, nullptr);
    EXPECT_EQ(empty.length, 0);
}

TEST(LoadOGG, DecodesAWholeStereoStreamTo16Bit) {
    // 2.5 s makes the output buffer grow several times.
    const int rate = 22050, frames = rate * 5 / 2;
    std::vector<float> samples(frames * 2);
    for (int i = 0; i < frames; ++i) {
        samples[2 * i] = 0.5f * std::sin(2 * M_PI * 440 * i / rate);
        samples[2 * i + 1] = 0.25f * std::sin(2 * M_PI * 660 * i / rate);
    }
    std::string path = ScratchDir() + "/stereo.ogg";
    ASSERT_TRUE(WriteOgg(path, 2, rate, samples));
    Decoded d = Decode(LoadOGG, ReadAll(path));
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(d.hertz, rate);
    EXPECT_NEAR(d.length, frames, 64);

    const short *s = reinterpret_cast<const short *>(d.data);
    double left = 0, right = 0;
    for (int i = rate / 2; i < rate * 2; ++i) {
        left += double(s[2 * i]) * s[2 * i];
        right += double(s[2 * i + 1]) * s[2 * i + 1];
    }
    left = std::sqrt(left / (rate * 1.5)) / 32768;
    right = std::sqrt(right / (rate * 1.5)) / 32768;
    EXPECT_NEAR(left, 0.5 / std::sqrt(2.0), 0.03);
    EXPECT_NEAR(right, 0.25 / std::sqrt(2.0), 0.03);
}

TEST(LoadOGG, RejectsOtherData) {
    EXPECT_EQ(Decode(LoadOGG, Bytes()).data, nullptr);
    EXPECT_EQ(Decode(LoadOGG, Wav(1, 8000, 8, Bytes(100, 0))).data, nullptr);
    Bytes junk(5000);
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<unsigned char>(i * 37);
    std::memcpy(junk.data(), "OggS", 4);
    EXPECT_EQ(Decode(LoadOGG, junk).data, nullptr);
}

TEST(LoadOGG, RejectsCommentLengthsBeyondThePacket) {
    std::vector<float> tone(4000);
    for (int i = 0; i < 4000; ++i) tone[i] = 0.3f * std::sin(i * 0.1f);
    std::string path = ScratchDir() + "/comments.ogg";
    ASSERT_TRUE(WriteOgg(path, 1, 8000, tone));
    const Bytes good = ReadAll(path);
    ASSERT_NE(Decode(LoadOGG, good).data, nullptr);

    // The comment packet opens the second page, behind the 58-byte first page.
    ASSERT_GT(good.size(), 100u);
    ASSERT_EQ(0, std::memcmp(&good[58], "OggS", 4));
    const std::size_t packet = 58 + 27 + good[58 + 26];
    ASSERT_EQ(0, std::memcmp(&good[packet], "\x03vorbis", 7));
    const std::uint32_t vendor = good[packet + 7] | (good[packet + 8] << 8);
    const std::size_t count = packet + 11 + vendor;
    for (auto [at, value] : {std::pair<std::size_t, std::uint32_t>{packet + 7, 0xFFFFFFFF},
                             {packet + 7, 0x7FFFFFFF},
                             {packet + 7, 5000},
                             {count, 0x40000000},
                             {count, 0xFFFFFFFF}}) {
        Bytes bad = good;
        for (int i = 0; i < 4; ++i) bad[at + i] = (value >> (8 * i)) & 0xFF;
        EXPECT_EQ(Decode(LoadOGG, bad).data, nullptr) << at << " " << value;
    }
}

TEST(LoadFile, ChoosesTheDecoderByTheLoweredEnding) {
    FileGame game;
    Bytes wav = Wav(1, 8000, 16, Bytes(200, 0));
    std::vector<float> tone(8000);
    for (int i = 0; i < 8000; ++i) tone[i] = 0.3f * std::sin(i * 0.1f);
    const std::string dir = ScratchDir();
    for (const char *name : {"a.wav", "b.WAV", "c.Wav"}) WriteFile(dir + "/" + name, wav);
    for (const char *name : {"d.wave", "e.mp3", "f", "g.ogg"}) WriteFile(dir + "/" + name, wav);
    ASSERT_TRUE(WriteOgg(dir + "/h.OGG", 1, 8000, tone));

    auto load = [&](const char *name, int *channels = nullptr) {
        int length, chans, format, hertz;
        unsigned char *data = kt_audio_LoadFile(&game, String((dir + "/" + name).c_str()), &length,
                                                &chans, &format, &hertz);
        if (channels) *channels = data ? chans : -1;
        std::free(data);
        return data != nullptr;
    };
    EXPECT_TRUE(load("a.wav"));
    EXPECT_TRUE(load("b.WAV"));
    EXPECT_TRUE(load("c.Wav"));
    EXPECT_FALSE(load("d.wave"));
    EXPECT_FALSE(load("e.mp3"));
    EXPECT_FALSE(load("f"));
    EXPECT_FALSE(load("g.ogg")) << "a WAV named .ogg goes to the Ogg decoder";
    EXPECT_FALSE(load("missing.wav"));

    int before = gc_ext_new_bytes.load();
    int channels = 0;
    EXPECT_TRUE(load("h.OGG", &channels));
    EXPECT_EQ(channels, 1);
    EXPECT_GE(gc_ext_new_bytes.load() - before, 8000 * 2 - 128)
        << "decoded bytes are reported to the collector";
}
