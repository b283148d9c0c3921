#include "platform/glyph/half_width.h"

#include <algorithm>

namespace pglyph {

bool is_half_width(char16_t unit) {
    if (unit < 0x80) return true;
    const detail::half_width_range* begin = detail::kHalfWidthRanges;
    const detail::half_width_range* end = begin + detail::kHalfWidthRangeCount;
    // The first range that ends at or after the unit.
    const detail::half_width_range* it =
        std::lower_bound(begin, end, unit, [](const detail::half_width_range& r, char16_t u) { return r.last < u; });
    return it != end && it->first <= unit;
}

} // namespace pglyph
