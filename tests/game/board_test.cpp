// The board game on the test host: the generator, the deal, the glide, the throw and tumble,
// the steps, the landings, the goal and redeal, and whole scripted runs.
//
// Runs are seeded by the fake clock (StartAt) and driven by a scripted player that presses the
// real keys. The player has a perfect memory: it saw every face while the board was dealt face
// up, so it reads the faces from the board.
//
// Sections: the path planner and the Run fixture; the generator; the deal; the start and the
// glide; pause, throw and steps; landings; the goal and the redeal; the last life; a whole
// Hard run.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/game_kit.h"

namespace {

constexpr int kCueSafe = 3, kCueTrap = 5, kCueGoal = 7, kCueLastLife = 10, kCueStep = 99;
constexpr int kKeys[4] = {GLFW_KEY_LEFT, GLFW_KEY_UP, GLFW_KEY_RIGHT, GLFW_KEY_DOWN};

// Rates a landing: the column and row reached and how often the path entered GOAL. Below 0
// refuses it.
using Rating = std::function<int(int col, int row, int goalEntries)>;

// The best path of exactly `steps` moves the board allows (the first best found in the order
// left, up, right, down); empty when every landing is refused.
std::vector<int> Plan(int col, int row, int steps, const Rating &rate) {
    std::vector<int> path, best;
    int bestValue = -1;
    std::function<void(int, int, int)> walk = [&](int c, int r, int entries) {
        if (static_cast<int>(path.size()) == steps) {
            if (int value = rate(c, r, entries); value > bestValue) bestValue = value, best = path;
            return;
        }
        const bool allowed[4] = {c > 0, c > Board::Start && r > 0,
                                 c<Board::Goal, c> Board::Start && r < Board::Rows - 1};
        for (int dir = 0; dir < 4; ++dir) {
            if (!allowed[dir]) continue;
            int nc = c + (dir == 2) - (dir == 0), nr = r + (dir == 3) - (dir == 1);
            path.push_back(dir);
            walk(nc, nr, entries + (nc == Board::Goal && c != Board::Goal));
            path.pop_back();
        }
    };
    walk(col, row, 0);
    return best;
}

struct Run : ::testing::Test {
    GameKit kit;
    c_MyApp *app = kit.app;
    std::function<void()> afterUpdate = [] {};  // runs after every update the fixture drives
    int scoreBefore = 0;                        // the score just before PlayTurn's walk
    float dieXThrown = 0;                       // where the last throw's update left the die

    void SetUp() override { kit.FinishLoading(); }

    // One update per frame: StartAt leaves the loop in step with the clock.
    void Frame(int count = 1) {
        for (int i = 0; i < count; ++i) kit.Frame(), afterUpdate();
    }
    void Tap(int key) {
        kit.Press(key);
        Frame();
        kit.Release(key);
    }
    // Updates until `done` holds, at most `limit`; whether it held.
    bool FrameUntil(const std::function<bool()> &done, int limit) {
        for (int i = 0; i < limit && !done(); ++i) Frame();
        return done();
    }

    float &P(int index) { return app->Player[index]; }
    int PhaseNow() { return static_cast<int>(P(Player::Phase)); }
    int Col() { return static_cast<int>(P(Player::Col)); }
    int Row() { return static_cast<int>(P(Player::Row)); }
    float *CellAt(int c, int r) { return app->Grid.Data() + (r * Board::Stride + c) * Cell::Size; }
    bool OnBoard(int c) { return c >= 0 && c < Board::Columns; }
    bool Trap(int c, int r) { return CellAt(c, r)[Cell::Face] >= 8; }
    bool Settled() { return P(Player::CardsMoving) == 0; }
    size_t Sounds(int cue) {
        size_t n = 0;
        for (const KitSound &s : kit.audio->sounds) n += s.cue == cue;
        return n;
    }

    // Starts a run on `difficulty` with the clock at `seconds`, which seeds it; the update of
    // that frame runs p_LoadGame alone, at exactly that time. `seconds` must lie ahead.
    void StartAt(int difficulty, double seconds) {
        ASSERT_GT(seconds, kit.host.Now() + 0.1);
        kit.host.Advance(seconds - kit.host.Now());
        kit.Frame();  // catches up in the menu and restarts the update clock
        app->Difficulty = difficulty;
        app->Mode = Screen::Starting;
        Frame();
        ASSERT_EQ(kt_app_Millisecs(), static_cast<int>(seconds * 1000));
        ASSERT_EQ(app->Mode, Screen::Game);
    }
    // A clock value a little ahead, for runs that try seed after seed.
    double Ahead() { return static_cast<double>(static_cast<int>(kit.host.Now())) + 2; }

