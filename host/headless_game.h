// KtHeadlessGame: a windowless host that runs the game in-process, for the test host and the
// autoplay soak alike.
//
// It runs the real frame loop (KtLoopGame) on a fake clock that moves only when a caller advances
// it or the loop sleeps, so a run does not depend on the machine's speed. Scripted window events
// wait in a queue until the loop pumps events and then go through the real input mapping
// (host/keys.h). The state file lives in memory; data paths resolve like the real host's.
#pragma once

#include <GLFW/glfw3.h>

#include <deque>
#include <functional>
#include <set>
#include <utility>

#include "host/data.h"
#include "host/keys.h"
#include "host/loop_game.h"

class KtHeadlessGame : public KtLoopGame {
public:
    // The clock starts at `startSeconds`, away from 0, which the loop reserves for "not running".
    explicit KtHeadlessGame(double startSeconds = 1.0) : now(startSeconds) {}
    ~KtHeadlessGame() override {
        if (installed) KtGame::_game = previousGame;
    }
    // Makes this the process's game (KtGame::_game) until it is destroyed.
    void Install() {
        if (!installed) previousGame = KtGame::_game;
        installed = true;
        KtGame::_game = this;
    }

    double Now() const { return now; }
    void Advance(double seconds) { now += seconds; }
    int Millisecs() override { return static_cast<int>(now * 1000.0); }

    int SaveState(String text) override {
        state = text;
        return 0;
    }
    String LoadState() override { return state; }
    String PathToFilePath(String path) override {
        return kt_data_ResolvePath(path, appPath, internalPath);
    }

    // A GLFW 3 key action, delivered at the next event pump.
    void ScriptKey(int key, int action) {
        Post([this, key, action] {
            if (action == GLFW_RELEASE) {
                heldKeys.erase(key);
            } else {
                heldKeys.insert(key);
            }
            OnKey(this, key, action);
        });
    }

protected:
    // Queues a window event for the next pump.
    void Post(std::function<void()> event) { pending.push_back(std::move(event)); }
    // Events queued while delivering wait for the next pump, as on a real queue.
    void PumpEvents(bool) override {
        std::deque<std::function<void()>> batch;
        batch.swap(pending);
        for (auto &event : batch) event();
    }
    double LoopTime() override { return now; }
    void SleepUntil(double time) override {
        if (time > now) now = time;
    }
    void SwapBuffers() override {}
    bool WindowOpen() override { return true; }
    bool WindowActive() override { return true; }

    double now;
    std::set<int> heldKeys;  // GLFW keys pressed and not yet released

private:
    std::deque<std::function<void()>> pending;
    String state, appPath, internalPath;  // appPath empty: the executable's directory
    KtGame *previousGame = nullptr;
    bool installed = false;
};
