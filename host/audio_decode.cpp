// Audio decoding for the host: WAV by hand, Ogg Vorbis through stb_vorbis.

#include "host/audio_decode.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// stb_vorbis is compiled here, from Debian's header, with only the pull API this file uses; the
// prebuilt libstb carries every stb decoder. The include path through <stb/...> keeps it a
// system header, so its own warnings stay out of ours.
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb/stb_vorbis.h>

// ---------------------------------------------------------------------------------------------
// WAV

namespace {

bool ReadBytes(std::FILE *file, void *out, std::size_t n) {
    return std::fread(out, 1, n, file) == n;
}

bool ReadU16(std::FILE *file, unsigned *out) {
    unsigned char b[2];
    if (!ReadBytes(file, b, 2)) return false;
    *out = b[0] | (b[1] << 8);
    return true;
}

bool ReadU32(std::FILE *file, std::uint32_t *out) {
    unsigned char b[4];
    if (!ReadBytes(file, b, 4)) return false;
    *out = b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t(b[3]) << 24);
    return true;
}

bool ReadTag(std::FILE *file, const char *expect) {
    char tag[4];
    return ReadBytes(file, tag, 4) && std::memcmp(tag, expect, 4) == 0;
}

// Skips a chunk body and, for an odd size, the pad byte that keeps RIFF chunks word-aligned.
bool SkipChunk(std::FILE *file, std::uint32_t size) {
    long n = static_cast<long>(size) + (size & 1);
    return std::fseek(file, n, SEEK_CUR) == 0;
}

// Bytes from the current position to the end of the file; -1 when the file cannot tell.
long Remaining(std::FILE *file) {
    long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return -1;
    return end - here;
}

}  // namespace

unsigned char *LoadWAV(std::FILE *file, int *length, int *channels, int *format, int *hertz) {
    std::uint32_t riffSize, fmtSize, rate, byteRate;
    unsigned tag, nchannels, blockAlign, bits;
    if (!ReadTag(file, "RIFF") || !ReadU32(file, &riffSize) || !ReadTag(file, "WAVE") ||
        !ReadTag(file, "fmt ")) {
        return nullptr;
    }
    if (!ReadU32(file, &fmtSize) || fmtSize < 16) return nullptr;
    if (!ReadU16(file, &tag) || !ReadU16(file, &nchannels) || !ReadU32(file, &rate) ||
        !ReadU32(file, &byteRate) || !ReadU16(file, &blockAlign) || !ReadU16(file, &bits)) {
        return nullptr;
    }
    // Only integer PCM; a frame of 0 channels or of less than a byte per sample has no size.
    if (tag != 1 || nchannels == 0 || bits < 8 || rate > INT_MAX) return nullptr;
    if (fmtSize > 16 && !SkipChunk(file, fmtSize - 16)) return nullptr;

    const int bytesPerSample = static_cast<int>(bits / 8);
    for (;;) {
        char id[4];
        std::uint32_t size;
        if (!ReadBytes(file, id, 4) || !ReadU32(file, &size)) return nullptr;
        if (std::memcmp(id, "data", 4) != 0) {
            if (!SkipChunk(file, size)) return nullptr;
            continue;
        }
        // The claimed size is believed only as far as the file goes: a short chunk is a broken
        // file, not a reason to allocate what the header says.
        long remaining = Remaining(file);
        if (remaining < 0 || size > static_cast<unsigned long>(remaining) || size > INT_MAX) {
            return nullptr;
        }
        unsigned char *data = static_cast<unsigned char *>(std::malloc(size ? size : 1));
        if (!data) return nullptr;
        if (!ReadBytes(file, data, size)) {
            std::free(data);
            return nullptr;
        }
        *length = static_cast<int>(size / (nchannels * bytesPerSample));
        *channels = static_cast<int>(nchannels);
        *format = bytesPerSample;
        *hertz = static_cast<int>(rate);
        return data;
    }
}

// ---------------------------------------------------------------------------------------------
// Ogg Vorbis

unsigned char *LoadOGG(std::FILE *file, int *length, int *channels, int *format, int *hertz) {
    int error = 0;
    stb_vorbis *v = stb_vorbis_open_file(file, 0, &error, nullptr);
    if (!v) return nullptr;
    stb_vorbis_info info = stb_vorbis_get_info(v);
    const int nchannels = info.channels;
    if (nchannels <= 0 || info.sample_rate == 0 || info.sample_rate > INT_MAX) {
        stb_vorbis_close(v);
        return nullptr;
    }

    // One Vorbis frame yields at most 4096 samples per channel, so the buffer always keeps that
    // much room ahead and doubles when it runs short.
    const long frameRoom = 4096L * nchannels;
    long capacity = frameRoom, total = 0;
    short *buffer = static_cast<short *>(std::malloc(capacity * sizeof(short)));
    while (buffer) {
        int n = stb_vorbis_get_frame_short_interleaved(v, nchannels, buffer + total,
                                                       static_cast<int>(capacity - total));
        if (n == 0) break;
        total += static_cast<long>(n) * nchannels;
        if (capacity < total + frameRoom) {
            long grown = capacity * 2;
            short *bigger = nullptr;
            if (grown * static_cast<long>(sizeof(short)) <= kt_audio_MaxDecodedBytes) {
                bigger = static_cast<short *>(std::realloc(buffer, grown * sizeof(short)));
            }
            if (!bigger) std::free(buffer);
            buffer = bigger;
            capacity = grown;
        }
    }
    stb_vorbis_close(v);
    if (!buffer) return nullptr;

    short *exact = static_cast<short *>(std::realloc(buffer, (total ? total : 1) * sizeof(short)));
    if (exact) buffer = exact;
    *length = static_cast<int>(total / nchannels);
    *channels = nchannels;
    *format = 2;
    *hertz = static_cast<int>(info.sample_rate);
    return reinterpret_cast<unsigned char *>(buffer);
}

// ---------------------------------------------------------------------------------------------
// Files

namespace {

// The path's ending, compared after lowering each code unit (ASCII letters only matter here).
bool HasEnding(const String &path, const char *ending) {
    int n = static_cast<int>(std::strlen(ending));
    if (path.Length() < n) return false;
    for (int i = 0; i < n; ++i) {
        Char c = path[path.Length() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c + ('a' - 'A'));
        if (c != static_cast<unsigned char>(ending[i])) return false;
    }
    return true;
}

}  // namespace

unsigned char *kt_audio_LoadFile(KtGame *game, String path, int *length, int *channels, int *format,
                                 int *hertz) {
    if (!game) return nullptr;
    const bool wav = HasEnding(path, ".wav");
    const bool ogg = !wav && HasEnding(path, ".ogg");
    if (!wav && !ogg) return nullptr;
    std::FILE *file = game->OpenFile(path, String("rb"));
    if (!file) return nullptr;
    int len = 0, chans = 0, fmt = 0, hz = 0;
    unsigned char *data =
        wav ? LoadWAV(file, &len, &chans, &fmt, &hz) : LoadOGG(file, &len, &chans, &fmt, &hz);
    std::fclose(file);
    if (!data) return nullptr;
    *length = len;
    *channels = chans;
    *format = fmt;
    *hertz = hz;
    gc_ext_malloced(len * chans * fmt);
    return data;
}
