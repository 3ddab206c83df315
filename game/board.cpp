// The board game: the random generator, the deal, the die, the piece's steps and the landings.
//
// Determinism: every random draw is one step of the one global generator, and the draws happen
// in a fixed order within an update (the cards in column order, then the throw, the tumble, the
// rattle). All arithmetic is 32-bit float with float constants, and the library is built
// without fused multiply-adds, so a run seeded with the same clock and driven by the same
// inputs replays identically in every build.
//
// Sections: the random generator; Board geometry, cues and timings; Runs and boards; One
// update of play.

#include <cmath>
#include <cstring>
#include <utility>

#include "game/myapp.h"

unsigned int kt_random_Seed;

namespace {

constexpr unsigned int kRndMultiplier = 1664525u, kRndIncrement = 1013904223u;
constexpr int kSeedWarmUp = 21;

void RndStep() {
    kt_random_Seed = kt_random_Seed * kRndMultiplier + kRndIncrement;
}

}  // namespace

void kt_random_Init() {
    kt_random_Seed = kFixedSeed;
}

float kt_random_Rnd() {
    RndStep();
    // The top 24 bits, exact in a float.
    return static_cast<float>(kt_random_Seed >> 8) * (1.0f / 16777216.0f);
}

float kt_random_Rnd2(float low, float high) {
    return low + (high - low) * kt_random_Rnd();
}

float kt_random_Rnd3(float range) {
    return kt_random_Rnd() * range;
}

int c_MyApp::p_SeedRnd(int seed) {
    if (seed == kSeedFromClock) seed = kt_app_Millisecs();
    kt_random_Seed = static_cast<unsigned int>(seed);
    for (int i = 0; i < kSeedWarmUp; ++i) RndStep();
    return 0;
}

int c_MyApp::p_Rand(float low, float high) {
    return Trunc(std::floor(low + (high + 0.99f - low) * kt_random_Rnd()));
}

// ---------------------------------------------------------------------------------------------
// Board geometry, cues and timings

