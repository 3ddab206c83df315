// The graphics module: images, frames, the matrix stack and the render state.
#pragma once

#include "host/gxtk_graphics.h"

struct c_Image;

extern gxtkGraphics *kt_graphics_device;

// Resets the module's globals (called by ktInit).
void kt_graphics_Init();
int kt_graphics_SetFont(c_Image *font, int firstChar);
int kt_graphics_BeginRender();
int kt_graphics_EndRender();
