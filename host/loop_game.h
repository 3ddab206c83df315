// KtLoopGame: the frame loop and its update clock, over a few platform primitives.
//
// The GLFW host and the test host both derive from it, so the pacing the tests check on a fake
// clock is the very code the real window runs. One iteration: render, swap, sleep until the next
// update is due, pump events (blocking while suspended), suspend or resume as the focus says,
// then up to 4 catch-up updates at the game's rate; after 4 without catching up the backlog is
// dropped, so a slow machine runs the game slower instead of skipping ahead. Rate 0 runs one
// update per rendered frame.
#pragma once

#include "host/ktgame.h"

class KtLoopGame : public KtGame {
public:
    // Every rate change restarts the update clock (the next update is due at once).
    void SetUpdateRate(int hz) override;
    // The event and focus step of one iteration.
    virtual void UpdateEvents();
    // One iteration of the loop.
    void RunFrame();
    // Iterations until the window is closed.
    void RunFrames();

    // Host clock time (seconds) at which the next update is due; 0 while the clock is stopped.
    double NextUpdate() const { return nextUpdate; }

protected:
    // Platform primitives. Time is in seconds on a clock that never reads 0 once running.
    virtual double LoopTime() = 0;
    virtual void SleepUntil(double time) = 0;
    // Delivers pending window events through the input callbacks; with `wait`, blocks until at
    // least one arrives.
    virtual void PumpEvents(bool wait) = 0;
    virtual void SwapBuffers() = 0;
    virtual bool WindowOpen() = 0;
    // Focused and not iconified.
    virtual bool WindowActive() = 0;

    double updatePeriod = 0;
    double nextUpdate = 0;
};