    // Waits for the prompt, throws and waits out the tumble; the pips to spend. Every throw
    // checks the tumble: within its walls, 35 to 81 updates, rattles only.
    int Throw(int key = GLFW_KEY_Z) {
        EXPECT_TRUE(FrameUntil([&] { return PhaseNow() == Phase::Throw && Settled(); }, 400));
        size_t sounds = kit.audio->sounds.size();
        Tap(key);
        EXPECT_EQ(PhaseNow(), Phase::Tumbling);
        dieXThrown = P(Player::DieX);
        int updates = 1;  // the throw's own update tumbles once
        for (; PhaseNow() == Phase::Tumbling && updates < 200; ++updates) {
            Frame();
            EXPECT_TRUE(P(Player::DieY) >= 64 && P(Player::DieY) <= 288 - 32) << P(Player::DieY);
            EXPECT_TRUE(P(Player::DieX) >= 100 && P(Player::DieX) <= 640 - 100) << P(Player::DieX);
        }
        EXPECT_TRUE(updates >= 35 && updates <= 81) << updates;
        EXPECT_EQ(PhaseNow(), Phase::Stepping);
        for (size_t i = sounds; i < kit.audio->sounds.size(); ++i) {
            const KitSound &s = kit.audio->sounds[i];
            EXPECT_TRUE(s.cue >= 11 && s.cue <= 15) << s.cue;
            EXPECT_TRUE(s.rate >= 0.7f && s.rate < 1.4f) << s.rate;
        }
        return static_cast<int>(P(Player::Pips));
    }

    // One push of arrow keys (two keys: a diagonal push), held until a step starts; returns
    // once the step is over and the control is back at rest.
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
    void Walk(const std::vector<int> &path) {
        for (int dir : path) Push({kKeys[dir]});
    }

    // A turn: throw, then walk the best path `rate` finds for the pips thrown, else the best
    // `fallback` finds; the landing happens in the update of the last step. Whether `rate`
    // accepted one.
    bool PlayTurn(
        const Rating &rate, const Rating &fallback = [](int, int, int) { return 0; }) {
        int pips = Throw();
        std::vector<int> path = Plan(Col(), Row(), pips, rate);
        bool accepted = !path.empty();
        if (!accepted) path = Plan(Col(), Row(), pips, fallback);
        scoreBefore = app->Score;
        Walk(path);
        EXPECT_NE(PhaseNow(), Phase::Stepping);
        return accepted;
    }
    // Safe progress: the furthest column on a card not known to be a trap, GOAL best.
    Rating Advance() {
        return [this](int c, int r, int) { return OnBoard(c) && Trap(c, r) ? -1 : c + 1; };
    }
    // Plays turns (safe progress in between) until a landing `rate` accepts has happened.
    bool LandOn(const Rating &rate) {
        for (int turn = 0; turn < 30; ++turn) {
            if (PlayTurn(rate, Advance())) return true;
            FinishTurn();
        }
        return false;
    }
    // Waits until the landing is resolved and the next throw is possible (or the run ended).
    void FinishTurn() {
        FrameUntil([&] { return (PhaseNow() == Phase::Throw && Settled()) || app->GameOverFlag; },
                   400);
    }
};

}  // namespace

