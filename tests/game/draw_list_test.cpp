// The draw list beyond the tour: capacity, turned text, button glyphs, replay at another scale.

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/game_kit.h"

namespace {

constexpr Char kEscape = 172;

struct DrawList : KitTest {
    void SetUp() override {
        KitTest::SetUp();
        app->p_CLS2D(kNoValue, 0, 0, 0);
    }
    // The glyphs of one text drawn at (100, 50): "frame@x,y " each.
    std::string Text(const std::u16string &text, float xalign = 0, float yalign = 1) {
        app->DrawCount = 0;
        app->p_Text(100, 50, String(reinterpret_cast<const Char *>(text.data()), int(text.size())),
                    xalign, yalign, 0);
        std::string out;
        char glyph[64];
        for (const KitCommand &c : kit.Commands()) {
            std::snprintf(glyph, sizeof glyph, "%d@%g,%g ", c.frame, c.x, c.y);
            out += glyph;
        }
        return out;
    }
};

}  // namespace

// A full list drops further commands; rstr keeps the last digits of a number too wide.
TEST_F(DrawList, ListCapacityAndRstrWidth) {
    app->DrawCount = 37470;
    app->p_Rect(1, 2, 3, 4);
    EXPECT_EQ(app->DrawCount, 37485) << "the last record that fits";
    app->p_Oval(1, 2, 3, 4);
    app->p_Line(1, 2, 3, 4);
    EXPECT_EQ(app->DrawCount, 37485) << "further commands of the frame are dropped";
    EXPECT_EQ(app->p_rstr(123456, 3, String(" ")).ToUtf8(), "456");
}

// Turned alignment; blanks and codes above 159 draw nothing; widths sum whole pixels.
TEST_F(DrawList, TextLayoutAndButtonGlyphs) {
    app->p_SetRot(90);  // right-aligned and above the line, turned: up the screen
    EXPECT_EQ(Text(u"ab", 2, 0), "65@95,43 66@95,50 ");
    EXPECT_EQ(Text(u"a\\nb"), "65@100,57 66@90,57 ");  // the second row beside the first
    app->p_SetRot(0);
    EXPECT_EQ(Text(u"i \u00a0i"), "73@107,50 73@125,50 ");
    // Escapes: the blink frame 200 ms in 500 (kind 1), the second set (kind 0), else the letter.
    const std::u16string j = {kEscape, u'J', u'a'};
    kit.host.Advance((650 - kit.host.Millisecs() % 500) % 500 / 1000.0);  // 150 ms into a blink
    app->ControlKind = 1;
    EXPECT_EQ(Text(j) + Text({kEscape, u'Q'}), "109@107,50 65@118,50 102@107,50 ");
    // An escape at the very end draws nothing; a glyph beyond the font's 128 frames neither.
    app->ControlKind = 0;
    EXPECT_EQ(Text(j) + Text({u'a', kEscape}) + Text({kEscape, u'z', u'a'}),
              "112@107,50 65@118,50 65@107,50 65@118,50 ");
    app->ControlKind = 2;
    EXPECT_EQ(Text({kEscape, u'z'}), "122@107,50 ");
    app->p_SetSize(1.5f, kNoValue);
    EXPECT_EQ(Text(u"ii", 2, 1), "73@94.5,50 73@100.5,50 ");
}

TEST_F(DrawList, ReplayConvertsRecordsToDevicePixels) {
    kit.Resize(1280, 720);
    kit.Frame();
    kit.FinishLoading();
    app->p_CLS2D(0, 0, 0, 1);
    app->p_Alpha(0.5f);
    app->DrawBlend = 3;  // additive
    app->p_Rect(10, 20, 30, 40);
    app->p_ResetDraw();
    app->p_Oval(50, 60, 5, 6);  // centre and radii become the bounding box
    app->p_Line(1, 2, 3, 4);
    app->p_DrawImg(55, 1, 1, 0);   // an empty slot
    app->p_DrawImg(150, 1, 1, 0);  // no such slot
    app->DrawCount += 7;           // an incomplete record is not replayed
    kit.host.RenderGame();
    std::string draws;
    char line[160];
    for (const KitGraphics::Draw &d : kit.graphics->draws) {
        std::snprintf(line, sizeof line, "%s (%g,%g) %gx%g a%g b%d\n", d.what.c_str(), d.x, d.y,
                      d.w, d.h, d.alpha, d.blend);
        draws += line;
    }
    EXPECT_EQ(draws,
              "rect (-1,-1) 1282x722 a1 b0\nrect (20,40) 60x80 a0.5 b1\noval (90,108) 20x24 a1 "
              "b0\nline (2,4) 6x8 a1 b0\n");
}
