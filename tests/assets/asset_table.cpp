#include "asset_table.h"

#include <cstdio>
#include <map>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace assets {

namespace {

std::vector<int> range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i) v.push_back(i);
    return v;
}

std::vector<int> join(std::vector<int> a, const std::vector<int> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

const std::vector<ImageEntry> &imageTable() {
    // The frames the game draws, by file; a manifest file missing here shows nothing required,
    // which the images test reports.
    static const std::map<const manifest::ImageFile *, std::vector<int>> shown = {
        {&manifest::kFrameworkFont, range(1, 94)},
        {&manifest::kGameFont, join(join(range(1, 94), range(96, 110)), range(112, 124))},
        {&manifest::kIcons, range(0, 15)},
        {&manifest::kButtons, join(range(0, 5), {8, 9, 10, 12})},
        {&manifest::kDpad, {0, 1, 4, 5, 6, 9}},
        {&manifest::kOrvoLogo, {0}},
        {&manifest::kMenu, range(0, 3)},
        {&manifest::kLogo, {0}},
        {&manifest::kBadges, range(0, 63)},
        {&manifest::kParts, range(0, 255)},
        {&manifest::kCircle, range(0, 3)},
        {&manifest::kLight, range(0, 3)},
        {&manifest::kCards, join({0}, range(4, 11))},
        {&manifest::kGfx, join({0}, range(4, 10))},
    };
    static const std::vector<ImageEntry> table = [] {
        std::vector<ImageEntry> out;
        for (const manifest::ImageFile *file : manifest::kImages) {
            auto it = shown.find(file);
            out.push_back({*file, it == shown.end() ? std::vector<int>{} : it->second});
        }
        return out;
    }();
    return table;
}

std::string dataDir() {
    return KT_TEST_DATA_DIR;
}

std::string levelPath(const manifest::ImageFile &file, int level) {
    return dataDir() + "/" + file.name + manifest::LevelSuffix(level) + manifest::kImageExtension;
}

std::string cuePath(int cue) {
    char name[32];
    std::snprintf(name, sizeof name, manifest::kCueFile, cue);
    return dataDir() + "/" + name;
}

bool loadPng(const std::string &path, Image &out) {
    int channels = 0;
    unsigned char *px = stbi_load(path.c_str(), &out.w, &out.h, &channels, 4);
    if (!px) return false;
    out.rgba.assign(px, px + static_cast<size_t>(out.w) * out.h * 4);
    stbi_image_free(px);
    return true;
}

double coverage(const Image &img, int x, int y, int w, int h) {
    long on = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) on += img.alpha(i, j) > 32;
    return static_cast<double>(on) / (static_cast<double>(w) * h);
}

double meanAlpha(const Image &img, int x, int y, int w, int h) {
    double sum = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) sum += img.alpha(i, j);
    return sum / 255 / (static_cast<double>(w) * h);
}

}  // namespace assets
