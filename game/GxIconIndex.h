#pragma once
// The icons of the image set "ui_iconpool.gis" by name, for the notice
// panels, the drop menus and the system scene: one process-wide index from
// an icon's name (its file name up to the first '.') to its origin image.
// Main thread only.
#include "base/GxVector.h"

class GxNcCrammedImageSet;
class GxNcOriginImage;

// Replaces the index with the set's origin images, in array order; of two
// with the same name the first stays. A null set leaves the index empty.
void GxBuildIconIndex(const GxNcCrammedImageSet* set);
// Empties the index; its records go with the image set.
void GxClearIconIndex();
// Null when no icon bears the name.
const GxNcOriginImage* GxGetIconIndex(GxStringView name);
// Pattern 0 of the icon, scaled and then placed at the position, tinted by
// the packed colour, alpha-blended; nothing for a null icon.
void GxDrawIcon(const GxNcOriginImage* icon, const GxVector3& position, u32 argb, const GxVector2& scale);
