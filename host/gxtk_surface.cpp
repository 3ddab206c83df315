// gxtkSurface: pixels kept in memory and a texture re-created per OpenGL context.

#include "host/gxtk_graphics.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

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

}  // namespace

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
    if (seq == glfwGraphicsSeq && seq > 0) {
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
    if (!data) {
        data =
            static_cast<unsigned char *>(std::calloc(static_cast<std::size_t>(width) * height, 4));
        if (!data) return;
        long long bytes = static_cast<long long>(width) * height * 4;
        gc_ext_malloced(bytes < 0x7fffffff ? static_cast<int>(bytes) : 0x7fffffff);
    }

    for (int row = 0; row < h; ++row) {
        const int *src = pixels.Data() + offset + static_cast<long long>(row) * pitch;
        unsigned char *dst = data + (static_cast<std::size_t>(y + row) * width + x) * 4;
        for (int col = 0; col < w; ++col, dst += 4) {
            unsigned argb = static_cast<unsigned>(src[col]);
            unsigned a = argb >> 24;
            dst[0] = ((argb >> 16) & 255) * a / 255;
            dst[1] = ((argb >> 8) & 255) * a / 255;
            dst[2] = (argb & 255) * a / 255;
            dst[3] = static_cast<unsigned char>(a);
        }
    }

    if (seq != glfwGraphicsSeq || seq <= 0) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // The row length lets one call upload a rectangle narrower than the store.
    glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE,
                    data + (static_cast<std::size_t>(y) * width + x) * 4);
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
    if (refused) {
        // A driver without non-power-of-two textures: pad, the image sits top-left.
        tw = gxtk_PowerOfTwo(width), th = gxtk_PowerOfTwo(height);
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), tw, th, 0, format,
                     GL_UNSIGNED_BYTE, nullptr);
        if (data) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, data);
        }
    }
    uscale = 1.0f / static_cast<float>(tw > 0 ? tw : 1);
    vscale = 1.0f / static_cast<float>(th > 0 ? th : 1);
}
