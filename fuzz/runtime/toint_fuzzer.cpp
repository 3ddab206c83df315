// String::ToInt on arbitrary text: never undefined behaviour, and for numbers short enough for
// 64-bit parsing the same value as the C library's reading wrapped to 32 bits.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/ktstring.h"

namespace {

void check(const String &s) {
    int value = s.ToInt();

    // The text the conversion reads: at most 63 units, each narrowed to 8 bits, up to a zero.
    std::string narrow = s.Slice(0, 63).ToNarrow();
    narrow.resize(std::strlen(narrow.c_str()));
    std::size_t p = narrow.find_first_not_of(" \t\n\v\f\r");
    if (p == std::string::npos) p = narrow.size();
    std::size_t digits_at = p + (p < narrow.size() && (narrow[p] == '+' || narrow[p] == '-'));
    std::size_t digits = 0;
    while (digits_at + digits < narrow.size() && narrow[digits_at + digits] >= '0' &&
           narrow[digits_at + digits] <= '9') {
        ++digits;
    }
    if (digits > 18) return;
    long long expected = std::strtoll(narrow.c_str(), nullptr, 10);
    if (static_cast<std::uint32_t>(value) != static_cast<std::uint32_t>(expected)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // The bytes as 8-bit text, and pairs of bytes as 16-bit code units.
    check(String(reinterpret_cast<const char *>(data), static_cast<int>(size)));
    std::basic_string<Char> units;
    for (std::size_t i = 0; i + 1 < size; i += 2) units.push_back(Char(data[i] | data[i + 1] << 8));
    check(String(units.data(), static_cast<int>(units.size())));
    return 0;
}
