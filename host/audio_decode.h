// Audio decoding for the host: WAV and Ogg Vorbis files to PCM sample blocks.
//
// Every decoder hands back a malloc'ed block of interleaved little-endian PCM owned by the
// caller (free()), plus length (sample frames), channels, format (bytes per sample) and hertz.
// Hostile input never crashes a decoder and never makes it allocate more than the file can
// account for; it gives null.
#pragma once

#include <cstdio>

#include "host/ktgame.h"

// Opens `path` through game->OpenFile and decodes it by its ending (".wav", ".ogg", any case).
// The block is malloc'ed and owned by the caller; null on any failure.
unsigned char *kt_audio_LoadFile(KtGame *game, String path, int *length, int *channels, int *format,
                                 int *hertz);

// RIFF/WAVE with integer PCM ("fmt " format tag 1), read from the file's current position.
unsigned char *LoadWAV(std::FILE *file, int *length, int *channels, int *format, int *hertz);

// Ogg Vorbis decoded whole to 16-bit samples (format 2), read from the current position.
unsigned char *LoadOGG(std::FILE *file, int *length, int *channels, int *format, int *hertz);

// The largest decoded block LoadOGG hands out (bytes); a stream that decodes to more is taken
// as hostile (a few bytes of Vorbis can expand to thousands of samples) and gives null.
constexpr int kt_audio_MaxDecodedBytes = 512 * 1024 * 1024;
