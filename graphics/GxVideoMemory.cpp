#include "graphics/GxVideoMemory.h"

bool GxGetVideoMemoryMB(const prender::adapter& adapter, u32* megabytes) {
    std::optional<uint32_t> mb = adapter.video_memory_mb();
    if (megabytes) *megabytes = mb ? *mb : 0;
    return mb.has_value();
}
