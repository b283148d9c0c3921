#include "base/GxCrc32.h"

#include <array>

namespace {
constexpr std::array<u32, 256> MakeTable() {
    std::array<u32, 256> t{};
    for (u32 i = 0; i < 256; ++i) {
        u32 c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[i] = c;
    }
    return t;
}
constexpr std::array<u32, 256> kTable = MakeTable();
} // namespace

u32 CalcCrc32(const u8* data, u32 length) {
    if (length == 0 || !data) return 0;
    u32 c = 0xFFFFFFFFu;
    for (u32 i = 0; i < length; ++i) c = kTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}
