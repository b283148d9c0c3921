#include "graphics/GxTextureMovie.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DErrorText.h"
#include "graphics/GxD3DResourceManage.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"

#include <algorithm>

GxTextureMovie::GxTextureMovie() = default;

GxTextureMovie::~GxTextureMovie() { ReleaseAll(); }

void GxTextureMovie::Empty() {
    GxMutexScopedLock frame(m_FrameLock);
    m_Buffers[0].reset();
    m_Buffers[1].reset();
    m_Ready[0] = m_Ready[1] = false;
    m_Current = 0;
    m_Format = 0;
    m_Pool = kGxPoolScratch;
    m_Width = m_Height = m_AskedWidth = m_AskedHeight = 0;
    m_MipLevels = 0;
    m_Locked = false;
    m_Usage = 0;
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
}

void GxTextureMovie::Release() {
    GxMutexScopedLock lock(m_Mutex);
    if (DropRegisteredReference()) Empty();
}

prender::result GxTextureMovie::CreateBuffer(std::shared_ptr<prender::texture>& out) {
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) return prender::result::invalid_call;
    return dev->create_texture(m_Width, m_Height, m_MipLevels, m_Usage, GxToDeviceFormat(m_Format),
                               GxToDevicePool(m_Pool), out);
}

bool GxTextureMovie::FillBuffer(const std::shared_ptr<prender::texture>& buffer, u32 argb) {
    if (!buffer) return false;
    prender::locked_rect lr;
    if (prender::failed(buffer->lock_rect(0, nullptr, lr, 0))) return false;
    const bool ok = GxFillLockedArea(m_Format, lr, buffer->width(), buffer->height(), argb);
    buffer->unlock_rect(0);
    return ok;
}

bool GxTextureMovie::Create(const GxChar* name, u32 width, u32 height, u32 format, u32 fillArgb, bool dynamic) {
    ReleaseAll();
    GxMutexScopedLock lock(m_Mutex);
    GxMutexScopedLock frame(m_FrameLock);
    Empty();
    m_AskedWidth = width;
    m_AskedHeight = height;
    m_FillColor = fillArgb;
    m_Width = GxRoundUpPowerOfTwo(width);
    m_Height = GxRoundUpPowerOfTwo(height);
    if (GxGraphics::IsSquareTextureRequired()) m_Width = m_Height = std::max(m_Width, m_Height);
    m_Format = format ? format : GxGraphics::GetRenderTargetFormat();
    m_MipLevels = 1;
    m_ObjectType = OBJTYPE_TEXTURE;
    m_Name = GxToLower(name ? GxStringView(name) : GxStringView());
    if (!GxGraphics::GetDevice()) return false;
    const bool useDynamic = dynamic && GxGraphics::GetCaps().dynamic_textures;
    m_Pool = useDynamic ? kGxPoolDefault : kGxPoolManaged;
    m_Usage = useDynamic ? prender::usage_dynamic : 0;
    // Both buffers are made before either is kept: when the second cannot
    // be made the first goes with it, and the texture holds nothing.
    std::shared_ptr<prender::texture> made[2];
    for (u32 pos = 0; pos < 2; ++pos) {
        const prender::result r = CreateBuffer(made[pos]);
        if (prender::failed(r)) {
            GxWriteErrorLog(u"Error/GxTextureMovie::Create Failed(Type:Texture Name:\"%s\" Size:%d,%d CachePos:%d %s)\n",
                            m_Name, m_Width, m_Height, pos, GxGetD3DErrorText(GxResultCode(r)));
            const GxString keep = m_Name;
            Empty();
            m_Name = keep;
            m_CreateFailed = true;
            return false;
        }
        FillBuffer(made[pos], m_FillColor);
    }
    m_Buffers[0] = made[0];
    m_Buffers[1] = made[1];
    prender::surface_desc d;
    if (prender::succeeded(m_Buffers[0]->level_desc(0, d))) {
        m_Width = d.width;
        m_Height = d.height;
        m_Format = GxFromDeviceFormat(d.fmt);
        m_Pool = u32(d.where);
    }
    RegisterCreated();
    return true;
}

bool GxTextureMovie::Fill(u32 index, u32 argb) {
    GxMutexScopedLock frame(m_FrameLock);
    if (!GxGraphics::GetDevice()) return false;
    return FillBuffer(m_Buffers[index & 1], argb);
}

