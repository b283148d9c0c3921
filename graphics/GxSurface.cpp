#include "graphics/GxSurface.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DErrorText.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxImageInfo.h"
#include "graphics/GxSurfaceDC.h"
#include "platform/image/surface_io.h"

namespace {

GxString Wide(const char* narrow) { return GxFromAnsi(narrow ? std::string_view(narrow) : std::string_view()); }

} // namespace

GxSurface::GxSurface() = default;

GxSurface::~GxSurface() { ReleaseAll(); }

void GxSurface::Empty() {
    m_Surface.reset();
    m_Second.reset();
    m_DC.reset();
    m_Format = 0;
    m_Pool = kGxPoolScratch;
    m_Width = m_Height = m_AskedWidth = m_AskedHeight = 0;
    m_Locked = false;
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
}

void GxSurface::Release() {
    GxMutexScopedLock lock(m_Mutex);
    if (DropRegisteredReference()) Empty();
}

void GxSurface::TakeDescription() {
    const prender::surface_desc& d = m_Surface->desc();
    m_Width = d.width;
    m_Height = d.height;
    m_Format = u32(d.fmt);
    m_Pool = u32(d.where);
}

bool GxSurface::Create(const GxChar* name, u32 width, u32 height, u32 format, u32 pool, u32 objectType, u32 msType,
                       u32 msQuality, const GxChar* what) {
    GxMutexScopedLock lock(m_Mutex);
    ReleaseAll();
    m_Surface.reset();
    m_Second.reset();
    m_AskedWidth = width;
    m_AskedHeight = height;
    if (format == 0)
        format = objectType == OBJTYPE_DEPTHSTENCIL   ? GxGraphics::GetDepthStencilFormat()
                 : objectType == OBJTYPE_RENDERTARGET ? GxGraphics::GetRenderTargetFormat()
                                                      : GxGraphics::GetTextureFormat();
    m_Format = format;
    m_Pool = pool;
    m_ObjectType = objectType;
    m_Locked = false;
    m_Name = GxToLower(name ? GxStringView(name) : GxStringView());
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) {
        m_CreateFailed = true;
        return false;
    }
    prender::result r;
    const prender::format f = GxToDeviceFormat(format);
    if (objectType == OBJTYPE_DEPTHSTENCIL)
        r = dev->create_depth_stencil_surface(width, height, f, msType, msQuality, true, m_Surface);
    else if (objectType == OBJTYPE_RENDERTARGET)
        r = dev->create_render_target(width, height, f, msType, msQuality, true, m_Surface);
    else
        r = dev->create_offscreen_plain_surface(width, height, f, GxToDevicePool(pool), m_Surface);
    if (prender::failed(r)) {
        GxWriteResourceFailure(GxLogKind::Error, u"Surface", what, m_Name, width, height, r);
        Empty();
        m_CreateFailed = true;
        return false;
    }
    TakeDescription();
    RegisterCreated();
    return true;
}

bool GxSurface::CreateSurface(const GxChar* name, u32 width, u32 height, u32 format) {
    return Create(name, width, height, format, kGxPoolDefault, OBJTYPE_SURFACE, 0, 0, u"CreateSurface");
}
bool GxSurface::CreateScratch(const GxChar* name, u32 width, u32 height, u32 format) {
    return Create(name, width, height, format, kGxPoolScratch, OBJTYPE_SURFACE, 0, 0, u"CreateScratch");
}
bool GxSurface::CreateSystemMemory(const GxChar* name, u32 width, u32 height, u32 format) {
    return Create(name, width, height, format, kGxPoolSystemMem, OBJTYPE_SURFACE, 0, 0, u"CreateSystemMemory");
}
bool GxSurface::CreateDepthStencil(const GxChar* name, u32 width, u32 height, u32 format, u32 multiSampleType,
                                   u32 multiSampleQuality) {
    return Create(name, width, height, format, kGxPoolDefault, OBJTYPE_DEPTHSTENCIL, multiSampleType,
                  multiSampleQuality, u"CreateDepthStencil");
}
bool GxSurface::CreateRenderTarget(const GxChar* name, u32 width, u32 height, u32 format, u32 multiSampleType,
                                   u32 multiSampleQuality) {
    return Create(name, width, height, format, kGxPoolDefault, OBJTYPE_RENDERTARGET, multiSampleType,
                  multiSampleQuality, u"CreateRenderTarget");
}

bool GxSurface::CreateSurfaceA(const char* name, u32 width, u32 height, u32 format) {
    return CreateSurface(Wide(name).c_str(), width, height, format);
}
bool GxSurface::CreateScratchA(const char* name, u32 width, u32 height, u32 format) {
    return CreateScratch(Wide(name).c_str(), width, height, format);
}
bool GxSurface::CreateSystemMemoryA(const char* name, u32 width, u32 height, u32 format) {
    return CreateSystemMemory(Wide(name).c_str(), width, height, format);
}
bool GxSurface::CreateDepthStencilA(const char* name, u32 width, u32 height, u32 format, u32 multiSampleType,
                                    u32 multiSampleQuality) {
    return CreateDepthStencil(Wide(name).c_str(), width, height, format, multiSampleType, multiSampleQuality);
}
bool GxSurface::CreateRenderTargetA(const char* name, u32 width, u32 height, u32 format, u32 multiSampleType,
                                    u32 multiSampleQuality) {
    return CreateRenderTarget(Wide(name).c_str(), width, height, format, multiSampleType, multiSampleQuality);
}

