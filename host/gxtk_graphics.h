// gxtkGraphics: the OpenGL 1.x renderer; gxtkSurface: an image with its texture.
//
// The renderer keeps one client-side array of 1024 vertices and collects consecutive
// primitives of one kind and one surface into a batch that goes out as one draw call. Colour
// (premultiplied by alpha) and the 2-D matrix are applied on the CPU, so neither breaks a batch;
// polygons of different vertex counts are one kind; a change of kind or surface, a full buffer, a
// real change of blend mode or scissor, a pixel read and the end of the frame flush it.
//
// A surface's pixels live in one place: in its pixel store until a texture holds them, in the
// texture afterwards (the store is freed once the upload succeeded). Before a window and its
// context go away, gxtk_SaveTextures reads every live texture back into its store; each surface
// then re-creates its texture lazily from the store once glfwGraphicsSeq says the window (and
// context) was re-created.
#pragma once

#include "host/ktgame.h"

// ---------------------------------------------------------------------------------------------
// Types

// One vertex of the client array: position, texture coordinates in texture units and the
// packed colour (bytes R, G, B, A in memory order, premultiplied).
struct gxtkVertex {
    float x, y, u, v;
    unsigned int color;
};
static_assert(sizeof(gxtkVertex) == 20, "the vertex arrays use a 20-byte stride");

// Work counters of the current frame, reset by BeginRender. drawCalls counts glDrawArrays,
// glDrawElements and glMultiDrawArrays calls; flushes counts batches sent; vertices counts the
// vertices in them.
struct gxtkFrameStats {
    int drawCalls;
    int flushes;
    int vertices;
};

struct gxtkSurface : Object {
    // width x height pixels of depth bytes, premultiplied; malloc'ed. Null while a texture of
    // the current context holds the pixels (or when there are none yet).
    unsigned char *data;
    int width, height;
    int depth;            // 1 luminance, 2 luminance + alpha, 3 RGB, 4 RGBA
    unsigned int format;  // the GL pixel format matching depth
    int seq;              // glfwGraphicsSeq when the texture was made; -1 = no texture
    unsigned int texture;
    float uscale, vscale;  // 1 / the allocated texture size (may be padded to a power of two)

    gxtkSurface();
    ~gxtkSurface() override;

    // Deletes the texture if it belongs to the current context and frees the pixel store.
    virtual int Discard();
    virtual int Width();
    virtual int Height();
    virtual bool Loaded();
    virtual void OnUnsafeLoadComplete();

    // Takes ownership of a malloc'ed pixel buffer and premultiplies it in place. A depth
    // outside 1..4 is refused: the buffer is freed and the surface stays empty.
    void SetData(unsigned char *pixels, int width, int height, int depth);
    // Stores the ARGB ints of the rectangle premultiplied (RGBA surfaces only; others ignore
    // it): into the texture when it belongs to the current context, and into the pixel store
    // when there is one or no texture holds the pixels (the store is then made). The rectangle
    // must lie inside the surface and the array must hold every row (a runtime error otherwise).
    void SetSubData(int x, int y, int w, int h, Array<int> pixels, int offset, int pitch);
    // Binds the texture, creating and uploading it first when it is missing or stale; a
    // successful upload frees the pixel store.
    void Bind();
};

struct gxtkGraphics : Object {
    static constexpr int kMaxVertices = 1024;

    int width, height;
    unsigned int color;
    float r, g, b, alpha;
    float ix, iy, jx, jy, tx, ty;
    bool tformed;
    gxtkVertex vertices[kMaxVertices];
    unsigned short quadIndexes[kMaxVertices / 4 * 6];
    int primType;  // 1 points, 2 lines, 3 triangles, 4 quads, n >= 5 polygons of n vertices
    int primCount;
    // Polygons of any vertex count share a batch; their sizes in batch order.
    int polyCount;
    int polySizes[kMaxVertices / 5];
    gxtkSurface *primSurf;

    // Blend mode asked for (0 alpha, 1 additive) and the one OpenGL has; a batch is always
    // drawn with the latter, and the former takes effect at the next primitive.
    int blend, glBlend;
    // The scissor rectangle last applied this frame; scissorW < 0 means none yet.
    int scissorX, scissorY, scissorW, scissorH;
    gxtkFrameStats stats;
    // False only in benchmarks of the batcher: batches are counted but never reach OpenGL.
    bool submit;

    gxtkGraphics();
    void mark() override;

    virtual int Width();
    virtual int Height();
    virtual int BeginRender();
    virtual void EndRender();
    virtual void DiscardGraphics();
    virtual gxtkSurface *LoadSurface(String path);
    virtual gxtkSurface *CreateSurface(int width, int height);
    virtual bool LoadSurface__UNSAFE__(gxtkSurface *surface, String path);
    virtual int Cls(float r, float g, float b);
    virtual int SetAlpha(float alpha);
    virtual int SetColor(float r, float g, float b);
    virtual int SetBlend(int mode);
    virtual int SetScissor(int x, int y, int w, int h);
    virtual int SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
    virtual int DrawPoint(float x, float y);
    virtual int DrawRect(float x, float y, float w, float h);
    virtual int DrawLine(float x1, float y1, float x2, float y2);
    virtual int DrawOval(float x, float y, float w, float h);
    virtual int DrawPoly(Array<float> xy);
    virtual int DrawPoly2(Array<float> xyuv, gxtkSurface *surface, int srcx, int srcy);
    virtual int DrawSurface(gxtkSurface *surface, float x, float y);
    virtual int DrawSurface2(gxtkSurface *surface, float x, float y, int srcx, int srcy, int srcw,
                             int srch);
    // Pixels as ARGB ints, top row first, row r at offset + r x pitch. The array must hold
    // every row (a runtime error otherwise).
    virtual int ReadPixels(Array<int> pixels, int x, int y, int width, int height, int offset,
                           int pitch);
    virtual int WritePixels2(gxtkSurface *surface, Array<int> pixels, int x, int y, int width,
                             int height, int offset, int pitch);

    // Room for `count` vertices of kind `type` on `surface` (null: untextured), flushing first
    // when the pending batch differs or is full. Returns where to write them.
    gxtkVertex *Begin(int type, int count, gxtkSurface *surface);
    void Flush();

private:
    void ApplyBlend();
    // The rectangle applied this frame is the whole window, which means no scissor test.
    bool ScissorIsWindow();
};

// ---------------------------------------------------------------------------------------------
// Globals

// Counts the GLFW windows (and with them OpenGL contexts) opened so far; a surface whose texture
// was made under an older value re-creates it.
extern int glfwGraphicsSeq;

// ---------------------------------------------------------------------------------------------
// Functions

// Reads every texture of the current context back into its surface's pixel store, so that no
// pixels are lost with the context. Call it with the context current, right before its window
// is destroyed; the surfaces then count as having no texture.
void gxtk_SaveTextures();

// Test switch: treat every texture size that is not a power of two as refused by the driver,
// so the padded-texture fallback can be exercised on drivers that accept any size.
void gxtk_SetForcePowerOfTwo(bool on);

// The smallest power of two >= n (1 for n < 2).
int gxtk_PowerOfTwo(int n);
