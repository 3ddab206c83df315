// Scores on the test host: the rolling score, the HUD's placing against the game-over notice and
// the table entry at ties and empty entries, the ordinals, the life icons and dots, and the
// overlay of a quit run.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/game_kit.h"

namespace {

struct Scores : ::testing::Test {
    GameKit kit;
    c_MyApp *app = kit.app;

    void SetUp() override { kit.FinishLoading(); }

    // The HUD of one frame of play, as drawn.
    std::vector<KitCommand> Hud() {
        app->DrawCount = 0;
        app->p_ScoreDisplay();
        return kit.Commands();
    }
};

}  // namespace

TEST_F(Scores, ShownScoreRollsInSixths) {
    app->Score = 150;
    std::vector<int> shown;
    for (int i = 0; i < 21; ++i) {
        app->p_ScoreDisplay();
        shown.push_back(app->ShownScore);
    }
    EXPECT_EQ(shown, (std::vector<int>{25,  45,  62,  76,  88,  98,  106, 113, 119, 124, 128,
                                       131, 134, 136, 138, 140, 141, 142, 143, 144, 150}));

    // Hidden, the HUD draws nothing but keeps rolling.
    app->HudToggle = 1;
    app->Score = 0;
    EXPECT_TRUE(Hud().empty());
    EXPECT_EQ(app->ShownScore, 125);
}

// The three rules on the Hard table: the HUD counts an empty entry as beaten, the game-over
// notice takes an equal entry's place, the table entry goes below equal entries. The last list
// takes every score.
TEST_F(Scores, PlacingsAtTiesAndEmptyEntries) {
    const std::vector<int> full = {1000, 900, 800, 700, 600, 500, 400, 300, 200, 100};
    struct Case {
        std::vector<int> top;
        int score;
        std::string hud, notice;
        int place;
        std::vector<int> after;
    } cases[] = {
        {{}, 0, "1st00000000", "1st!", 1, {}},
        {{500, 300, 300}, 300, "4th00000300", "2nd", 2, {500, 300, 300, 300}},
        {full, 50, "11th00000100", "", 0, full},
        {full, 100, "11th00000100", "10th", 10, full},
        {full,
         1000,
         "2nd00001000",
         "1st!",
         1,
         {1000, 1000, 900, 800, 700, 600, 500, 400, 300, 200}},
        {full,
         1001,
         "1st00001000",
         "1st!",
         1,
         {1001, 1000, 900, 800, 700, 600, 500, 400, 300, 200}},
    };
    app->Difficulty = 3;
    for (const Case &c : cases) {
        for (int k = 0; k < 10; ++k) {
            app->Highscores[20 + k] = k < static_cast<int>(c.top.size()) ? c.top[k] : 0;
            app->Highscores[50 + k] = k + 7;
        }
        app->Score = app->ShownScore = c.score;
        Hud();
        EXPECT_EQ(kit.Text().substr(8), c.hud) << c.score;
        EXPECT_EQ(app->p_MyNth().ToUtf8(), c.notice) << c.score;
        EXPECT_EQ(app->ScratchIndex, c.place) << c.score;

        app->p_LoadMenu();
        std::vector<int> top(app->Highscores.Data() + 20, app->Highscores.Data() + 30);
        std::vector<int> after = c.after;
        after.resize(10);
        EXPECT_EQ(top, after) << c.score;
        EXPECT_EQ(app->Highscores[50], c.score);
        EXPECT_EQ(app->Highscores[51], 7);
        EXPECT_EQ(app->Highscores[59], 15);
    }
    // The other tables are untouched.
    for (int i : {0, 9, 10, 19, 30, 39, 40, 49}) EXPECT_EQ(app->Highscores[i], 0) << i;
}

TEST_F(Scores, Ordinals) {
    const char *const expected[] = {"",     "1st",  "2nd",  "3rd",  "4th",  "5th",  "6th",  "7th",
                                    "8th",  "9th",  "10th", "11th", "12th", "13th", "14th", "15th",
                                    "16th", "17th", "18th", "19th", "20th", "21st", "22nd", "23rd",
                                    "24th", "25th", "26th", "27th", "28th", "29th", "30th", ""};
    for (int n = 0; n <= 31; ++n) EXPECT_EQ(app->p_Nth(n).ToUtf8(), expected[n]) << n;
}

// Lives as icons right of the centre, and the three timing dots at their phases.
TEST_F(Scores, LivesAndTimingDots) {
    app->UpdatePhase = 250;  // a quarter second: the dot at its right end
    app->MillisFraction = 0;
    app->RenderPhase = 750;
    app->Player[Player::Lives] = 5;
    std::vector<float> icons, dots;
    for (const KitCommand &c : Hud()) {
        if (c.kind == KitCommand::Image && c.slot == Img::Icons && c.frame == 11) {
            icons.push_back(c.x);
            EXPECT_EQ(c.y, 24);
            EXPECT_EQ(c.w, 0.75f);
        }
        if (c.kind == KitCommand::Oval) dots.push_back(c.x);
    }
    EXPECT_EQ(icons, (std::vector<float>{400, 416, 432, 448, 464}));
    ASSERT_EQ(dots.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(dots[i], 640 - 64 * i, 0.01) << i;

    app->Player[Player::Lives] = 0;
    for (const KitCommand &c : Hud()) EXPECT_FALSE(c.slot == Img::Icons && c.frame == 11);
}

// A run quit from the pause menu: "Quit" / "Game" slide in with the bars, the notice shows the
// placing on its second line, and the score still enters the tables.
TEST_F(Scores, QuitRunOverlayAndEntry) {
    app->Difficulty = 1;
    app->Mode = Screen::Starting;
    kit.Frame();
    app->Score = 120;
    app->GameOverFlag = 1;  // as the pause menu's quit choice leaves it
    app->QuitFlag = -1;
    kit.Frame(6);  // the overlay drew with a timer of 5
    ASSERT_EQ(app->GameOverTimer, 6);
    const float l = 60;  // 12 per update
    std::vector<KitCommand> glyphs, rects;
    for (const KitCommand &c : kit.Commands()) {
        if (c.kind == KitCommand::Image && c.slot == Img::Font) glyphs.push_back(c);
        if (c.kind == KitCommand::Rect) rects.push_back(c);
    }
    std::string text = kit.Text();
    size_t at = text.find("QuitGameNewHighscore1st!");
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(glyphs[at].y, l);            // "Quit" from the top
    EXPECT_EQ(glyphs[at + 4].y, 480 - l);  // "Game" from the bottom
    const KitCommand &n = glyphs[at + 8], &one = glyphs[at + 20];
    EXPECT_EQ(one.y - n.y, 20) << "the ordinal on the second row";
    EXPECT_EQ(one.x - n.x, 11 * 14) << "indented by eleven spaces";
    ASSERT_GE(rects.size(), 4u);
    EXPECT_FLOAT_EQ(rects[0].alpha, 5.0f / 40);  // the dim
    EXPECT_EQ(rects[1].w, 2 * l);
    EXPECT_EQ(rects[2].x, 640 - 2 * l);
    EXPECT_EQ(app->KeyLatch + app->PressLock, 2);

    kit.Frame(84);
    EXPECT_EQ(app->Mode, Screen::BackToMenu);
    kit.Frame();
    EXPECT_EQ(app->Highscores[0], 120);
    EXPECT_EQ(app->Highscores[30], 120);
}