bool GxSurface::CreateFromFile(const GxChar* path, u32 format, u32 colorKey) {
    GxMutexScopedLock lock(m_Mutex);
    ReleaseAll();
    Empty();
    if (format == 0) format = GxGraphics::GetTextureFormat();
    m_Format = format;
    m_Pool = kGxPoolScratch;
    m_ObjectType = OBJTYPE_SURFACE;
    m_Name = GxToLower(path ? GxStringView(path) : GxStringView());
    if (!GxGraphics::GetDevice()) {
        Empty();
        m_CreateFailed = true;
        return false;
    }
    GxImageInfo info;
    std::shared_ptr<prender::surface> made;
    if (!GxCreateScratchSurfaceFromFile(path, &made, format, &info, colorKey)) {
        Empty();
        m_CreateFailed = true;
        return false;
    }
    m_Surface = std::move(made);
    m_AskedWidth = info.m_Width;
    m_AskedHeight = info.m_Height;
    TakeDescription();
    RegisterCreated();
    return true;
}

bool GxSurface::CreateFromFileA(const char* path, u32 format, u32 colorKey) {
    return CreateFromFile(Wide(path).c_str(), format, colorKey);
}

bool GxSurface::StretchRect(const GxRect* dstRect, GxSurface* source, const GxRect* srcRect, u32 filter) {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev || !source || !m_Surface) return false;
    std::shared_ptr<prender::surface> src = source->GetD3DSurface();
    if (!src) return false;
    prender::rect s, d;
    if (srcRect) s = GxToDeviceRect(*srcRect);
    if (dstRect) d = GxToDeviceRect(*dstRect);
    return prender::succeeded(
        dev->stretch_rect(*src, srcRect ? &s : nullptr, *m_Surface, dstRect ? &d : nullptr, prender::filter(filter)));
}

void GxSurface::GetSurface(std::shared_ptr<prender::surface>* out) const {
    GxMutexScopedLock lock(m_Mutex);
    if (out) *out = m_Surface;
}

bool GxSurface::SaveToFile(const GxChar* path) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Surface || !path) return false;
    return pimage::save_surface_png(GxToNativePath(path), *m_Surface);
}

bool GxSurface::SaveToFileA(const char* path) { return SaveToFile(Wide(path).c_str()); }

bool GxSurface::GetDC(pglyph::drawing_context** out) {
    GxMutexScopedLock lock(m_Mutex);
    if (!out) return false;
    *out = nullptr;
    if (!m_Surface || m_DC || m_Locked || !(m_DC = GxReadSurfaceToDC(*m_Surface))) return false;
    m_Locked = true;
    *out = m_DC.get();
    return true;
}

void GxSurface::ReleaseDC(pglyph::drawing_context* dc) {
    GxMutexScopedLock lock(m_Mutex);
    if (!dc || dc != m_DC.get()) return;
    if (m_Surface) GxWriteDCToSurface(*m_DC, *m_Surface);
    m_DC.reset();
    m_Locked = false;
}

bool GxSurface::SetRenderTarget(u32 index) {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = GxGraphics::GetDevice();
    return dev && m_Surface && prender::succeeded(dev->set_render_target(index, m_Surface));
}

void GxSurface::OnLost() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Pool == kGxPoolScratch) return;
    m_Surface.reset();
    m_Second.reset();
}

void GxSurface::OnReset() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Pool == kGxPoolScratch || m_ObjectType == OBJTYPE_NONE) return;
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) return;
    const prender::format f = GxToDeviceFormat(m_Format);
    prender::result r = prender::result::fail;
    // Contents are not restored, and multisampling is not asked for again.
    if (m_ObjectType == OBJTYPE_RENDERTARGET)
        r = dev->create_render_target(m_Width, m_Height, f, 0, 0, true, m_Surface);
    else if (m_ObjectType == OBJTYPE_DEPTHSTENCIL)
        r = dev->create_depth_stencil_surface(m_Width, m_Height, f, 0, 0, true, m_Surface);
    else if (m_ObjectType == OBJTYPE_SURFACE)
        r = dev->create_offscreen_plain_surface(m_Width, m_Height, f, GxToDevicePool(m_Pool), m_Surface);
    if (prender::failed(r))
        GxWriteResourceFailure(GxLogKind::Error, u"Surface", u"OnReset", m_Name, m_Width, m_Height, r);
}

u32 GxSurface::GetMemorySize() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Pool == kGxPoolScratch || m_Pool == kGxPoolSystemMem) return 0;
    u64 bytes = u64(GxGetFormatBytesPerPixel(m_Format)) * m_Width * m_Height;
    return ClampMemorySize(bytes);
}

u32 GxSurface::GetFormat() const { return m_Format; }
u32 GxSurface::GetPool() const { return m_Pool; }
u32 GxSurface::GetWidth() const { return m_Width; }
u32 GxSurface::GetHeight() const { return m_Height; }
u32 GxSurface::GetAskedWidth() const { return m_AskedWidth; }
u32 GxSurface::GetAskedHeight() const { return m_AskedHeight; }
bool GxSurface::IsLocked() const { return m_Locked; }

std::shared_ptr<prender::surface> GxSurface::GetD3DSurface() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Surface;
}
