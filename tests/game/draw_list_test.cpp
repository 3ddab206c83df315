// The draw-command list: recording, the drawing state, text layout, the replay, and the backdrop
// that starts each frame.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "tests/support/game_kit.h"

namespace {

constexpr Char kEscape = 172;

struct DrawList : ::testing::Test {
    GameKit kit;
    c_MyApp *app = kit.app;

    void SetUp() override {
        kit.FinishLoading();
        // The game font's metrics: a 7-pixel advance and 10-pixel rows.
        app->FontSlot = Img::Font;
        app->ImageInfo[SlotInfo::Width(Img::Font)] = 7;
        app->ImageInfo[SlotInfo::Height(Img::Font)] = 10;
        app->p_CLS2D(kNoValue, 0, 0, 0);
    }
    // The glyphs of one text as x, y and frame, to a thousandth of a pixel.
    std::vector<std::array<float, 3>> Text(const std::u16string &text, float xalign = 0,
                                           float yalign = 1) {
        app->DrawCount = 0;
        app->p_Text(
            100, 50,
            String(reinterpret_cast<const Char *>(text.data()), static_cast<int>(text.size())),
            xalign, yalign, 0);
        std::vector<std::array<float, 3>> out;
        for (const KitCommand &c : kit.Commands()) {
            EXPECT_EQ(c.slot, Img::Font);
            out.push_back({std::round(c.x * 1000) / 1000, std::round(c.y * 1000) / 1000,
                           static_cast<float>(c.frame)});
        }
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

TEST_F(DrawList, DrawingStateSetters) {
    app->p_SetSize(2, kNoValue);
    EXPECT_EQ(app->DrawSizeY, 2);
    app->p_Alpha(0.25f);
    app->p_SetCol(10, 20, 30, kNoValue);
    EXPECT_EQ(app->DrawAlpha, 0.25f) << "the no-value marker keeps the alpha";
    EXPECT_EQ(app->DrawBlue, 30);
    struct Case {
        int kind;
        float brightness, r, g, b;
    } inks[] = {{0, 1, 76.5f, 76.5f, 76.5f},
                {1, 2, 255, 51, 51},
                {2, 1, 255, 127.5f, 25.5f},
                {7, 1, 127.5f, 25.5f, 255},
                {9, 0.5f, 127.5f, 127.5f, 127.5f},
                {10, 1, 76.5f, 76.5f, 76.5f},
                {4, -1, 0, 0, 0}};
    for (const Case &c : inks) {
        app->p_Ink(c.kind, c.brightness);
        EXPECT_EQ((std::vector<float>{app->DrawRed, app->DrawGreen, app->DrawBlue}),
                  (std::vector<float>{c.r, c.g, c.b}))
            << c.kind;
    }
    EXPECT_EQ(app->DrawAlpha, 0.25f) << "ink leaves the alpha alone";
    EXPECT_EQ(app->p_rstr(42, 8, String("0")).ToUtf8(), "00000042");
    EXPECT_EQ(app->p_rstr(123456, 3, String(" ")).ToUtf8(), "456");
}

TEST_F(DrawList, TextAlignmentRowsAndRotation) {
    struct Case {
        std::u16string text;
        float xalign, yalign, rot;
        std::vector<std::array<float, 3>> glyphs;  // x, y, frame
    } cases[] = {
        {u"ab", 0, 1, 0, {{107, 50, 65}, {114, 50, 66}}},
        {u"ab", 1, 1, 0, {{100, 50, 65}, {107, 50, 66}}},
        {u"ab", 2, 0, 0, {{93, 55, 65}, {100, 55, 66}}},
        {u"ab", 0, 2, 0, {{107, 45, 65}, {114, 45, 66}}},
        // The two characters backslash and n end the row; the next row lines up with the first.
        {u"a\\nb", 0, 1, 0, {{107, 50, 65}, {107, 60, 66}}},
        {u"ab", 0, 1, 90, {{100, 57, 65}, {100, 64, 66}}},
        // The space advances without a glyph; codes above 159 too; "i" is 3 narrower.
        {u"i \u00a0i", 0, 1, 0, {{107, 50, 73}, {125, 50, 73}}},
    };
    for (const Case &c : cases) {
        app->p_SetRot(c.rot);
        EXPECT_EQ(Text(c.text, c.xalign, c.yalign), c.glyphs) << c.rot;
    }
    app->p_SetRot(0);
    // The width sums whole pixels: at size 1.5 " i" measures 10 (not 10.5) + 6.
    app->p_SetSize(1.5f, kNoValue);
    EXPECT_EQ(Text(u"ii", 2, 1)[0][0], 100 - 16 + 10.5f);
}

TEST_F(DrawList, ButtonGlyphsAndTheirBlink) {
    auto frames = [&](const std::u16string &text) {
        std::vector<float> out;
        for (const auto &glyph : Text(text)) out.push_back(glyph[2]);
        return out;
    };
    std::u16string j = {kEscape, u'J', u'a'};
    // Make the clock's millisecond count fall about 350 ms into a 500 ms blink period.
    kit.host.Advance((850 - kit.host.Millisecs() % 500) % 500 / 1000.0);
    app->ControlKind = 2;
    EXPECT_EQ(Text(j), (std::vector<std::array<float, 3>>{{107, 50, 96}, {118, 50, 65}}))
        << "the pair measures +2 but advances by 4";
    app->ControlKind = 0;
    EXPECT_EQ(frames(j), (std::vector<float>{112, 65})) << "the second set of pictures";
    app->ControlKind = 1;
    EXPECT_EQ(frames(j), (std::vector<float>{96, 65}));
    kit.host.Advance(0.3);
    EXPECT_EQ(frames(j), (std::vector<float>{109, 65})) << "flashing";
    EXPECT_EQ(frames({kEscape, u'Q'}), (std::vector<float>{102})) << "no blink frame";
    EXPECT_EQ(frames({kEscape, u'U'}), (std::vector<float>{110}));
    // An escape at the very end draws nothing; a glyph beyond the font's 128 frames neither.
    app->ControlKind = 0;
    EXPECT_EQ(frames({u'a', kEscape}), (std::vector<float>{65}));
    EXPECT_EQ(frames({kEscape, u'z', u'a'}), (std::vector<float>{65}));
    app->ControlKind = 2;
    EXPECT_EQ(frames({kEscape, u'z'}), (std::vector<float>{122}));
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

// The clear colour eases an eighth of the way to the target each frame; -123 keeps a target.
TEST_F(DrawList, BackdropEasesAnEighthPerFrameAndStartsTheFrame) {
    const float green[] = {5, 9.375f, 13.203125f}, blue[] = {10, 18.75f, 26.40625f};
    for (int i = 0; i < 3; ++i) {
        app->p_Rect(0, 0, 1, 1);
        app->p_SetCol(1, 2, 3, 0.5f);
        app->p_DoBG(0, 40, 80, -123);
        EXPECT_EQ((std::vector<float>{app->ClearGreen, app->ClearBlue, app->ClearAlpha}),
                  (std::vector<float>{green[i], blue[i], 1}));
        EXPECT_EQ(app->DrawCount, 0) << "what was recorded before is not drawn";
        EXPECT_EQ((std::vector<float>{app->DrawRed, app->DrawAlpha}), (std::vector<float>{255, 1}));
    }
    app->p_DoBG(-123, -123, -123, -123);
    EXPECT_FLOAT_EQ(app->BgTargetBlue, 80);
    EXPECT_GT(app->BgBlue, blue[2]) << "easing on towards the kept target";
    app->p_DoBG(-122, 0, 0, 1.5f);
    EXPECT_EQ(app->BgTargetRed, -122) << "-122 is a colour, not the keep marker";
    EXPECT_EQ(app->ClearAlpha, 1);
    app->p_DoBG(-123, -123, -123, -0.5f);
    EXPECT_EQ(app->ClearAlpha, 0);
    EXPECT_EQ(app->ViewWidth, 640);
}
