#include "graphics/GxPNG.h"

#include "base/GxStringUtil.h"
#include "platform/image/image.h"

#include <cstring>
#include <memory>
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

namespace {

// The rows go straight into the caller's block, made once the size is known:
// the picture is never held twice.
class BlockSink : public pimage::pixel_sink {
public:
    bool begin(u32 width, u32 height) override {
        m_Block.reset(new (std::nothrow) u8[size_t(width) * height * 4]);
        m_Width = width;
        m_Height = height;
        return m_Block != nullptr;
    }
    void row(u32 y, const u32* pixels) override {
        std::memcpy(m_Block.get() + size_t(y) * m_Width * 4, pixels, size_t(m_Width) * 4);
    }

    std::unique_ptr<u8[]> m_Block;
    u32 m_Width = 0, m_Height = 0;
};

} // namespace

u8* GxDecodePNG(const u8* data, u32 size, u32* width, u32* height) {
    if (width) *width = 0;
    if (height) *height = 0;
    if (!data || size == 0) return nullptr;
    BlockSink sink;
    if (pimage::detect(data, size) != pimage::file_format::png || !pimage::decode(data, size, sink, pimage::size_limit{}))
        return nullptr;
    if (width) *width = sink.m_Width;
    if (height) *height = sink.m_Height;
    return sink.m_Block.release();
}

void GxFreeDecodedPNG(u8* pixels) { delete[] pixels; }
