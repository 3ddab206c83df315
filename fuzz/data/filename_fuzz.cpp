// File names: any bytes survive the trip through UTF-16 and back, and any well-formed UTF-16
// name without NUL survives the trip through the platform's bytes.

#include <string>

#include "fuzz/fuzz_support.h"
#include "host/data.h"

namespace {

bool WellFormed(const String &u) {
    for (int i = 0; i < u.Length(); ++i) {
        const bool high = u[i] >= 0xD800 && u[i] < 0xDC00;
        if (u[i] == 0 || (u[i] >= 0xDC00 && u[i] < 0xE000)) return false;
        if (high && (++i >= u.Length() || u[i] < 0xDC00 || u[i] >= 0xE000)) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > (1u << 16)) return 0;
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    std::string out;
    const bool has_nul = bytes.find('\0') != std::string::npos;
    check(kt_data_ToFileName(kt_data_FromFileName(bytes.data(), int(size)), out) == !has_nul);
    check(has_nul || out == bytes);
    const String wide = AsUnits(data, size);
    if (WellFormed(wide)) {
        check(kt_data_ToFileName(wide, out));
        check(kt_data_FromFileName(out.data(), static_cast<int>(out.size())) == wide);
    }
    return 0;
}
