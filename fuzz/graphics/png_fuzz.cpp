// Any bytes decoded as an image and taken into a surface as the renderer does, within bounds.

#include <climits>

#include "fuzz/fuzz_support.h"
#include "host/gxtk_graphics.h"
#include "host/image_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size) {
    if (size > INT_MAX) return 0;
    int width = 0, height = 0, depth = 0;
    unsigned char *pixels = kt_image_Decode(bytes, static_cast<int>(size), &width, &height, &depth);
    if (!pixels) return 0;
    check(width >= 1 && height >= 1 && width <= 8192 && height <= 8192 && depth >= 1 && depth <= 4);
    gxtkSurface *surface = new gxtkSurface();
    surface->SetData(pixels, width, height, depth);
    surface->Discard();
    gc_collect_step(nullptr);
    return 0;
}
