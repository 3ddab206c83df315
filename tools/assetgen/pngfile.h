// PNG output: straight (not premultiplied) RGBA, fast compression, no time or text chunks, so
// the same pixels always give the same bytes.
#pragma once

#include <cairo.h>

#include <string>

namespace art {

// Writes an ARGB32 or RGB24 image surface; false when the file cannot be written.
bool writePng(cairo_surface_t *surface, const std::string &path);

}  // namespace art
