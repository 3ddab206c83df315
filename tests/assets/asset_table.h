// What the game loads from the data directory, as the asset manifest describes it, and the
// frames of each image that the game draws and so must show something.
#pragma once

#include <string>
#include <vector>

#include "game/manifest.h"

namespace assets {

struct ImageEntry {
    const manifest::ImageFile &file;
    std::vector<int> shown;  // frames that must not be empty
};

// Every image of the manifest, in its order.
const std::vector<ImageEntry> &imageTable();
constexpr int kMusicRate = 44100;

std::string dataDir();
std::string levelPath(const manifest::ImageFile &file, int level);
std::string cuePath(int cue);

// A decoded RGBA image.
struct Image {
    int w = 0, h = 0;
    std::vector<unsigned char> rgba;
    unsigned char alpha(int x, int y) const {
        return rgba[(static_cast<size_t>(y) * w + x) * 4 + 3];
    }
};
bool loadPng(const std::string &path, Image &out);

// Where the graphics module's LoadImage2 reads frame `f` of fw x fh: row by row over the width
// of the surface (exact when the width is a multiple of fw, which the tests require).
struct FramePos {
    int x, y;
};
inline FramePos framePos(int surfW, int fw, int fh, int f) {
    int columns = surfW / fw;
    return {f % columns * fw, f / columns * fh};
}

// Share of a rectangle's pixels with alpha above 32.
double coverage(const Image &img, int x, int y, int w, int h);
// Mean alpha (0..1) over a rectangle: the same for a picture drawn at any scale.
double meanAlpha(const Image &img, int x, int y, int w, int h);

}  // namespace assets
