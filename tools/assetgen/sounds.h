// The sound cues and the music track, synthesised sample by sample and written with libsndfile.
#pragma once

#include <string>
#include <vector>

#include "game/manifest.h"

namespace audio {

constexpr int kRate = 44100;

// Writes the file of every cue of the manifest into dataDir; false (with a message) on a write
// failure.
bool writeCues(const std::string &dataDir);
// Writes the manifest's tune into dataDir.
bool writeMusic(const std::string &dataDir);

// The tune's length; the game loops it.
constexpr int kMusicSeconds = manifest::kTuneSeconds;

}  // namespace audio
