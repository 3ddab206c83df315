#include "asset_table.h"

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

const int kCues[14] = {1, 3, 5, 7, 10, 11, 12, 13, 14, 15, 95, 96, 98, 99};

const std::vector<ImageEntry> &imageTable() {
    static const std::vector<ImageEntry> table = {
        {"plume_font", 0, 0, 96, 96, false, range(1, 94)},
        {"fonts/shadow_editundo", 16, 16, 128, 16, true,
         join(join(range(1, 94), range(96, 110)), range(112, 124))},
        {"common/icons", 32, 32, 16, 0, true, range(0, 15)},
        {"common/Buttons", 64, 64, 16, 0, true, join(range(0, 5), {8, 9, 10, 12})},
        {"common/dpad", 32, 32, 16, 4, true, {0, 1, 4, 5, 6, 9}},
        {"common/OrvoLogo", 256, 256, 1, 0, true, {0}},
        {"menu", 256, 256, 4, 0, true, range(0, 3)},
        {"logo", 256, 128, 1, 0, true, {0}},
        {"BadgesA", 64, 64, 64, 0, true, range(0, 63)},
        {"parts", 8, 8, 256, 0, true, range(0, 255)},
        {"common/circle", 256, 256, 4, 0, true, range(0, 3)},
        {"common/light", 32, 32, 4, 0, true, range(0, 3)},
        {"cards-large", 32, 32, 16, 0, true, join({0}, range(4, 11))},
        {"gfx-large", 32, 32, 16, 0, true, join({0}, range(4, 10))},
    };
    return table;
}

std::string dataDir() {
    return KT_TEST_DATA_DIR;
}

std::string levelPath(const ImageEntry &s, int level) {
    const char *suffix = level == 4 ? "-hd2" : level == 2 ? "-hd" : "";
    return dataDir() + "/" + s.name + suffix + ".png";
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
