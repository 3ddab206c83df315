// SoakHost: the windowless host (host/headless_game.h) made to play the real game at full speed.
//
// Every RunFrame is one render and exactly one update, however fast the machine is, since the
// clock moves only when the loop sleeps. Images and sounds are decoded from the data/ directory
// beside the executable like the real host does. It times every collector step (the host runs
// one after each call into the game) in thread CPU time, and calls `afterUpdate` after each
// update and its collector step, so a checker sees the state every update produced.
#pragma once

#include <functional>

#include "host/headless_game.h"

class SoakHost : public KtHeadlessGame {
public:
    explicit SoakHost(double startSeconds) : KtHeadlessGame(startSeconds) {}

    int GetDeviceWidth() override { return 640; }
    int GetDeviceHeight() override { return 480; }
    unsigned char *LoadImageData(String path, int *width, int *height, int *depth) override;
    unsigned char *LoadAudioData(String path, int *length, int *channels, int *format,
                                 int *hertz) override;
    [[noreturn]] void Die(ThrowableObject *exception) override;

    // One collector step, timed.
    void gc_collect() override;
    void UpdateGame() override;

    // GLFW 3 key press (true) or release, delivered at the next event pump.
    void ScriptKey(int key, bool down) {
        KtHeadlessGame::ScriptKey(key, down ? GLFW_PRESS : GLFW_RELEASE);
    }

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
};

// Thread CPU time in seconds.
double SoakCpuSeconds();
