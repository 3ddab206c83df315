// Image decoding through Debian's stb_image header, compiled here with only its PNG decoder.
//
// The prebuilt stb library is never linked: it carries decoders (GIF, PIC, PSD, ...) with open
// security advisories that this game never needs. Its functions stay static to this file.

#include "host/image_decode.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 8192
// Third-party code: its unused static functions and style are not ours to warn about.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "stb_image.h"
#pragma GCC diagnostic pop

// ---------------------------------------------------------------------------------------------
// Helpers

namespace {

// The decoder grows its buffer for compressed data to whatever length a chunk declares before
// it reads the chunk, so a 100-byte file declaring a 2 GB chunk would cost a 2 GB allocation
// before failing: every chunk up to IEND must have its data present in the buffer. An empty
// IDAT before any data would make it copy zero bytes to a null buffer; no encoder writes one.
bool chunksFit(const unsigned char *bytes, int length) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length < 8 || std::memcmp(bytes, signature, 8) != 0) return false;
    long long pos = 8;
    bool sawData = false;
    while (pos + 8 <= length) {
        const unsigned char *c = bytes + pos;
        long long size = static_cast<long long>(c[0]) << 24 | c[1] << 16 | c[2] << 8 | c[3];
        if (size > length - pos - 8) return false;
        if (std::memcmp(c + 4, "IEND", 4) == 0) return true;
        if (std::memcmp(c + 4, "IDAT", 4) == 0) {
            if (size == 0 && !sawData) return false;
            sawData = true;
        }
        pos += 12 + size;  // length, type, data, checksum
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Functions

unsigned char *kt_image_Decode(const unsigned char *bytes, int length, int *width, int *height,
                               int *depth) {
    if (!bytes || length <= 0 || !chunksFit(bytes, length)) return nullptr;
    int w = 0, h = 0, channels = 0;
    unsigned char *pixels = stbi_load_from_memory(bytes, length, &w, &h, &channels, 0);
    if (!pixels) return nullptr;
    if (w <= 0 || h <= 0 || channels < 1 || channels > 4) {
        stbi_image_free(pixels);
        return nullptr;
    }
    *width = w;
    *height = h;
    *depth = channels;
    return pixels;
}

unsigned char *kt_image_DecodeFile(std::FILE *file, int *width, int *height, int *depth) {
    if (!file) return nullptr;
    std::vector<unsigned char> bytes;
    unsigned char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (bytes.size() + n > static_cast<std::size_t>(INT_MAX)) {
            std::fclose(file);
            return nullptr;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    std::fclose(file);
    return kt_image_Decode(bytes.data(), static_cast<int>(bytes.size()), width, height, depth);
}

unsigned char *kt_image_LoadFile(KtGame *game, String path, int *width, int *height, int *depth) {
    if (!game) return nullptr;
    unsigned char *pixels =
        kt_image_DecodeFile(game->OpenFile(path, String("rb")), width, height, depth);
    if (pixels) gc_ext_malloced(*width * *height * *depth);
    return pixels;
}
