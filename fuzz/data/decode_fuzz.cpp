// Text decoding of any file (data_decode, runtime_decode_fuzzer): Load agrees with Decode within
// the input's bounds, and any text the state file can hold reads back unchanged.

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
    const String decoded = String::Decode(data, static_cast<int>(size));
    std::FILE *f = size ? fmemopen(const_cast<std::uint8_t *>(data), size, "rb") : nullptr;
    check(!size || (f && String::Load(f) == decoded));
    if (f) std::fclose(f);
    check(decoded.Length() <= static_cast<int>(size));
    RoundTrips(decoded);
    RoundTrips(AsUnits(data, size));
    return 0;
}
