// Small PNGs made on the fly for tests and benchmarks (Debian's stb_image_write).
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include "stb_image_write.h"
#pragma GCC diagnostic pop

// The PNG encoding of `pixels` (rows top first, `depth` bytes per pixel).
inline std::vector<unsigned char> EncodePng(int width, int height, int depth,
                                            const std::vector<unsigned char> &pixels) {
    int length = 0;
    unsigned char *png =
        stbi_write_png_to_mem(pixels.data(), width * depth, width, height, depth, &length);
    std::vector<unsigned char> out(png, png + length);
    STBIW_FREE(png);
    return out;
}

inline bool WritePng(const std::string &path, int width, int height, int depth,
                     const std::vector<unsigned char> &pixels) {
    return stbi_write_png(path.c_str(), width, height, depth, pixels.data(), width * depth) != 0;
}

// A fresh directory under /tmp for one test program's files.
inline std::string MakeTempDir() {
    char name[] = "/tmp/kt-graphics-XXXXXX";
    return mkdtemp(name) ? std::string(name) : std::string();
}
