// File names: any bytes survive the trip through UTF-16 and back, and any well-formed UTF-16
// name without NUL survives the trip through the platform's bytes.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/data.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

bool well_formed(const std::vector<Char> &u) {
    for (std::size_t i = 0; i < u.size(); ++i) {
        if (u[i] == 0) return false;
        if (u[i] >= 0xD800 && u[i] < 0xDC00) {
            if (i + 1 >= u.size() || u[i + 1] < 0xDC00 || u[i + 1] >= 0xE000) return false;
            ++i;
        } else if (u[i] >= 0xDC00 && u[i] < 0xE000) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > (1u << 16)) return 0;
    const char *bytes = reinterpret_cast<const char *>(data);
    const String name = kt_data_FromFileName(bytes, static_cast<int>(size));
    std::string out;
    bool has_nul = std::string(bytes, size).find('\0') != std::string::npos;
    check(kt_data_ToFileName(name, out) == !has_nul);
    if (!has_nul) check(out == std::string(bytes, size));

    std::vector<Char> units(size / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = Char(data[2 * i] | data[2 * i + 1] << 8);
    if (well_formed(units)) {
        const String wide(units.data(), static_cast<int>(units.size()));
        check(kt_data_ToFileName(wide, out));
        check(kt_data_FromFileName(out.data(), static_cast<int>(out.size())) == wide);
    }
    return 0;
}
