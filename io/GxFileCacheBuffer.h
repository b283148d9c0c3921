#pragma once
// A cached copy of a whole file: its bytes, when it was last used and the
// last-write time of the file it came from.
#include "io/GxBinBuffer.h"

class GxFileCacheBuffer : public GxBinBuffer {
public:
    u32 m_LastAccess = 0;  // milliseconds of the engine clock
    u64 m_FileTime = 0;
};
