// Audio decoding for the host: WAV and Ogg Vorbis files to PCM sample blocks.
#pragma once

#include "host/ktgame.h"

// Opens `path` through game->OpenFile and decodes it by its ending (".wav", ".ogg", any case).
// The block is malloc'ed and owned by the caller; null on any failure.
unsigned char *kt_audio_LoadFile(KtGame *game, String path, int *length, int *channels,
                                 int *format, int *hertz);
