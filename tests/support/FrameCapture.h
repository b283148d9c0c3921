#pragma once
// The render lists a core holds, drawn into a w x h render target and read
// back as ARGB pixels from the top-left corner.
#include "base/GxTypes.h"

#include <cstdint>
#include <vector>

class GxCoreBase;

namespace qtest {

// clearFirst: the target starts opaque black instead of as the new target's
// own contents.
std::vector<uint32_t> DrawFrame(GxCoreBase& core, u32 w, u32 h, bool clearFirst = false);

// Whether two frames of the 1024-pixel-wide screen are the same over a
// rectangle, each colour channel within tolerance; false when either is empty.
bool SameArea(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int left, int top, int width, int height,
              int tolerance = 0);

} // namespace qtest
