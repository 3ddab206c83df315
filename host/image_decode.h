// Image decoding for the host: PNG files to pixel buffers, keeping the file's channel count.
//
// Only the PNG decoder is compiled (other formats are refused), and images wider or taller than
// 8192 pixels are refused. A truncated, corrupt or oversized file gives null, never a crash.
#pragma once

#include <cstdio>

#include "host/ktgame.h"

// Opens `path` through game->OpenFile, decodes it and reports the decoded size to the collector.
// The buffer is malloc'ed and owned by the caller; null on any failure.
unsigned char *kt_image_LoadFile(KtGame *game, String path, int *width, int *height, int *depth);

// Decodes a PNG held in memory; `depth` receives the bytes per pixel (1 to 4). The buffer is
// malloc'ed and owned by the caller; null on any failure. Reports nothing to the collector.
unsigned char *kt_image_Decode(const unsigned char *bytes, int length, int *width, int *height,
                               int *depth);

// Reads an open file to its end, closes it and decodes it as kt_image_Decode does. Touches no
// collected object and reports nothing, so a worker thread may call it.
unsigned char *kt_image_DecodeFile(std::FILE *file, int *width, int *height, int *depth);
