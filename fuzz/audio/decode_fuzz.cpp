// KT_FUZZ_DECODER on any file: a sane format, and every byte it hands back readable (ASan).

#include <cstdio>

#include "fuzz/fuzz_support.h"
#include "host/audio_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size) {
    std::FILE *file = size ? fmemopen(const_cast<unsigned char *>(data), size, "rb") : nullptr;
    if (!file) return 0;
    int length = 0, channels = 0, format = 0, hertz = 0;
    unsigned char *pcm = KT_FUZZ_DECODER(file, &length, &channels, &format, &hertz);
    std::fclose(file);
    check(!pcm || (length >= 0 && channels > 0 && format > 0 && hertz >= 0));
    volatile unsigned char sum = 0;
    for (std::size_t i = 0; pcm && i < std::size_t(length) * channels * format; ++i) sum += pcm[i];
    std::free(pcm);
    return 0;
}
