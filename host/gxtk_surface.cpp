// gxtkSurface: pixels in memory until a texture holds them, read back before a context goes.

#include "host/gxtk_graphics.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <unordered_set>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Globals

namespace {

bool forcePowerOfTwo = false;

GLenum formatForDepth(int depth) {
    switch (depth) {
        case 1:
            return GL_LUMINANCE;
        case 2:
            return GL_LUMINANCE_ALPHA;
        case 3:
            return GL_RGB;
        default:
            return GL_RGBA;
    }
}

// Clears errors left by earlier calls, so the allocation's own error is the one seen.
void drainGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// The surfaces whose texture was made in some context and not yet deleted or saved: the ones
// gxtk_SaveTextures reads back. Raw pointers: a surface removes itself in Discard and its
// destructor, so the registry never holds a freed surface. Never destroyed, so a surface
// freed during the process's exit still finds it.
std::unordered_set<gxtkSurface *> &liveTextures() {
    static auto *surfaces = new std::unordered_set<gxtkSurface *>();
    return *surfaces;
}

bool hasTextureOfThisContext(const gxtkSurface &s) {
    return s.seq == glfwGraphicsSeq && s.seq > 0;
}

// The texture's pixels as a new pixel store (null when the texture holds none): width x height
// of the surface's own format, cut from the top-left corner of a padded texture.
unsigned char *readTexture(const gxtkSurface &s) {
    GLint tw = 0, th = 0;
    glBindTexture(GL_TEXTURE_2D, s.texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);
    if (s.width <= 0 || s.height <= 0 || tw < s.width || th < s.height) return nullptr;
    std::size_t row = static_cast<std::size_t>(s.width) * s.depth;
    // Zeroed, so a read the driver refuses leaves a clear image rather than stale memory.
    auto *pixels = static_cast<unsigned char *>(std::calloc(row, s.height));
    if (!pixels) return nullptr;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (tw == s.width && th == s.height) {
        glGetTexImage(GL_TEXTURE_2D, 0, s.format, GL_UNSIGNED_BYTE, pixels);
        return pixels;
    }
    std::size_t paddedRow = static_cast<std::size_t>(tw) * s.depth;
    std::vector<unsigned char> padded(paddedRow * th);
    glGetTexImage(GL_TEXTURE_2D, 0, s.format, GL_UNSIGNED_BYTE, padded.data());
    for (int y = 0; y < s.height; ++y) {
        std::memcpy(pixels + y * row, padded.data() + y * paddedRow, row);
    }
    return pixels;
}

}  // namespace

// The stores made here are not reported to the collector: they hold pixels that already
// counted when they were decoded or written, and the next Bind frees them again.
void gxtk_SaveTextures() {
    for (gxtkSurface *s : liveTextures()) {
        if (hasTextureOfThisContext(*s) && !s->data) s->data = readTexture(*s);
        s->seq = -1;
    }
    liveTextures().clear();
}

void gxtk_SetForcePowerOfTwo(bool on) {
    forcePowerOfTwo = on;
}

