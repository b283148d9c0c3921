#pragma once
// A rectangle (left, top, right, bottom) filled with one colour and one
// second colour, untextured.
#include "base/GxVector.h"

void GxDrawFilledRect(const GxRect& rect, u32 colour, u32 secondColour, u32 blendMode);
