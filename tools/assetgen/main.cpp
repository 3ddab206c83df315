// kt_assetgen: writes the game's complete data directory (images at three resolution levels,
// sound cues and music) and, optionally, a contact sheet of all images.
//
//   kt_assetgen <data dir> [--contact <png path>] [--images-only]
//   kt_assetgen --icons <dir> <size>...
//
// The second form writes only the desktop icon, as <dir>/<size>.png for each size, and leaves
// every data file alone.
// The same binary always writes byte-identical PNG and WAV files.
#include "art.h"
#include "sounds.h"
#include "contact.h"
#include "pngfile.h"

#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

bool writeImage(cairo_surface_t *surf, const std::filesystem::path &path) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (!art::writePng(surf, path.string())) {
        std::fprintf(stderr, "kt_assetgen: cannot write %s (is the directory writable?)\n",
                     path.c_str());
        return false;
    }
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: kt_assetgen <data dir> [--contact <png path>] [--images-only]\n"
                 "       kt_assetgen --icons <dir> <size>...\n");
    return 2;
}

// Each size is drawn afresh rather than scaled down from the largest, so small icons stay sharp.
int writeIcons(int argc, char **argv) {
    if (argc < 4) return usage();
    std::filesystem::path dir = argv[2];
    bool ok = true;
    for (int i = 3; i < argc; ++i) {
        char *end = nullptr;
        long size = std::strtol(argv[i], &end, 10);
        if (*end || size < 16 || size > 1024) return usage();
        const int n = static_cast<int>(size);
        cairo_surface_t *surf = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, n, n);
        cairo_t *cr = cairo_create(surf);
        cairo_scale(cr, n / 32.0, n / 32.0);
        art::drawIcon(cr);
        cairo_destroy(cr);
        ok = writeImage(surf, dir / (std::to_string(n) + ".png")) && ok;
        cairo_surface_destroy(surf);
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    auto start = std::chrono::steady_clock::now();
    if (argc < 2) return usage();
    if (!std::strcmp(argv[1], "--icons")) return writeIcons(argc, argv);
    std::filesystem::path dataDir = argv[1];
    std::string contactPath;
    bool imagesOnly = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--contact") && i + 1 < argc) {
            contactPath = argv[++i];
        } else if (!std::strcmp(argv[i], "--images-only")) {
            imagesOnly = true;
        } else {
            return usage();
        }
    }
    // Fail before minutes of drawing if the target cannot hold a directory.
    std::error_code ec;
    std::filesystem::create_directories(dataDir, ec);
    if (!std::filesystem::is_directory(dataDir)) {
        std::fprintf(stderr, "kt_assetgen: %s is not a writable directory\n", dataDir.c_str());
        return 1;
    }
    if (!art::loadFonts()) return 1;

    std::vector<art::Sheet> sheets;
    for (auto list : {art::fontSheets(), art::uiSheets(), art::gameSheets()})
        sheets.insert(sheets.end(), list.begin(), list.end());

    // The sounds are independent of the pictures: synthesise them on a second thread.
    bool soundsOk = true;
    std::thread sounds([&] {
        if (imagesOnly) return;
        soundsOk = audio::writeCues(dataDir.string());
        soundsOk = audio::writeMusic(dataDir.string()) && soundsOk;
    });

    std::vector<art::ContactEntry> contact;
    bool ok = true;
    for (const art::Sheet &s : sheets) {
        for (int level : {1, 2, 4}) {
            if (level > 1 && !s.levels) break;
            cairo_surface_t *surf = art::renderSheet(s, level);
            ok = writeImage(surf, dataDir / art::levelFile(s, level)) && ok;
            int shown = s.levels ? 2 : 1;
            if (!contactPath.empty() && level == shown) {
                contact.push_back({&s, surf, level});
            } else {
                cairo_surface_destroy(surf);
            }
        }
    }
    if (!contactPath.empty()) ok = art::writeContactSheet(contact, contactPath) && ok;
    for (auto &e : contact) cairo_surface_destroy(e.image);
    sounds.join();
    ok = ok && soundsOk;

    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("kt_assetgen: wrote %s in %.2f s\n", dataDir.c_str(), secs);
    return ok ? 0 : 1;
}
