// The sound cues and the music track, synthesised sample by sample and written with libsndfile.
#pragma once

#include <string>
#include <vector>

namespace audio {

constexpr int kRate = 44100;
// The cue numbers the game loads (files "sfx/NNN.wav").
extern const int kCues[14];

// Writes every "sfx/NNN.wav" into dataDir; false (with a message) on a write failure.
bool writeCues(const std::string &dataDir);
// Writes "sfx/Fennel.ogg" into dataDir.
bool writeMusic(const std::string &dataDir);

// The tune's length; the game loops it.
constexpr int kMusicSeconds = 40;

}  // namespace audio
