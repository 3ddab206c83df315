// The autoplay soak: the player and the checker.

#include "tools/autoplay/soak.h"

#include <GLFW/glfw3.h>

#include <cstdlib>
#include <cstring>

#include "host/glfw_game.h"

namespace {

constexpr int kDirectionKeys[4] = {GLFW_KEY_LEFT, GLFW_KEY_UP, GLFW_KEY_RIGHT, GLFW_KEY_DOWN};
// A key held this long without the game acting on it means the player misjudged the state.
constexpr int kHoldLimit = 60;
// Updates in the menu before the player gives up on keys and sets the menu's fields.
constexpr int kMenuPatience = 3000;

}  // namespace

Soak::Soak(const SoakOptions &opts) : host(1.0 + opts.seed * 0.001), options(opts) {}

void Soak::Start() {
    host.Install();
    ktInit();
    gc_mark();
    app = (new c_MyApp())->m_new();
    host.StartGame();
    // No OpenGL context: the renderer batches and counts but submits nothing.
    kt_graphics_device->submit = false;
    host.afterUpdate = [this] { Check(); };
    for (int i = 0; i < 200 && app->LoadStage > 0; ++i) host.RunFrame();
    if (app->LoadStage > 0) Fail("the loader did not finish in 200 frames");
    if (options.torture) gc_set_torture(true);
}

void Soak::Play() {
    while (static_cast<int>(runs.size()) < options.runs || awaitingTable) {
        Decide();
        host.RunFrame();
    }
    ReleaseAll();
}

// ---------------------------------------------------------------------------------------------
// The player

void Soak::Hold(int key) {
    if (held == key) {
        ++heldFrames;
        return;
    }
    ReleaseAll();
    host.ScriptKey(key, true);
    held = key;
    heldFrames = 1;
}

void Soak::ReleaseAll() {
    if (held) host.ScriptKey(held, false);
    held = 0;
    heldFrames = 0;
    tapRelease = false;
}

void Soak::Tap(int key) {
    Hold(key);
    tapRelease = true;
}

void Soak::Decide() {
    if (tapRelease) {
        ReleaseAll();
        return;
    }
    if (app->LoadStage > 0) return ReleaseAll();
    if (app->Mode == Screen::Menu) return MenuInput();
    if (app->Mode == Screen::Game && app->GameOverFlag == 0 && app->Paused == 0) {
        return BoardInput();
    }
    ReleaseAll();
}

// Waits for the menu to settle (overlay faded, slide-in done, locks free, wheel at rest), then
// focuses the wheel, turns it to the game type and confirms, one key tap at a time.
void Soak::MenuInput() {
    ReleaseAll();
    int target = options.types[runs.size() % options.types.size()] - 1;
    if (++menuWait > kMenuPatience) {
        ++menuFallbacks;
        app->MenuSel = target;
        app->MenuTarget = -32.0f * static_cast<float>(target);
        app->Difficulty = target + 1;
        app->Mode = Screen::Starting;
        return;
    }
    if (app->GameOverTimer > 0 || app->MenuSlide < 0 || app->KeyLatch || app->PressLock ||
        app->OptionsOpen || app->CreditsOpen || app->MenuShown != app->MenuTarget) {
        return;
    }
    if (app->MenuFocus < 1) return Tap(GLFW_KEY_RIGHT);
    if (app->MenuFocus > 1) return Tap(GLFW_KEY_LEFT);
    if (app->MenuSel > target) return Tap(GLFW_KEY_UP);
    if (app->MenuSel < target) return Tap(GLFW_KEY_DOWN);
    Tap(GLFW_KEY_Z);
}

