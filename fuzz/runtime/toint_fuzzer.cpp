// String::ToInt on any text: for up to 18 digits, the C library's value wrapped to 32 bits.

#include <cctype>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

void CheckToInt(const String &s) {
    const int value = s.ToInt();
    // What it reads: at most 63 units narrowed to 8 bits, up to a zero.
    const std::string narrow = s.Slice(0, 63).ToNarrow().c_str();
    std::size_t at = narrow.find_first_not_of(" \t\n\v\f\r");
    at = std::min(at, narrow.size());
    at += at < narrow.size() && (narrow[at] == '+' || narrow[at] == '-');
    std::size_t digits = 0;
    while (at + digits < narrow.size() &&
           std::isdigit(static_cast<unsigned char>(narrow[at + digits])))
        ++digits;
    check(digits > 18 || static_cast<std::uint32_t>(value) ==
                             static_cast<std::uint32_t>(std::strtoll(narrow.c_str(), nullptr, 10)));
}

}  // namespace

// The bytes as 8-bit text, and pairs of bytes as 16-bit code units.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    CheckToInt(String(reinterpret_cast<const char *>(data), static_cast<int>(size)));
    CheckToInt(AsUnits(data, size));
    return 0;
}
