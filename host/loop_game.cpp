// The frame loop and its update clock.

#include "host/loop_game.h"

// ---------------------------------------------------------------------------------------------
// Globals

namespace {

// Catch-up updates per rendered frame before the backlog is dropped.
constexpr int kMaxCatchUp = 4;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Functions

void KtLoopGame::SetUpdateRate(int hz) {
    updateRate = hz;
    if (hz != 0) updatePeriod = 1.0 / hz;
    nextUpdate = 0;
}

void KtLoopGame::UpdateEvents() {
    PumpEvents(suspended);
    if (WindowActive()) {
        if (suspended) {
            ResumeGame();
            nextUpdate = 0;
        }
    } else if (!suspended) {
        SuspendGame();
        nextUpdate = 0;
    }
}

void KtLoopGame::RunFrame() {
    RenderGame();
    SwapBuffers();
    if (nextUpdate != 0 && nextUpdate - LoopTime() > 0) SleepUntil(nextUpdate);
    UpdateEvents();
    if (suspended) return;
    if (updateRate == 0) {
        UpdateGame();
        return;
    }
    if (nextUpdate == 0) nextUpdate = LoopTime();
    for (int i = 0; i < kMaxCatchUp; ++i) {
        UpdateGame();
        // The update changed the rate or otherwise restarted the clock.
        if (nextUpdate == 0) return;
        nextUpdate += updatePeriod;
        if (nextUpdate > LoopTime()) return;
    }
    nextUpdate = 0;
}

void KtLoopGame::RunFrames() {
    while (WindowOpen()) RunFrame();
}