// Throws at the prompt, then spends the pips one step at a time along the planned path.
void Soak::BoardInput() {
    menuWait = 0;
    int phase = static_cast<int>(P(Player::Phase));
    if (held && heldFrames > kHoldLimit) Fail("the game ignored a held key");
    if (phase == Phase::Throw) {
        moves.clear();
        if (P(Player::CardsMoving) == 0 && P(Player::Clearing) == 0) return Hold(GLFW_KEY_Z);
        return ReleaseAll();
    }
    if (phase != Phase::Stepping) {
        moves.clear();
        return ReleaseAll();
    }
    if (moves.empty()) Plan();
    bool idle = P(Player::StepX) == 0 && P(Player::StepY) == 0;
    if (held) {
        // Hold until the step starts; the game takes one step per push.
        if (!idle || static_cast<int>(P(Player::Pips)) < pipsAtPress) {
            ReleaseAll();
            ++nextMove;
        } else {
            Hold(held);
        }
        return;
    }
    if (idle && P(Player::StepLatch) == 0 && P(Player::Pips) > 0 && nextMove < moves.size()) {
        pipsAtPress = static_cast<int>(P(Player::Pips));
        Hold(kDirectionKeys[moves[nextMove]]);
    }
}

// Chooses the path for the pips thrown. Only the landing cell counts (the piece passes over
// traps freely), and touching GOAL at any step scores the goal. Preference: a path through
// GOAL that ends on it; else the furthest column whose card is not a remembered trap, a
// remembered safe card (column 0 always is) before an unknown one at the same column; a
// remembered trap only when nothing else is reachable.
void Soak::Plan() {
    // Forget the previous board's cards at every new deal.
    if (memoryDeal != dealSerial) {
        std::memset(memory, 0, sizeof memory);
        memoryDeal = dealSerial;
    }
    int n = static_cast<int>(P(Player::Pips));
    int col0 = static_cast<int>(P(Player::Col)), row0 = static_cast<int>(P(Player::Row));
    moves.clear();
    nextMove = 0;
    if (n < 1) return;
    constexpr int kCols = Board::Goal - Board::Start + 1, kRows = Board::Rows, kMaxSteps = 8;
    struct Node {
        bool seen;
        int from;  // index of the previous node in the layer before
        int move;
    };
    // Layer k: the states after k steps; a state is (column, row, touched GOAL).
    static Node layer[kMaxSteps + 1][kCols * kRows * 2];
    if (n > kMaxSteps) Fail("more pips than a die has");
    auto index = [](int c, int r, int g) { return ((c + 1) * kRows + r) * 2 + g; };
    for (int k = 0; k <= n; ++k) {
        for (Node &node : layer[k]) node = Node{false, -1, -1};
    }
    layer[0][index(col0, row0, col0 == Board::Goal)].seen = true;
    for (int k = 0; k < n; ++k) {
        for (int c = -1; c <= Board::Goal; ++c) {
            for (int r = 0; r < kRows; ++r) {
                for (int g = 0; g < 2; ++g) {
                    if (!layer[k][index(c, r, g)].seen) continue;
                    // The game's rules for starting a step, in its order.
                    const bool allowed[4] = {c > 0, c > Board::Start && r > 0,
                                             c<Board::Goal, c> Board::Start && r < kRows - 1};
                    for (int m = 0; m < 4; ++m) {
                        if (!allowed[m]) continue;
                        int nc = c + (m == 2) - (m == 0), nr = r + (m == 3) - (m == 1);
                        int ng = g || nc == Board::Goal;
                        Node &next = layer[k + 1][index(nc, nr, ng)];
                        if (!next.seen) next = Node{true, index(c, r, g), m};
                    }
                }
            }
        }
    }
    int best = -1, bestValue = -1000000;
    for (int c = 0; c <= Board::Goal; ++c) {
        for (int r = 0; r < kRows; ++r) {
            for (int g = 0; g < 2; ++g) {
                int at = index(c, r, g);
                if (!layer[n][at].seen) continue;
                int value;
                if (g && c == Board::Goal) {
                    value = 100000;
                } else if (c == Board::Goal) {
                    value = -1000000;  // cannot happen: ending on GOAL means touching it
                } else {
                    int known = c == 0 ? 1 : memory[c][r];
                    value = known == 2 ? -10000 + c : c * 10 + (known == 1 ? 5 : 0);
                }
                if (value > bestValue) {
                    bestValue = value;
                    best = at;
                }
            }
        }
    }
    if (best < 0) Fail("no path spends the pips");
    moves.assign(n, 0);
    for (int k = n, at = best; k > 0; --k) {
        moves[k - 1] = layer[k][at].move;
        at = layer[k][at].from;
    }
}

