// The images of the data directory, read the way the game reads them.
#include "asset_table.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace assets {
namespace {

std::vector<int> levelsOf(const ImageEntry &s) {
    return s.allLevels ? std::vector<int>{1, 2, 4} : std::vector<int>{1};
}

// Frame size at a level: the framework font is a strip whose frames are width / count.
void frameSize(const ImageEntry &s, const Image &img, int level, int &fw, int &fh) {
    if (s.cellW == 0) {
        fw = img.w / s.frames;
        fh = img.h;
    } else {
        fw = s.cellW * level;
        fh = s.cellH * level;
    }
}

TEST(AssetImages, EveryFileHoldsExactlyItsFramesAtEveryLevelAndShowsThem) {
    for (const ImageEntry &s : imageTable()) {
        Image base;
        for (int level : levelsOf(s)) {
            SCOPED_TRACE(levelPath(s, level));
            Image img;
            ASSERT_TRUE(loadPng(levelPath(s, level), img));
            if (level == 1) base = img;
            EXPECT_EQ(img.w, base.w * level);
            EXPECT_EQ(img.h, base.h * level);
            EXPECT_LE(std::max(img.w, img.h), 2048);
            int fw, fh;
            frameSize(s, img, level, fw, fh);
            ASSERT_GT(fw, 2);
            ASSERT_EQ(img.w % fw, 0) << "a partial column of frames";
            EXPECT_EQ(img.h % fh, 0) << "a partial row of frames";
            int columns = img.w / fw, rows = img.h / fh;
            EXPECT_LE(framePos(img.w, fw, fh, s.frames - 1).y + fh, img.h) << "frames missing";
            EXPECT_LT((rows - 1) * columns, s.frames) << "an empty row at the bottom";
            if (s.gridColumns) {
                EXPECT_EQ(columns, s.gridColumns);
            }
            for (int f : s.shown) {
                FramePos p = framePos(img.w, fw, fh, f);
                EXPECT_GT(coverage(img, p.x, p.y, fw, fh), 0.008) << "frame " << f;
            }
            // A frame at level 4 has the same mean opacity as at level 1; a sheet whose frames
            // were shuffled, shifted or drawn at the wrong scale would not.
            for (int f = 0; level == 4 && f < s.frames; ++f) {
                FramePos p1 = framePos(base.w, s.cellW, s.cellH, f), p = framePos(img.w, fw, fh, f);
                EXPECT_NEAR(meanAlpha(base, p1.x, p1.y, s.cellW, s.cellH),
                            meanAlpha(img, p.x, p.y, fw, fh), 0.03)
                    << "frame " << f;
            }
        }
    }
}

TEST(AssetImages, FrameworkFontKeepsItsBorderColumnsClear) {
    const ImageEntry &s = imageTable()[0];
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

}  // namespace
}  // namespace assets
