// SoakHost: a minimal in-process host for playing the real game at full speed.
//
// It runs the real frame loop (KtLoopGame) on a fake clock that moves only when the loop sleeps,
// so every RunFrame is one render and exactly one update, however fast the machine is. Keys go
// through the real input mapping (host/keys.h). The state file lives in memory. Images and sounds
// are decoded from the data/ directory beside the executable like the real host does.
//
// It times every collector step (the host runs one after each call into the game) in thread CPU
// time, and calls `afterUpdate` after each update and its collector step, so a checker sees the
// state every update produced. Independent of the test kit: tools build without the tests.
#pragma once

#include <functional>

#include "host/loop_game.h"

class SoakHost : public KtLoopGame {
public:
    // The fake clock starts at `startSeconds` (not 0, which the loop reserves).
    explicit SoakHost(double startSeconds) : now(startSeconds) {}
    ~SoakHost() override;
    // Makes this the process's game (KtGame::_game) until it is destroyed.
    void Install();

    int Millisecs() override { return static_cast<int>(now * 1000.0); }
    int GetDeviceWidth() override { return 640; }
    int GetDeviceHeight() override { return 480; }
    int SaveState(String text) override {
        state = text;
        return 0;
    }
    String LoadState() override { return state; }
    String PathToFilePath(String path) override;
    unsigned char *LoadImageData(String path, int *width, int *height, int *depth) override;
    unsigned char *LoadAudioData(String path, int *length, int *channels, int *format,
                                 int *hertz) override;
    [[noreturn]] void Die(ThrowableObject *exception) override;

    // One collector step, timed.
    void gc_collect() override;
    void UpdateGame() override;

    // GLFW 3 key press (true) or release, delivered at the next event pump.
    void ScriptKey(int key, bool down);

    std::function<void()> afterUpdate;
    long long updates = 0;
    // Collector steps: count, total and worst thread CPU time in seconds, and how many took
    // longer than 1 ms.
    long long gcSteps = 0, gcSlowSteps = 0;
    double gcTotal = 0, gcWorst = 0;
    long long gcWorstAt = 0;    // the update count when the worst step ran
    bool gcWorstCycle = false;  // whether the worst step ended a full cycle
    int gcWorstScanned = 0;     // objects the worst step scanned
    // The worst step that ended a full cycle, and the step that scanned the most objects.
    double gcWorstCycleEnd = 0, gcMostScannedTime = 0;
    int gcMostScanned = 0;
    // Steps by thread CPU time: under 10 us, 100 us, 1 ms, and longer.
    long long gcBuckets[4] = {};

protected:
    double LoopTime() override { return now; }
    void SleepUntil(double time) override {
        if (time > now) now = time;
    }
    void PumpEvents(bool wait) override;
    void SwapBuffers() override {}
    bool WindowOpen() override { return true; }
    bool WindowActive() override { return true; }

private:
    double now;
    String state, appPath, internalPath;
    struct KeyEventRec {
        int key;
        bool down;
    };
    KeyEventRec pending[16];
    int pendingCount = 0;
    KtGame *previousGame = nullptr;
    bool installed = false;
};

// Thread CPU time in seconds.
double SoakCpuSeconds();
