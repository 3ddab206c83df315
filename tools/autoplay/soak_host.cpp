// The autoplay soak's host.

#include "tools/autoplay/soak_host.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "host/audio_decode.h"
#include "host/image_decode.h"

double SoakCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

unsigned char *SoakHost::LoadImageData(String path, int *width, int *height, int *depth) {
    return kt_image_LoadFile(this, path, width, height, depth);
}

unsigned char *SoakHost::LoadAudioData(String path, int *length, int *channels, int *format,
                                       int *hertz) {
    return kt_audio_LoadFile(this, path, length, channels, format, hertz);
}

void SoakHost::Die(ThrowableObject *) {
    std::printf("FAIL: an uncaught language exception escaped the game at update %lld\n", updates);
    std::fflush(stdout);
    std::_Exit(2);
}

void SoakHost::gc_collect() {
    long long cycles = gc_stats.cycles;
    double start = SoakCpuSeconds();
    KtLoopGame::gc_collect();
    double spent = SoakCpuSeconds() - start;
    ++gcSteps;
    gcTotal += spent;
    if (spent > 1e-3) ++gcSlowSteps;
    ++gcBuckets[spent < 1e-5 ? 0 : spent < 1e-4 ? 1 : spent < 1e-3 ? 2 : 3];
    bool ended = gc_stats.cycles != cycles;
    if (ended && spent > gcWorstCycleEnd) gcWorstCycleEnd = spent;
    if (gc_stats.last_step_scanned > gcMostScanned ||
        (gc_stats.last_step_scanned == gcMostScanned && spent > gcMostScannedTime)) {
        gcMostScanned = gc_stats.last_step_scanned;
        gcMostScannedTime = spent;
    }
    if (spent > gcWorst) {
        gcWorst = spent;
        gcWorstAt = updates;
        gcWorstCycle = ended;
        gcWorstScanned = gc_stats.last_step_scanned;
    }
}

void SoakHost::UpdateGame() {
    KtLoopGame::UpdateGame();
    ++updates;
    if (afterUpdate) afterUpdate();
}
