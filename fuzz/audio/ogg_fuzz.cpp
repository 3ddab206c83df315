// LoadOGG on arbitrary bytes.

#include "fuzz/audio/decode_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size) {
    return FuzzDecoder(LoadOGG, data, size);
}
