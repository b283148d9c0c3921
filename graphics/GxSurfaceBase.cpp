#include "graphics/GxSurfaceBase.h"

#include "graphics/GxGraphics.h"

GxSurfaceBase::~GxSurfaceBase() { GxGraphics::ForgetSurface(this); }