TEST(Random, GeneratorSteps) {
    kt_random_Init();
    float r = kt_random_Rnd();
    EXPECT_EQ(kt_random_Seed, 1234u * 1664525u + 1013904223u);
    EXPECT_EQ(r, static_cast<float>(kt_random_Seed >> 8) / 16777216.0f);

    // p_Rand covers its bounds and never passes them; fractional bounds floor (the die's spin).
    GameKit kit;
    EXPECT_EQ(kt_random_Seed, 1234u) << "every game starts from the same state";
    std::set<int> seen, spin;
    for (int i = 0; i < 2000; ++i) seen.insert(kit.app->p_Rand(1, 6));
    for (int i = 0; i < 2000; ++i) spin.insert(kit.app->p_Rand(-1.5f, 1.5f));
    EXPECT_EQ(seen, (std::set<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(spin, (std::set<int>{-2, -1, 0, 1, 2}));

    // -37171650 means the clock (a seed as it is, then 21 discarded steps: StartGlideAndPrompt).
    kit.app->p_SeedRnd(kt_app_Millisecs());
    unsigned int fromClock = kt_random_Seed;
    kit.app->p_SeedRnd(kSeedFromClock);
    EXPECT_EQ(kt_random_Seed, fromClock);
}

// Over many seeds: column 0 holds the four never-shuffled safe cards, columns 1..12 exactly 26
// traps, trap faces follow the value and safe faces are random in 4..7. Every deal takes 48
// shuffle draws, 52 face draws (one per cell, trap or not) and one for the piece's row.
TEST_F(Run, DealComposition) {
    std::set<int> safeFaces;
    for (int seed = 1; seed <= 200; ++seed) {
        app->p_SeedRnd(seed * 7919);
        unsigned int expected = kt_random_Seed;
        for (int i = 0; i < 48 + 52 + 1; ++i) expected = expected * 1664525u + 1013904223u;
        app->p_Redeal();
        ASSERT_EQ(kt_random_Seed, expected) << seed;

        std::set<int> values;
        int traps = 0;
        for (int c = 0; c < Board::Columns; ++c) {
            for (int r = 0; r < Board::Rows; ++r) {
                int card = static_cast<int>(CellAt(c, r)[Cell::Card]);
                int face = static_cast<int>(CellAt(c, r)[Cell::Face]);
                values.insert(card);
                EXPECT_TRUE(c > 0 || card == r) << card;
                if (card >= Board::FirstTrap) {
                    ++traps;
                    EXPECT_EQ(face, 8 + card % 4) << card;
                } else {
                    EXPECT_TRUE(face >= 4 && face <= 7) << face;
                    safeFaces.insert(face);
                }
            }
        }
        EXPECT_EQ(values.size(), 52u);
        EXPECT_EQ(traps, 26);
        EXPECT_EQ(P(Player::Col), Board::Start);
        EXPECT_EQ(P(Player::DieX), -100);
    }
    EXPECT_EQ(safeFaces, (std::set<int>{4, 5, 6, 7}));
}

TEST_F(Run, StartGlideAndPrompt) {
    // A finished run leaves its score behind; the new one starts from nothing, shown score too.
    app->Score = app->ShownScore = 990;
    app->GameOverFlag = 1;
    app->GameOverTimer = 12;
    app->QuitFlag = -1;
    StartAt(2, 5.0);
    EXPECT_EQ(kit.audio->music.back().path, "vantor://data/sfx/Fennel.ogg");
    EXPECT_EQ(app->Score + app->ShownScore, 0);
    EXPECT_EQ(app->GameOverFlag + app->GameOverTimer + app->QuitFlag, 0);
    EXPECT_EQ(P(Player::Lives), 3);
    // The clock seeded the run: 21 discarded steps, then the deal's 101 draws.
    unsigned int seed = 5000;
    for (int i = 0; i < 21 + 101; ++i) seed = seed * 1664525u + 1013904223u;
    EXPECT_EQ(kt_random_Seed, seed);

    // Card (0, 0) glides from the first update, (0, 1) from the 6th, (12, 3) from the 90th;
    // the prompt waits for the last card, and a throw before it is ignored.
    kit.Press(GLFW_KEY_Z);
    for (int update = 1; update <= 90 || (!Settled() && update <= 400); ++update) {
        Frame();
        if (update <= 90) {
            EXPECT_NE(CellAt(0, 0)[Cell::X], 320) << update;
            EXPECT_EQ(CellAt(0, 1)[Cell::X] != 320, update >= 6) << update;
            EXPECT_EQ(CellAt(12, 3)[Cell::X] != 320, update >= 90) << update;
        }
        if (!Settled()) {
            EXPECT_EQ(kit.Text().find("RollTheDice"), std::string::npos) << update;
            EXPECT_EQ(PhaseNow(), Phase::Throw);
        }
    }
    EXPECT_NE(kit.Text().find("RollTheDice"), std::string::npos) << "spaces draw nothing";
    kit.Release(GLFW_KEY_Z);
}

// Pausing while the cards glide in; the first throw starts from the centre (Throw checks every
// tumble) and the die's face is drawn once it settles. Then pushes from a set position: which
// step starts, if any. A diagonal push starts the first allowed of left, up, right, down; the
// piece never steps back onto START.
TEST_F(Run, PauseThrowAndStepsInTheDirectionOrder) {
    StartAt(2, 3.0);
    Frame(5);
    Tap(GLFW_KEY_ESCAPE);
    EXPECT_EQ(app->Paused, 1);
    EXPECT_EQ(app->PauseCursor, 1);
    ASSERT_FALSE(kit.audio->sounds.empty());
    EXPECT_EQ(kit.audio->sounds.back().cue, 98);
    EXPECT_EQ(kit.audio->sounds.back().volume, 0.5f);
    float x = CellAt(0, 0)[Cell::X];
    Frame(3);
    EXPECT_EQ(CellAt(0, 0)[Cell::X], x) << "the board stands still while paused";

    // The pause button at (16, 16), hidden and inactive while the HUD is off.
    app->Paused = 0;
    app->HudToggle = 1;
    kit.MoveMouse(16, 16);
    kit.MouseButton(true);
    Frame();
    EXPECT_EQ(app->Paused, 0);
    app->HudToggle = 0;
    Frame();
    EXPECT_EQ(app->Paused, 1);
    EXPECT_EQ(app->PressLock, 1);
    kit.MouseButton(false);
    app->Paused = 0;

    int pips = Throw(GLFW_KEY_SPACE);
    EXPECT_EQ(dieXThrown, 320);
    EXPECT_TRUE(pips >= 1 && pips <= 6) << pips;
    Frame();  // the die is drawn before the tumble moves it
    bool dieShown = false;
    for (const KitCommand &c : kit.Commands()) {
        dieShown |= c.slot == Img::Gfx && c.frame == pips + 4;
    }
    EXPECT_TRUE(dieShown);

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
        P(Player::Phase) = Phase::Stepping;
        P(Player::Pips) = 6;
        P(Player::Col) = static_cast<float>(c.col);
        P(Player::Row) = static_cast<float>(c.row);
        size_t steps = Sounds(kCueStep);
        Push(c.keys);
        bool moved = c.dCol != 0 || c.dRow != 0;
        SCOPED_TRACE(std::to_string(c.col) + "," + std::to_string(c.row));
        EXPECT_EQ(Col(), c.col + c.dCol);
        EXPECT_EQ(Row(), c.row + c.dRow);
        EXPECT_EQ(P(Player::Pips), moved ? 5 : 6);
        EXPECT_EQ(Sounds(kCueStep) - steps, moved ? 1u : 0u);
        P(Player::Clearing) = 0;  // the cards come back after a visit to GOAL
    }

    // A step takes 8 updates, counting the one that starts it, and holding the key for long
    // spends one pip only.
    P(Player::Col) = 3;
    P(Player::Row) = 1;
    P(Player::Pips) = 6;
    kit.Press(GLFW_KEY_RIGHT);
    FrameUntil([&] { return P(Player::StepX) != 0; }, 6);
    for (int update = 2; update <= 8; ++update, Frame()) EXPECT_EQ(Col(), 3) << update;
    EXPECT_EQ(Col(), 4);
    Frame(40);
    EXPECT_EQ(Col(), 4);
    EXPECT_EQ(P(Player::Pips), 5);
    kit.Release(GLFW_KEY_RIGHT);
}

// On Normal: a face-down safe card scores 10 as it turns and 50 when it resolves 29 updates
// later; a face-down trap scores its 10, then costs a life and, 29 updates after that, sends
// the piece back to START; a card already face up resolves at once without points, and a known
// trap costs another life.
TEST_F(Run, LandingsOnFaceDownAndKnownCards) {
    StartAt(2, 7.0);
    ASSERT_TRUE(FrameUntil(
        [&] {
            for (int c = 0; c < Board::Columns; ++c) {
                for (int r = 0; r < Board::Rows; ++r) {
                    if (CellAt(c, r)[Cell::Turn] < 0) return false;
                }
            }
            return true;
        },
        600));
    auto card = [this](bool trap, bool faceUp) -> Rating {
        return [this, trap, faceUp](int c, int r, int) {
            if (!OnBoard(c) || Trap(c, r) != trap) return -1;
            float turn = CellAt(c, r)[Cell::Turn];
            return (faceUp ? turn == 180 : turn == 0) ? 1 : -1;
        };
    };
    // The phase and the points won since the walk began.
    auto expect = [this](int phase, int points) {
        EXPECT_EQ(PhaseNow(), phase);
        EXPECT_EQ(app->Score, scoreBefore + points);
    };

    ASSERT_TRUE(LandOn(card(false, false)));
    int c = Col(), r = Row();
    ASSERT_EQ(PhaseNow(), Phase::Landing);
    EXPECT_EQ(app->Score, scoreBefore + 10);
    EXPECT_EQ(P(Player::FreshReveal), 1);
    EXPECT_EQ(CellAt(c, r)[Cell::Turn], 3);
    size_t safe = Sounds(kCueSafe);
    Frame(28);
    expect(Phase::Landing, 10);
    Frame();
    expect(Phase::Throw, 60);
    EXPECT_EQ(Sounds(kCueSafe), safe + 1);
    EXPECT_EQ(CellAt(c, r)[Cell::Turn], 180) << "turned face up for good";

    ASSERT_TRUE(LandOn(card(true, false)));
    c = Col(), r = Row();
    expect(Phase::Landing, 10);
    Frame(29);
    expect(Phase::Trapped, 10);  // no bonus for a trap
    EXPECT_EQ(P(Player::Lives), 2);
    EXPECT_EQ(Sounds(kCueTrap), 1u);
    Frame(28);
    EXPECT_EQ(PhaseNow(), Phase::Trapped);
    Frame();
    EXPECT_EQ(PhaseNow(), Phase::Throw);
    EXPECT_EQ(Col(), Board::Start);
    EXPECT_EQ(CellAt(c, r)[Cell::Turn], 180) << "the trap stays face up";

    // Known cards resolve in the landing's own update, without points.
    safe = Sounds(kCueSafe);
    ASSERT_TRUE(LandOn(card(false, true)));
    expect(Phase::Throw, 0);
    EXPECT_EQ(Sounds(kCueSafe), safe + 1);
    FinishTurn();
    ASSERT_TRUE(LandOn(card(true, true)));
    expect(Phase::Trapped, 0);
    EXPECT_EQ(P(Player::Lives), 1);
    EXPECT_EQ(Sounds(kCueTrap), 2u);
}

// On Easy the cards turn face down slowly: a landing on one still turning resolves at once by
// its face, without points and without turning it up.
TEST_F(Run, LandingOnACardStillTurningDown) {
    for (int attempt = 0; attempt < 30; ++attempt) {
        StartAt(1, Ahead());
        int pips = Throw();
        // Far enough from face down that the steps (8 updates each, at most 1.5 degrees an
        // update) cannot finish the turn first.
        std::vector<int> path = Plan(Col(), Row(), pips, [this, pips](int c, int r, int) {
            return OnBoard(c) && CellAt(c, r)[Cell::Turn] < -12.0f * pips - 2 ? 1 : -1;
        });
        if (path.empty()) continue;
        float lives = P(Player::Lives);
        Walk(path);
        float turn = CellAt(Col(), Row())[Cell::Turn];
        ASSERT_LT(turn, 0);
        EXPECT_EQ(app->Score, 0);
        bool trap = Trap(Col(), Row());
        EXPECT_EQ(PhaseNow(), trap ? Phase::Trapped : Phase::Throw);
        EXPECT_EQ(P(Player::Lives), lives - trap);
        EXPECT_EQ(Sounds(kCueSafe), trap ? 0u : 1u);
        Frame();
        EXPECT_GT(CellAt(Col(), Row())[Cell::Turn], turn) << "still turning face down";
        return;
    }
    FAIL() << "no seed offered a card still turning";
}

// GOAL scores 150 once, even when the piece steps off and on again while the board clears;
// the cleared board is dealt anew and the piece starts again from START.
TEST_F(Run, GoalScoresOnceAndRedeals) {
    StartAt(1, 11.0);
    // Off and on again is best; a plain arrival on GOAL is taken only when nothing else is.
    auto offAndOn = [this](int c, int r, int entries) {
        if (OnBoard(c) && Trap(c, r)) return -1;
        return entries >= 2 ? 100 : c == Board::Goal ? 0 : c + 1;
    };
    size_t steps = 0;
    for (int turn = 0; turn < 60 && P(Player::Clearing) == 0; ++turn) {
        steps = Sounds(kCueStep);
        PlayTurn(offAndOn);
        if (P(Player::Clearing) == 0) FinishTurn();
    }
    ASSERT_EQ(P(Player::Clearing), 1) << "the player reached GOAL";
    EXPECT_EQ(Col(), Board::Goal);
    EXPECT_GE(Sounds(kCueStep) - steps, 3u) << "on, off and on again";
    EXPECT_EQ(app->Score, scoreBefore + 150);
    EXPECT_EQ(Sounds(kCueGoal), 1u);

    std::vector<float> oldDeck(app->Obj.Data(), app->Obj.Data() + Board::Cards);
    ASSERT_TRUE(FrameUntil([&] { return P(Player::Clearing) == 0; }, 300));
    // The redeal ran in this update: a fresh board, the piece on START, ready to throw.
    EXPECT_EQ(Col(), Board::Start);
    EXPECT_EQ(PhaseNow(), Phase::Throw);
    EXPECT_NE(std::vector<float>(app->Obj.Data(), app->Obj.Data() + Board::Cards), oldDeck);
    EXPECT_EQ(CellAt(12, 3)[Cell::Turn], -180);
    EXPECT_EQ(CellAt(12, 3)[Cell::Delay], 90);
    EXPECT_EQ(Sounds(kCueGoal), 1u);
}

// The last life lost on a trap in column 12 while the board clears: the redeal may come
// before the pause after the trap is over, and the run must still end.
TEST_F(Run, LastLifeLostWhileTheBoardClearsEndsTheRun) {
    int redealtDuringPause = 0;
    for (int attempt = 0; attempt < 40 && redealtDuringPause == 0; ++attempt) {
        StartAt(3, Ahead());
        auto backOntoTrap = [this](int c, int r, int entries) {
            if (entries > 0 && c == 12 && Trap(c, r)) return 200;
            return OnBoard(c) && Trap(c, r) ? -1 : c + 1;
        };
        bool onTrap = false;
        for (int turn = 0; turn < 40 && !onTrap && app->GameOverFlag == 0; ++turn) {
            onTrap = PlayTurn(backOntoTrap) && P(Player::Clearing) == 1 && Col() == 12;
            if (!onTrap) FinishTurn();
        }
        // The redeal can also come first, while the card is still turning up: then the trap
        // never springs and the piece starts again on the new board.
        if (!onTrap || !FrameUntil([&] { return P(Player::Lives) == 0; }, 40)) continue;
        bool redealt = false;
        for (int update = 0; update < 40 && app->GameOverFlag == 0; ++update) {
            Frame();
            redealt |= P(Player::Clearing) == 0;
        }
        EXPECT_EQ(app->GameOverFlag, 1) << "attempt " << attempt;
        redealtDuringPause += redealt;
    }
    EXPECT_GT(redealtDuringPause, 0) << "no seed reached a redeal during the pause";
}

namespace {

// FNV-1a over the state each update leaves behind.
struct Digest {
    std::uint64_t h = 1469598103934665603ull;
    void Add(const void *data, size_t n) {
        const unsigned char *p = static_cast<const unsigned char *>(data);
        for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    }
    void Add(int v) { Add(&v, sizeof v); }
};

}  // namespace

// A scripted player on Hard: safe progress to GOAL, then on the new board straight onto a
// trap. Checks the last life, the overlay's timeline, the tables, and a digest of every
// update's state from the start to the end of the overlay, which the Release, sanitizer and
// clang builds must all reproduce.
//
// kFinalScore and kDigest were printed by this test's first run (the failure message gives
// both); a change to the order or the arithmetic of the random draws changes them.
TEST_F(Run, HardRunToGameOver) {
    constexpr int kFinalScore = 460;
    constexpr std::uint64_t kDigest = 0x9570a6e186b3b441ull;
    Digest digest;
    afterUpdate = [&] {
        digest.Add(app->Player.Data(), 100 * sizeof(float));
        for (int r = 0; r < Board::Rows; ++r) {
            digest.Add(app->Grid.Data() + r * Board::Stride * Cell::Size,
                       Board::Columns * Cell::Size * sizeof(float));
        }
        for (int v : {app->Score, app->ShownScore, app->GameOverFlag, app->GameOverTimer, app->Mode,
                      static_cast<int>(kt_random_Seed)}) {
            digest.Add(v);
        }
    };
    StartAt(3, 4.0);

    // To GOAL and through the redeal, then onto the first trap in reach.
    for (int turn = 0; turn < 60 && P(Player::Clearing) == 0 && !app->GameOverFlag; ++turn) {
        PlayTurn(Advance());
        if (P(Player::Clearing) == 0) FinishTurn();
    }
    ASSERT_EQ(P(Player::Clearing), 1) << "the player reached GOAL";
    FrameUntil([&] { return P(Player::Clearing) == 0; }, 300);
    auto ontoTrap = [this](int c, int r, int) { return OnBoard(c) && Trap(c, r) ? 1 : -1; };
    for (int turn = 0; turn < 60 && P(Player::Lives) > 0; ++turn) {
        if (PlayTurn(ontoTrap)) break;
        FinishTurn();
    }
    ASSERT_TRUE(FrameUntil([&] { return P(Player::Lives) == 0; }, 40));

    // The last life: the music stops, cue 10 plays, and the 30th update from there (this one
    // counted) raises the game-over flag.
    EXPECT_EQ(kit.audio->musicCalls.back(), "stop");
    EXPECT_EQ(app->MusicOn, 0);
    ASSERT_FALSE(kit.audio->sounds.empty());
    EXPECT_EQ(kit.audio->sounds.back().cue, kCueLastLife);
    for (int update = 2; update <= 30; ++update) {
        EXPECT_EQ(app->GameOverFlag, 0) << update;
        Frame();
    }
    EXPECT_EQ(app->GameOverFlag, 1);
    const int score = app->Score;
    EXPECT_EQ(score, kFinalScore);

    // The overlay: 90 updates on the game screen, then 73 on the menu falling by 2 to 0. The
    // score enters both Hard lists as the screen returns to the menu.
    EXPECT_EQ(app->GameOverTimer, 1);
    for (int update = 2; update <= 89; ++update) {
        Frame();
        ASSERT_EQ(app->GameOverTimer, update);
        ASSERT_EQ(app->Mode, Screen::Game);
        if (update == 20) {
            std::string text = kit.Text();
            // Spaces advance without drawing; the ordinal follows the line break.
            EXPECT_NE(text.find("GAMEOVERNewHighscore1st!"), std::string::npos) << text;
            KitCommand dim = kit.Commands()[0];
            for (const KitCommand &c : kit.Commands()) {
                if (c.kind == KitCommand::Rect && c.x == -1 && c.y == -1) dim = c;
            }
            EXPECT_FLOAT_EQ(dim.alpha, 19.0f / 40) << "drawn before the timer moved on";
        }
    }
    Frame();
    EXPECT_EQ(app->Mode, Screen::BackToMenu);
    EXPECT_EQ(app->GameOverTimer, 73);
    EXPECT_EQ(app->Highscores[20], 0) << "not yet entered";
    Frame();
    EXPECT_EQ(app->Mode, Screen::Menu);
    EXPECT_EQ(app->GameOverTimer, 71);
    EXPECT_EQ(app->Highscores[20], score);
    EXPECT_EQ(app->Highscores[50], score);
    EXPECT_EQ(app->Highscores[21] + app->Highscores[0] + app->Highscores[30], 0);
    // Saved: the Hard table's block follows the settings, the badges and two empty tables.
    std::vector<std::string> items;
    std::string saved = kit.host.LoadState().ToUtf8();
    for (size_t at = 0, bar; (bar = saved.find('|', at)) != std::string::npos; at = bar + 1) {
        items.push_back(saved.substr(at, bar - at));
    }
    ASSERT_EQ(items.size(), 203u) << saved;
    EXPECT_EQ(items[77], std::to_string(score));
    EXPECT_EQ(items[78], std::to_string(score));
    EXPECT_EQ(items[97], std::to_string(4 * score + 5 * score)) << "the table's checksum";
    int menuUpdates = 1;
    while (app->GameOverTimer > 0 && menuUpdates < 100) {
        Frame();
        ++menuUpdates;
    }
    EXPECT_EQ(menuUpdates, 37);
    EXPECT_EQ(digest.h, kDigest) << "score " << score << ", digest 0x" << std::hex << digest.h;
}