namespace {

constexpr float kColumnWidth = 32, kRowHeight = 48;
constexpr int kDealDelay = 6;  // updates between the deal of neighbouring diagonals
constexpr float kFaceUp = 180, kDealtTurn = -180, kLandingTurn = 3;
constexpr float kStepPixelsX = 4, kStepPixelsY = 6;
constexpr float kStickPush = 0.3f;
constexpr float kDieEnergy = 120;
constexpr float kPromptY = 128, kDieTop = 64, kDieSideMargin = 100;
constexpr int kLandingWait = 29, kTrapWait = 30;
constexpr int kSafePoints = 10, kSafeBonus = 50, kGoalPoints = 150;

constexpr float kRadiansPerDegree = 3.14159265f / 180.0f;

float BoardX() {
    return kt_Cobble_jscrw * 0.5f - 208;
}

float BoardY() {
    return kt_Cobble_jscrh - 192;
}

float *CellAt(c_MyApp &app, int c, int r) {
    return app.Grid.Data() + (r * Board::Stride + c) * Cell::Size;
}

// How far a settled, freshly dealt card turns towards face down per update.
float FaceDownStep(int difficulty) {
    if (difficulty <= 1) return kt_random_Rnd2(0.5f, 1.5f);
    if (difficulty == 2) return kt_random_Rnd2(1.0f, 2.5f);
    return kt_random_Rnd2(1.5f, 3.5f);
}

// One card's update: glide, snap, turn and draw.
void UpdateCard(c_MyApp &app, float *p, int c, int r) {
    float *cell = CellAt(app, c, r);
    if (p[Player::Clearing] == 0) {
        cell[Cell::TargetX] = BoardX() + kColumnWidth * static_cast<float>(c);
        cell[Cell::TargetY] = BoardY() + kRowHeight * static_cast<float>(r);
    } else {
        cell[Cell::TargetX] = BoardX() + kColumnWidth * static_cast<float>(c) - 128;
        cell[Cell::TargetY] = kt_Cobble_jscrh + 64;
    }

    cell[Cell::Delay] -= 1;
    if (cell[Cell::Delay] < 1) {
        cell[Cell::X] -= (cell[Cell::X] - cell[Cell::TargetX]) / (kt_random_Rnd() * 7 + 5);
        cell[Cell::Y] -= (cell[Cell::Y] - cell[Cell::TargetY]) / (kt_random_Rnd() * 7 + 5);
    }
    if (std::fabs(cell[Cell::X] - cell[Cell::TargetX]) < 2) cell[Cell::X] = cell[Cell::TargetX];
    if (std::fabs(cell[Cell::Y] - cell[Cell::TargetY]) < 2) cell[Cell::Y] = cell[Cell::TargetY];

    float &turn = cell[Cell::Turn];
    if (std::fabs(cell[Cell::X] - cell[Cell::TargetX]) > 1 ||
        std::fabs(cell[Cell::Y] - cell[Cell::TargetY]) > 1) {
        p[Player::CardsMoving] = 1;
    } else if (turn < 0) {
        turn = std::fmod(turn + FaceDownStep(app.Difficulty), 360.0f);
        if (turn > 0) turn = 0;
    } else if (turn > 0) {
        turn = std::fmod(turn + kt_random_Rnd2(7.5f, 12.5f), 360.0f);
        if (turn > kFaceUp) turn = kFaceUp;
    }

    // The turn is shown by squeezing the card's width; edge-on (exactly 90) draws nothing.
    float a = std::fabs(turn);
    if (turn > -90 && turn < 90) {
        app.p_SetSize(std::cos(a * kRadiansPerDegree), 1);
        app.p_DrawImg(Img::Cards, cell[Cell::X], cell[Cell::Y], 0);
    } else if (turn < -90 || turn > 90) {
        app.p_SetSize(std::cos((a + 180) * kRadiansPerDegree), 1);
        app.p_DrawImg(Img::Cards, cell[Cell::X], cell[Cell::Y], cell[Cell::Face]);
    }
}

void Throw(c_MyApp &app, float *p) {
    p[Player::Phase] = Phase::Tumbling;
    p[Player::DieX] = kt_Cobble_jscrw * 0.5f;
    p[Player::DieY] = kPromptY;
    p[Player::DieEnergy] = kDieEnergy;
    p[Player::DieAngle] = kt_random_Rnd() * 360;
    p[Player::Pips] = static_cast<float>(app.p_Rand(1, 6));
}

// One update of the tumbling die: it bounces off the walls around the prompt area, spins,
// changes its face and loses energy; a rattle now and then.
void Tumble(c_MyApp &app, float *p) {
    float e = p[Player::DieEnergy];
    p[Player::DieX] += p[Player::DieVX];
    if (kt_random_Rnd() * 10 < 5) p[Player::DieVX] = kt_random_Rnd2(-e / 4, e / 4);
    p[Player::DieY] += p[Player::DieVY];
    if (kt_random_Rnd() * 10 < 5) p[Player::DieVY] = kt_random_Rnd2(-e / 4, e / 4);

    if (p[Player::DieY] < kDieTop) {
        p[Player::DieY] = kDieTop;
        p[Player::DieVY] = kt_random_Rnd() * e / 4;
    }
    if (p[Player::DieY] > BoardY() - 32) {
        p[Player::DieY] = BoardY() - 32;
        p[Player::DieVY] = kt_random_Rnd2(-e / 4, 0);
    }
    if (p[Player::DieX] < kDieSideMargin) {
        p[Player::DieX] = kDieSideMargin;
        p[Player::DieVX] = kt_random_Rnd() * e / 4;
    }
    if (p[Player::DieX] > kt_Cobble_jscrw - kDieSideMargin) {
        p[Player::DieX] = kt_Cobble_jscrw - kDieSideMargin;
        p[Player::DieVX] = kt_random_Rnd2(-e / 4, 0);
    }

    float spin = static_cast<float>(app.p_Rand(-0.1f * e, 0.1f * e));
    p[Player::DieAngle] = std::fmod(p[Player::DieAngle] + spin, 360.0f);
    if (kt_random_Rnd() * 10 < 5) p[Player::Pips] = static_cast<float>(app.p_Rand(1, 6));
    p[Player::DieEnergy] = e - kt_random_Rnd2(1.5f, 3.5f);
    if (kt_random_Rnd() * 10 < 1) {
        // The rate is drawn before the cue.
        float rate = 0.7f + kt_random_Rnd() * 0.7f;
        int cue = app.p_Rand(Sfx::RattleFirst, Sfx::RattleLast);
        app.p_PlaySFX(cue, rate, 1, 0);
    }
    if (p[Player::DieEnergy] < 0) p[Player::Phase] = Phase::Stepping;
    p[Player::StepLatch] = 1;
    p[Player::StepX] = p[Player::StepY] = 0;
}

// Starts at most one step per update, in the order left, up, right, down. The piece never
// steps back onto START, and only "right" leaves it.
void StartStep(c_MyApp &app, float *p) {
    if (p[Player::StepLatch] != 0 || p[Player::Pips] <= 0) return;
    float col = p[Player::Col], row = p[Player::Row];
    auto idle = [p] { return p[Player::StepX] == 0 && p[Player::StepY] == 0; };
    auto start = [&app, p](int index, float direction) {
        p[index] = direction;
        p[Player::Pips] -= 1;
        app.p_PlaySFX(Sfx::Click, 1, 1, 0);
    };
    if (idle() && app.StickX < -kStickPush && col > 0) start(Player::StepX, -1);
    if (idle() && app.StickY < -kStickPush && col > Board::Start && row > 0) {
        start(Player::StepY, -1);
    }
    if (idle() && app.StickX > kStickPush && col < Board::Goal) start(Player::StepX, 1);
    if (idle() && app.StickY > kStickPush && col > Board::Start && row < Board::Rows - 1) {
        start(Player::StepY, 1);
    }
}

// Moves a step in progress by `speed` pixels; a step of `length` pixels moves the piece by one
// in `position`.
void AnimateStep(float *p, int step, int position, float speed, float length) {
    if (p[step] < 0) {
        p[Player::StepLatch] = 1;
        p[step] -= speed;
        if (p[step] < -length) {
            p[step] = 0;
            p[position] -= 1;
        }
    } else if (p[step] > 0) {
        p[Player::StepLatch] = 1;
        p[step] += speed;
        if (p[step] > length) {
            p[step] = 0;
            p[position] += 1;
        }
    }
}

void Step(c_MyApp &app, float *p) {
    StartStep(app, p);
    AnimateStep(p, Player::StepX, Player::Col, kStepPixelsX, kColumnWidth);
    AnimateStep(p, Player::StepY, Player::Row, kStepPixelsY, kRowHeight);
    if (p[Player::Pips] < 1 && p[Player::StepX] == 0 && p[Player::StepY] == 0) {
        p[Player::Phase] = Phase::Landing;
    }
    // A new step needs the control released and pushed again: holding it spends one pip.
    if (std::fabs(app.StickX) < kStickPush && std::fabs(app.StickY) < kStickPush &&
        app.PointerDown == 0) {
        p[Player::StepLatch] = 0;
    }
    p[Player::FreshReveal] = 0;
}

// The card under the piece: a face-down card turns up first (+10) and is resolved 29 updates
// later; any other card (still turning down after the deal, or known) is resolved at once.
void Land(c_MyApp &app, float *p) {
    int c = Trunc(p[Player::Col]), r = Trunc(p[Player::Row]);
    if (c < 0 || c >= Board::Columns || r < 0 || r >= Board::Rows) return;
    float *cell = CellAt(app, c, r);
    if (cell[Cell::Turn] == 0) {
        app.Score += kSafePoints;
        cell[Cell::Turn] = kLandingTurn;
        p[Player::FreshReveal] = 1;
        p[Player::Wait] = kLandingWait;
        return;
    }
    p[Player::Wait] -= 1;
    if (p[Player::Wait] >= 1) return;
    if (cell[Cell::Face] < CardFace::FirstTrap) {
        p[Player::Phase] = Phase::Throw;
        app.p_PlaySFX(Sfx::Safe, 1, 1, 0);
        if (p[Player::FreshReveal] == 1) app.Score += kSafeBonus;
        return;
    }
    app.p_PlaySFX(Sfx::Trap, 1, 1, 0);
    p[Player::Lives] -= 1;
    if (p[Player::Lives] < 1) {
        app.p_StopTune();
        app.p_PlaySFX(Sfx::LastLife, 1, 1, 0);
    }
    p[Player::Phase] = Phase::Trapped;
    p[Player::Wait] = kTrapWait;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Runs and boards

int c_MyApp::p_LoadGame() {
    Mode = Screen::Game;
    p_PlayTune(String(manifest::kTune), 1);
    p_FlushGame();
    p_Redeal();
    Player[Player::Lives] = static_cast<float>(7 - 2 * Difficulty);
    RenderPhase = UpdatePhase = MillisFraction = 0;
    return 0;
}

int c_MyApp::p_FlushGame() {
    p_ResetObj();
    p_ResetGrid();
    p_SeedRnd(kt_app_Millisecs());
    p_ResetPlayers();
    Paused = 0;
    // The shown score restarts with the score, so a new run does not roll down from the last.
    Score = ShownScore = 0;
    GameOverFlag = GameOverTimer = QuitFlag = 0;
    return 0;
}

// All bits zero is 0.0f; memset keeps the 20 MB board cheap in unoptimised builds too.
int c_MyApp::p_ResetObj() {
    std::memset(Obj.Data(), 0, sizeof(float) * static_cast<size_t>(Obj.Length()));
    return 0;
}

// Only the board's four rows are ever read or written, so clearing them clears the board; the
// rest of the 20 MB table is never touched and its pages are never faulted in.
int c_MyApp::p_ResetGrid() {
    std::memset(Grid.Data(), 0, sizeof(float) * Board::Rows * Board::Stride * Cell::Size);
    return 0;
}

int c_MyApp::p_ResetPlayers() {
    std::memset(Player.Data(), 0, sizeof(float) * static_cast<size_t>(Player.Length()));
    return 0;
}

// Deck entries 0..3 never move, so column 0 always holds four safe cards. The face is drawn
// for every cell, trap or not, which keeps the number of draws per deal fixed.
int c_MyApp::p_Redeal() {
    float *deck = Obj.Data();
    for (int i = 0; i < Board::Cards; ++i) deck[i] = static_cast<float>(i);
    for (int i = 4; i < Board::Cards; ++i) {
        int j = p_Rand(4, Board::Cards - 1);
        std::swap(deck[i], deck[j]);
    }
    int k = 0;
    for (int c = 0; c < Board::Columns; ++c) {
        for (int r = 0; r < Board::Rows; ++r) {
            float *cell = CellAt(*this, c, r);
            int card = Trunc(deck[k++]);
            cell[Cell::Card] = static_cast<float>(card);
            cell[Cell::TargetX] = BoardX() + kColumnWidth * static_cast<float>(c);
            cell[Cell::TargetY] = BoardY() + kRowHeight * static_cast<float>(r);
            cell[Cell::Turn] = kDealtTurn;
            cell[Cell::X] = kt_Cobble_jscrw * 0.5f;
            cell[Cell::Y] = kt_Cobble_jscrh + 64;
            cell[Cell::Delay] = static_cast<float>((r + c) * kDealDelay);
            cell[Cell::Face] =
                static_cast<float>(p_Rand(CardFace::FirstSafe, CardFace::FirstTrap - 1));
            if (card >= Board::FirstTrap) {
                cell[Cell::Face] = static_cast<float>(CardFace::FirstTrap + card % 4);
            }
        }
    }
    Player[Player::CardsMoving] = 1;
    Player[Player::Clearing] = 0;
    p_Reseat();
    return 0;
}

// A pending game over (the last life lost, its pause still running) keeps its phase: the board
// can clear and be redealt during that pause, and the run must still end.
int c_MyApp::p_Reseat() {
    float *p = Player.Data();
    p[Player::Col] = Board::Start;
    p[Player::Row] = static_cast<float>(p_Rand(0, Board::Rows - 1));
    p[Player::StepX] = p[Player::StepY] = 0;
    if (p[Player::Phase] != Phase::Trapped || p[Player::Lives] >= 1) {
        p[Player::Phase] = Phase::Throw;
    }
    p[Player::Pips] = 0;
    p[Player::DieX] = p[Player::DieY] = -100;
    p[Player::CardsMoving] = 1;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// One update of play

int c_MyApp::p_Game() {
    float *p = Player.Data();
    p_DoBG(0, 40, 80, kKeepValue);
    p_AnalogueControl();

    p_SetSize(4, 4);
    p_SetCol(255, 255, 255, 1);
    p_SetRot(-90);
    p_Text(BoardX() - 48, kt_Cobble_jscrh - 120, String("START"), 1, 1, 0);
    p_SetRot(90);
    p_Text(BoardX() + 432, kt_Cobble_jscrh - 120, String("GOAL"), 1, 1, 0);
    p_ResetDraw();
    p[Player::CardsMoving] = 0;

    for (int c = 0; c < Board::Columns; ++c) {
        for (int r = 0; r < Board::Rows; ++r) UpdateCard(*this, p, c, r);
    }
    if (p[Player::Clearing] == 1 && p[Player::CardsMoving] == 0) p_Redeal();

    p_ResetDraw();
    p_SetSize(0.5f, 0.5f);
    // The piece blinks while steps are being spent.
    if (p[Player::Phase] == Phase::Stepping && kt_app_Millisecs() % 500 < 250) p_Alpha(0.5f);
    p_DrawImg(Img::Gfx, BoardX() + kColumnWidth * p[Player::Col] + p[Player::StepX] + 8,
              BoardY() + kRowHeight * p[Player::Row] + p[Player::StepY] + 12, 0);

    // The die, off screen after a reseat; frame 4 shows no pips.
    p_Alpha(1);
    p_SetSize(1, 1);
    p_SetRot(p[Player::DieAngle]);
    p_DrawImg(Img::Gfx, p[Player::DieX], p[Player::DieY],
              static_cast<float>(Trunc(p[Player::Pips] + 4)));

    p_ResetDraw();
    if (p[Player::Phase] == Phase::Throw && p[Player::CardsMoving] == 0) {
        p_SetSize(3, 3);
        p_Text(kt_Cobble_jscrw * 0.5f, kPromptY, String("Roll The Dice"), 1, 1, 0);
        p_ResetDraw();
        if (p_PlayKey(Action::Button1, 1, 0) || p_PlayKey(Action::Button2, 1, 0)) Throw(*this, p);
    }
    if (p[Player::Phase] == Phase::Tumbling) Tumble(*this, p);
    if (p[Player::Phase] == Phase::Stepping) Step(*this, p);
    if (p[Player::Phase] == Phase::Landing) Land(*this, p);

    if (p[Player::Col] == Board::Goal && p[Player::Clearing] == 0) {
        p_PlaySFX(Sfx::Goal, 1, 1, 0);
        Score += kGoalPoints;
        p[Player::Clearing] = 1;
    }

    if (p[Player::Phase] == Phase::Trapped) {
        p[Player::Wait] -= 1;
        if (p[Player::Wait] < 1) {
            if (p[Player::Lives] > 0) p_Reseat();
            if (p[Player::Lives] < 1) GameOverFlag = 1;
        }
    }

    p_ResetDraw();
    p_ScoreDisplay();
    return 0;
}

int c_MyApp::p_InGame() {
    p_ResetDraw();
    int pause = 0;
    for (int c = 0; c < 4; ++c) pause += p_PlayKey(Action::Back, 1, c);
    if (pause == 0 && kt_Cobble_isOuya == 1) {
        for (int c = 0; c < 4; ++c) pause += p_PlayKey(Action::Button4, 1, c);
    }
    if (pause > 0 && Paused == 0 && KeyLatch == 0) {
        KeyLatch = 1;
        Paused = 1;
        PauseCursor = 1;
        PauseChoice = 0;
        p_PlaySFX(Sfx::Confirm, 1, 0.5f, 0);
    }

    if (HudToggle == 0) {
        if (ControlKind != 2) p_Alpha(0.2f);
        if (p_Button(Img::Icons, 16, 16, 0) && Paused == 0) {
            Paused = 1;
            PauseCursor = 1;
            PressLock = 1;
            PauseChoice = 0;
            p_PlaySFX(Sfx::Confirm, 1, 0.5f, 0);
        }
        p_Alpha(1);
    }
    if (Paused == 1) p_PauseMenu();
    return 0;
}
