#pragma once
// One line of bitmap-font text, transformed as one sprite of the string's
// width and the font's cell height: each character's cell is a quad at its
// pen position, the pen advancing by the character's width. Characters the
// font lacks draw nothing and advance by its cell width.
#include "base/GxVector.h"

class GxFontData;

void GxDrawFontDataText(const GxChar* text, GxFontData* font, f32 x, f32 y, const GxVector2* scale,
                        const GxVector3* rotation, const GxVector2* pivot, u32 colour, u32 secondColour,
                        u32 blendMode);
