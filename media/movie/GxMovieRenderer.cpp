#include "media/movie/GxMovieRenderer.h"

#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTextureMovie.h"
#include "platform/movie/picture.h"
#include "platform/render/types.h"

#include <algorithm>
#include <cstdlib>

namespace {

pmovie::pixel_layout LayoutOf(u32 format) {
    switch (format) {
    case kGxFmtA8R8G8B8:
    case kGxFmtX8R8G8B8: return pmovie::pixel_layout::argb8888;
    case kGxFmtA1R5G5B5: return pmovie::pixel_layout::argb1555;
    case kGxFmtA4R4G4B4:
    case kGxFmtX4R4G4B4: return pmovie::pixel_layout::argb4444;
    default: return pmovie::pixel_layout::none;
    }
}

void Put16(u8* p, u32 v) {
    p[0] = u8(v);
    p[1] = u8(v >> 8);
}

} // namespace

GxMovieRenderer::GxMovieRenderer(GxTextureMovie* texture, bool dynamicTexture, pmovie::result* hr)
    : m_Texture(texture), m_DynamicTexture(dynamicTexture) {
    if (hr) *hr = pmovie::s_ok;
}

GxMovieRenderer::~GxMovieRenderer() = default;

pmovie::result GxMovieRenderer::CheckMediaType(const pmovie::media_type* type) {
    if (!type) return pmovie::e_pointer;
    if (type->format != pmovie::format_type::video_info) return pmovie::e_invalidarg;
    if (type->major != pmovie::major_type::video ||
        (type->sub != pmovie::subtype::rgb24 && type->sub != pmovie::subtype::picture))
        return pmovie::e_fail;
    return pmovie::s_ok;
}

pmovie::result GxMovieRenderer::SetMediaType(const pmovie::media_type& type) {
    m_VideoWidth = std::max(type.width, 0);
    m_VideoHeight = std::abs(type.height);
    m_SourcePitch = pmovie::packed_pitch(m_VideoWidth, 3);
    // Rows run bottom-up for a positive height and top-down for a negative one.
    m_BottomUp = type.height > 0;
    m_Pictures = type.sub == pmovie::subtype::picture;
    if (!m_OwnTexture && m_Texture) return pmovie::s_ok;
    // A texture of our own is made again at the new size, the old one let go first.
    m_Texture = nullptr;
    m_OwnTexture.reset();
    auto texture = std::make_unique<GxTextureMovie>();
    if (!texture->Create(u"", u32(m_VideoWidth), u32(m_VideoHeight), kGxFmtA8R8G8B8, 0xFF000000u, m_DynamicTexture))
        return pmovie::e_fail;
    m_OwnTexture = std::move(texture);
    m_Texture = m_OwnTexture.get();
    return pmovie::s_ok;
}

void GxMovieRenderer::CopyRows(const pmovie::sample& sample, u8* dst, s32 dstPitch, s32 w, s32 h,
                               u32 format) const {
    for (s32 y = 0; y < h; ++y) {
        const s32 row = m_BottomUp ? m_VideoHeight - y - 1 : y;
        const u8* src = sample.data + size_t(row) * size_t(m_SourcePitch);
        u8* out = dst + ptrdiff_t(y) * dstPitch;
        for (s32 x = 0; x < w; ++x, src += 3) {
            const u32 b = src[0], g = src[1], r = src[2];
            switch (format) {
            case kGxFmtA8R8G8B8:
            case kGxFmtX8R8G8B8:
                out[4 * x] = u8(b);
                out[4 * x + 1] = u8(g);
                out[4 * x + 2] = u8(r);
                out[4 * x + 3] = 255;
                break;
            case kGxFmtA1R5G5B5: Put16(out + 2 * x, 0x8000u | (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)); break;
            case kGxFmtA4R4G4B4:
            case kGxFmtX4R4G4B4: Put16(out + 2 * x, 0xF000u | (r >> 4) << 8 | (g >> 4) << 4 | (b >> 4)); break;
            default: return;
            }
        }
    }
}

pmovie::result GxMovieRenderer::DoRenderSample(const pmovie::sample* sample) {
    GxTextureMovie* texture = m_Texture;
    if (!texture) return pmovie::e_unexpected;
    GxMutexScopedLock lock(texture->GetFrameLock());
    const std::shared_ptr<prender::texture> back = texture->GetBackTexture();
    if (!sample) return pmovie::e_pointer;
    if (!back) return pmovie::e_unexpected;
    // A sample shorter than the frame it claims to hold is refused, not read past.
    if (!m_Pictures && (!sample->data || u64(sample->length) < u64(m_SourcePitch) * u64(m_VideoHeight)))
        return pmovie::e_fail;
    if (m_Pictures && !sample->pic) return pmovie::e_pointer;
    prender::locked_rect locked;
    if (prender::failed(back->lock_rect(0, nullptr, locked, m_DynamicTexture ? prender::lock_discard : 0)))
        return pmovie::e_fail;
    const s32 w = std::min<s32>(m_VideoWidth, s32(texture->GetWidth()));
    const s32 h = std::min<s32>(m_VideoHeight, s32(texture->GetHeight()));
    const u32 format = texture->GetFormat();
    bool ok = true;
    if (m_Pictures) {
        const pmovie::pixel_layout layout = LayoutOf(format);
        if (layout != pmovie::pixel_layout::none)
            ok = sample->pic->convert_to(
                pmovie::frame_target{static_cast<u8*>(locked.bits), locked.pitch, w, h, layout});
    } else {
        CopyRows(*sample, static_cast<u8*>(locked.bits), locked.pitch, w, h, format);
    }
    if (prender::failed(back->unlock_rect(0)) || !ok) return pmovie::e_fail;
    return pmovie::s_ok;
}

void GxMovieRenderer::ShowRenderedSample() {
    GxTextureMovie* texture = m_Texture;
    if (!texture) return;
    GxMutexScopedLock lock(texture->GetFrameLock());
    texture->Advance();
}
