// Scores and badges beyond the tour: rolling, placings, ordinals, a quit run's entry, notices.

#include <gtest/gtest.h>

#include "tests/support/game_kit.h"

using Scores = KitTest;

// Score rolls in sixths; Hard placings (empty beaten, below equals); the last list takes all.
TEST_F(Scores, RollingScorePlacingsAndOrdinals) {
    app->Score = 150;
    std::vector<int> shown;
    for (int i = 0; i < 21; ++i) shown.push_back((app->p_ScoreDisplay(), app->ShownScore));
    EXPECT_EQ(shown, (std::vector<int>{25,  45,  62,  76,  88,  98,  106, 113, 119, 124, 128,
                                       131, 134, 136, 138, 140, 141, 142, 143, 144, 150}));
    // Hidden, the HUD draws nothing but keeps rolling.
    app->HudToggle = 1;
    app->Score = app->DrawCount = 0;
    app->p_ScoreDisplay();
    EXPECT_TRUE(kit.Commands().empty());
    EXPECT_EQ(app->ShownScore, 125);
    app->HudToggle = 0;
    const std::vector<int> full = {1000, 900, 800, 700, 600, 500, 400, 300, 200, 100};
    struct Case {
        std::vector<int> top;
        int score;
        std::string hud, notice;  // notice: the game-over notice and the place it found
        int entry;                // where the score goes into the top list, -1 nowhere
    } cases[] = {
        {{}, 0, "1st00000000", "1st! 1", -1},     {{500, 300, 300}, 300, "4th00000300", "2nd 2", 3},
        {full, 50, "11th00000100", " 0", -1},     {full, 100, "11th00000100", "10th 10", -1},
        {full, 1000, "2nd00001000", "1st! 1", 1}, {full, 1001, "1st00001000", "1st! 1", 0}};
    app->Difficulty = 3;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.score);
        std::vector<int> after = c.top, last = {c.score, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        after.resize(10);
        for (int k = 0; k < 10; ++k) {
            app->Highscores[20 + k] = after[k];
            app->Highscores[50 + k] = k + 7;
        }
        app->Score = app->ShownScore = c.score;
        app->DrawCount = 0;
        app->p_ScoreDisplay();
        EXPECT_EQ(kit.Text().substr(8), c.hud);
        const std::string notice = app->p_MyNth().ToUtf8();
        EXPECT_EQ(notice + " " + std::to_string(app->ScratchIndex), c.notice);
        app->p_LoadMenu();
        if (c.entry >= 0) after.insert(after.begin() + c.entry, c.score);
        after.resize(10);
        EXPECT_EQ(std::vector<int>(app->Highscores.Data() + 20, app->Highscores.Data() + 30),
                  after);
        EXPECT_EQ(std::vector<int>(app->Highscores.Data() + 50, app->Highscores.Data() + 60), last);
    }
    for (int i : {0, 9, 10, 19, 30, 39, 40, 49}) EXPECT_EQ(app->Highscores[i], 0) << i;
    std::string ordinals;
    for (int n = 0; n <= 31; ++n) ordinals += app->p_Nth(n).ToUtf8() + ",";
    EXPECT_EQ(ordinals,
              ",1st,2nd,3rd,4th,5th,6th,7th,8th,9th,10th,11th,12th,13th,14th,15th,16th,17th,"
              "18th,19th,20th,21st,22nd,23rd,24th,25th,26th,27th,28th,29th,30th,,");
}

// A quit run's overlay locks the input; its score enters the Easy tables when the overlay ends.
TEST_F(Scores, QuitRunLocksTheInputAndEntersItsScore) {
    app->Difficulty = 1;
    app->Mode = Screen::Starting;
    kit.Frame();
    app->Score = 120;
    app->GameOverFlag = 1;  // as the pause menu's quit choice leaves it
    app->QuitFlag = -1;
    kit.Frame(6);
    EXPECT_EQ(app->KeyLatch + app->PressLock, 2);
    kit.Frame(85);
    EXPECT_EQ((std::vector<int>{app->Highscores[0], app->Highscores[1], app->Highscores[30]}),
              (std::vector<int>{120, 0, 120}));
}

// Notices slide in 16 px a frame, out over ten; badges 0..63 have icons; slots 13, 14 never drawn.
TEST_F(Scores, BadgeNotices) {
    int icons = 0;
    auto notices = [&] {  // "x,y" of each notice box of the last update; counts the badge icons
        std::string out;
        for (const KitCommand &c : kit.Commands()) {
            if (c.kind == KitCommand::Rect && c.w == 160 && c.h == 32 && c.blue == 80)
                out += std::to_string(int(c.x)) + "," + std::to_string(int(c.y)) + " ";
            icons += c.kind == KitCommand::Image && c.slot == Img::Badges;
        }
        return out;
    };
    app->BadgeShowID[0] = 5;
    app->BadgeShowTime[0] = 1;
    std::string slide;
    for (int t = 2; t < 243; ++t) {
        kit.Frame();
        const std::string at = notices();
        if (t == 2 || t == 10 || t == 230 || t == 231 || t >= 240) slide += at + "|";
        EXPECT_TRUE(t != 100 || kit.Text().find("OddBadge") != std::string::npos);
    }
    EXPECT_EQ(slide, "-128,446 |0,446 |0,446 |-16,446 |-160,446 |-176,446 ||");
    EXPECT_EQ(icons + app->BadgeShowTime[0], 240);
    app->BadgeShowID[2] = 64;
    app->BadgeShowTime[2] = app->BadgeShowTime[13] = 1;
    icons = 0;
    kit.Frame();
    EXPECT_EQ(notices(), "-128,378 ");
    EXPECT_EQ((std::vector<int>{icons, app->BadgeShowTime[13], app->BadgeShowWidth}),
              (std::vector<int>{0, 1, 160}));
    EXPECT_EQ(
        app->p_BadgeID(0).ToUtf8() + "|" + app->p_BadgeDetail(5).ToUtf8(),
        "Test Badge|This is a Test Badge which has no purpose.|This badge hasn't been defined!");
}
