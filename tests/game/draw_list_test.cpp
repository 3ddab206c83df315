// The draw-command list: recording, the drawing state, text layout, the replay, and the backdrop
// that starts each frame. What the game's screens draw is compared by the tour; these cases take
// the capacity, clamps, rotations, glyphs and scaling no screen shows.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "tests/support/game_kit.h"

namespace {

constexpr Char kEscape = 172;

struct DrawList : KitTest {
    void SetUp() override {
        KitTest::SetUp();
        app->p_CLS2D(kNoValue, 0, 0, 0);
    }
    // The glyphs of one text at (100, 50) as x, y and frame, to a thousandth of a pixel.
    std::vector<std::array<float, 3>> Text(const std::u16string &text, float xalign = 0,
                                           float yalign = 1) {
        app->DrawCount = 0;
        app->p_Text(
            100, 50,
            String(reinterpret_cast<const Char *>(text.data()), static_cast<int>(text.size())),
            xalign, yalign, 0);
        std::vector<std::array<float, 3>> out;
        for (const KitCommand &c : kit.Commands()) {
            out.push_back({std::round(c.x * 1000) / 1000, std::round(c.y * 1000) / 1000,
                           static_cast<float>(c.frame)});
        }
        return out;
    }
    std::vector<float> Frames(const std::u16string &text) {
        std::vector<float> out;
        for (const auto &glyph : Text(text)) out.push_back(glyph[2]);
        return out;
    }
};

}  // namespace

TEST_F(DrawList, RecordsCarryTheDrawingStateUntilTheListIsFull) {
    app->p_SetCol(10, 20, 30, 0.5f);
    app->p_SetSize(2, 3);
    app->p_SetRot(30);
    app->DrawBlend = 3;
    app->p_DrawImg(5, 11, 12, 7);
    EXPECT_EQ(kit.Describe(),
              std::vector<std::string>{"image 5 f7 (11,12) 2x3 rot -30 rgb 10,20,30 a0.5 blend 3"});
    app->DrawCount = 37470;
    app->p_Rect(1, 2, 3, 4);
    EXPECT_EQ(app->DrawCount, 37485) << "the last record that fits";
    app->p_Oval(1, 2, 3, 4);
    app->p_Line(1, 2, 3, 4);
    EXPECT_EQ(app->DrawCount, 37485) << "further commands of the frame are dropped";
}

// Ink clamps each channel to 0..255; rstr keeps the last digits of a number too wide.
TEST_F(DrawList, InkClampsAndRstrCuts) {
    app->p_Ink(1, 2);
    EXPECT_EQ((std::vector<float>{app->DrawRed, app->DrawGreen, app->DrawBlue}),
              (std::vector<float>{255, 51, 51}));
    app->p_Ink(4, -1);
    EXPECT_EQ((std::vector<float>{app->DrawRed, app->DrawGreen, app->DrawBlue}),
              (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(app->p_rstr(123456, 3, String(" ")).ToUtf8(), "456");
}

TEST_F(DrawList, TextAlignmentRotationAndWidth) {
    app->p_SetRot(90);  // right-aligned and above the line, turned: up the screen
    EXPECT_EQ(Text(u"ab", 2, 0), (std::vector<std::array<float, 3>>{{95, 43, 65}, {95, 50, 66}}));
    app->p_SetRot(0);
    // The space advances without a glyph; codes above 159 too; "i" is 3 narrower.
    EXPECT_EQ(Text(u"i \u00a0i"),
              (std::vector<std::array<float, 3>>{{107, 50, 73}, {125, 50, 73}}));
    // The width sums whole pixels: at size 1.5 " i" measures 10 (not 10.5) + 6.
    app->p_SetSize(1.5f, kNoValue);
    EXPECT_EQ(Text(u"ii", 2, 1)[0][0], 100 - 16 + 10.5f);
}

TEST_F(DrawList, ButtonGlyphsAndTheirBlink) {
    std::u16string j = {kEscape, u'J', u'a'};
    // Make the clock's millisecond count fall about 350 ms into a 500 ms blink period.
    kit.host.Advance((850 - kit.host.Millisecs() % 500) % 500 / 1000.0);
    app->ControlKind = 2;
    EXPECT_EQ(Text(j), (std::vector<std::array<float, 3>>{{107, 50, 96}, {118, 50, 65}}))
        << "the pair measures +2 but advances by 4";
    EXPECT_EQ(Frames({kEscape, u'z'}), (std::vector<float>{122})) << "no button: the letter";
    app->ControlKind = 1;
    EXPECT_EQ(Frames(j), (std::vector<float>{96, 65}));
    kit.host.Advance(0.3);
    EXPECT_EQ(Frames(j), (std::vector<float>{109, 65})) << "flashing";
    EXPECT_EQ(Frames({kEscape, u'Q'}), (std::vector<float>{102})) << "no blink frame";
    // The second set of pictures; an escape at the very end draws nothing; a glyph beyond the
    // font's 128 frames neither.
    app->ControlKind = 0;
    EXPECT_EQ(Frames(j), (std::vector<float>{112, 65}));
    EXPECT_EQ(Frames({u'a', kEscape}), (std::vector<float>{65}));
    EXPECT_EQ(Frames({kEscape, u'z', u'a'}), (std::vector<float>{65}));
}

TEST_F(DrawList, ReplayConvertsRecordsToDevicePixels) {
    kit.Resize(1280, 720);
    kit.Frame();
    kit.FinishLoading();
    app->p_CLS2D(0, 0, 0, 1);
    app->p_SetCol(255, 0, 0, 0.5f);
    app->DrawBlend = 3;
    app->p_Rect(10, 20, 30, 40);
    app->p_ResetDraw();
    app->p_Oval(50, 60, 5, 6);  // centre and radii become the bounding box
    app->p_Line(1, 2, 3, 4);
    app->p_DrawImg(55, 1, 1, 0);   // an empty slot
    app->p_DrawImg(150, 1, 1, 0);  // no such slot
    app->DrawCount += 7;           // an incomplete record is not replayed
    kit.host.RenderGame();
    std::vector<std::string> draws;
    for (const KitGraphics::Draw &d : kit.graphics->draws) {
        char line[120];
        std::snprintf(line, sizeof line, "%s (%g,%g) %gx%g rgb %g,%g,%g a%g blend %d",
                      d.what.c_str(), d.x, d.y, d.w, d.h, d.red, d.green, d.blue, d.alpha, d.blend);
        draws.push_back(line);
    }
    EXPECT_EQ(draws,
              (std::vector<std::string>{"rect (-1,-1) 1282x722 rgb 0,0,0 a1 blend 0",
                                        "rect (20,40) 60x80 rgb 255,0,0 a0.5 blend 1",  // additive
                                        "oval (90,108) 20x24 rgb 255,255,255 a1 blend 0",
                                        "line (2,4) 6x8 rgb 255,255,255 a1 blend 0"}));
}

// -123 keeps a colour's target and stands for alpha 1; other alphas are clamped to 0..1.
TEST_F(DrawList, BackdropKeepsMarkedTargetsAndClampsTheAlpha) {
    app->p_DoBG(0, 40, 80, -123);
    EXPECT_EQ(app->ClearAlpha, 1);
    app->p_DoBG(-122, -123, -123, 1.5f);
    EXPECT_EQ((std::vector<float>{app->BgTargetRed, app->BgTargetGreen, app->BgTargetBlue,
                                  app->ClearAlpha}),
              (std::vector<float>{-122, 40, 80, 1}));
    app->p_DoBG(-123, -123, -123, -0.5f);
    EXPECT_EQ(app->ClearAlpha, 0);
}
