// Helpers shared by the fuzz targets.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runtime/ktstring.h"

// A property that does not hold ends the run, so that libFuzzer reports the input.
inline void check(bool ok) {
    if (!ok) std::abort();
}

// The bytes taken pairwise as little-endian 16-bit code units (an odd last byte is dropped).
inline String AsUnits(const std::uint8_t *data, std::size_t size) {
    std::vector<Char> units(size / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = Char(data[2 * i] | data[2 * i + 1] << 8);
    return String(units.data(), static_cast<int>(units.size()));
}
