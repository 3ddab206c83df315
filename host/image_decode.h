// Image decoding for the host: PNG files to pixel buffers, keeping the file's channel count.
#pragma once

#include "host/ktgame.h"

// Opens `path` through game->OpenFile, decodes it and reports the decoded size to the collector.
// The buffer is malloc'ed and owned by the caller; null on any failure.
unsigned char *kt_image_LoadFile(KtGame *game, String path, int *width, int *height, int *depth);