bool GxTextureMovie::LockRect(u32 index, const GxRect* rect, void** bits, u32* pitch, u32* width, u32* height,
                              u32* format, bool readOnly) {
    GxMutexScopedLock frame(m_FrameLock);
    const std::shared_ptr<prender::texture>& buffer = m_Buffers[index & 1];
    if (!buffer || !GxGraphics::GetDevice()) return false;
    if (m_Locked) {
        GxWriteWarningLog(u"Error/Texture LockRect Failed(Name:\"%s\" Size:%d,%d Texture Already Locked)\n", m_Name,
                          m_Width, m_Height);
        return false;
    }
    prender::rect area;
    if (rect) area = GxToDeviceRect(*rect);
    prender::locked_rect lr;
    const prender::result r = buffer->lock_rect(0, rect ? &area : nullptr, lr, readOnly ? prender::lock_read_only : 0);
    if (prender::failed(r)) {
        GxWriteResourceFailure(GxLogKind::Warning, u"Texture", u"LockRect", m_Name, m_Width, m_Height, r);
        return false;
    }
    m_Locked = true;
    if (bits) *bits = lr.bits;
    if (pitch) *pitch = u32(lr.pitch);
    if (width) *width = rect ? u32(rect->right - rect->left) : m_Width;
    if (height) *height = rect ? u32(rect->bottom - rect->top) : m_Height;
    if (format) *format = m_Format;
    return true;
}

bool GxTextureMovie::UnlockRect(u32 index) {
    GxMutexScopedLock frame(m_FrameLock);
    const std::shared_ptr<prender::texture>& buffer = m_Buffers[index & 1];
    if (!buffer || !GxGraphics::GetDevice() || !m_Locked) return false;
    buffer->unlock_rect(0);
    m_Locked = false;
    return true;
}

u32 GxTextureMovie::Advance() {
    GxMutexScopedLock frame(m_FrameLock);
    const u32 was = m_Current;
    m_Ready[was] = true;
    m_Current = (was + 1) % 2;
    return was;
}

std::shared_ptr<prender::texture> GxTextureMovie::GetD3DTexture() {
    GxMutexScopedLock frame(m_FrameLock);
    return m_Buffers[m_Current];
}

bool GxTextureMovie::HasTexture() {
    GxMutexScopedLock frame(m_FrameLock);
    return m_Buffers[m_Current] != nullptr;
}

std::shared_ptr<prender::texture> GxTextureMovie::GetBackTexture() {
    GxMutexScopedLock frame(m_FrameLock);
    return m_Buffers[(m_Current + 1) % 2];
}

bool GxTextureMovie::IsReady() {
    GxMutexScopedLock frame(m_FrameLock);
    return m_Ready[m_Current];
}

bool GxTextureMovie::SetRenderTarget(u32 index) {
    prender::device* dev = GxGraphics::GetDevice();
    std::shared_ptr<prender::texture> shown = GetD3DTexture();
    if (!dev || !shown) return false;
    return prender::succeeded(dev->set_render_target(index, shown->surface_level(0)));
}

void GxTextureMovie::GetSurface(std::shared_ptr<prender::surface>* out) {
    std::shared_ptr<prender::texture> shown = GetD3DTexture();
    if (out) *out = shown ? shown->surface_level(0) : nullptr;
}

void GxTextureMovie::GetTextureRef(std::shared_ptr<prender::texture>* out) {
    if (out) *out = GetD3DTexture();
}

u32 GxTextureMovie::GetMemorySize() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Pool == kGxPoolScratch || m_Pool == kGxPoolSystemMem) return 0;
    return ClampMemorySize(u64(GxGetFormatBytesPerPixel(m_Format)) * m_Width * m_Height * 2);
}

void GxTextureMovie::OnLost() {
    GxMutexScopedLock frame(m_FrameLock);
    if (m_Pool != kGxPoolDefault) return;
    m_Buffers[0].reset();
    m_Buffers[1].reset();
    m_Ready[0] = m_Ready[1] = false;
}

bool GxTextureMovie::Restore() {
    GxMutexScopedLock frame(m_FrameLock);
    if (m_Pool != kGxPoolDefault || !GxGraphics::GetDevice()) return true;
    bool all = true;
    for (u32 pos = 0; pos < 2; ++pos) {
        const prender::result r = CreateBuffer(m_Buffers[pos]);
        if (prender::failed(r)) {
            GxWriteErrorLog(u"Error/GxTextureMovie::Restore Failed(Size:%d,%d CachePos:%d %s)\n", m_Width, m_Height,
                            pos, GxGetD3DErrorText(GxResultCode(r)));
            all = false;
            continue;
        }
        FillBuffer(m_Buffers[pos], m_FillColor);
    }
    return all;
}
