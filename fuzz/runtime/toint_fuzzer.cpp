// String::ToInt on any text, 8-bit and 16-bit, under the sanitizers: no undefined behaviour,
// however long or large the number (the values themselves: string_test).

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const String narrow(reinterpret_cast<const char *>(data), static_cast<int>(size));
    // A text and its widening to 16-bit units read the same.
    check(narrow.ToInt() == String(std::vector<Char>(data, data + size).data(), int(size)).ToInt());
    (void)AsUnits(data, size).ToInt();
    return 0;
}
