// What the game loads from the data directory: image names, cells and frame counts, the frames
// that must show something, and the sound cues. Written from the game's loader, not from the
// generator, so the tests catch a generator that drifts from what the game expects.
#pragma once

#include <string>
#include <vector>

namespace assets {

struct ImageEntry {
    std::string name;  // without level suffix and ".png"
    int cellW, cellH;  // level-1 cell; cellW 0: a one-row strip of `frames` (the framework font)
    int frames;
    int gridColumns;         // 0: any layout the row walk accepts; otherwise the exact grid width
    bool allLevels;          // false: level 1 only
    std::vector<int> shown;  // frames that must not be empty
};

const std::vector<ImageEntry> &imageTable();
extern const int kCues[14];
constexpr int kMusicSeconds = 40;
constexpr int kMusicRate = 44100;

std::string dataDir();
std::string levelPath(const ImageEntry &s, int level);

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
