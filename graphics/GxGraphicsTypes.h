#pragma once
// Numbers the graphics layer shares with the render device and with stored
// settings: pixel formats, pools, clear flags and result codes keep the values
// the engine's logs and settings were written with, so they can be printed or
// stored as they stand. Formats and pools pass through the engine as u32.
#include "base/GxTypes.h"
#include "base/GxVector.h"
#include "platform/render/types.h"

// Pixel formats (the ones the engine names; any other value passes through).
constexpr u32 kGxFmtUnknown = 0;
constexpr u32 kGxFmtA8R8G8B8 = 21;
constexpr u32 kGxFmtX8R8G8B8 = 22;
constexpr u32 kGxFmtR5G6B5 = 23;
constexpr u32 kGxFmtX1R5G5B5 = 24;
constexpr u32 kGxFmtA1R5G5B5 = 25;
constexpr u32 kGxFmtA4R4G4B4 = 26;
constexpr u32 kGxFmtX4R4G4B4 = 30;
constexpr u32 kGxFmtA2R10G10B10 = 35;
constexpr u32 kGxFmtD15S1 = 73;
constexpr u32 kGxFmtD24S8 = 75;
constexpr u32 kGxFmtD24X8 = 77;
constexpr u32 kGxFmtD24X4S4 = 79;
constexpr u32 kGxFmtR16F = 111;
constexpr u32 kGxFmtG16R16F = 112;
constexpr u32 kGxFmtR32F = 114;
constexpr u32 kGxFmtG32R32F = 115;

// Pools.
constexpr u32 kGxPoolDefault = 0;
constexpr u32 kGxPoolManaged = 1;
constexpr u32 kGxPoolSystemMem = 2;
constexpr u32 kGxPoolScratch = 3;

// Clear flags.
constexpr u32 kGxClearTarget = prender::clear_target;
constexpr u32 kGxClearZBuffer = prender::clear_zbuffer;
constexpr u32 kGxClearStencil = prender::clear_stencil;

// Result codes beyond the device's own (image data the loader cannot read).
constexpr u32 kGxResultInvalidData = 0x88760B59u;

inline prender::format GxToDeviceFormat(u32 format) { return prender::format(format); }
inline u32 GxFromDeviceFormat(prender::format format) { return u32(format); }
inline prender::pool GxToDevicePool(u32 pool) { return prender::pool(pool); }
inline u32 GxResultCode(prender::result r) { return u32(r); }

inline prender::rect GxToDeviceRect(const GxRect& r) { return prender::rect{r.left, r.top, r.right, r.bottom}; }

// Bytes one pixel of a format takes, as the memory-size reports count them:
// 1, 2, 8 or 16 for the formats that take that many, and 4 for every other
// value (compressed and four-character-code formats included).
u32 GxGetFormatBytesPerPixel(u32 format);
// Whether a format is one of the two 32-bit colour formats the pixel routines
// write directly.
inline bool GxIs32BitColorFormat(u32 format) { return format == kGxFmtA8R8G8B8 || format == kGxFmtX8R8G8B8; }
// Any other format of two bytes a pixel: the pixel routines write it as A4R4G4B4.
inline bool GxIs16BitColorFormat(u32 format) {
    return GxGetFormatBytesPerPixel(format) == 2 && !GxIs32BitColorFormat(format);
}
// Writes one colour into every pixel of a locked w x h area: 32-bit formats
// take the value as it is, 16-bit ones its top four bits per channel. False
// for other formats.
bool GxFillLockedArea(u32 format, const prender::locked_rect& area, u32 w, u32 h, u32 argb);

// The smallest power of two not below n: 1 for n below 2, 0 above 2^31.
u32 GxRoundUpPowerOfTwo(u32 n);
