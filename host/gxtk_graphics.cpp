// gxtkGraphics: batching 2-D renderer on OpenGL 1.x client arrays.
//
// Sections: Globals; Helpers; Construction and frame; Surfaces; State; Batching; Primitives;
// Pixel transfer.

#include "host/gxtk_graphics.h"

// GL_GLEXT_PROTOTYPES: glMultiDrawArrays (core since 1.4) is declared in glext.h only.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Globals

int glfwGraphicsSeq;

// ---------------------------------------------------------------------------------------------
// Helpers

namespace {

constexpr float kTwoPi = 6.2831855f;

// Packs premultiplied bytes in memory order R, G, B, A whatever the host's byte order.
unsigned int packColor(float r, float g, float b, float a) {
    unsigned char bytes[4] = {
        static_cast<unsigned char>(static_cast<int>(r * a)),
        static_cast<unsigned char>(static_cast<int>(g * a)),
        static_cast<unsigned char>(static_cast<int>(b * a)),
        static_cast<unsigned char>(static_cast<int>(a * 255.0f)),
    };
    unsigned int packed;
    std::memcpy(&packed, bytes, 4);
    return packed;
}

// Colour components outside their range would make the byte conversion undefined; the
// packed value saturates instead (NaN counts as 0).
float clampf(float v, float hi) {
    return v > 0.0f ? (v < hi ? v : hi) : 0.0f;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and frame

gxtkGraphics::gxtkGraphics()
    : width(0),
      height(0),
      r(255),
      g(255),
      b(255),
      alpha(1),
      ix(1),
      iy(0),
      jx(0),
      jy(1),
      tx(0),
      ty(0),
      tformed(false),
      primType(0),
      primCount(0),
      polyCount(0),
      primSurf(nullptr),
      blend(0),
      glBlend(0),
      scissorX(0),
      scissorY(0),
      scissorW(-1),
      scissorH(-1),
      stats(),
      submit(true) {
    color = packColor(r, g, b, alpha);
    std::memset(vertices, 0, sizeof vertices);
    for (int q = 0; q < kMaxVertices / 4; ++q) {
        unsigned short *ix6 = quadIndexes + q * 6;
        unsigned short base = static_cast<unsigned short>(q * 4);
        ix6[0] = base, ix6[1] = base + 1, ix6[2] = base + 2;
        ix6[3] = base, ix6[4] = base + 2, ix6[5] = base + 3;
    }
    if (KtGame::_game) {
        width = KtGame::_game->GetDeviceWidth();
        height = KtGame::_game->GetDeviceHeight();
    }
}

void gxtkGraphics::mark() {
    gc_mark(primSurf);
    Object::mark();
}

int gxtkGraphics::Width() {
    return width;
}
int gxtkGraphics::Height() {
    return height;
}

int gxtkGraphics::BeginRender() {
    width = KtGame::_game ? KtGame::_game->GetDeviceWidth() : 0;
    height = KtGame::_game ? KtGame::_game->GetDeviceHeight() : 0;
    glViewport(0, 0, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(gxtkVertex), &vertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(gxtkVertex), &vertices[0].u);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(gxtkVertex), &vertices[0].color);

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    blend = glBlend = 0;
    glDisable(GL_TEXTURE_2D);

    // The scissor test survives from the last frame (or is off in a new context); the first
    // SetScissor of this frame is always applied.
    scissorW = scissorH = -1;
    primCount = polyCount = 0;
    stats = gxtkFrameStats();
    return 1;
}

void gxtkGraphics::EndRender() {
    Flush();
}

void gxtkGraphics::DiscardGraphics() {}

// ---------------------------------------------------------------------------------------------
// Surfaces

gxtkSurface *gxtkGraphics::LoadSurface(String path) {
    gxtkSurface *surface = new gxtkSurface();
    if (!LoadSurface__UNSAFE__(surface, path)) return nullptr;
    surface->Bind();
    return surface;
}

gxtkSurface *gxtkGraphics::CreateSurface(int w, int h) {
    gxtkSurface *surface = new gxtkSurface();
    surface->width = w;
    surface->height = h;
    surface->depth = 4;
    surface->format = GL_RGBA;
    // The texture is made at the first Bind (a draw or a pixel write's upload): a reserved
    // surface that is never drawn costs the driver nothing, and making a large empty texture
    // costs a software driver tens of milliseconds.
    return surface;
}

bool gxtkGraphics::LoadSurface__UNSAFE__(gxtkSurface *surface, String path) {
    if (!KtGame::_game) return false;
    int w = 0, h = 0, depth = 0;
    unsigned char *pixels = KtGame::_game->LoadImageData(path, &w, &h, &depth);
    if (!pixels) return false;
    surface->SetData(pixels, w, h, depth);
    return surface->data != nullptr;
}

// ---------------------------------------------------------------------------------------------
// State

// The whole window, whatever the scissor: glClear honours the scissor test, so the test is off
// for the clear and back on after if this frame's rectangle needs it. Before the first
// SetScissor of a frame it stays off; that SetScissor is applied in any case.
int gxtkGraphics::Cls(float cr, float cg, float cb) {
    primCount = polyCount = 0;
    if (!submit) return 0;
    glDisable(GL_SCISSOR_TEST);
    glClearColor(cr / 255.0f, cg / 255.0f, cb / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (scissorW >= 0 && !ScissorIsWindow()) glEnable(GL_SCISSOR_TEST);
    return 0;
}

int gxtkGraphics::SetAlpha(float a) {
    alpha = a;
    color = packColor(clampf(r, 255), clampf(g, 255), clampf(b, 255), clampf(alpha, 1));
    return 0;
}

int gxtkGraphics::SetColor(float cr, float cg, float cb) {
    r = cr, g = cg, b = cb;
    color = packColor(clampf(r, 255), clampf(g, 255), clampf(b, 255), clampf(alpha, 1));
    return 0;
}

// Only records the mode: Begin applies it (flushing the batch drawn under the old one) when
// the next primitive comes. A mode set and set back with nothing drawn in between, or set to
// the current one, therefore costs no flush and leaves the pixels the same.
int gxtkGraphics::SetBlend(int mode) {
    blend = mode == 1 ? 1 : 0;
    return 0;
}

void gxtkGraphics::ApplyBlend() {
    Flush();
    glBlend = blend;
    if (!submit) return;
    if (blend == 1) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
}

int gxtkGraphics::SetScissor(int x, int y, int w, int h) {
    if (x == scissorX && y == scissorY && w == scissorW && h == scissorH) return 0;
    Flush();
    scissorX = x, scissorY = y, scissorW = w, scissorH = h;
    if (!submit) return 0;
    if (ScissorIsWindow()) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        glEnable(GL_SCISSOR_TEST);
        glScissor(x, Height() - y - h, w, h);
    }
    return 0;
}

bool gxtkGraphics::ScissorIsWindow() {
    return scissorX == 0 && scissorY == 0 && scissorW == Width() && scissorH == Height();
}

int gxtkGraphics::SetMatrix(float mix, float miy, float mjx, float mjy, float mtx, float mty) {
    ix = mix, iy = miy, jx = mjx, jy = mjy, tx = mtx, ty = mty;
    // Written as a negation so that a NaN anywhere counts as transformed.
    tformed = !(ix == 1 && iy == 0 && jx == 0 && jy == 1 && tx == 0 && ty == 0);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Batching

gxtkVertex *gxtkGraphics::Begin(int type, int count, gxtkSurface *surface) {
    if (blend != glBlend) ApplyBlend();
    bool polygon = type >= 5;
    bool sameKind = type == primType || (polygon && primType >= 5);
    if (sameKind && surface == primSurf && primCount + count <= kMaxVertices) {
        if (polygon) polySizes[polyCount++] = count;
        gxtkVertex *v = vertices + primCount;
        primCount += count;
        return v;
    }
    Flush();
    primType = type;
    gc_assign(primSurf, surface);
    primCount = count;
    polyCount = 0;
    if (polygon) polySizes[polyCount++] = count;
    return vertices;
}

void gxtkGraphics::Flush() {
    if (primCount == 0) return;
    int n = primCount, polys = polyCount;
    primCount = polyCount = 0;
    ++stats.flushes;
    stats.vertices += n;
    ++stats.drawCalls;
    if (!submit) return;

    if (primSurf) {
        glEnable(GL_TEXTURE_2D);
        primSurf->Bind();
    }
    switch (primType) {
        case 1:
            glDrawArrays(GL_POINTS, 0, n);
            break;
        case 2:
            glDrawArrays(GL_LINES, 0, n);
            break;
        case 3:
            glDrawArrays(GL_TRIANGLES, 0, n);
            break;
        case 4:
            glDrawElements(GL_TRIANGLES, n / 4 * 6, GL_UNSIGNED_SHORT, quadIndexes);
            break;
        default: {
            // Each polygon is its own fan; one multi-draw call issues them all, exactly as
            // the same fans drawn one by one.
            static GLint firsts[kMaxVertices / 5];
            static GLsizei counts[kMaxVertices / 5];
            int first = 0;
            for (int i = 0; i < polys; ++i) {
                firsts[i] = first;
                counts[i] = polySizes[i];
                first += polySizes[i];
            }
            glMultiDrawArrays(GL_TRIANGLE_FAN, firsts, counts, polys);
            break;
        }
    }
    if (primSurf) glDisable(GL_TEXTURE_2D);
}

// ---------------------------------------------------------------------------------------------
// Primitives

int gxtkGraphics::DrawPoint(float x, float y) {
    if (tformed) {
        float px = x;
        x = px * ix + y * jx + tx, y = px * iy + y * jy + ty;
    }
    gxtkVertex *v = Begin(1, 1, nullptr);
    v[0] = {x + 0.5f, y + 0.5f, 0, 0, color};
    return 0;
}

int gxtkGraphics::DrawLine(float x0, float y0, float x1, float y1) {
    if (tformed) {
        float tx0 = x0, tx1 = x1;
        x0 = tx0 * ix + y0 * jx + tx, y0 = tx0 * iy + y0 * jy + ty;
        x1 = tx1 * ix + y1 * jx + tx, y1 = tx1 * iy + y1 * jy + ty;
    }
    gxtkVertex *v = Begin(2, 2, nullptr);
    v[0] = {x0 + 0.5f, y0 + 0.5f, 0, 0, color};
    v[1] = {x1 + 0.5f, y1 + 0.5f, 0, 0, color};
    return 0;
}

namespace {

// Texture coordinates depend on the texture's allocated size, so a surface whose texture is
// missing or from an older context gets it before its coordinates are computed.
inline void ensureTexture(gxtkSurface *surface) {
    if (surface->seq != glfwGraphicsSeq) surface->Bind();
}

// The four corners of an axis-aligned quad with their texture coordinates, transformed by the
// renderer's matrix when it is not the identity.
inline void putQuad(gxtkVertex *v, const gxtkGraphics &gr, float x0, float y0, float x1, float y1,
                    float u0, float v0, float u1, float v1) {
    unsigned int c = gr.color;
    if (gr.tformed) {
        float ix = gr.ix, iy = gr.iy, jx = gr.jx, jy = gr.jy, tx = gr.tx, ty = gr.ty;
        v[0] = {x0 * ix + y0 * jx + tx, x0 * iy + y0 * jy + ty, u0, v0, c};
        v[1] = {x1 * ix + y0 * jx + tx, x1 * iy + y0 * jy + ty, u1, v0, c};
        v[2] = {x1 * ix + y1 * jx + tx, x1 * iy + y1 * jy + ty, u1, v1, c};
        v[3] = {x0 * ix + y1 * jx + tx, x0 * iy + y1 * jy + ty, u0, v1, c};
    } else {
        v[0] = {x0, y0, u0, v0, c};
        v[1] = {x1, y0, u1, v0, c};
        v[2] = {x1, y1, u1, v1, c};
        v[3] = {x0, y1, u0, v1, c};
    }
}

}  // namespace

int gxtkGraphics::DrawRect(float x, float y, float w, float h) {
    putQuad(Begin(4, 4, nullptr), *this, x, y, x + w, y + h, 0, 0, 0, 0);
    return 0;
}

int gxtkGraphics::DrawSurface(gxtkSurface *surface, float x, float y) {
    ensureTexture(surface);
    float w = static_cast<float>(surface->width), h = static_cast<float>(surface->height);
    putQuad(Begin(4, 4, surface), *this, x, y, x + w, y + h, 0, 0, w * surface->uscale,
            h * surface->vscale);
    return 0;
}

int gxtkGraphics::DrawSurface2(gxtkSurface *surface, float x, float y, int srcx, int srcy, int srcw,
                               int srch) {
    ensureTexture(surface);
    float us = surface->uscale, vs = surface->vscale;
    putQuad(Begin(4, 4, surface), *this, x, y, x + srcw, y + srch, srcx * us, srcy * vs,
            (srcx + srcw) * us, (srcy + srch) * vs);
    return 0;
}

int gxtkGraphics::DrawOval(float x, float y, float w, float h) {
    float xr = w * 0.5f, yr = h * 0.5f;
    float segs;
    if (tformed) {
        float dx = std::sqrt(ix * xr * ix * xr + iy * xr * iy * xr);
        float dy = std::sqrt(jx * yr * jx * yr + jy * yr * jy * yr);
        segs = std::floor(dx + dy + 0.5f);
    } else {
        segs = std::floor(std::fabs(xr) + 0.5f) + std::floor(std::fabs(yr) + 0.5f);
    }
    // Clamped while still a float, so that a huge or NaN size never reaches an int cast.
    int n;
    if (!(segs >= 12.0f)) {
        n = 12;
    } else if (segs > 1024.0f) {
        n = 1024;
    } else {
        n = static_cast<int>(segs) & ~3;
    }

    float cx = x + xr, cy = y + yr;
    gxtkVertex *v = Begin(n, n, nullptr);
    for (int i = 0; i < n; ++i) {
        float a = static_cast<float>(i) * kTwoPi / static_cast<float>(n);
        float px = cx + std::cos(a) * xr, py = cy - std::sin(a) * yr;
        if (tformed) {
            float qx = px;
            px = qx * ix + py * jx + tx, py = qx * iy + py * jy + ty;
        }
        v[i] = {px, py, 0, 0, color};
    }
    return 0;
}

int gxtkGraphics::DrawPoly(Array<float> xy) {
    int n = xy.Length() / 2;
    if (n < 1 || n > kMaxVertices) return 0;
    gxtkVertex *v = Begin(n, n, nullptr);
    const float *p = xy.Data();
    for (int i = 0; i < n; ++i, p += 2) {
        float px = p[0], py = p[1];
        if (tformed) px = p[0] * ix + p[1] * jx + tx, py = p[0] * iy + p[1] * jy + ty;
        v[i] = {px, py, 0, 0, color};
    }
    return 0;
}

int gxtkGraphics::DrawPoly2(Array<float> xyuv, gxtkSurface *surface, int srcx, int srcy) {
    int n = xyuv.Length() / 4;
    if (n < 1 || n > kMaxVertices) return 0;
    ensureTexture(surface);
    gxtkVertex *v = Begin(n, n, surface);
    const float *p = xyuv.Data();
    float us = surface->uscale, vs = surface->vscale;
    for (int i = 0; i < n; ++i, p += 4) {
        float px = p[0], py = p[1];
        if (tformed) px = p[0] * ix + p[1] * jx + tx, py = p[0] * iy + p[1] * jy + ty;
        v[i] = {px, py, (p[2] + srcx) * us, (p[3] + srcy) * vs, color};
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Pixel transfer

namespace {

// True when rows offset, offset + pitch, ... of `w` ints each all lie inside `length`.
bool rowsFit(int length, int w, int h, int offset, int pitch) {
    if (w < 0 || h < 0) return false;
    if (w == 0 || h == 0) return true;
    long long first = offset, last = offset + static_cast<long long>(h - 1) * pitch;
    long long lo = first < last ? first : last, hi = first < last ? last : first;
    return lo >= 0 && hi + w <= length;
}

}  // namespace

int gxtkGraphics::ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch) {
    if (!rowsFit(pixels.Length(), w, h, offset, pitch)) {
        ktError(
            String("ReadPixels: the rectangle is negative or the pixel array cannot hold "
                   "all of its rows; size the array for offset + (height - 1) x pitch + "
                   "width ints"));
    }
    Flush();
    if (w == 0 || h == 0 || !submit) return 0;
    std::vector<unsigned char> rows(static_cast<std::size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, Height() - y - h, w, h, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    // OpenGL's rows run bottom up.
    for (int row = 0; row < h; ++row) {
        const unsigned char *src = rows.data() + static_cast<std::size_t>(h - 1 - row) * w * 4;
        int *dst = pixels.Data() + offset + row * pitch;
        for (int col = 0; col < w; ++col, src += 4) {
            dst[col] = static_cast<int>(static_cast<unsigned int>(src[3]) << 24 |
                                        static_cast<unsigned int>(src[2]) << 16 |
                                        static_cast<unsigned int>(src[1]) << 8 | src[0]);
        }
    }
    return 0;
}

// Primitives already batched with this surface must show its old pixels, so they go first.
int gxtkGraphics::WritePixels2(gxtkSurface *surface, Array<int> pixels, int x, int y, int w, int h,
                               int offset, int pitch) {
    if (primCount > 0 && primSurf == surface) Flush();
    surface->SetSubData(x, y, w, h, pixels, offset, pitch);
    return 0;
}
