// Text decoding of files on arbitrary bytes (built as data_decode and runtime_decode_fuzzer):
// String::Load through a file handle agrees with String::Decode and stays within the input's
// bounds, ASCII and the Latin-1 fallback come back byte for byte, and any text the state file
// can hold (the decoded text, or the bytes taken as 16-bit units) reads back unchanged.

#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

// Saved as the state file saves it (UTF-8 per code unit) and decoded again; only a leading
// U+FEFF is taken for the byte-order mark.
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
        // As many units as bytes: ASCII or the Latin-1 fallback, one unit per byte either way.
        for (int i = 0; decoded.Length() == n - bom && i < n - bom; ++i)
            check(decoded[i] == data[bom + i]);
    }
    RoundTrips(decoded);
    RoundTrips(AsUnits(data, size));
    return 0;
}