// ---------------------------------------------------------------------------------------------
// The checker

void Soak::Fail(const char *what) {
    std::printf("FAIL: %s\n", what);
    std::printf("  seed %u, run %zu, update %lld (update %lld of the run)\n", options.seed,
                runs.size() + 1, host.updates, runUpdates);
    if (app) {
        std::printf(
            "  Mode %d Difficulty %d LoadStage %d Paused %d GameOverFlag %d GameOverTimer %d\n",
            app->Mode, app->Difficulty, app->LoadStage, app->Paused, app->GameOverFlag,
            app->GameOverTimer);
        std::printf("  Phase %g Col %g Row %g StepX %g StepY %g Pips %g Wait %g Lives %g\n",
                    P(Player::Phase), P(Player::Col), P(Player::Row), P(Player::StepX),
                    P(Player::StepY), P(Player::Pips), P(Player::Wait), P(Player::Lives));
        std::printf("  Clearing %g CardsMoving %g FreshReveal %g\n", P(Player::Clearing),
                    P(Player::CardsMoving), P(Player::FreshReveal));
        std::printf("  Score %d ShownScore %d expected %d (turned %d, fresh safe %d, goals %d)\n",
                    app->Score, app->ShownScore, 10 * turned + 50 * freshSafe + 150 * goals, turned,
                    freshSafe, goals);
        std::printf("  DrawCount %d (%d records), deals this run %d\n", app->DrawCount,
                    app->DrawCount / Rec::Size, deals);
        if (app->Mode == Screen::Game) {
            for (int r = 0; r < Board::Rows; ++r) {
                std::printf("  row %d:", r);
                for (int c = 0; c < Board::Columns; ++c) {
                    std::printf(" %2g/%g/%g", Cell(c, r, Cell::Card), Cell(c, r, Cell::Face),
                                Cell(c, r, Cell::Turn));
                }
                std::printf("\n");
            }
        }
    }
    std::fflush(stdout);
    std::_Exit(1);
}

void Soak::CheckDeal() {
    bool seen[Board::Cards] = {};
    int traps = 0;
    for (int c = 0; c < Board::Columns; ++c) {
        for (int r = 0; r < Board::Rows; ++r) {
            float card = Cell(c, r, Cell::Card), face = Cell(c, r, Cell::Face);
            int v = static_cast<int>(card);
            if (card != static_cast<float>(v) || v < 0 || v >= Board::Cards || seen[v]) {
                Fail("the deal does not hold each card value 0..51 once");
            }
            seen[v] = true;
            if (c == 0 && v >= 4) Fail("column 0 holds a card other than 0..3");
            if (v >= Board::FirstTrap) {
                ++traps;
                if (face != static_cast<float>(CardFace::FirstTrap + v % 4))
                    Fail("a trap's face is wrong");
            } else if (face < 4 || face > 7 || face != static_cast<float>(static_cast<int>(face))) {
                Fail("a safe card's face is not 4..7");
            }
        }
    }
    if (traps != 26) Fail("a deal without exactly 26 traps");
}

void Soak::StartRun() {
    inRun = true;
    runUpdates = 0;
    turned = freshSafe = goals = 0;
    deals = 1;
    ++dealSerial;
    freshC = freshR = -1;
    if (app->Score != 0) Fail("a run starts with a score");
    if (P(Player::Lives) != static_cast<float>(7 - 2 * app->Difficulty)) {
        Fail("a run starts with the wrong number of lives");
    }
}

