// The graphics module: images and frames, the matrix stack and the per-frame render state.
//
// Sections: Globals; Helpers; Frames and images; Context; Device and frame; State; Matrix;
// Drawing; Loading.

#include "framework/graphics.h"

#include <climits>
#include <cmath>

// ---------------------------------------------------------------------------------------------
// Globals

gxtkGraphics *kt_graphics_device;
c_GraphicsContext *kt_graphics_context;
gxtkGraphics *kt_graphics_renderDevice;

namespace {

gc_roots roots([] {
    gc_mark(kt_graphics_device);
    gc_mark(kt_graphics_context);
    gc_mark(kt_graphics_renderDevice);
});

// pi / 180 in single precision.
constexpr float kDegToRad = 0.017453292f;

// ---------------------------------------------------------------------------------------------
// Helpers

// The renderer of the current frame; drawing outside a frame has nowhere to go.
inline gxtkGraphics *renderer() {
    if (!kt_graphics_renderDevice) {
        ktError(
            String("Graphics state and drawing calls are allowed only while rendering; "
                   "call them from the render hook"));
    }
    return kt_graphics_renderDevice;
}

gxtkGraphics *device() {
    if (!kt_graphics_device) {
        ktError(
            String("No graphics device yet: it is created when the game starts, so load "
                   "images and render from the create hook on"));
    }
    return kt_graphics_device;
}

// Nearest integer; out-of-range values saturate and NaN gives 0 instead of being undefined.
int roundToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return INT_MAX;
    if (v <= -2147483520.0f) return INT_MIN;
    return static_cast<int>(std::lround(v));
}

void requireFrameCount(int frameCount) {
    if (frameCount < 1) {
        ktError(String("Image frame count must be at least 1 (got ") + String(frameCount) +
                String(")"));
    }
}

void requireMatrixArray(const Array<float> &m) {
    if (m.Length() < 6) ktError(String("A matrix array needs 6 elements (ix, iy, jx, jy, tx, ty)"));
}

c_Frame *frameOf(c_Image *image, int frame) {
    if (!image) ktError(String("DrawImage: the image is null; check that it was loaded"));
    if (frame < 0 || frame >= image->frames.Length()) {
        ktError(String("Image frame ") + String(frame) + String(" out of range: the image has ") +
                String(image->frames.Length()) + String(" frames"));
    }
    return image->frames[frame];
}

// The current matrix times (a, b, c, d, e, f) on the right.
inline void transform(c_GraphicsContext *g, float a, float b, float c, float d, float e, float f) {
    float ix = g->ix * a + g->jx * b, iy = g->iy * a + g->jy * b;
    float jx = g->ix * c + g->jx * d, jy = g->iy * c + g->jy * d;
    float tx = g->ix * e + g->jx * f + g->tx, ty = g->iy * e + g->jy * f + g->ty;
    g->ix = ix, g->iy = iy, g->jx = jx, g->jy = jy, g->tx = tx, g->ty = ty;
    g->matDirty = 1;
}

inline void rotate(c_GraphicsContext *g, float angle) {
    float r = angle * kDegToRad;
    float c = static_cast<float>(std::cos(static_cast<double>(r)));
    float s = static_cast<float>(std::sin(static_cast<double>(r)));
    transform(g, c, -s, s, c, 0, 0);
}

