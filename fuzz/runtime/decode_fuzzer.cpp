// String::Decode on arbitrary bytes: never out of bounds, ASCII comes back unchanged, and any
// decoded text survives the state file's round trip (UTF-8 per code unit, decoded again).

#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/ktstring.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    int n = static_cast<int>(size);
    String text = String::Decode(data, n);
    if (text.Length() > n) std::abort();

    bool ascii = true;
    for (std::size_t i = 0; i < size; ++i) ascii = ascii && data[i] < 0x80;
    if (ascii) {
        if (text.Length() != n) std::abort();
        for (int i = 0; i < n; ++i) {
            if (text[i] != data[i]) std::abort();
        }
    }

    // A leading U+FEFF would be written as a byte-order mark and skipped on reading.
    if (text.Length() > 0 && text[0] == 0xFEFF) return 0;
    std::string utf8 = text.ToUtf8();
    String again = String::Decode(reinterpret_cast<const unsigned char *>(utf8.data()),
                                  static_cast<int>(utf8.size()));
    if (!(again == text)) std::abort();
    return 0;
}
