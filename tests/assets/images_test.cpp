// The images of the data directory, read the way the game reads them.
#include "asset_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace assets {
namespace {

std::vector<int> levelsOf(const manifest::ImageFile &s) {
    return s.allLevels
               ? std::vector<int>(std::begin(manifest::kLevels), std::end(manifest::kLevels))
               : std::vector<int>{1};
}

TEST(AssetImages, EveryFileHoldsExactlyItsFramesAtEveryLevelAndShowsThem) {
    for (const ImageEntry &entry : imageTable()) {
        const manifest::ImageFile &s = entry.file;
        EXPECT_FALSE(entry.shown.empty()) << s.name << ": no frames listed as drawn";
        Image base;
        for (int level : levelsOf(s)) {
            SCOPED_TRACE(levelPath(s, level));
            Image img;
            ASSERT_TRUE(loadPng(levelPath(s, level), img));
            if (level == 1) base = img;
            EXPECT_EQ(img.w, base.w * level);
            EXPECT_EQ(img.h, base.h * level);
            EXPECT_LE(std::max(img.w, img.h), 2048);
            int fw = s.cellW * level, fh = s.cellH * level;
            ASSERT_GT(fw, 2);
            ASSERT_EQ(img.w % fw, 0) << "a partial column of frames";
            EXPECT_EQ(img.h % fh, 0) << "a partial row of frames";
            int columns = img.w / fw, rows = img.h / fh;
            EXPECT_LE(framePos(img.w, fw, fh, s.frames - 1).y + fh, img.h) << "frames missing";
            EXPECT_LT((rows - 1) * columns, s.frames) << "an empty row at the bottom";
            EXPECT_EQ(columns, s.columns);
            for (int f : entry.shown) {
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
    const manifest::ImageFile &s = manifest::kFrameworkFont;
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
