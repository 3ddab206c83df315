// The generated data directory, read the way the game reads it: every image of the manifest at
// every level, the sound cues and the music; and the generator itself: reproducible output and
// honest failure.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <stb/stb_vorbis.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "game/manifest.h"

namespace {

namespace fs = std::filesystem;

const std::string kData = KT_TEST_DATA_DIR;

// A decoded RGBA image.
struct Image {
    int w = 0, h = 0;
    std::vector<unsigned char> rgba;
    unsigned char alpha(int x, int y) const {
        return rgba[(static_cast<size_t>(y) * w + x) * 4 + 3];
    }
    // Share of a rectangle's pixels with alpha above 32, and its mean alpha (0..1).
    std::pair<double, double> cover(int x, int y, int cw, int ch) const {
        double on = 0, sum = 0;
        for (int j = y; j < y + ch; ++j) {
            for (int i = x; i < x + cw; ++i) {
                on += alpha(i, j) > 32;
                sum += alpha(i, j) / 255.0;
            }
        }
        return {on / (cw * ch), sum / (cw * ch)};
    }
};

// An image file at a level, decoded to RGBA; 0 x 0 when it cannot be read.
Image LoadPng(const manifest::ImageFile &file, int level) {
    std::string path = kData + "/" + file.name + manifest::LevelSuffix(level) + ".png";
    Image out;
    int channels = 0;
    unsigned char *px = stbi_load(path.c_str(), &out.w, &out.h, &channels, 4);
    if (px) out.rgba.assign(px, px + static_cast<size_t>(out.w) * out.h * 4);
    stbi_image_free(px);
    return out;
}

// Frames the game never draws, by file; every other frame must show something.
const std::map<const manifest::ImageFile *, std::set<int>> kUndrawn = {
    {&manifest::kFrameworkFont, {0, 95}},
    {&manifest::kGameFont, {0, 95, 111, 125, 126, 127}},
    {&manifest::kButtons, {6, 7, 11, 13, 14, 15}},
    {&manifest::kDpad, {2, 3, 7, 8, 10, 11, 12, 13, 14, 15}},
    {&manifest::kCards, {1, 2, 3, 12, 13, 14, 15}},
    {&manifest::kGfx, {1, 2, 3, 11, 12, 13, 14, 15}},
};

// Frames are read as the graphics module's LoadImage2 reads them: row by row over the width.
TEST(AssetImages, EveryFileHoldsExactlyItsFramesAtEveryLevelAndShowsThem) {
    for (const manifest::ImageFile *file : manifest::kImages) {
        const manifest::ImageFile &s = *file;
        auto undrawn = kUndrawn.count(file) ? kUndrawn.at(file) : std::set<int>();
        Image base;
        for (int level : manifest::kLevels) {
            if (level > 1 && !s.allLevels) break;
            SCOPED_TRACE(std::string(s.name) + " level " + std::to_string(level));
            Image img = LoadPng(s, level);
            ASSERT_GT(img.w, 0);
            if (level == 1) base = img;
            EXPECT_EQ(img.w, base.w * level);
            EXPECT_EQ(img.h, base.h * level);
            EXPECT_LE(std::max(img.w, img.h), 2048);
            const int fw = s.cellW * level, fh = s.cellH * level, columns = img.w / fw;
            ASSERT_EQ(img.w % fw, 0) << "a partial column of frames";
            EXPECT_EQ(img.h % fh, 0) << "a partial row of frames";
            EXPECT_EQ(columns, s.columns);
            EXPECT_EQ(img.h / fh, (s.frames + columns - 1) / columns) << "frames missing or extra";
            for (int f = 0; f < s.frames; ++f) {
                auto at = img.cover(f % columns * fw, f / columns * fh, fw, fh);
                EXPECT_TRUE(undrawn.count(f) || at.first > 0.008) << "frame " << f << " is empty";
                // A frame at level 4 has the same mean opacity as at level 1; a sheet whose
                // frames were shuffled, shifted or drawn at the wrong scale would not.
                auto one = level < 4 ? at
                                     : base.cover(f % columns * s.cellW, f / columns * s.cellH,
                                                  s.cellW, s.cellH);
                EXPECT_NEAR(one.second, at.second, 0.03) << "frame " << f;
            }
        }
    }
    // The framework's font keeps each frame's border columns clear.
    Image font = LoadPng(manifest::kFrameworkFont, 1);
    const int fw = font.w / manifest::kFrameworkFont.frames;
    for (int x = 0; x < font.w; x += fw) {
        for (int y = 0; y < font.h; ++y)
            EXPECT_EQ(font.alpha(x, y) + font.alpha(x + fw - 1, y), 0) << x;
    }
}

TEST(AssetSounds, CuesAreShortAudible16BitPcmAndTheDieRattlesDiffer) {
    std::set<std::vector<short>> rattles;
    for (const manifest::SoundFile &sound : manifest::kSounds) {
        char name[32];
        std::snprintf(name, sizeof name, manifest::kCueFile, sound.cue);
        SCOPED_TRACE(name);
        SF_INFO info{};
        SNDFILE *f = sf_open((kData + "/" + name).c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr);
        std::vector<short> s(static_cast<size_t>(info.frames) * info.channels);
        EXPECT_EQ(sf_read_short(f, s.data(), static_cast<sf_count_t>(s.size())),
                  static_cast<sf_count_t>(s.size()));
        sf_close(f);
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
        EXPECT_LT(std::max(std::abs(s.front()), std::abs(s.back())), 200);
        if (sound.cue >= Sfx::RattleFirst && sound.cue <= Sfx::RattleLast) {
            EXPECT_TRUE(rattles.insert(s).second) << "two rattles are the same";
        }
    }
}

TEST(AssetSounds, MusicDecodesToItsLengthAndLoopsWithoutAClick) {
    int channels = 0, rate = 0;
    short *out = nullptr;
    std::string path =
        kData + "/" + manifest::kTuneDir + manifest::kTune + manifest::kTuneExtension;
    int frames = stb_vorbis_decode_filename(path.c_str(), &channels, &rate, &out);
    ASSERT_GT(frames, 0) << path;
    std::vector<short> pcm(out, out + static_cast<size_t>(frames) * channels);
    std::free(out);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(frames, manifest::kTuneSeconds * rate);
    double energy = 0;
    for (short v : pcm) energy += static_cast<double>(v) * v;
    EXPECT_GT(std::sqrt(energy / pcm.size()), 1000.0) << "the music is nearly silent";
    // The jump from the last sample back to the first is no bigger than the ordinary steps
    // between neighbouring samples.
    for (int c = 0; c < channels; ++c) {
        std::vector<int> steps;
        for (int i = 1; i < frames; ++i)
            steps.push_back(std::abs(pcm[i * channels + c] - pcm[(i - 1) * channels + c]));
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
        int seam = std::abs(pcm[c] - pcm[static_cast<size_t>(frames - 1) * channels + c]);
        EXPECT_LE(seam, steps[steps.size() * 99 / 100]) << "channel " << c;
    }
}

// A fresh directory, removed with its contents; an empty path when it could not be made.
struct TempDir {
    std::string path = (fs::temp_directory_path() / "kt_assets_XXXXXX").string();
    TempDir() { path.resize(mkdtemp(path.data()) ? path.size() : 0); }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};

int RunGenerator(const std::string &dir) {
    std::string cmd = std::string("'") + KT_TEST_ASSETGEN + "' '" + dir + "' > /dev/null 2>&1";
    return std::system(cmd.c_str());
}

// Every regular file below `root`, by relative path, with its bytes.
std::map<std::string, std::string> ReadTree(const std::string &root) {
    std::map<std::string, std::string> files;
    for (const auto &e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[fs::relative(e.path(), root).string()] =
            std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

TEST(AssetGenerator, TwoRunsWriteIdenticalFilesAndAFailureToWriteIsReported) {
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    ASSERT_EQ(RunGenerator(dir.path + "/a"), 0);
    ASSERT_EQ(RunGenerator(dir.path + "/b"), 0);
    auto first = ReadTree(dir.path + "/a"), second = ReadTree(dir.path + "/b"),
         built = ReadTree(kData);
    ASSERT_EQ(first.size(), second.size());
    int compared = 0;
    for (const auto &[name, bytes] : first) {
        ASSERT_TRUE(second.count(name)) << name;
        EXPECT_TRUE(built.count(name)) << name << " is missing from the build's data directory";
        // The Ogg container carries a random stream serial number; the PCM inside is checked
        // by the music test.
        if (fs::path(name).extension() == ".ogg") continue;
        EXPECT_TRUE(bytes == second[name]) << name << " differs between two runs";
        ++compared;
    }
    EXPECT_GT(compared, 40);

    std::string blocker = dir.path + "/file";
    std::ofstream(blocker) << "not a directory";
    EXPECT_NE(RunGenerator(blocker), 0);
}

}  // namespace
