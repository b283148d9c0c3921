#pragma once
// The half-width class of UTF-16 code units: a table generated once from the
// Unicode East Asian Width property by make_width_table.py (checked in with
// it; nothing reads Unicode data at run time).
#include <cstdint>

namespace pglyph {

// Whether a code unit takes one text cell (below 0x80 always).
bool is_half_width(char16_t unit);

namespace detail {
struct half_width_range {
    uint16_t first, last;
};
extern const half_width_range kHalfWidthRanges[];
extern const unsigned kHalfWidthRangeCount;
} // namespace detail

} // namespace pglyph
