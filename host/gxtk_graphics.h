// gxtkGraphics: the OpenGL 1.x renderer; gxtkSurface: an image with its texture.
#pragma once

#include "host/ktgame.h"

struct gxtkSurface : Object {};

struct gxtkGraphics : Object {
    gxtkGraphics();
    virtual int BeginRender();
    virtual void EndRender();
    virtual void DiscardGraphics();
};
