#pragma once
// The engine's basic types. Text is UTF-16 throughout: file formats and
// character counts are defined in UTF-16 code units.
#include <cstdint>
#include <string>
#include <string_view>

using GxChar = char16_t;
using GxString = std::u16string;
using GxStringView = std::u16string_view;
// Narrow text: CP932 ("ANSI") or UTF-8, always converted explicitly.
using GxStringA = std::string;

using u8 = uint8_t;
using u16 = uint16_t;
using u32 = uint32_t;
using u64 = uint64_t;
using s8 = int8_t;
using s16 = int16_t;
using s32 = int32_t;
using s64 = int64_t;
using f32 = float;
using f64 = double;

// A 32-bit set of flags.
struct GxBit32 {
    u32 m_Bits = 0;
    bool Test(u32 mask) const { return (m_Bits & mask) != 0; }
    void Set(u32 mask) { m_Bits |= mask; }
    void Clear(u32 mask) { m_Bits &= ~mask; }
    void Assign(u32 mask, bool on) { on ? Set(mask) : Clear(mask); }
};
