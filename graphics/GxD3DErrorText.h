#pragma once
// Names and texts for device results and pixel formats, as the graphics
// layer's error and device-log lines print them.
#include "core/base/GxTypes.h"

// The text of a result code; unknown codes give "未知のエラーです。(code:0x…)".
GxString GxGetD3DErrorText(u32 code);
// "D3DFMT_" and the format's published name, or "ERROR" for an unknown value.
GxString GxGetFormatName(u32 format);
