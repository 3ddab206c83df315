// cobblevale_autoplay: plays complete runs of the real game at full speed and checks its
// invariants after every update (see soak.h). Prints the score distribution per game type, the
// process's resident memory at start and end, and the collector's worst step.
//
//   cobblevale_autoplay [--runs N] [--types easy,normal,hard] [--seed S] [--torture]
//
// Exit status: 0 when every run kept the invariants, 1 on a violation (the seed, run, update
// and state are printed first), 2 on bad arguments or an escaped language exception.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "host/gxtk_audio.h"
#include "tools/autoplay/soak.h"

namespace {

bool finished = false;

// The game ends the process quietly (status 0) when its menus quit; in a soak that is a fault of
// the player or the game, never a pass.
void OnExit() {
    if (finished) return;
    std::printf("FAIL: the game ended the process before the soak finished\n");
    std::fflush(stdout);
    std::_Exit(1);
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

const char *const kTypeNames[] = {"", "Easy", "Normal", "Hard"};

bool ParseTypes(const char *text, std::vector<int> &types) {
    types.clear();
    std::string list = text;
    size_t at = 0;
    while (at <= list.size()) {
        size_t end = list.find(',', at);
        if (end == std::string::npos) end = list.size();
        std::string name = list.substr(at, end - at);
        for (char &ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (name == "easy" || name == "1") {
            types.push_back(1);
        } else if (name == "normal" || name == "2") {
            types.push_back(2);
        } else if (name == "hard" || name == "3") {
            types.push_back(3);
        } else {
            return false;
        }
        at = end + 1;
    }
    return !types.empty();
}

void Usage() {
    std::fprintf(stderr,
                 "usage: cobblevale_autoplay [--runs N] [--types easy,normal,hard] [--seed S] "
                 "[--torture]\n");
}

void Distribution(const std::vector<SoakRun> &all, int type) {
    std::vector<int> scores;
    long long updates = 0, boards = 0, goals = 0, turned = 0;
    for (const SoakRun &run : all) {
        if (run.difficulty != type) continue;
        scores.push_back(run.score);
        updates += run.updates;
        boards += run.boards;
        goals += run.goals;
        turned += run.turned;
    }
    if (scores.empty()) return;
    std::sort(scores.begin(), scores.end());
    size_t n = scores.size();
    double mean = 0;
    for (int s : scores) mean += s;
    mean /= static_cast<double>(n);
    double median = n % 2 ? scores[n / 2] : (scores[n / 2 - 1] + scores[n / 2]) / 2.0;
    std::printf("%-6s runs %zu  score min %d  median %.0f  mean %.1f  max %d\n", kTypeNames[type],
                n, scores.front(), median, mean, scores.back());
    std::printf("       per run: %.1f updates, %.2f boards, %.2f goals, %.2f cards turned\n",
                static_cast<double>(updates) / n, static_cast<double>(boards) / n,
                static_cast<double>(goals) / n, static_cast<double>(turned) / n);
    constexpr int kBins = 10;
    int lo = scores.front(), hi = scores.back();
    int width = std::max(1, (hi - lo + kBins) / kBins);
    size_t counts[kBins] = {};
    for (int s : scores) ++counts[std::min(kBins - 1, (s - lo) / width)];
    size_t most = *std::max_element(counts, counts + kBins);
    for (int b = 0; b < kBins; ++b) {
        int from = lo + b * width;
        if (from > hi) break;
        int bar = static_cast<int>(40 * counts[b] / std::max<size_t>(most, 1));
        std::printf("       %6d..%-6d %6zu %s\n", from, from + width - 1, counts[b],
                    std::string(static_cast<size_t>(bar), '#').c_str());
    }
}

}  // namespace

int main(int argc, char **argv) {
    SoakOptions options;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        bool more = i + 1 < argc;
        if (!std::strcmp(arg, "--runs") && more) {
            options.runs = std::atoi(argv[++i]);
        } else if (!std::strcmp(arg, "--seed") && more) {
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (!std::strcmp(arg, "--types") && more) {
            if (!ParseTypes(argv[++i], options.types)) {
                Usage();
                return 2;
            }
        } else if (!std::strcmp(arg, "--torture")) {
            options.torture = true;
        } else {
            Usage();
            return 2;
        }
    }
    if (options.runs < 1) {
        Usage();
        return 2;
    }
    // No sound card is needed: OpenAL's silent back end stands in.
    setenv("ALSOFT_DRIVERS", "null", 1);
    std::atexit(OnExit);

    long rssStart = ResidentKiB();
    auto wallStart = std::chrono::steady_clock::now();
    Soak soak(options);
    soak.Start();
    long rssReady = ResidentKiB();
    double gcWorstLoading = soak.host.gcWorst;
    soak.host.gcWorst = 0;
    long long stepsLoading = soak.host.gcSteps;
    // Resident memory ten times along the way, to tell growth from a one-off rise.
    size_t every = std::max(1, options.runs / 10);
    soak.afterRun = [&](size_t done) {
        if (done % every == 0) {
            std::printf(
                "after %zu runs: resident %ld KiB, collector heap %d bytes, garbage %d bytes, "
                "%d sound buffers awaiting deletion\n",
                done, ResidentKiB(), gc_alloced_bytes, gc_free_bytes, gxtkAudio_DiscardedCount());
            std::fflush(stdout);
        }
    };
    soak.Play();
    long rssEnd = ResidentKiB();
    double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

    std::printf(
        "cobblevale_autoplay: %d runs, seed %u%s, %lld updates in %.1f s (%.0f updates/s)\n",
        options.runs, options.seed, options.torture ? ", collector torture" : "", soak.host.updates,
        wall, static_cast<double>(soak.host.updates) / wall);
    std::printf("invariants held after every update\n");
    for (int type = 1; type <= 3; ++type) Distribution(soak.runs, type);
    std::printf("resident memory: %ld KiB at start, %ld KiB after loading, %ld KiB at end\n",
                rssStart, rssReady, rssEnd);
    std::printf(
        "collector steps: %lld, worst %.3f ms while playing (update %lld, %s, %d objects "
        "scanned), %.3f ms while loading; mean %.2f us; %lld full cycles\n",
        soak.host.gcSteps - stepsLoading, soak.host.gcWorst * 1e3, soak.host.gcWorstAt,
        soak.host.gcWorstCycle ? "ended a cycle" : "marking step", soak.host.gcWorstScanned,
        gcWorstLoading * 1e3, soak.host.gcTotal / soak.host.gcSteps * 1e6, gc_stats.cycles);
    // On a virtual machine thread CPU time also counts time the host took the CPU away; a step
    // that scans nothing yet reads milliseconds is that, not collector work.
    std::printf(
        "worst step ending a cycle %.3f ms; most objects scanned by one step %d (%.3f ms)\n",
        soak.host.gcWorstCycleEnd * 1e3, soak.host.gcMostScanned,
        soak.host.gcMostScannedTime * 1e3);
    std::printf(
        "collector steps by CPU time: %lld under 10 us, %lld under 100 us, %lld under 1 ms, "
        "%lld over 1 ms\n",
        soak.host.gcBuckets[0], soak.host.gcBuckets[1], soak.host.gcBuckets[2],
        soak.host.gcBuckets[3]);
    std::printf("most draw records after one update (limit 2499): loading %d, menu %d, board %d\n",
                soak.maxRecordsLoading, soak.maxRecords[Screen::Menu],
                soak.maxRecords[Screen::Game]);
    if (soak.menuFallbacks) {
        std::printf("note: %d runs started by setting the menu's fields (keys failed)\n",
                    soak.menuFallbacks);
    }
    std::fflush(stdout);
    finished = true;
    return 0;
}
