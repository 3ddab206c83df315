// The generated data read as the game reads it, and the generator's reproducibility and failure.
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
#include <map>
#include <set>

#include "game/manifest.h"

namespace {

namespace fs = std::filesystem;

const std::string kData = KT_TEST_DATA_DIR;

// A decoded RGBA image; 0 x 0 when the file cannot be read.
struct Image {
    int w = 0, h = 0;
    std::vector<unsigned char> rgba;
    Image(const manifest::ImageFile &file, int level) {
        std::string path = kData + "/" + file.name + manifest::LevelSuffix(level) + ".png";
        int channels = 0;
        unsigned char *px = stbi_load(path.c_str(), &w, &h, &channels, 4);
        if (px) rgba.assign(px, px + static_cast<size_t>(w) * h * 4);
        stbi_image_free(px);
    }
    int alpha(int x, int y) const { return rgba[(static_cast<size_t>(y) * w + x) * 4 + 3]; }
    // Share of a cell's pixels with alpha above 32, and its mean alpha (0..1).
    std::pair<double, double> cover(int x, int y, int cw, int ch) const {
        double on = 0, sum = 0;
        for (int j = y; j < y + ch; ++j)
            for (int i = x; i < x + cw; ++i) on += alpha(i, j) > 32, sum += alpha(i, j) / 255.0;
        return {on / (cw * ch), sum / (cw * ch)};
    }
};

// Frames the game never draws, by file; every other frame must show something.
const std::map<const manifest::ImageFile *, std::set<int>> kUndrawn = {
    {&manifest::kFrameworkFont, {0, 95}},
    {&manifest::kGameFont, {0, 95, 111, 125, 126, 127}},
    {&manifest::kButtons, {6, 7, 11, 13, 14, 15}},
    {&manifest::kDpad, {2, 3, 7, 8, 10, 11, 12, 13, 14, 15}},
    {&manifest::kCards, {1, 2, 3, 12, 13, 14, 15}},
    {&manifest::kGfx, {1, 2, 3, 11, 12, 13, 14, 15}}};

// Frames row by row as LoadImage2 reads them; at level 4 each keeps its level-1 mean opacity.
TEST(AssetImages, EveryFileHoldsExactlyItsFramesAtEveryLevelAndShowsThem) {
    for (const manifest::ImageFile *file : manifest::kImages) {
        const manifest::ImageFile &s = *file;
        auto undrawn = kUndrawn.count(file) ? kUndrawn.at(file) : std::set<int>();
        const Image base(s, 1);
        for (int level : manifest::kLevels) {
            if (level > 1 && !s.allLevels) break;
            SCOPED_TRACE(std::string(s.name) + " level " + std::to_string(level));
            const Image img(s, level);
            const int fw = s.cellW * level, fh = s.cellH * level;
            const int rows = (s.frames + s.columns - 1) / s.columns;
            ASSERT_EQ((std::vector<int>{img.w, img.h, img.w % fw, img.w / fw, img.h % fh,
                                        img.h / fh, std::max(img.w, img.h) <= 2048}),
                      (std::vector<int>{base.w * level, base.h * level, 0, s.columns, 0, rows, 1}));
            for (int f = 0; f < s.frames; ++f) {
                const int x = f % s.columns, y = f / s.columns;
                auto at = img.cover(x * fw, y * fh, fw, fh);
                EXPECT_TRUE(undrawn.count(f) || at.first > 0.008) << "frame " << f << " is empty";
                auto one = base.cover(x * s.cellW, y * s.cellH, s.cellW, s.cellH);
                EXPECT_NEAR(level == 4 ? one.second : at.second, at.second, 0.03) << "frame " << f;
            }
        }
    }
    // The framework's font keeps each frame's border columns clear.
    const Image font(manifest::kFrameworkFont, 1);
    const int fw = font.w / manifest::kFrameworkFont.frames;
    for (int x = 0; x < font.w; x += fw)
        for (int y = 0; y < font.h; ++y) EXPECT_EQ(font.alpha(x, y) + font.alpha(x + fw - 1, y), 0);
}

// Cues: short, loud, unclipped PCM16 at rest at both ends, five rattles; music: length, audible.
TEST(AssetSounds, CuesAndMusic) {
    std::set<std::vector<short>> rattles;
    for (const manifest::SoundFile &sound : manifest::kSounds) {
        char name[32];
        std::snprintf(name, sizeof name, manifest::kCueFile, sound.cue);
        SCOPED_TRACE(name);
        SF_INFO info{};
        SNDFILE *f = sf_open((kData + "/" + name).c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr);
        std::vector<short> s(static_cast<size_t>(info.frames) * info.channels);
        sf_read_short(f, s.data(), static_cast<sf_count_t>(s.size()));
        sf_close(f);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        EXPECT_TRUE(info.samplerate >= 22050 && info.frames > info.samplerate / 50 &&
                    info.frames < info.samplerate * 3);
        int peak = 0;
        for (short v : s) peak = std::max(peak, std::abs(v));
        EXPECT_TRUE(peak > 8000 && peak < 32767) << "quiet or clipped: " << peak;
        EXPECT_LT(std::max(std::abs(s.front()), std::abs(s.back())), 200);
        const bool rattle = sound.cue >= Sfx::RattleFirst && sound.cue <= Sfx::RattleLast;
        EXPECT_TRUE(!rattle || rattles.insert(s).second) << "two rattles are the same";
    }
    int channels = 0, rate = 0;
    short *out = nullptr;
    std::string path =
        kData + "/" + manifest::kTuneDir + manifest::kTune + manifest::kTuneExtension;
    const int frames = stb_vorbis_decode_filename(path.c_str(), &channels, &rate, &out);
    ASSERT_GT(frames, 0) << path;
    std::vector<short> pcm(out, out + static_cast<size_t>(frames) * channels);
    std::free(out);
    EXPECT_EQ((std::vector<int>{channels, rate, frames}),
              (std::vector<int>{2, 44100, manifest::kTuneSeconds * 44100}));
    double energy = 0;
    for (short v : pcm) energy += double(v) * v;
    EXPECT_GT(std::sqrt(energy / pcm.size()), 1000.0) << "the music is nearly silent";
}

int Shell(const std::string &command) {
    return std::system((command + " > /dev/null 2>&1").c_str());
}

// The Ogg container carries a random stream serial number; the PCM inside is checked above.
TEST(AssetGenerator, TwoRunsWriteIdenticalFilesAndAFailureToWriteIsReported) {
    std::string dir = (fs::temp_directory_path() / "kt_assets_XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string generate = std::string("'") + KT_TEST_ASSETGEN + "' '" + dir;
    ASSERT_EQ(Shell(generate + "/a'") + Shell(generate + "/b'"), 0);
    EXPECT_EQ(Shell("diff -r -x '*.ogg' '" + dir + "/a' '" + dir + "/b'"), 0) << "the runs differ";
    int files = 0;
    for (const auto &e : fs::recursive_directory_iterator(dir + "/a")) {
        if (!e.is_regular_file()) continue;
        ++files;
        EXPECT_TRUE(fs::exists(fs::path(kData) / fs::relative(e.path(), dir + "/a")))
            << e.path() << " not built";
    }
    EXPECT_GT(files, 40);
    std::ofstream(dir + "/file") << "not a directory";
    EXPECT_NE(Shell(generate + "/file'"), 0);
    fs::remove_all(dir);
}

}  // namespace
