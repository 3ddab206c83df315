// Runs one decoder on the fuzzer's bytes as an open file and checks what it hands back.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/audio_decode.h"

inline int FuzzDecoder(decltype(&LoadWAV) decoder, const unsigned char *data, std::size_t size) {
    if (size == 0) return 0;
    std::FILE *file = fmemopen(const_cast<unsigned char *>(data), size, "rb");
    if (!file) return 0;
    int length = 0, channels = 0, format = 0, hertz = 0;
    unsigned char *pcm = decoder(file, &length, &channels, &format, &hertz);
    std::fclose(file);
    if (!pcm) return 0;
    if (length < 0 || channels <= 0 || format <= 0 || hertz < 0) std::abort();
    // Touch every byte the device would hand to OpenAL, so a short block shows up under ASan.
    std::size_t bytes = static_cast<std::size_t>(length) * channels * format;
    volatile unsigned char sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) sum = sum + pcm[i];
    std::free(pcm);
    return 0;
}
