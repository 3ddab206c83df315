// Audio decoding for the host: WAV by hand, Ogg Vorbis through stb_vorbis.

#include "host/audio_decode.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

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

namespace {

// stb_vorbis decodes inside one arena of ours: on a broken stream its error paths then leak or
// double-free nothing, and its scratch memory comes from the arena rather than the stack. The
// arena starts at a size that fits common streams and doubles while the setup asks for more.
constexpr int kFirstArena = 256 * 1024;
constexpr int kLastArena = 32 * 1024 * 1024;

struct Vorbis {
    stb_vorbis *decoder = nullptr;
    char *arena = nullptr;
    ~Vorbis() {
        if (decoder) stb_vorbis_close(decoder);
        std::free(arena);
    }
};

// Reads one Ogg page header; `lacing` receives its segment sizes.
bool ReadPageHeader(std::FILE *file, unsigned char *flags, std::vector<unsigned char> &lacing) {
    unsigned char h[27];
    if (!ReadBytes(file, h, 27) || std::memcmp(h, "OggS", 4) != 0 || h[4] != 0) return false;
    *flags = h[5];
    lacing.resize(h[26]);
    return h[26] > 0 && ReadBytes(file, lacing.data(), lacing.size());
}

std::uint32_t Get32(const std::vector<unsigned char> &p, std::size_t at) {
    return p[at] | (p[at + 1] << 8) | (p[at + 2] << 16) | (std::uint32_t(p[at + 3]) << 24);
}

// stb_vorbis believes the lengths in the comment header: a length beyond the packet makes it
// write out of bounds, and a failed allocation there crashes its clean-up. So the comment
// packet is checked here first, read the way stb_vorbis reads it: the identification packet
// alone on the first page, the comment packet from the start of the second, continued over
// further pages while its last segment is full. The file position is restored.
bool CommentHeaderIsSound(std::FILE *file) {
    constexpr std::size_t kMaxPacket = 16 << 20;  // keeps stb_vorbis's int sizes in range
    const long start = std::ftell(file);
    unsigned char flags;
    std::vector<unsigned char> lacing, packet;
    bool ok = start >= 0 && ReadPageHeader(file, &flags, lacing) && lacing.size() == 1 &&
              lacing[0] == 30 && std::fseek(file, 30, SEEK_CUR) == 0;
    for (bool first = true, done = false; ok && !done; first = false) {
        ok = ReadPageHeader(file, &flags, lacing) && ((flags & 1) != 0) != first;
        for (std::size_t i = 0; ok && i < lacing.size() && !done; ++i) {
            std::size_t at = packet.size();
            packet.resize(at + lacing[i]);
            ok = ReadBytes(file, packet.data() + at, lacing[i]) && packet.size() <= kMaxPacket;
            done = lacing[i] < 255;
        }
    }
    ok = ok && std::fseek(file, start, SEEK_SET) == 0;
    // Type 3, "vorbis", the vendor string, the comment count and each comment.
    if (!ok || packet.size() < 11 || packet[0] != 3 || std::memcmp(&packet[1], "vorbis", 6) != 0) {
        return false;
    }
    std::size_t at = 7;
    std::uint32_t vendor = Get32(packet, at);
    at += 4;
    if (vendor > packet.size() - at || packet.size() - at - vendor < 4) return false;
    at += vendor;
    std::uint32_t count = Get32(packet, at);
    at += 4;
    if (count > (packet.size() - at) / 4) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (packet.size() - at < 4) return false;
        std::uint32_t len = Get32(packet, at);
        at += 4;
        if (len > packet.size() - at) return false;
        at += len;
    }
    return true;
}

bool OpenVorbis(std::FILE *file, Vorbis &v) {
    if (!CommentHeaderIsSound(file)) return false;
    const long start = std::ftell(file);
    for (int size = kFirstArena; size <= kLastArena; size *= 2) {
        std::free(v.arena);
        v.arena = static_cast<char *>(std::malloc(size));
        if (!v.arena) return false;
        stb_vorbis_alloc alloc{v.arena, size};
        int error = 0;
        v.decoder = stb_vorbis_open_file(file, 0, &error, &alloc);
        if (v.decoder) return true;
        if (error != VORBIS_outofmem || start < 0 || std::fseek(file, start, SEEK_SET) != 0) {
            return false;
        }
    }
    return false;
}

}  // namespace

unsigned char *LoadOGG(std::FILE *file, int *length, int *channels, int *format, int *hertz) {
    Vorbis v;
    if (!OpenVorbis(file, v)) return nullptr;
    stb_vorbis_info info = stb_vorbis_get_info(v.decoder);
    const int nchannels = info.channels;
    if (nchannels <= 0 || info.sample_rate == 0 || info.sample_rate > INT_MAX) return nullptr;

    // One Vorbis frame yields at most 4096 samples per channel, so the buffer always keeps that
    // much room ahead and doubles when it runs short.
    const long frameRoom = 4096L * nchannels;
    long capacity = frameRoom, total = 0;
    short *buffer = static_cast<short *>(std::malloc(capacity * sizeof(short)));
    while (buffer) {
        int n = stb_vorbis_get_frame_short_interleaved(v.decoder, nchannels, buffer + total,
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