void Soak::Check() {
    int mode = app->Mode;
    // The draw list, every update.
    if (app->DrawCount < 0 || app->DrawCount % Rec::Size != 0) Fail("DrawCount off the grid");
    int records = app->DrawCount / Rec::Size;
    if (app->DrawCount > Rec::LastStart) Fail("the draw list filled up: appends may be lost");
    if (app->LoadStage > 0) {
        if (records > maxRecordsLoading) maxRecordsLoading = records;
    } else if (mode >= 0 && mode < 12 && records > maxRecords[mode]) {
        maxRecords[mode] = records;
    }

    if (mode == Screen::Game) {
        if (!inRun) StartRun();
        ++runUpdates;
        if (runUpdates > options.maxRunUpdates) Fail("the run did not end");
        CheckDeal();
        int phase = static_cast<int>(P(Player::Phase));
        int col = static_cast<int>(P(Player::Col)), row = static_cast<int>(P(Player::Row));
        int clearing = static_cast<int>(P(Player::Clearing));
        int lives = static_cast<int>(P(Player::Lives));
        if (P(Player::Phase) != static_cast<float>(phase) || phase == 4 || phase < 0 || phase > 5) {
            Fail("Phase out of range");
        }
        if (col < Board::Start || col > Board::Goal || row < 0 || row >= Board::Rows) {
            Fail("the piece is off the board");
        }
        if (lives < 0) Fail("negative lives");
        if (runUpdates > 1) {
            if (prevClearing == 1 && clearing == 0) {
                ++deals;
                ++dealSerial;
                freshC = freshR = -1;
            }
            for (int c = 0; c < Board::Columns; ++c) {
                for (int r = 0; r < Board::Rows; ++r) {
                    // Only a landing turns a card face up. The card may have finished turning
                    // face down earlier in that same update, so it was face down or still
                    // turning (at most 0) after the update before.
                    if (prevTurn[c][r] <= 0 && Cell(c, r, Cell::Turn) > 0) {
                        if (c != col || r != row) Fail("a card turned up away from the piece");
                        ++turned;
                        freshC = c;
                        freshR = r;
                    }
                }
            }
            if (prevClearing == 0 && clearing == 1) {
                if (col != Board::Goal) Fail("the board clears with the piece off GOAL");
                ++goals;
            }
            bool onCard = col >= 0 && col < Board::Columns;
            if (prevPhase == Phase::Landing && phase == Phase::Throw && col == prevCol &&
                row == prevRow && onCard) {
                bool safe = Cell(col, row, Cell::Face) < CardFace::FirstTrap;
                if (!safe) Fail("a landing on a trap resolved as safe");
                if (freshC == col && freshR == row) ++freshSafe;
                if (memoryDeal == dealSerial) memory[col][row] = 1;
            }
            if (lives > prevLives) Fail("lives rose");
            if (lives < prevLives) {
                if (lives != prevLives - 1) Fail("more than one life lost at once");
                if (!onCard || Cell(col, row, Cell::Face) < CardFace::FirstTrap) {
                    Fail("a life lost without a trap under the piece");
                }
                if (memoryDeal == dealSerial) memory[col][row] = 2;
            }
            if (phase != Phase::Landing) freshC = freshR = -1;
        }
        int expected = 10 * turned + 50 * freshSafe + 150 * goals;
        if (app->Score != expected) Fail("the score is not 10/turned + 50/fresh safe + 150/goal");
        if (app->ShownScore < 0 || app->ShownScore > app->Score) Fail("ShownScore out of range");
        for (int c = 0; c < Board::Columns; ++c) {
            for (int r = 0; r < Board::Rows; ++r) prevTurn[c][r] = Cell(c, r, Cell::Turn);
        }
        prevPhase = phase;
        prevClearing = clearing;
        prevLives = lives;
        prevCol = col;
        prevRow = row;
        finalScore = app->Score;
        finalDifficulty = app->Difficulty;
    } else if (inRun) {
        inRun = false;
        if (mode != Screen::BackToMenu && mode != Screen::Menu) Fail("a run left the board oddly");
        if (app->Score != finalScore) Fail("the score changed as the run ended");
        runs.push_back(SoakRun{finalDifficulty, finalScore, deals, goals, turned,
                               static_cast<int>(runUpdates)});
        awaitingTable = true;
        if (afterRun) afterRun(runs.size());
    }
    if (awaitingTable && mode == Screen::Menu) {
        awaitingTable = false;
        int t = finalDifficulty - 1;
        if (app->Highscores[30 + t * 10] != finalScore) {
            Fail("the run's score is not the newest entry of its last list");
        }
    }
    prevMode = mode;
}
