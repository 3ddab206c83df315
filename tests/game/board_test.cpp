// The board's rules on the test host, played with the real keys by a player who sees every face.

#include <cstdint>
#include <functional>
#include <string>

#include "tests/support/game_kit.h"

namespace {

using V = std::vector<int>;

struct Run : KitTest {
    std::function<void()> afterUpdate = [] {};  // runs after every update the fixture drives
    int scoreBefore = 0;                        // the score just before LandAt's landing
    size_t soundsBefore = 0;                    // the effects played before it

    void Frame(int count = 1) {
        for (int i = 0; i < count; ++i) kit.Frame(), afterUpdate();
    }
    bool FrameUntil(const std::function<bool()> &done, int limit) {
        for (int i = 0; i < limit && !done(); ++i) Frame();
        return done();
    }
    float &P(int index) { return app->Player[index]; }
    int PhaseNow() { return static_cast<int>(P(Player::Phase)); }
    int Col() { return static_cast<int>(P(Player::Col)); }
    int Row() { return static_cast<int>(P(Player::Row)); }
    float *CellAt(int c, int r) { return app->Grid.Data() + (r * Board::Stride + c) * Cell::Size; }
    bool Trap(int c, int r) { return CellAt(c, r)[Cell::Face] >= 8; }
    // The first trap card's index (column 0 holds the safe cards 0..3).
    int FirstTrap() {
        int i = 4;
        while (!Trap(i / Board::Rows, i % Board::Rows)) ++i;
        return i;
    }
    bool Settled() { return P(Player::CardsMoving) == 0; }

    // A run on `difficulty` seeded by the clock at `seconds` (ahead), one update per frame.
    void StartAt(int difficulty, double seconds) {
        ASSERT_GT(seconds, kit.host.Now() + 0.1);
        kit.host.Advance(seconds - kit.host.Now());
        kit.Frame();  // catches up in the menu and restarts the update clock
        app->Difficulty = difficulty, app->Mode = Screen::Starting, Frame();
        ASSERT_EQ(V({kt_app_Millisecs(), app->Mode}), V({int(seconds * 1000), Screen::Game}));
    }

    // Waits for the prompt, throws and waits out the tumble; the pips.
    int Throw() {
        EXPECT_TRUE(FrameUntil([&] { return PhaseNow() == Phase::Throw && Settled(); }, 400));
        kit.Press(GLFW_KEY_Z), Frame(), kit.Release(GLFW_KEY_Z);
        EXPECT_TRUE(FrameUntil([&] { return PhaseNow() == Phase::Stepping; }, 200));
        return static_cast<int>(P(Player::Pips));
    }

    // Arrow keys held until a step starts; returns once it is over and the control at rest.
    void Push(std::initializer_list<int> keys) {
        for (int key : keys) kit.Press(key);
        FrameUntil([&] { return P(Player::StepX) != 0 || P(Player::StepY) != 0; }, 6);
        for (int key : keys) kit.Release(key);
        FrameUntil(
            [&] {
                return PhaseNow() != Phase::Stepping ||
                       (app->KeyAxisX == 0 && app->KeyAxisY == 0 && P(Player::StepX) == 0 &&
                        P(Player::StepY) == 0 && P(Player::StepLatch) == 0);
            },
            20);
    }

    // Until the next throw is possible (or the run ended).
    void FinishTurn() {
        FrameUntil([&] { return (PhaseNow() == Phase::Throw && Settled()) || app->GameOverFlag; },
                   400);
    }
    // The piece lands on (c, r), the card turned to `turn`, with nothing left to wait for.
    void LandAt(int c, int r, float turn) {
        P(Player::Col) = float(c), P(Player::Row) = float(r), CellAt(c, r)[Cell::Turn] = turn;
        P(Player::Phase) = Phase::Landing, P(Player::Wait) = P(Player::Pips) = 0;
        P(Player::FreshReveal) = 0;
        scoreBefore = app->Score, soundsBefore = kit.audio->sounds.size(), Frame();
    }
};

}  // namespace

