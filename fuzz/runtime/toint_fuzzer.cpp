// String::ToInt on any text, 8-bit and 16-bit: never undefined behaviour, and a text of up to 18
// digits (after spaces and a sign) reads as the C library reads it, wrapped to 32 bits.

#include <algorithm>
#include <cctype>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

void CheckToInt(const String &s) {
    const int value = s.ToInt();
    // What it reads: at most 63 units narrowed to 8 bits, up to a zero.
    const std::string narrow = s.Slice(0, 63).ToNarrow().c_str();
    std::size_t at = std::min(narrow.find_first_not_of(" \t\n\v\f\r"), narrow.size()), digits = 0;
    at += at < narrow.size() && (narrow[at] == '+' || narrow[at] == '-');
    while (at + digits < narrow.size() &&
           std::isdigit(static_cast<unsigned char>(narrow[at + digits])))
        ++digits;
    check(digits > 18 ||
          std::uint32_t(value) == std::uint32_t(std::strtoll(narrow.c_str(), nullptr, 10)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    CheckToInt(String(reinterpret_cast<const char *>(data), static_cast<int>(size)));
    CheckToInt(AsUnits(data, size));
    return 0;
}
