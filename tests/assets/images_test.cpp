// The images of the data directory, read the way the game reads them.
#include "asset_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace assets {
namespace {

std::vector<int> levelsOf(const ImageSpec &s) {
    return s.allLevels ? std::vector<int>{1, 2, 4} : std::vector<int>{1};
}

// Frame size at a level: the framework font is a strip whose frames are width / count.
void frameSize(const ImageSpec &s, const Image &img, int level, int &fw, int &fh) {
    if (s.cellW == 0) {
        fw = img.w / s.frames;
        fh = img.h;
    } else {
        fw = s.cellW * level;
        fh = s.cellH * level;
    }
}

TEST(AssetImages, EveryFileHoldsExactlyItsFramesAtEveryLevel) {
    for (const ImageSpec &s : imageSpecs()) {
        Image base;
        for (int level : levelsOf(s)) {
            SCOPED_TRACE(levelPath(s, level));
            Image img;
            ASSERT_TRUE(loadPng(levelPath(s, level), img));
            if (level == 1) base = img;
            EXPECT_EQ(img.w, base.w * level);
            EXPECT_EQ(img.h, base.h * level);
            EXPECT_LE(img.w, 2048);
            EXPECT_LE(img.h, 2048);
            int fw, fh;
            frameSize(s, img, level, fw, fh);
            ASSERT_GT(fw, 2);
            EXPECT_EQ(img.w % fw, 0) << "a partial column of frames";
            EXPECT_EQ(img.h % fh, 0) << "a partial row of frames";
            std::vector<FramePos> pos;
            EXPECT_TRUE(walkFrames(img.w, img.h, fw, fh, s.frames, pos));
            int columns = img.w / fw, rows = img.h / fh;
            EXPECT_LT((rows - 1) * columns, s.frames) << "an empty row at the bottom";
            if (s.gridColumns) {
                EXPECT_EQ(columns, s.gridColumns);
            }
        }
    }
}

TEST(AssetImages, FramesThatShowSomethingAreNotEmpty) {
    for (const ImageSpec &s : imageSpecs()) {
        for (int level : levelsOf(s)) {
            SCOPED_TRACE(levelPath(s, level));
            Image img;
            ASSERT_TRUE(loadPng(levelPath(s, level), img));
            int fw, fh;
            frameSize(s, img, level, fw, fh);
            std::vector<FramePos> pos;
            ASSERT_TRUE(walkFrames(img.w, img.h, fw, fh, s.frames, pos));
            for (int f : s.shown)
                EXPECT_GT(coverage(img, pos[f].x, pos[f].y, fw, fh), 0.008) << "frame " << f;
        }
    }
}

TEST(AssetImages, HigherLevelsDrawTheSamePictures) {
    // A frame at level 4 has the same mean opacity as at level 1; a sheet whose frames were
    // shuffled, shifted or drawn at the wrong scale would not.
    for (const ImageSpec &s : imageSpecs()) {
        if (!s.allLevels) continue;
        Image one, four;
        ASSERT_TRUE(loadPng(levelPath(s, 1), one));
        ASSERT_TRUE(loadPng(levelPath(s, 4), four));
        std::vector<FramePos> p1, p4;
        ASSERT_TRUE(walkFrames(one.w, one.h, s.cellW, s.cellH, s.frames, p1));
        ASSERT_TRUE(walkFrames(four.w, four.h, s.cellW * 4, s.cellH * 4, s.frames, p4));
        for (int f = 0; f < s.frames; ++f) {
            double a1 = meanAlpha(one, p1[f].x, p1[f].y, s.cellW, s.cellH);
            double a4 = meanAlpha(four, p4[f].x, p4[f].y, s.cellW * 4, s.cellH * 4);
            EXPECT_NEAR(a1, a4, 0.03) << s.name << " frame " << f;
        }
    }
}

TEST(AssetImages, FrameworkFontKeepsItsBorderColumnsClear) {
    const ImageSpec &s = imageSpecs()[0];
    ASSERT_EQ(s.name, "plume_font");
    Image img;
    ASSERT_TRUE(loadPng(levelPath(s, 1), img));
    int fw = img.w / s.frames;
    for (int f = 0; f < s.frames; ++f)
        for (int y = 0; y < img.h; ++y) {
            EXPECT_EQ(img.alpha(f * fw, y), 0) << "frame " << f;
            EXPECT_EQ(img.alpha(f * fw + fw - 1, y), 0) << "frame " << f;
        }
}

TEST(AssetImages, GameFontLettersSitOnTheirCellCentre) {
    // The game places each glyph by its cell centre and steps 7 units: a letter off centre
    // would make words look ragged.
    const ImageSpec &s = imageSpecs()[1];
    ASSERT_EQ(s.name, "fonts/shadow_editundo");
    for (int level : {1, 4}) {
        Image img;
        ASSERT_TRUE(loadPng(levelPath(s, level), img));
        const int cell = 16 * level;
        for (int code = 'A'; code <= 'z'; ++code) {
            if (code > 'Z' && code < 'a') continue;
            int f = code - 32, x0 = (f % 16) * cell, y0 = (f / 16) * cell;
            int left = cell, right = -1, top = cell, bottom = -1;
            for (int y = 0; y < cell; ++y)
                for (int x = 0; x < cell; ++x)
                    if (img.rgba[((static_cast<size_t>(y0 + y) * img.w) + x0 + x) * 4] > 200 &&
                        img.alpha(x0 + x, y0 + y) > 200) {
                        left = std::min(left, x), right = std::max(right, x);
                        top = std::min(top, y), bottom = std::max(bottom, y);
                    }
            ASSERT_GE(right, left) << static_cast<char>(code);
            double centre = (left + right + 1) / 2.0 / level;
            EXPECT_NEAR(centre, 8, 1.5) << static_cast<char>(code) << " at level " << level;
            EXPECT_LE((bottom - top + 1) / level, 11) << static_cast<char>(code);
        }
    }
}

}  // namespace
}  // namespace assets