// Start, pause freezes, a held throw waits for the deal; pushes step left, up, right, down first.
TEST_F(Run, StartPauseThrowAndStepsInTheDirectionOrder) {
    app->Score = app->ShownScore = 990;
    app->GameOverFlag = 1, app->GameOverTimer = 12, app->QuitFlag = -1;
    StartAt(2, 5.0);
    EXPECT_EQ(kit.audio->music.back().path, "vantor://data/sfx/Fennel.ogg");
    app->p_SeedRnd(kSeedFromClock);
    float first = kt_random_Rnd();
    app->p_SeedRnd(kt_app_Millisecs());
    EXPECT_EQ(kt_random_Rnd(), first) << "kSeedFromClock is the clock's time";
    EXPECT_EQ(V({app->Score, app->ShownScore, app->GameOverFlag, app->GameOverTimer, app->QuitFlag,
                 int(P(Player::Lives))}),
              V({0, 0, 0, 0, 0, 3}));
    Frame(5), kit.Tap(GLFW_KEY_ESCAPE);
    float x = CellAt(0, 0)[Cell::X];
    Frame(3);
    EXPECT_EQ(V({app->Paused, app->PauseCursor, CellAt(0, 0)[Cell::X] == x}), V({1, 1, 1}));
    app->Paused = 0, kit.Press(GLFW_KEY_Z);
    for (int update = 1; !Settled() && update <= 400; ++update) {
        EXPECT_EQ(PhaseNow(), Phase::Throw) << update;
        Frame();
    }
    EXPECT_EQ(PhaseNow(), Phase::Tumbling) << "held, it throws as the last card settles";
    kit.Release(GLFW_KEY_Z), app->HudToggle = 1, kit.Click(16, 16);
    EXPECT_EQ(app->Paused, 0);
    app->HudToggle = 0, Frame(), kit.Click(16, 16);
    EXPECT_EQ(V({app->Paused, app->PressLock}), V({1, 1}));
    app->Paused = 0;

    const int L = GLFW_KEY_LEFT, U = GLFW_KEY_UP, R = GLFW_KEY_RIGHT, D = GLFW_KEY_DOWN;
    const int S = Board::Start, G = Board::Goal;
    struct Case {
        int col, row;
        std::initializer_list<int> keys;
        int dCol, dRow;
    } cases[] = {{S, 1, {U}, 0, 0},     {S, 1, {D}, 0, 0},     {S, 1, {L}, 0, 0},
                 {S, 1, {R}, 1, 0},     {0, 1, {L}, 0, 0},     {1, 1, {L, U}, -1, 0},
                 {0, 1, {L, U}, 0, -1}, {0, 1, {R, U}, 0, -1}, {0, 0, {R, U}, 1, 0},
                 {0, 1, {R, D}, 1, 0},  {12, 1, {R}, 1, 0},    {G, 1, {R, D}, 0, 1},
                 {G, 3, {D}, 0, 0},     {G, 1, {L}, -1, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.col) + "," + std::to_string(c.row));
        P(Player::Phase) = Phase::Stepping, P(Player::Pips) = 6;
        P(Player::Col) = static_cast<float>(c.col), P(Player::Row) = static_cast<float>(c.row);
        int steps = kit.Cues(Sfx::Click), moved = c.dCol != 0 || c.dRow != 0;
        Push(c.keys);
        EXPECT_EQ(V({Col(), Row(), int(P(Player::Pips)), kit.Cues(Sfx::Click) - steps}),
                  V({c.col + c.dCol, c.row + c.dRow, 6 - moved, moved}));
        P(Player::Clearing) = 0;  // the cards come back after a visit to GOAL
    }

    P(Player::Col) = 3, P(Player::Pips) = 6, kit.Press(GLFW_KEY_RIGHT), Frame(48);
    EXPECT_EQ(V({Col(), int(P(Player::Pips))}), V({4, 5})) << "a held key steps once";
    kit.Release(GLFW_KEY_RIGHT);
}

// Normal: 10 face down, +50 safe or a life on a trap 29 later; face-up cards resolve at once.
TEST_F(Run, Landings) {
    StartAt(2, 7.0);
    ASSERT_TRUE(FrameUntil([&] { return CellAt(12, 3)[Cell::Turn] >= 0; }, 600));
    const int trap = FirstTrap(), tc = trap / Board::Rows, tr = trap % Board::Rows;
    // The phase, then since the landing: the points, the lives left, safe and trap cues.
    auto state = [this] {
        return V{PhaseNow(), app->Score - scoreBefore, static_cast<int>(P(Player::Lives)),
                 kit.Cues(Sfx::Safe, soundsBefore), kit.Cues(Sfx::Trap, soundsBefore)};
    };
    LandAt(0, 1, 0);
    EXPECT_EQ(state(), (V{Phase::Landing, 10, 3, 0, 0}));
    Frame(29);
    EXPECT_EQ(state(), (V{Phase::Throw, 60, 3, 1, 0}));
    EXPECT_EQ(CellAt(0, 1)[Cell::Turn], 180) << "turned face up for good";
    LandAt(tc, tr, 0);
    Frame(29);
    EXPECT_EQ(state(), (V{Phase::Trapped, 10, 2, 0, 1}));
    Frame(30);
    EXPECT_EQ(V({PhaseNow(), Col(), int(CellAt(tc, tr)[Cell::Turn])}),
              V({Phase::Throw, Board::Start, 180}));
    LandAt(0, 2, 180);
    EXPECT_EQ(state(), (V{Phase::Throw, 0, 2, 1, 0}));
    LandAt(tc, tr, -60);
    EXPECT_EQ(state(), (V{Phase::Trapped, 0, 1, 0, 1}));
    EXPECT_GT(CellAt(tc, tr)[Cell::Turn], -60) << "still turning face down";
}

