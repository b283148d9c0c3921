#pragma once
// Names and texts for device results and pixel formats, as the graphics
// layer's error and device-log lines print them.
#include "base/GxLog.h"
#include "base/GxTypes.h"
#include "platform/render/types.h"

// The text of a result code; unknown codes give "未知のエラーです。(code:0x…)".
GxString GxGetD3DErrorText(u32 code);
// "D3DFMT_" and the format's published name, or "ERROR" for an unknown value.
GxString GxGetFormatName(u32 format);

// The line a resource writes when a device call fails:
// "Error/<kind> <what> Failed(Name:"<name>" Size:<width>,<height> <result text>)",
// to the error log or (GxLogKind::Warning) the warning log. A reason, when
// given, follows the result text after a space (why a picture's data was
// refused).
void GxWriteResourceFailure(GxLogKind log, const GxChar* kind, const GxChar* what, GxStringView name, u32 width,
                            u32 height, prender::result r, GxStringView reason = {});