int gxtk_PowerOfTwo(int n) {
    int p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

// ---------------------------------------------------------------------------------------------
// Surface

gxtkSurface::gxtkSurface()
    : data(nullptr),
      width(0),
      height(0),
      depth(0),
      format(0),
      seq(-1),
      texture(0),
      uscale(1),
      vscale(1) {}

gxtkSurface::~gxtkSurface() {
    Discard();
}

int gxtkSurface::Discard() {
    liveTextures().erase(this);
    if (hasTextureOfThisContext(*this)) {
        glDeleteTextures(1, &texture);
        seq = -1;
    }
    std::free(data);
    data = nullptr;
    return 0;
}

int gxtkSurface::Width() {
    return width;
}
int gxtkSurface::Height() {
    return height;
}
bool gxtkSurface::Loaded() {
    return true;
}
void gxtkSurface::OnUnsafeLoadComplete() {
    Bind();
}

void gxtkSurface::SetData(unsigned char *pixels, int w, int h, int d) {
    std::free(data);
    data = nullptr;
    if (!pixels || d < 1 || d > 4 || w < 0 || h < 0) {
        std::free(pixels);
        return;
    }
    data = pixels;
    width = w;
    height = h;
    depth = d;
    format = formatForDepth(d);

    std::size_t count = static_cast<std::size_t>(w) * h;
    unsigned char *p = pixels;
    if (d == 2) {
        for (std::size_t i = 0; i < count; ++i, p += 2) p[0] = p[0] * p[1] / 255;
    } else if (d == 4) {
        // Opaque pixels stay as they are and clear ones become zero, exactly as the product
        // would make them; art is mostly one or the other, and this runs on every load.
        for (std::size_t i = 0; i < count; ++i, p += 4) {
            unsigned a = p[3];
            if (a == 255) continue;
            if (a == 0) {
                p[0] = p[1] = p[2] = 0;
                continue;
            }
            p[0] = p[0] * a / 255, p[1] = p[1] * a / 255, p[2] = p[2] * a / 255;
        }
    }
}

void gxtkSurface::SetSubData(int x, int y, int w, int h, Array<int> pixels, int offset, int pitch) {
    if (format != GL_RGBA) return;
    bool inside = x >= 0 && y >= 0 && w >= 0 && h >= 0 && w <= width - x && h <= height - y;
    long long first = offset, last = offset + static_cast<long long>(h > 0 ? h - 1 : 0) * pitch;
    long long lo = first < last ? first : last, hi = first < last ? last : first;
    if (!inside || (w > 0 && h > 0 && (lo < 0 || hi + w > pixels.Length()))) {
        ktError(
            String("WritePixels: the rectangle must lie inside the surface and the pixel "
                   "array must hold offset + (height - 1) x pitch + width ints"));
    }
    if (w == 0 || h == 0) return;
    bool live = hasTextureOfThisContext(*this);
    if (!data && !live) {
        data =
            static_cast<unsigned char *>(std::calloc(static_cast<std::size_t>(width) * height, 4));
        if (!data) return;
        long long bytes = static_cast<long long>(width) * height * 4;
        gc_ext_malloced(bytes < 0x7fffffff ? static_cast<int>(bytes) : 0x7fffffff);
    }

    // Into the store where there is one; otherwise the texture holds the pixels and only the
    // rectangle is converted, into a buffer of its own.
    std::vector<unsigned char> rect;
    unsigned char *out;
    int stride;  // pixels from one row to the next
    if (data) {
        out = data + (static_cast<std::size_t>(y) * width + x) * 4;
        stride = width;
    } else {
        rect.resize(static_cast<std::size_t>(w) * h * 4);
        out = rect.data();
        stride = w;
    }
    for (int row = 0; row < h; ++row) {
        const int *src = pixels.Data() + offset + static_cast<long long>(row) * pitch;
        unsigned char *dst = out + static_cast<std::size_t>(row) * stride * 4;
        for (int col = 0; col < w; ++col, dst += 4) {
            unsigned argb = static_cast<unsigned>(src[col]);
            unsigned a = argb >> 24;
            dst[0] = ((argb >> 16) & 255) * a / 255;
            dst[1] = ((argb >> 8) & 255) * a / 255;
            dst[2] = (argb & 255) * a / 255;
            dst[3] = static_cast<unsigned char>(a);
        }
    }

    if (!live) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The row length lets one call upload a rectangle narrower than the store.
    glPixelStorei(GL_UNPACK_ROW_LENGTH, stride);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, out);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void gxtkSurface::Bind() {
    if (glfwGraphicsSeq == 0) return;
    if (seq == glfwGraphicsSeq) {
        glBindTexture(GL_TEXTURE_2D, texture);
        return;
    }
    seq = glfwGraphicsSeq;
    glGenTextures(1, &texture);
    liveTextures().insert(this);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    int tw = width, th = height;
    drainGlErrors();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    bool refused = forcePowerOfTwo && (tw != gxtk_PowerOfTwo(tw) || th != gxtk_PowerOfTwo(th));
    if (!refused) {
        // Allocated and filled in one pass: a large image costs a software driver one copy.
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), tw, th, 0, format,
                     GL_UNSIGNED_BYTE, data);
        refused = glGetError() != GL_NO_ERROR;
    }
    bool uploaded = !refused;
    if (refused) {
        // A driver without non-power-of-two textures: pad, the image sits top-left.
        tw = gxtk_PowerOfTwo(width), th = gxtk_PowerOfTwo(height);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), tw, th, 0, format,
                     GL_UNSIGNED_BYTE, nullptr);
        if (data) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, data);
        }
        uploaded = glGetError() == GL_NO_ERROR;
    }
    uscale = 1.0f / static_cast<float>(tw > 0 ? tw : 1);
    vscale = 1.0f / static_cast<float>(th > 0 ? th : 1);
    // The texture holds the pixels now. After a failed upload the store stays their only copy.
    // The freed bytes stay counted for the collector: the texture holds as many until the
    // surface is collected, and finding dead surfaces is what that count paces.
    if (uploaded) {
        std::free(data);
        data = nullptr;
    }
}