// GOAL scores 150 once, even stepped off and on while the board clears; then a new deal, START.
TEST_F(Run, GoalScoresOnceAndRedeals) {
    StartAt(1, 11.0);
    ASSERT_TRUE(FrameUntil([&] { return PhaseNow() == Phase::Throw && Settled(); }, 400));
    P(Player::Phase) = Phase::Stepping, P(Player::Pips) = 3, P(Player::Col) = 12;
    std::vector<float> oldDeck(app->Obj.Data(), app->Obj.Data() + Board::Cards);
    for (int key : {GLFW_KEY_RIGHT, GLFW_KEY_LEFT, GLFW_KEY_RIGHT}) Push({key});
    EXPECT_EQ(V({Col(), app->Score, kit.Cues(Sfx::Goal)}), V({Board::Goal, 150, 1}));
    ASSERT_TRUE(FrameUntil([&] { return P(Player::Clearing) == 0; }, 300));
    EXPECT_NE(std::vector<float>(app->Obj.Data(), app->Obj.Data() + Board::Cards), oldDeck);
    EXPECT_EQ(V({Col(), PhaseNow(), int(CellAt(12, 3)[Cell::Turn]), int(CellAt(12, 3)[Cell::Delay]),
                 app->Score, kit.Cues(Sfx::Goal)}),
              V({Board::Start, Phase::Throw, -180, 90, 150, 1}));
}

// The last life lost while the board clears ends the run though the redeal comes in the pause.
TEST_F(Run, LastLifeLostWhileTheBoardClearsEndsTheRun) {
    StartAt(3, 9.0);
    ASSERT_TRUE(FrameUntil([&] { return PhaseNow() == Phase::Throw && Settled(); }, 400));
    const int trap = FirstTrap();
    P(Player::Clearing) = 1, Frame(20);  // the cards fly off for about 45 updates
    LandAt(trap / Board::Rows, trap % Board::Rows, 180);
    ASSERT_EQ(V({PhaseNow(), int(P(Player::Lives))}), V({Phase::Trapped, 0}));
    bool redealt = false;
    for (int update = 0; update < 40 && app->GameOverFlag == 0; ++update) {
        Frame(), redealt |= P(Player::Clearing) == 0;
    }
    EXPECT_EQ(V({app->GameOverFlag, redealt}), V({1, 1}));
}

// Hard, stepping right to game over: the save and an FNV-1a digest of every update's state.
TEST_F(Run, HardRunToGameOver) {
    constexpr int kFinalScore = 250;
    constexpr std::uint64_t kDigest = 0xce3afa7f7fc0b6e6ull;
    std::uint64_t digest = 1469598103934665603ull;
    auto add = [&](const void *data, size_t n) {
        const unsigned char *p = static_cast<const unsigned char *>(data);
        for (size_t i = 0; i < n; ++i) digest = (digest ^ p[i]) * 1099511628211ull;
    };
    afterUpdate = [&] {
        add(app->Player.Data(), 100 * sizeof(float));
        for (int r = 0; r < Board::Rows; ++r) {
            add(app->Grid.Data() + r * Board::Stride * Cell::Size,
                Board::Columns * Cell::Size * sizeof(float));
        }
        for (int v : {app->Score, app->ShownScore, app->GameOverFlag, app->GameOverTimer, app->Mode,
                      static_cast<int>(kt_random_Seed)}) {
            add(&v, sizeof v);
        }
    };
    StartAt(3, 4.0);
    for (int turn = 0; turn < 60 && P(Player::Lives) > 0; ++turn) {
        for (int pips = Throw(); pips > 0; --pips) Push({GLFW_KEY_RIGHT});
        FinishTurn();
    }
    ASSERT_EQ(P(Player::Lives), 0);

    // The music stopped, the cue played, the run ended; 90 updates on the score is saved.
    EXPECT_EQ(V({app->MusicOn, kit.Cues(Sfx::LastLife), app->GameOverFlag}), V({0, 1, 1}));
    EXPECT_EQ(kit.audio->musicCalls.back(), "stop");
    Frame(88);
    EXPECT_NE(kit.Text().find("GAMEOVERNewHighscore1st!"), std::string::npos) << kit.Text();
    Frame(2);
    const int score = app->Score;
    std::vector<std::string> items = kit.SavedItems();
    ASSERT_EQ(items.size(), 203u);
    EXPECT_EQ(
        items[77] + "," + items[78] + "," + items[97],
        std::to_string(score) + "," + std::to_string(score) + "," + std::to_string(9 * score));
    FrameUntil([&] { return app->GameOverTimer == 0; }, 100);
    EXPECT_EQ(score, kFinalScore);
    EXPECT_EQ(digest, kDigest) << "score " << score << ", digest 0x" << std::hex << digest;
}
