#pragma once
// The adapter's video memory, for "device.log" only.
#include "base/GxTypes.h"
#include "platform/render/adapter.h"

// true with the size in MB when the adapter reports it; false (0 MB) otherwise.
bool GxGetVideoMemoryMB(const prender::adapter& adapter, u32* megabytes);
