// The graphics module: images, frames, the matrix stack and the render state.
//
// State and drawing calls go to kt_graphics_renderDevice and are allowed only between
// kt_graphics_BeginRender and kt_graphics_EndRender (a runtime error otherwise). The matrix
// lives in the context and reaches the renderer lazily, once per change, before the next
// drawing call. Images are cut into frames once, at load; drawing picks a frame by index.
#pragma once

#include "host/gxtk_graphics.h"

// ---------------------------------------------------------------------------------------------
// Types

// One animation frame: its top-left corner on the image's surface.
struct c_Frame : Object {
    int x = 0, y = 0;

    c_Frame *m_new(int x, int y);
};

struct c_Image : Object {
    static constexpr int kMidHandle = 1;
    static constexpr int kXBorder = 2;
    static constexpr int kYBorder = 4;
    // Set by the module alone: one frame covering the whole surface, drawn whole.
    static constexpr int kFullFrame = 65536;

    gxtkSurface *surface = nullptr;
    int width = 0, height = 0;  // the size of one frame
    Array<c_Frame *> frames;
    int flags = 0;
    float tx = 0, ty = 0;  // the handle: the point of a frame placed at the drawing position
    c_Image *source = nullptr;

    c_Image *m_new();
    // A horizontal strip of frameCount frames (at least 1) filling the surface.
    c_Image *p_Init(gxtkSurface *surface, int frameCount, int flags);
    // frameCount frames of width x height, laid out row by row from (x, y) inside the source
    // rectangle (srcx, srcy, srcw, srch); a frame that does not fit is a runtime error.
    c_Image *p_Init2(gxtkSurface *surface, int x, int y, int width, int height, int frameCount,
                     int flags, c_Image *source, int srcx, int srcy, int srcw, int srch);
    int p_ApplyFlags(int flags);
    int p_SetHandle(float tx, float ty);
    void mark() override;
};

struct c_GraphicsContext : Object {
    c_Image *defaultFont = nullptr;
    int matrixSp = 0;
    float ix = 1, iy = 0, jx = 0, jy = 1, tx = 0, ty = 0;
    int matDirty = 0;
    Array<float> matrixStack;
    // The font selected for the module's text drawing and its first character code.
    c_Image *font = nullptr;
    int firstChar = 0;

    c_GraphicsContext *m_new();
    // Hands the matrix to the renderer if it changed since it was last handed over.
    int p_Validate();
    void mark() override;
};

// ---------------------------------------------------------------------------------------------
// Globals

extern gxtkGraphics *kt_graphics_device;
extern c_GraphicsContext *kt_graphics_context;
extern gxtkGraphics *kt_graphics_renderDevice;

// ---------------------------------------------------------------------------------------------
// Functions

// Resets the module's globals (called by ktInit).
void kt_graphics_Init();

int kt_graphics_SetGraphicsDevice(gxtkGraphics *device);
int kt_graphics_BeginRender();
int kt_graphics_EndRender();

int kt_graphics_SetColor(float r, float g, float b);
int kt_graphics_SetAlpha(float alpha);
int kt_graphics_SetBlend(int mode);
int kt_graphics_SetScissor(float x, float y, float w, float h);

int kt_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
int kt_graphics_SetMatrix2(Array<float> m);
int kt_graphics_Transform(float a, float b, float c, float d, float e, float f);
int kt_graphics_Transform2(Array<float> m);
int kt_graphics_Translate(float x, float y);
int kt_graphics_Scale(float x, float y);
int kt_graphics_Rotate(float angle);
int kt_graphics_PushMatrix();
int kt_graphics_PopMatrix();

int kt_graphics_DrawRect(float x, float y, float w, float h);
int kt_graphics_DrawLine(float x1, float y1, float x2, float y2);
int kt_graphics_DrawEllipse(float x, float y, float w, float h);
int kt_graphics_DrawImage(c_Image *image, float x, float y, int frame);
int kt_graphics_DrawImage2(c_Image *image, float x, float y, float rotation, float scaleX,
                           float scaleY, int frame);

c_Image *kt_graphics_LoadImage(String path, int frameCount, int flags);
c_Image *kt_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                int flags);
c_Image *kt_graphics_CreateImage(int width, int height, int frameCount, int flags);
int kt_graphics_SetFont(c_Image *font, int firstChar);