// Draws frame `f` with its handle at (x, y) of the current matrix.
inline void drawFrame(gxtkGraphics *gr, c_Image *image, c_Frame *f, float x, float y) {
    if (image->flags & c_Image::kFullFrame) {
        gr->DrawSurface(image->surface, x, y);
    } else {
        gr->DrawSurface2(image->surface, x, y, f->x, f->y, image->width, image->height);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Frames and images

c_Frame *c_Frame::m_new(int fx, int fy) {
    x = fx, y = fy;
    return this;
}

c_Image *c_Image::m_new() {
    return this;
}

void c_Image::mark() {
    gc_mark(surface);
    gc_mark(frames);
    gc_mark(source);
    Object::mark();
}

c_Image *c_Image::p_Init(gxtkSurface *surf, int frameCount, int iflags) {
    if (surface) ktError(String("Image already initialized"));
    requireFrameCount(frameCount);
    gc_assign(surface, surf);
    width = surf->Width() / frameCount;
    height = surf->Height();
    gc_assign(frames, Array<c_Frame *>(frameCount));
    for (int i = 0; i < frameCount; ++i) frames.Store(i, (new c_Frame)->m_new(i * width, 0));
    p_ApplyFlags(iflags);
    return this;
}

c_Image *c_Image::p_Init2(gxtkSurface *surf, int x, int y, int iwidth, int iheight, int frameCount,
                          int iflags, c_Image *src, int srcx, int srcy, int srcw, int srch) {
    if (surface) ktError(String("Image already initialized"));
    gc_assign(surface, surf);
    gc_assign(source, src);
    width = iwidth;
    height = iheight;
    gc_assign(frames, Array<c_Frame *>(frameCount));

    // 64-bit cursor: sums of large sizes must not wrap around into a false fit.
    long long cx = x, cy = y;
    for (int i = 0; i < frameCount; ++i) {
        if (cx + width > srcw) {
            cy += height;
            if (width > srcw) ktError(String("Image frame outside surface"));
            cx = 0;
        }
        if (cy + height > srch) ktError(String("Image frame outside surface"));
        frames.Store(
            i, (new c_Frame)->m_new(static_cast<int>(cx + srcx), static_cast<int>(cy + srcy)));
        cx += width;
    }
    p_ApplyFlags(iflags);
    return this;
}

int c_Image::p_ApplyFlags(int iflags) {
    // The full-frame bit is the module's own conclusion, never taken from the caller.
    flags = iflags & ~kFullFrame;
    int n = frames.Length();
    if (flags & kXBorder) {
        for (int i = 0; i < n; ++i) frames[i]->x += 1;
        width -= 2;
    }
    if (flags & kYBorder) {
        for (int i = 0; i < n; ++i) frames[i]->y += 1;
        height -= 2;
    }
    if (flags & kMidHandle) p_SetHandle(width * 0.5f, height * 0.5f);
    if (n == 1 && frames[0]->x == 0 && frames[0]->y == 0 && width == surface->Width() &&
        height == surface->Height()) {
        flags |= kFullFrame;
    }
    return 0;
}

int c_Image::p_SetHandle(float htx, float hty) {
    tx = htx, ty = hty;
    flags &= ~kMidHandle;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Context

c_GraphicsContext *c_GraphicsContext::m_new() {
    gc_assign(matrixStack, Array<float>(192));
    return this;
}

void c_GraphicsContext::mark() {
    gc_mark(defaultFont);
    gc_mark(matrixStack);
    gc_mark(font);
    Object::mark();
}

int c_GraphicsContext::p_Validate() {
    if (matDirty) {
        renderer()->SetMatrix(ix, iy, jx, jy, tx, ty);
        matDirty = 0;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Device and frame

void kt_graphics_Init() {
    kt_graphics_device = nullptr;
    kt_graphics_renderDevice = nullptr;
    gc_assign(kt_graphics_context, (new c_GraphicsContext)->m_new());
}

int kt_graphics_SetGraphicsDevice(gxtkGraphics *dev) {
    gc_assign(kt_graphics_device, dev);
    return 0;
}

// The scissor is switched off with the renderer's own size rather than the app module's cached
// one, so the full-window test inside the renderer always matches and never leaves a stale
// window-sized scissor enabled after a resize.
int kt_graphics_BeginRender() {
    gxtkGraphics *gr = device();
    gc_assign(kt_graphics_renderDevice, gr);
    c_GraphicsContext *g = kt_graphics_context;
    g->matrixSp = 0;
    g->ix = 1, g->iy = 0, g->jx = 0, g->jy = 1, g->tx = 0, g->ty = 0;
    g->matDirty = 1;
    gr->SetColor(255, 255, 255);
    gr->SetAlpha(1);
    gr->SetBlend(0);
    gr->SetScissor(0, 0, gr->Width(), gr->Height());
    return 0;
}

int kt_graphics_EndRender() {
    kt_graphics_renderDevice = nullptr;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// State

int kt_graphics_SetColor(float r, float g, float b) {
    return renderer()->SetColor(r, g, b);
}
int kt_graphics_SetAlpha(float alpha) {
    return renderer()->SetAlpha(alpha);
}
int kt_graphics_SetBlend(int mode) {
    return renderer()->SetBlend(mode);
}

int kt_graphics_SetScissor(float x, float y, float w, float h) {
    return renderer()->SetScissor(roundToInt(x), roundToInt(y), roundToInt(w), roundToInt(h));
}

// ---------------------------------------------------------------------------------------------
// Matrix

int kt_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty) {
    c_GraphicsContext *g = kt_graphics_context;
    g->ix = ix, g->iy = iy, g->jx = jx, g->jy = jy, g->tx = tx, g->ty = ty;
    g->matDirty = 1;
    return 0;
}

int kt_graphics_SetMatrix2(Array<float> m) {
    requireMatrixArray(m);
    return kt_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int kt_graphics_Transform(float a, float b, float c, float d, float e, float f) {
    transform(kt_graphics_context, a, b, c, d, e, f);
    return 0;
}

int kt_graphics_Transform2(Array<float> m) {
    requireMatrixArray(m);
    return kt_graphics_Transform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int kt_graphics_Translate(float x, float y) {
    return kt_graphics_Transform(1, 0, 0, 1, x, y);
}
int kt_graphics_Scale(float x, float y) {
    return kt_graphics_Transform(x, 0, 0, y, 0, 0);
}

int kt_graphics_Rotate(float angle) {
    rotate(kt_graphics_context, angle);
    return 0;
}

int kt_graphics_PushMatrix() {
    c_GraphicsContext *g = kt_graphics_context;
    int sp = g->matrixSp;
    if (sp == g->matrixStack.Length()) {
        gc_assign(g->matrixStack, g->matrixStack.Resize(sp > 0 ? sp * 2 : 192));
    }
    float *m = g->matrixStack.Data() + sp;
    m[0] = g->ix, m[1] = g->iy, m[2] = g->jx, m[3] = g->jy, m[4] = g->tx, m[5] = g->ty;
    g->matrixSp = sp + 6;
    return 0;
}

int kt_graphics_PopMatrix() {
    c_GraphicsContext *g = kt_graphics_context;
    if (g->matrixSp < 6) ktError(String("PopMatrix without a matching PushMatrix"));
    g->matrixSp -= 6;
    const float *m = g->matrixStack.Data() + g->matrixSp;
    g->ix = m[0], g->iy = m[1], g->jx = m[2], g->jy = m[3], g->tx = m[4], g->ty = m[5];
    g->matDirty = 1;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Drawing

int kt_graphics_DrawRect(float x, float y, float w, float h) {
    kt_graphics_context->p_Validate();
    return renderer()->DrawRect(x, y, w, h);
}

int kt_graphics_DrawLine(float x1, float y1, float x2, float y2) {
    kt_graphics_context->p_Validate();
    return renderer()->DrawLine(x1, y1, x2, y2);
}

int kt_graphics_DrawEllipse(float x, float y, float w, float h) {
    kt_graphics_context->p_Validate();
    return renderer()->DrawOval(x, y, w, h);
}

int kt_graphics_DrawImage(c_Image *image, float x, float y, int frame) {
    c_Frame *f = frameOf(image, frame);
    kt_graphics_context->p_Validate();
    drawFrame(renderer(), image, f, x - image->tx, y - image->ty);
    return 0;
}

int kt_graphics_DrawImage2(c_Image *image, float x, float y, float rotation, float scaleX,
                           float scaleY, int frame) {
    c_Frame *f = frameOf(image, frame);
    c_GraphicsContext *g = kt_graphics_context;
    kt_graphics_PushMatrix();
    transform(g, 1, 0, 0, 1, x, y);
    rotate(g, rotation);
    transform(g, scaleX, 0, 0, scaleY, 0, 0);
    transform(g, 1, 0, 0, 1, -image->tx, -image->ty);
    g->p_Validate();
    drawFrame(renderer(), image, f, 0, 0);
    kt_graphics_PopMatrix();
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Loading

c_Image *kt_graphics_LoadImage(String path, int frameCount, int flags) {
    requireFrameCount(frameCount);
    gxtkSurface *surface = device()->LoadSurface(kt_data_FixDataPath(path));
    if (!surface) return nullptr;
    return (new c_Image)->m_new()->p_Init(surface, frameCount, flags);
}

c_Image *kt_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                int flags) {
    gxtkSurface *surface = device()->LoadSurface(kt_data_FixDataPath(path));
    if (!surface) return nullptr;
    return (new c_Image)
        ->m_new()
        ->p_Init2(surface, 0, 0, frameWidth, frameHeight, frameCount, flags, nullptr, 0, 0,
                  surface->Width(), surface->Height());
}

c_Image *kt_graphics_CreateImage(int width, int height, int frameCount, int flags) {
    requireFrameCount(frameCount);
    long long stripWidth = static_cast<long long>(width) * frameCount;
    if (width < 0 || height < 0 || stripWidth > INT_MAX) {
        ktError(String("CreateImage: the size ") + String(width) + String(" x ") + String(height) +
                String(" x ") + String(frameCount) + String(" frames is negative or too large"));
    }
    gxtkSurface *surface = device()->CreateSurface(static_cast<int>(stripWidth), height);
    if (!surface) return nullptr;
    return (new c_Image)->m_new()->p_Init(surface, frameCount, flags);
}

int kt_graphics_SetFont(c_Image *font, int firstChar) {
    c_GraphicsContext *g = kt_graphics_context;
    if (!font) {
        if (!g->defaultFont) {
            gc_assign(g->defaultFont,
                      kt_graphics_LoadImage(String("plume_font.png"), 96, c_Image::kXBorder));
        }
        font = g->defaultFont;
        firstChar = 32;
    }
    gc_assign(g->font, font);
    g->firstChar = firstChar;
    return 0;
}
