// Text decoding of files: String::Load through a file handle must agree with String::Decode,
// stay within the input's bounds, and read back every state text the state file can hold.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/ktstring.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    const int n = static_cast<int>(size);
    const String decoded = String::Decode(data, n);

    if (n > 0) {
        std::FILE *f = fmemopen(const_cast<std::uint8_t *>(data), size, "rb");
        check(f != nullptr);
        check(String::Load(f) == decoded);
        std::fclose(f);
    }

    bool utf16 =
        n >= 2 && ((data[0] == 0xFE && data[1] == 0xFF) || (data[0] == 0xFF && data[1] == 0xFE));
    if (utf16) {
        check(decoded.Length() == (n - 2) / 2);
    } else {
        bool bom = n > 2 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
        const std::uint8_t *text = data + (bom ? 3 : 0);
        int m = n - (bom ? 3 : 0);
        check(decoded.Length() <= m);
        // As many units as bytes: ASCII or the Latin-1 fallback, one unit per byte either way.
        if (decoded.Length() == m) {
            for (int i = 0; i < m; ++i) check(decoded[i] == text[i]);
        }
    }

    // The same bytes as 16-bit units, saved the way the state file is, load back unchanged;
    // only a leading U+FEFF is taken for the byte-order mark.
    std::vector<Char> units(size / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = Char(data[2 * i] | data[2 * i + 1] << 8);
    const String state(units.data(), static_cast<int>(units.size()));
    if (state.Length() == 0 || state[0] != 0xFEFF) {
        std::string bytes = state.ToUtf8();
        String back = String::Decode(reinterpret_cast<const unsigned char *>(bytes.data()),
                                     static_cast<int>(bytes.size()));
        check(back == state);
    }
    return 0;
}
