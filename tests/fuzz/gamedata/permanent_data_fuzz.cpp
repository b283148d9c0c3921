// Any bytes as "permanent.dat" (binary or text form): no count is believed
// beyond the bytes that could hold it, and what was read answers queries.
#include "fuzz/io/memory_file.h"
#include "gamedata/GxUserDataPerman.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    qfuzz::MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    GxUserDataPerman perman;
    perman.Load(file.Path());
    for (const auto& [key, words] : perman.m_ReadedMessageFlags) perman.IsReadedMessage(key, s32(words.size() * 32));
    for (const auto& [key, words] : perman.m_SelectedMenuFlags) perman.IsSelectedMenu(key, 1);
    return 0;
}
