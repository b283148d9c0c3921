#include "graphics/GxPNG.h"

#include "base/GxStringUtil.h"
#include "platform/image/image.h"

#include <cstring>
#include <new>
#include <vector>

bool GxWritePNGFile(const GxChar* path, s32 width, s32 height, const u8* pixels) {
    if (!path || !pixels || width <= 0 || height <= 0) return false;
    // The side limit keeps width × height × 4 far inside the address range.
    if (!pimage::size_acceptable(u64(width), u64(height))) return false;
    const size_t count = size_t(width) * size_t(height);
    std::vector<uint32_t> words(count);
    std::memcpy(words.data(), pixels, count * 4);
    return pimage::save_png(GxToNativePath(path), words.data(), u32(width), u32(height), size_t(width) * 4);
}

u8* GxDecodePNG(const u8* data, u32 size, u32* width, u32* height) {
    if (width) *width = 0;
    if (height) *height = 0;
    if (!data || size == 0) return nullptr;
    pimage::image img;
    if (pimage::detect(data, size) != pimage::file_format::png || !pimage::decode_png(data, size, img)) return nullptr;
    const size_t bytes = img.pixels.size() * 4;
    u8* out = new (std::nothrow) u8[bytes];
    if (!out) return nullptr;
    std::memcpy(out, img.pixels.data(), bytes);
    if (width) *width = img.width;
    if (height) *height = img.height;
    return out;
}

void GxFreeDecodedPNG(u8* pixels) { delete[] pixels; }
