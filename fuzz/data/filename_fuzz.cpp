// File names: any bytes survive UTF-16 and back; well-formed UTF-16 without NUL survives bytes.

#include <string>

#include "fuzz/fuzz_support.h"
#include "host/data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size > (1u << 16)) return 0;
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    std::string out;
    const bool has_nul = bytes.find('\0') != std::string::npos;
    check(kt_data_ToFileName(kt_data_FromFileName(bytes.data(), int(size)), out) == !has_nul);
    check(has_nul || out == bytes);
    const String wide = AsUnits(data, size);
    bool well_formed = true;
    for (int i = 0; i < wide.Length() && well_formed; ++i) {
        const bool high = wide[i] >= 0xD800 && wide[i] < 0xDC00;
        well_formed = wide[i] != 0 && (wide[i] < 0xDC00 || wide[i] >= 0xE000) &&
                      (!high || (++i < wide.Length() && wide[i] >= 0xDC00 && wide[i] < 0xE000));
    }
    check(!well_formed || (kt_data_ToFileName(wide, out) &&
                           kt_data_FromFileName(out.data(), static_cast<int>(out.size())) == wide));
    return 0;
}
