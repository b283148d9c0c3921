#pragma once
#include "base/GxTypes.h"

// The standard CRC-32 (reflected 0xEDB88320, initial 0xFFFFFFFF, final
// complement); 0 for no bytes.
u32 CalcCrc32(const u8* data, u32 length);
