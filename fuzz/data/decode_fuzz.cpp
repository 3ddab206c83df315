// Text decoding of any file (data_decode, runtime_decode_fuzzer): Load agrees with Decode, ASCII
// and Latin-1 come back byte for byte, and any text the state file can hold reads back unchanged.

#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

// Saved as the state file saves it and decoded again; a leading U+FEFF is a byte-order mark.
void RoundTrips(const String &text) {
    const std::string bytes = text.ToUtf8();
    check((text.Length() > 0 && text[0] == 0xFEFF) ||
          String::Decode(reinterpret_cast<const unsigned char *>(bytes.data()),
                         static_cast<int>(bytes.size())) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    const int n = static_cast<int>(size);
    const String decoded = String::Decode(data, n);
    std::FILE *f = n ? fmemopen(const_cast<std::uint8_t *>(data), size, "rb") : nullptr;
    check(!n || (f && String::Load(f) == decoded));
    if (f) std::fclose(f);
    if (n >= 2 && ((data[0] == 0xFE && data[1] == 0xFF) || (data[0] == 0xFF && data[1] == 0xFE))) {
        check(decoded.Length() == (n - 2) / 2);
    } else {
        const int bom = n > 2 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
        bool ascii = true;
        for (int i = bom; i < n; ++i) ascii = ascii && data[i] < 0x80;
        check(decoded.Length() <= n - bom && (!ascii || decoded.Length() == n - bom));
        for (int i = 0; decoded.Length() == n - bom && i < n - bom; ++i)
            check(decoded[i] == data[bom + i]);
    }
    RoundTrips(decoded);
    RoundTrips(AsUnits(data, size));
    return 0;
}
