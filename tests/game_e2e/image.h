// Frames and screenshots as RGB pixels, top row first.
#pragma once

#include <cstdlib>
#include <vector>

struct Rgb {
    int r = -1, g = -1, b = -1;
};
inline bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;

    Rgb At(int x, int y) const {  // outside: {-1, -1, -1}
        if (x < 0 || y < 0 || x >= width || y >= height) return {};
        size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    // Pixels of the rectangle (x, y, w, h) with a channel more than `tolerance` from `other`'s.
    int Differing(const Image &other, int tolerance, int x, int y, int w, int h) const {
        int n = 0;
        for (int j = y; j < y + h; ++j) {
            for (int i = x; i < x + w; ++i) n += !Near(At(i, j), other.At(i, j), tolerance);
        }
        return n;
    }
};
