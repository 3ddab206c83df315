// Badge notices: the slide in and out, the icon rule and the catalogue.

#include <gtest/gtest.h>

#include "tests/support/game_kit.h"

namespace {

// The notice rectangles of the last update, by their size and colour.
std::vector<KitCommand> Notices(const GameKit &kit) {
    std::vector<KitCommand> out;
    for (const KitCommand &c : kit.Commands()) {
        if (c.kind == KitCommand::Rect && c.w == 160 && c.h == 32 && c.blue == 80) {
            out.push_back(c);
        }
    }
    return out;
}

int Icons(const GameKit &kit) {
    int n = 0;
    for (const KitCommand &c : kit.Commands()) n += c.kind == KitCommand::Image && c.slot == 80;
    return n;
}

}  // namespace

TEST(Badges, NoticeSlidesInWaitsAndSlidesOut) {
    GameKit kit;
    kit.FinishLoading();
    c_MyApp *app = kit.app;
    app->BadgeShowID[0] = 5;
    app->BadgeShowTime[0] = 1;
    struct Expect {
        int counter;
        float x;
    } expects[] = {{2, -128}, {10, 0}, {230, 0}, {231, -16}, {240, -160}};
    int counter = 1;
    for (const Expect &e : expects) {
        kit.Frame(e.counter - counter);
        counter = e.counter;
        ASSERT_EQ(app->BadgeShowTime[0], e.counter);
        std::vector<KitCommand> notices = Notices(kit);
        ASSERT_EQ(notices.size(), 1u) << e.counter;
        EXPECT_FLOAT_EQ(notices[0].x, e.x) << e.counter;
        EXPECT_FLOAT_EQ(notices[0].y, kt_Cobble_jscrh - 34);
        EXPECT_EQ(Icons(kit), 1);
    }
    EXPECT_NE(kit.Text().find("OddBadge"), std::string::npos);

    kit.Frame();
    EXPECT_EQ(app->BadgeShowTime[0], 0) << "freed";
    EXPECT_EQ(Notices(kit).size(), 1u) << "drawn once more, off screen";
    kit.Frame();
    EXPECT_TRUE(Notices(kit).empty());
}

// Numbers 64 and up have no icon; slots 13 and 14 are never drawn.
TEST(Badges, IconsAndUndrawnSlots) {
    GameKit kit;
    kit.FinishLoading();
    c_MyApp *app = kit.app;
    app->BadgeShowID[2] = 64;
    app->BadgeShowTime[2] = 1;
    app->BadgeShowID[13] = 0;
    app->BadgeShowTime[13] = 1;
    kit.Frame();
    std::vector<KitCommand> notices = Notices(kit);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_FLOAT_EQ(notices[0].y, kt_Cobble_jscrh - 3 * 34);
    EXPECT_EQ(Icons(kit), 0);
    EXPECT_EQ(app->BadgeShowTime[13], 1);
    EXPECT_EQ(app->BadgeShowWidth, 160);
}

TEST(Badges, Catalogue) {
    GameKit kit;
    c_MyApp *app = kit.app;
    EXPECT_EQ(app->p_BadgeName(0).ToUtf8(), "Test Badge");
    EXPECT_EQ(app->p_BadgeDetail(0).ToUtf8(), "This is a Test Badge which has no purpose.");
    EXPECT_EQ(app->p_BadgeName(255).ToUtf8(), "Odd Badge");
    EXPECT_EQ(app->p_BadgeDetail(5).ToUtf8(), "This badge hasn't been defined!");
}
