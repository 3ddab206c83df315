// One decoder (KT_FUZZ_DECODER: LoadWAV or LoadOGG) on arbitrary bytes read as an open file: what
// it hands back has a sane format, and every byte the device would give OpenAL is touched, so a
// short block shows up under ASan.

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
