// The autoplay soak: one c_MyApp on the soak host, played run after run from the menu by a
// scripted player, with the game's invariants checked after every update.
//
// Invariants (a violation prints the seed, the run, the update and the state, and exits 1):
//  - Deal: while a run is on the board, the 52 cells of columns 0..12, rows 0..3 hold each card
//    value 0..51 exactly once; column 0 holds the values 0..3; exactly 26 cells hold a trap
//    (value >= 26), and a trap's face is 8 + value mod 4, a safe card's face 4..7.
//  - Lives: start at 7 - 2 x Difficulty and never rise within a run (so never within a board);
//    each fall is by exactly 1, in an update that resolves a landing on a trap face under the
//    piece.
//  - Score: Score = 10 T + 50 S + 150 G at the end of every update, counted from observed state
//    changes: T cards turned up by a landing (a cell whose Turn was exactly 0 after the previous
//    update and is above 0 now; it must be the cell under the piece), S landings resolved safe
//    on a card that same landing turned up (the phase goes Landing -> Throw with the piece still
//    on that cell and its face 4..7), G goals (Clearing goes 0 -> 1, with the piece on GOAL).
//    0 <= ShownScore <= Score. At the run's end the score is the newest entry of the last list
//    of its game type.
//  - Draw list: after every update DrawCount is a multiple of 15 and below 37485, i.e. fewer
//    than the 2499 records the list can take, so no append was refused (the list refuses
//    appends only once it is full).
//  - The piece and turn stay in range: Phase in {0, 1, 2, 3, 5}, Col -1..13, Row 0..3.
#pragma once

#include <cstdio>
#include <functional>
#include <vector>

#include "game/myapp.h"
#include "tools/autoplay/soak_host.h"

struct SoakOptions {
    int runs = 300;
    std::vector<int> types{1, 2, 3};  // Difficulty values, played round-robin
    unsigned seed = 1;
    bool torture = false;
    long long maxRunUpdates = 400000;  // a run longer than this is reported as hung
};

struct SoakRun {
    int difficulty, score, boards, goals, turned, updates;
};

class Soak {
public:
    explicit Soak(const SoakOptions &options);
    // Starts the game (ktInit, c_MyApp, create hook) and waits for the menu.
    void Start();
    // Plays the requested runs; returns false only if the menu never started one.
    void Play();

    SoakHost host;
    c_MyApp *app = nullptr;
    std::vector<SoakRun> runs;
    int menuFallbacks = 0;    // runs started by setting the menu's fields, keys having failed
    int maxRecords[12] = {};  // most records after one update, by Mode
    int maxRecordsLoading = 0;
    // Called after each finished run (with the number of runs so far).
    std::function<void(size_t)> afterRun;

private:
    // The player.
    void Decide();
    void MenuInput();
    void BoardInput();
    void Plan();
    void Hold(int key);
    void ReleaseAll();
    void Tap(int key);

    // The checker, after every update.
    void Check();
    void StartRun();
    void CheckDeal();
    [[noreturn]] void Fail(const char *what);

    float Cell(int c, int r, int field) const {
        return app->Grid[(r * Board::Stride + c) * Cell::Size + field];
    }
    float P(int index) const { return app->Player[index]; }

    SoakOptions options;
    // Player state.
    int held = 0;        // the GLFW key held down, 0 for none
    int heldFrames = 0;  // frames it has been held
    bool tapRelease = false;
    int menuWait = 0;  // updates spent in the menu since the last run
    int pipsAtPress = 0;
    std::vector<int> moves;  // 0 left, 1 up, 2 right, 3 down
    size_t nextMove = 0;
    int memory[Board::Columns][Board::Rows] = {};  // 0 unknown, 1 safe, 2 trap
    long long memoryDeal = -1;
    long long dealSerial = 0;  // deals since start, across runs

    // Checker state.
    bool inRun = false;
    int prevMode = 0;
    float prevTurn[Board::Columns][Board::Rows] = {};
    int prevPhase = 0, prevClearing = 0, prevLives = 0, prevCol = 0, prevRow = 0;
    int freshC = -1, freshR = -1;
    long long runUpdates = 0;
    int turned = 0, freshSafe = 0, goals = 0, deals = 0;
    int finalScore = 0, finalDifficulty = 0;
    bool awaitingTable = false;
};
