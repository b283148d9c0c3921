#include "graphics/GxTexture.h"

#include "base/GxFColor.h"
#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DErrorText.h"
#include "graphics/GxD3DResourceManage.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxImageInfo.h"
#include "graphics/GxPNG.h"
#include "graphics/GxSurfaceDC.h"
#include "io/GxFileSystem.h"
#include "platform/image/image.h"
#include "platform/image/surface_io.h"
#include "platform/render/format.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

u32 WidenA4R4G4B4(u32 v) { return prender::a4r4g4b4_argb(v); }
u32 Same(u32 v) { return v; }


} // namespace

GxTexture::GxTexture() = default;

GxTexture::~GxTexture() { ReleaseAll(); }

void GxTexture::Empty() {
    m_pTexture.reset();
    m_pMemoryTexture.reset();
    m_LockedTexture.reset();
    m_DC.reset();
    m_Format = 0;
    m_Pool = kGxPoolScratch;
    m_Width = m_Height = m_ImageWidth = m_ImageHeight = 0;
    m_MipLevels = 0;
    m_Locked = false;
    m_ColorKey = 0;
    m_Stretch = true;
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
}

void GxTexture::Release() {
    GxMutexScopedLock lock(m_Mutex);
    if (DropRegisteredReference()) Empty();
}

void GxTexture::SizeFor(u32 width, u32 height) {
    m_ImageWidth = width;
    m_ImageHeight = height;
    m_Width = GxRoundUpPowerOfTwo(width);
    m_Height = GxRoundUpPowerOfTwo(height);
    if (GxGraphics::IsSquareTextureRequired()) m_Width = m_Height = std::max(m_Width, m_Height);
}

void GxTexture::TakeLevelDescription() {
    prender::surface_desc d;
    if (prender::failed(m_pTexture->level_desc(0, d))) return;
    m_Width = d.width;
    m_Height = d.height;
    m_Format = u32(d.fmt);
    m_Pool = u32(d.where);
}

bool GxTexture::Finish() {
    TakeLevelDescription();
    RegisterCreated();
    return true;
}

void GxTexture::LogFailure(GxLogKind log, const GxChar* what, GxStringView name, prender::result r,
                           GxStringView reason) const {
    GxWriteResourceFailure(log, u"Texture", what, name, m_Width, m_Height, r, reason);
}

prender::device* GxTexture::BeginCreate(const GxChar* name, u32 width, u32 height, u32 format, u32 pool,
                                        u32 objectType, u32 mipLevels) {
    ReleaseAll();
    Empty();
    SizeFor(width, height);
    m_Format = format;
    m_Pool = pool;
    m_ObjectType = objectType;
    m_MipLevels = mipLevels;
    m_Name = GxToLower(name ? GxStringView(name) : GxStringView());
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) m_CreateFailed = true;
    return dev;
}

bool GxTexture::CreateManaged(const GxChar* name, u32 width, u32 height, u32 format, u32 objectType, u32 mipLevels,
                              const GxChar* what) {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = BeginCreate(name, width, height, format ? format : GxGraphics::GetTextureFormat(),
                                       kGxPoolManaged, objectType, mipLevels);
    if (!dev) return false;
    prender::result r = dev->create_texture(m_Width, m_Height, mipLevels, 0, GxToDeviceFormat(m_Format),
                                            prender::pool::managed, m_pTexture);
    if (prender::failed(r)) {
        LogFailure(GxLogKind::Error, what, name ? name : u"", r);
        m_CreateFailed = true;
        return false;
    }
    return Finish();
}

bool GxTexture::CreateTexture(const GxChar* name, u32 width, u32 height, u32 format, u32 mipLevels) {
    return CreateManaged(name, width, height, format, OBJTYPE_TEXTURE, mipLevels, u"CreateTexture");
}

bool GxTexture::CreateBufferedTexture(const GxChar* name, u32 width, u32 height, u32 format) {
    return CreateManaged(name, width, height, format, OBJTYPE_BUFFEREDTEXTURE, 1, u"CreateBufferedTexture");
}

bool GxTexture::CreateRenderTarget(const GxChar* name, u32 width, u32 height, u32 format) {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = BeginCreate(name, width, height, format ? format : GxGraphics::GetRenderTargetFormat(),
                                       kGxPoolDefault, OBJTYPE_RENDERTARGET, 1);
    if (!dev) return false;
    const prender::format f = GxToDeviceFormat(m_Format);
    prender::result r = dev->create_texture(m_Width, m_Height, 1, 0, f, prender::pool::system_memory, m_pMemoryTexture);
    if (prender::failed(r)) {
        GxWriteErrorLog(u"Error/Texture CreateRenderTarget Failed(Type:MemoryTexture Name:\"%s\" Size:%d,%d %s)\n",
                        m_Name, m_Width, m_Height, GxGetD3DErrorText(GxResultCode(r)));
        m_CreateFailed = true;
        return false;
    }
    r = dev->create_texture(m_Width, m_Height, 1, prender::usage_render_target, f, prender::pool::default_pool,
                            m_pTexture);
    if (prender::failed(r)) {
        GxWriteErrorLog(u"Error/Texture CreateRenderTarget Failed(Type:Texture Name:\"%s\" Size:%d,%d %s)\n", m_Name,
                        m_Width, m_Height, GxGetD3DErrorText(GxResultCode(r)));
        // The twin made first goes too: a failed texture holds nothing.
        m_pMemoryTexture.reset();
        m_CreateFailed = true;
        return false;
    }
    return Finish();
}

bool GxTexture::LoadFile(const GxChar* path, const GxChar* what) {
    GxImageInfo info;
    if (!GxGraphics::GetDevice() || !GxGetImageInfoFromFile(path, &info)) {
        m_CreateFailed = true;
        return false;
    }
    GxBinBuffer bytes;
    const bool read = GxLoadPictureFile(&bytes, path);
    return LoadImageBytes(read ? bytes.GetData() : nullptr, read ? bytes.GetSize() : 0, info, path, what, &bytes);
}

bool GxTexture::LoadImageBytes(const u8* data, u32 size, const GxImageInfo& info, GxStringView name,
                               const GxChar* what, GxBinBuffer* owned) {
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) {
        m_CreateFailed = true;
        return false;
    }
    SizeFor(info.m_Width, info.m_Height);
    // A picture the texture holds unscaled is decoded straight into its top
    // level, made once the decoder has checked the header: no other copy of
    // it is ever made. One that is scaled is decoded whole first and
    // resampled into the texture row by row. Either way the texture and at
    // most one decoded copy are alive at once.
    pimage::image whole;
    pimage::image_sink collect(whole);
    std::optional<pimage::surface_writer> writer;
    bool scale = false;
    prender::result r = prender::result::ok;
    auto make = [&] {
        return dev->create_texture(m_Width, m_Height, m_MipLevels, 0, GxToDeviceFormat(m_Format),
                                   GxToDevicePool(m_Pool), m_pTexture);
    };
    pimage::chosen_sink sink([&](u32 width, u32 height) -> pimage::pixel_sink* {
        SizeFor(width, height);
        scale = m_Stretch && (m_Width != m_ImageWidth || m_Height != m_ImageHeight);
        if (scale) return &collect;
        if (prender::failed(r = make())) return nullptr;
        return &writer.emplace(*m_pTexture->surface_level(0), m_ColorKey);
    });
    m_pTexture.reset();
    std::string why;
    const bool decoded = data && pimage::decode(data, size, sink, GxLargestTextureSize(), &why);
    if (owned) owned->Free();
    // The data at fault, not the device: the decoder's reason says where.
    const bool dataRefused = !decoded && prender::succeeded(r);
    if (dataRefused) r = prender::result(kGxResultInvalidData);
    if (prender::succeeded(r) && scale) {
        r = make();
        if (prender::succeeded(r))
            r = pimage::write_image(*m_pTexture->surface_level(0), nullptr, whole, pimage::load_filter::triangle,
                                    m_ColorKey);
        whole = pimage::image{};
    }
    if (prender::succeeded(r)) r = pimage::fill_mip_levels(*m_pTexture);
    if (prender::failed(r)) {
        LogFailure(GxLogKind::Error, what, name, r, dataRefused ? GxFromUtf8(why) : GxString());
        m_pTexture.reset();
        m_CreateFailed = true;
        return false;
    }
    return true;
}

void GxTexture::BeginLoad(GxStringView name, u32 format, u32 mipLevels, u32 colorKey, bool stretch) {
    ReleaseAll();
    Empty();
    m_Format = format ? format : GxGraphics::GetTextureFormat();
    m_Pool = kGxPoolManaged;
    m_ObjectType = OBJTYPE_TEXTURE;
    m_MipLevels = mipLevels;
    m_Stretch = stretch;
    m_ColorKey = colorKey;
    m_Name = GxToLower(name);
}

bool GxTexture::CreateFromFile(const GxChar* path, u32 format, u32 mipLevels, u32 colorKey, bool stretch) {
    GxMutexScopedLock lock(m_Mutex);
    if (!path) path = u"";
    BeginLoad(path, format, mipLevels, colorKey, stretch);
    return LoadFile(path, u"CreateFromFile") && Finish();
}

bool GxTexture::CreateFromResource(const GxChar* name, psys::module_handle module, const psys::resource* resource,
                                   u32 format, u32 mipLevels, u32 colorKey, bool stretch) {
    GxMutexScopedLock lock(m_Mutex);
    BeginLoad(name ? GxStringView(name) : GxStringView(), format, mipLevels, colorKey, stretch);
    if (!GxGraphics::GetDevice()) {
        m_CreateFailed = true;
        return false;
    }
    if (!resource) {
        GxWriteErrorLog(u"Error/Texture CreateFromResource Failed(Resource pointer is null)\n");
        m_CreateFailed = true;
        return false;
    }
    const u8* data = psys::load_resource(module, resource);
    const u32 size = psys::sizeof_resource(module, resource);
    GxImageInfo info;
    if (!GxGetImageInfoFromMemory(data, size, &info)) {
        m_CreateFailed = true;
        return false;
    }
    return LoadImageBytes(data, size, info, m_Name, u"CreateFromResource", nullptr) && Finish();
}

bool GxTexture::CreateFromFileInMemory(const GxChar* name, const u8* data, u32 size, u32 format, u32 mipLevels,
                                       u32 colorKey, bool stretch) {
    GxMutexScopedLock lock(m_Mutex);
    BeginLoad(name ? GxStringView(name) : GxStringView(), format, mipLevels, colorKey, stretch);
    GxImageInfo info;
    if (!GxGraphics::GetDevice() || !GxGetImageInfoFromMemory(data, size, &info)) {
        m_CreateFailed = true;
        return false;
    }
    return LoadImageBytes(data, size, info, m_Name, u"CreateFromFileInMemory", nullptr) && Finish();
}

bool GxTexture::GetDC(pglyph::drawing_context** out) {
    GxMutexScopedLock lock(m_Mutex);
    if (!out) return false;
    *out = nullptr;
    if (m_DC || m_Locked || !GxGraphics::GetDevice()) return false;
    const std::shared_ptr<prender::texture>& tex = ReadableTexture();
    std::shared_ptr<prender::surface> level = tex ? tex->surface_level(0) : nullptr;
    if (!level || !(m_DC = GxReadSurfaceToDC(*level))) return false;
    // The surface is taken while the context is out, as a lock takes it.
    m_Locked = true;
    *out = m_DC.get();
    return true;
}

void GxTexture::ReleaseDC(pglyph::drawing_context* dc) {
    GxMutexScopedLock lock(m_Mutex);
    if (!dc || dc != m_DC.get()) return;
    const std::shared_ptr<prender::texture>& tex = m_Pool == kGxPoolDefault ? m_pMemoryTexture : m_pTexture;
    if (std::shared_ptr<prender::surface> level = tex ? tex->surface_level(0) : nullptr)
        GxWriteDCToSurface(*m_DC, *level);
    m_DC.reset();
    m_Locked = false;
    UpdateTexture();
}

bool GxTexture::ReloadFromFile() {
    GxMutexScopedLock lock(m_Mutex);
    ResetJobState();
    m_CreateFailed = false;
    const GxString path = m_Name;
    if (!LoadFile(path.c_str(), u"ReloadFromFile")) return false;
    TakeLevelDescription();
    GxD3DResourceManage::GetInstance().UpdateMemorySize(this);
    return true;
}

bool GxTexture::CreateFromFileMultiBlend(const GxChar* name, const std::vector<GxString>& files, u32 format,
                                         u32 mipLevels) {
    GxMutexScopedLock lock(m_Mutex);
    ReleaseAll();
    Empty();
    if (!GxGraphics::GetDevice() || files.empty()) {
        m_CreateFailed = true;
        return false;
    }
    auto decode = [](const GxString& file, u32& w, u32& h) -> u8* {
        GxBinBuffer bytes;
        w = h = 0;
        if (!GxLoadPictureFile(&bytes, file.c_str())) return nullptr;
        // A picture no texture can hold is refused from its header.
        pimage::image_info header;
        if (!pimage::probe_png_header(bytes.GetData(), bytes.GetSize(), header) ||
            !pimage::size_acceptable(header.width, header.height, GxLargestTextureSize()))
            return nullptr;
        return GxDecodePNG(bytes.GetData(), bytes.GetSize(), &w, &h);
    };
    GxImageInfo info;
    if (!GxGetImageInfoFromFile(files[0].c_str(), &info)) {
        m_CreateFailed = true;
        return false;
    }
    u32 baseW = 0, baseH = 0;
    u8* base = decode(files[0], baseW, baseH);
    if (!base) {
        GxWriteErrorLog(u"Error/Texture CreateFromFileMultiBlend Failed(Name:\"%s\")\n", files[0]);
        m_CreateFailed = true;
        return false;
    }
    for (size_t i = 1; i < files.size(); ++i) {
        u32 w = 0, h = 0;
        u8* over = decode(files[i], w, h);
        if (!over) {
            GxWriteErrorLog(u"Error/Texture CreateFromFileMultiBlend Failed(Name:\"%s\")\n", files[i]);
            continue;
        }
        const u32 cw = std::min(w, baseW), ch = std::min(h, baseH);
        for (u32 y = 0; y < ch; ++y) {
            u8* b = base + (size_t(y) * baseW) * 4;
            const u8* o = over + (size_t(y) * w) * 4;
            for (u32 x = 0; x < cw; ++x, b += 4, o += 4) {
                const u32 ab = b[3], ao = o[3];
                const u32 d = (255 - ab) * ao + (255 - ao) * ab + ao * ab;
                if (d == 0) {
                    b[0] = b[1] = b[2] = b[3] = 0;
                    continue;
                }
                for (int c = 0; c < 3; ++c)
                    b[c] = u8(((255 - ao) * b[c] * ab + (255 - ab) * o[c] * ao + o[c] * ao * ab) / d);
                b[3] = u8(d / 255);
            }
        }
        GxFreeDecodedPNG(over);
    }
    // The picture becomes a texture of its own name.
    const GxString textureName = name ? GxString(name) : GxString();
    if (!CreateTexture(textureName.c_str(), baseW, baseH, format, mipLevels)) {
        GxFreeDecodedPNG(base);
        m_CreateFailed = true;
        return false;
    }
    prender::locked_rect lr;
    if (prender::succeeded(m_pTexture->lock_rect(0, nullptr, lr, 0))) {
        const u32 cw = std::min(baseW, m_Width), ch = std::min(baseH, m_Height);
        auto* dst = static_cast<u8*>(lr.bits);
        for (u32 y = 0; y < ch; ++y) {
            const u8* src = base + size_t(y) * baseW * 4;
            u8* row = dst + ptrdiff_t(y) * lr.pitch;
            if (m_Format == kGxFmtA8R8G8B8) {
                std::memcpy(row, src, size_t(cw) * 4);
            } else if (m_Format == kGxFmtA4R4G4B4) {
                for (u32 x = 0; x < cw; ++x) {
                    u32 argb;
                    std::memcpy(&argb, src + size_t(x) * 4, 4);
                    const u16 v = u16(GxColorToA4R4G4B4(argb));
                    std::memcpy(row + size_t(x) * 2, &v, 2);
                }
            }
        }
        m_pTexture->unlock_rect(0);
    }
    GxFreeDecodedPNG(base);
    return true;
}

const std::shared_ptr<prender::texture>& GxTexture::ReadableTexture() {
    TransferRenderTargetToMemory();
    return m_Pool == kGxPoolDefault ? m_pMemoryTexture : m_pTexture;
}

bool GxTexture::LockLevel0(const std::shared_ptr<prender::texture>& tex, const prender::rect* area,
                           prender::locked_rect& out, bool readOnly) {
    return tex && prender::succeeded(tex->lock_rect(0, area, out, readOnly ? prender::lock_read_only : 0));
}

bool GxTexture::LockRect(const GxRect* rect, void** bits, u32* pitch, u32* width, u32* height, u32* format,
                         bool readOnly) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_pTexture || !GxGraphics::GetDevice()) return false;
    if (m_Locked) {
        GxWriteWarningLog(u"Error/Texture LockRect Failed(Name:\"%s\" Size:%d,%d Texture Already Locked)\n", m_Name,
                          m_Width, m_Height);
        return false;
    }
    std::shared_ptr<prender::texture> target = ReadableTexture();
    prender::rect area;
    if (rect) area = GxToDeviceRect(*rect);
    prender::locked_rect lr;
    prender::result r = target ? target->lock_rect(0, rect ? &area : nullptr, lr, readOnly ? prender::lock_read_only : 0)
                               : prender::result::invalid_call;
    if (prender::failed(r)) {
        LogFailure(GxLogKind::Warning, u"LockRect", m_Name, r);
        return false;
    }
    m_Locked = true;
    m_LockedTexture = target;
    if (bits) *bits = lr.bits;
    if (pitch) *pitch = u32(lr.pitch);
    if (format) *format = m_Format;
    if (width) *width = rect ? u32(rect->right - rect->left) : m_Width;
    if (height) *height = rect ? u32(rect->bottom - rect->top) : m_Height;
    return true;
}

bool GxTexture::UnlockRect() {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Locked || !m_pTexture || !m_LockedTexture || !GxGraphics::GetDevice()) return false;
    m_LockedTexture->unlock_rect(0);
    m_LockedTexture.reset();
    m_Locked = false;
    return true;
}

bool GxTexture::Fill(u32 argb) { return FillRect(nullptr, argb); }

bool GxTexture::FillRect(const GxRect* rect, u32 argb) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_pTexture || !GxGraphics::GetDevice()) return false;
    GxRect area{0, 0, s32(m_Width), s32(m_Height)};
    if (rect) {
        area.left = std::clamp(rect->left, 0, s32(m_Width));
        area.right = std::clamp(rect->right, 0, s32(m_Width));
        area.top = std::clamp(rect->top, 0, s32(m_Height));
        area.bottom = std::clamp(rect->bottom, 0, s32(m_Height));
        // Nothing of the rectangle lies on the texture: nothing to fill.
        if (area.left >= area.right || area.top >= area.bottom) return true;
    }
    void* bits = nullptr;
    u32 pitch = 0, w = 0, h = 0, format = 0;
    if (!LockRect(&area, &bits, &pitch, &w, &h, &format, false)) return false;
    prender::locked_rect lr;
    lr.bits = bits;
    lr.pitch = s32(pitch);
    bool ok = GxFillLockedArea(format, lr, w, h, argb);
    UnlockRect();
    UpdateTexture();
    return ok;
}

bool GxTexture::FillRectMapped(const GxRect* rect, u32 argb) {
    if (!rect) return FillRect(nullptr, argb);
    GxMutexScopedLock lock(m_Mutex);
    GxRect mapped{s32(ToU(f32(rect->left)) * f32(m_Width)), s32(ToV(f32(rect->top)) * f32(m_Height)),
                  s32(ToU(f32(rect->right)) * f32(m_Width)), s32(ToV(f32(rect->bottom)) * f32(m_Height))};
    return FillRect(&mapped, argb);
}

bool GxTexture::ScrollVertical(s32 rows, u32 argb) {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_pTexture || !GxGraphics::GetDevice()) return false;
    void* bits = nullptr;
    u32 pitch = 0, w = 0, h = 0, format = 0;
    if (!LockRect(nullptr, &bits, &pitch, &w, &h, &format, false)) return false;
    // Moving by the whole height or more leaves nothing of the old picture.
    const s64 n = std::clamp<s64>(rows, -s64(h), s64(h));
    auto* base = static_cast<u8*>(bits);
    const u32 bpp = GxIs32BitColorFormat(format) ? 4 : GxIs16BitColorFormat(format) ? 2 : 0;
    bool ok = bpp != 0;
    if (ok && n != 0) {
        const size_t rowBytes = size_t(w) * bpp;
        const u32 moved = h - u32(n > 0 ? n : -n);
        if (n > 0) {
            for (u32 y = moved; y-- > 0;)
                std::memmove(base + ptrdiff_t(y + u32(n)) * pitch, base + ptrdiff_t(y) * pitch, rowBytes);
        } else {
            for (u32 y = 0; y < moved; ++y)
                std::memmove(base + ptrdiff_t(y) * pitch, base + ptrdiff_t(y + u32(-n)) * pitch, rowBytes);
        }
        prender::locked_rect lr;
        lr.pitch = s32(pitch);
        lr.bits = n > 0 ? base : base + ptrdiff_t(moved) * pitch;
        GxFillLockedArea(format, lr, w, u32(n > 0 ? n : -n), argb);
    }
    UnlockRect();
    UpdateTexture();
    return ok;
}

bool GxTexture::StretchRect(const GxRect* dstRect, GxTexture* source, const GxRect* srcRect, u32 filter) {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev || !source || !m_pTexture) return false;
    std::shared_ptr<prender::surface> src;
    source->GetSurface(&src);
    if (!src) return false;
    prender::rect s, d;
    if (srcRect) s = GxToDeviceRect(*srcRect);
    if (dstRect) d = GxToDeviceRect(*dstRect);
    return prender::succeeded(dev->stretch_rect(*src, srcRect ? &s : nullptr, *m_pTexture->surface_level(0),
                                                dstRect ? &d : nullptr, prender::filter(filter)));
}

void GxTexture::GetSurface(std::shared_ptr<prender::surface>* out) {
    GxMutexScopedLock lock(m_Mutex);
    if (out) *out = m_pTexture ? m_pTexture->surface_level(0) : nullptr;
}

void GxTexture::GetMemorySurface(std::shared_ptr<prender::surface>* out) {
    GxMutexScopedLock lock(m_Mutex);
    if (!out) return;
    if (m_pMemoryTexture)
        *out = m_pMemoryTexture->surface_level(0);
    else
        *out = m_pTexture && m_Pool == kGxPoolManaged ? m_pTexture->surface_level(0) : nullptr;
}

void GxTexture::GetTextureRef(std::shared_ptr<prender::texture>* out) {
    GxMutexScopedLock lock(m_Mutex);
    if (out) *out = m_pTexture;
}

void GxTexture::GetMemoryTextureRef(std::shared_ptr<prender::texture>* out) {
    GxMutexScopedLock lock(m_Mutex);
    if (!out) return;
    if (m_pMemoryTexture)
        *out = m_pMemoryTexture;
    else
        *out = m_Pool == kGxPoolManaged ? m_pTexture : nullptr;
}

bool GxTexture::TransferRenderTargetToMemory() {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = GxGraphics::GetDevice();
    if (m_ObjectType != OBJTYPE_RENDERTARGET || !m_pTexture || !m_pMemoryTexture || !dev) return false;
    auto target = m_pTexture->surface_level(0);
    if (!target) {
        GxWriteWarningLog(
            u"Error/Texture TransferRenderTargetToMemory GetSurfaceLevel Failed(Type:m_pTexture Name:\"%s\" Size:%d,%d %s)\n",
            m_Name, m_Width, m_Height, GxGetD3DErrorText(GxResultCode(prender::result::invalid_call)));
        return false;
    }
    auto memory = m_pMemoryTexture->surface_level(0);
    if (!memory) {
        GxWriteWarningLog(
            u"Error/Texture TransferRenderTargetToMemory GetSurfaceLevel Failed(Type:m_pMemoryTexture Name:\"%s\" Size:%d,%d %s)\n",
            m_Name, m_Width, m_Height, GxGetD3DErrorText(GxResultCode(prender::result::invalid_call)));
        return false;
    }
    prender::result r = dev->get_render_target_data(*target, *memory);
    if (prender::failed(r)) {
        GxWriteWarningLog(
            u"Error/Texture TransferRenderTargetToMemory GetRenderTargetData Failed(Type:m_pMemoryTexture Name:\"%s\" Size:%d,%d %s)\n",
            m_Name, m_Width, m_Height, GxGetD3DErrorText(GxResultCode(r)));
        return false;
    }
    return true;
}

bool GxTexture::UpdateTexture() {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev || !m_pTexture || !m_pMemoryTexture) return false;
    m_pMemoryTexture->add_dirty_rect(nullptr);
    m_pTexture->add_dirty_rect(nullptr);
    prender::result r = dev->update_texture(*m_pMemoryTexture, *m_pTexture);
    if (prender::failed(r)) {
        LogFailure(GxLogKind::Warning, u"UpdateTexture", m_Name, r);
        return false;
    }
    return true;
}

bool GxTexture::SaveToFile(const GxChar* path) {
    GxMutexScopedLock lock(m_Mutex);
    if (!GxGraphics::GetDevice() || !m_pTexture) return false;
    const std::shared_ptr<prender::texture>& tex = ReadableTexture();
    std::shared_ptr<prender::surface> level = tex ? tex->surface_level(0) : nullptr;
    if (!path || !level || !pimage::save_surface_png(GxToNativePath(path), *level)) {
        LogFailure(GxLogKind::Error, u"SaveToFile", m_Name, prender::result::fail);
        return false;
    }
    return true;
}

bool GxTexture::SaveToFileA(const char* path) {
    GxString wide = GxFromAnsi(path ? std::string_view(path) : std::string_view());
    return SaveToFile(wide.c_str());
}

u32 GxTexture::GetPixel(u32 x, u32 y) {
    GxMutexScopedLock lock(m_Mutex);
    if (!GxGraphics::GetDevice() || !m_pTexture || x >= m_Width || y >= m_Height) return 0;
    const std::shared_ptr<prender::texture>& tex = ReadableTexture();
    prender::rect one{s32(x), s32(y), s32(x) + 1, s32(y) + 1};
    prender::locked_rect lr;
    prender::result r = tex ? tex->lock_rect(0, &one, lr, prender::lock_read_only) : prender::result::invalid_call;
    if (prender::failed(r)) {
        LogFailure(GxLogKind::Warning, u"GetPixel", m_Name, r);
        return 0;
    }
    u32 value = 0;
    if (GxIs32BitColorFormat(m_Format)) {
        std::memcpy(&value, lr.bits, 4);
    } else if (m_Format == kGxFmtA4R4G4B4 || m_Format == kGxFmtX4R4G4B4) {
        u16 v;
        std::memcpy(&v, lr.bits, 2);
        value = prender::a4r4g4b4_argb(v);
    }
    tex->unlock_rect(0);
    return value;
}

template <class Pixel>
bool GxTexture::CopyLoop(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY, u32 (*convert)(u32)) {
    GxMutexScopedLock lock(m_Mutex);
    GxMutexScopedLock sourceLock(source->m_Mutex);
    if (!m_pTexture || !source->m_pTexture || !srcRect) return false;
    const s32 w = srcRect->right - srcRect->left, h = srcRect->bottom - srcRect->top;
    if (w <= 0 || h <= 0) return true;
    prender::rect s = GxToDeviceRect(*srcRect);
    prender::rect d{dstX, dstY, dstX + w, dstY + h};
    prender::locked_rect ls, ld;
    if (!LockLevel0(source->m_pTexture, &s, ls, true)) return false;
    if (!LockLevel0(m_pTexture, &d, ld, false)) {
        source->m_pTexture->unlock_rect(0);
        return false;
    }
    const u32 srcBpp = GxIs32BitColorFormat(source->m_Format) ? 4 : 2;
    for (s32 y = 0; y < h; ++y) {
        const u8* from = static_cast<const u8*>(ls.bits) + ptrdiff_t(y) * ls.pitch;
        u8* to = static_cast<u8*>(ld.bits) + ptrdiff_t(y) * ld.pitch;
        for (s32 x = 0; x < w; ++x) {
            u32 v = 0;
            if (srcBpp == 4) {
                std::memcpy(&v, from + size_t(x) * 4, 4);
            } else {
                u16 p;
                std::memcpy(&p, from + size_t(x) * 2, 2);
                v = p;
            }
            const Pixel out = Pixel(convert(v));
            std::memcpy(to + size_t(x) * sizeof(Pixel), &out, sizeof(Pixel));
        }
    }
    m_pTexture->unlock_rect(0);
    source->m_pTexture->unlock_rect(0);
    return true;
}

bool GxTexture::CopyRect32To32(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY) {
    return CopyLoop<u32>(source, srcRect, dstX, dstY, Same);
}
bool GxTexture::CopyRect16To16(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY) {
    return CopyLoop<u16>(source, srcRect, dstX, dstY, Same);
}
bool GxTexture::CopyRect32To16(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY) {
    return CopyLoop<u16>(source, srcRect, dstX, dstY, GxColorToA4R4G4B4);
}
bool GxTexture::CopyRect16To32(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY) {
    return CopyLoop<u32>(source, srcRect, dstX, dstY, WidenA4R4G4B4);
}

bool GxTexture::CopyRect(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY) {
    if (!source) return false;
    GxMutexScopedLock lock(m_Mutex);
    GxMutexScopedLock sourceLock(source->m_Mutex);
    if (!m_pTexture || !source->m_pTexture) return false;
    GxRect r = srcRect ? *srcRect : GxRect{0, 0, s32(source->m_Width), s32(source->m_Height)};
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, s32(source->m_Width));
    r.bottom = std::min(r.bottom, s32(source->m_Height));
    // A destination left of or above the texture cuts the source instead.
    if (dstX < 0) {
        r.left -= dstX;
        dstX = 0;
    }
    if (dstY < 0) {
        r.top -= dstY;
        dstY = 0;
    }
    r.right = s32(std::min<s64>(r.right, s64(r.left) + s64(m_Width) - dstX));
    r.bottom = s32(std::min<s64>(r.bottom, s64(r.top) + s64(m_Height) - dstY));
    if (r.left >= r.right || r.top >= r.bottom) return true;
    const bool src32 = GxIs32BitColorFormat(source->m_Format), dst32 = GxIs32BitColorFormat(m_Format);
    const bool src16 = source->m_Format == kGxFmtA4R4G4B4 || source->m_Format == kGxFmtX4R4G4B4;
    const bool dst16 = m_Format == kGxFmtA4R4G4B4 || m_Format == kGxFmtX4R4G4B4;
    if (src32 && dst32) return CopyRect32To32(source, &r, dstX, dstY);
    if (src32 && dst16) return CopyRect32To16(source, &r, dstX, dstY);
    if (src16 && dst32) return CopyRect16To32(source, &r, dstX, dstY);
    if (src16 && dst16) return CopyRect16To16(source, &r, dstX, dstY);
    return false;
}

bool GxTexture::PrepareFromFile(const GxChar* path, u32 format, u32 mipLevels, u32 colorKey, bool stretch) {
    ResetJobState();
    GxMutexScopedLock lock(m_Mutex);
    m_CreateFailed = false;
    m_Name = GxToLower(path ? GxStringView(path) : GxStringView());
    m_Format = format;
    m_MipLevels = mipLevels;
    m_ColorKey = colorKey;
    m_Stretch = stretch;
    return m_Stretch;
}

bool GxTexture::HasName() const { return !m_Name.empty(); }

GxString GxTexture::GetJobName() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Name;
}

void GxTexture::ExecuteJob(GxThread*, GxAsyncJobManage*) {
    GxMutexScopedLock lock(m_Mutex);
    const GxString path = m_Name;
    CreateFromFile(path.c_str(), m_Format, m_MipLevels, m_ColorKey, m_Stretch);
}

bool GxTexture::SetRenderTarget(u32 index) {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev || !m_pTexture) return false;
    return prender::succeeded(dev->set_render_target(index, m_pTexture->surface_level(0)));
}

void GxTexture::OnLost() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Pool == kGxPoolDefault) m_pTexture.reset();
}

void GxTexture::OnReset() {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = GxGraphics::GetDevice();
    if (m_Pool != kGxPoolDefault || !dev) return;
    const prender::format f = GxToDeviceFormat(m_Format);
    prender::result r = prender::result::ok;
    if (m_ObjectType == OBJTYPE_RENDERTARGET) {
        r = dev->create_texture(m_Width, m_Height, m_MipLevels, prender::usage_render_target, f,
                                prender::pool::default_pool, m_pTexture);
    } else if (m_ObjectType == OBJTYPE_TEXTURE) {
        r = dev->create_texture(m_Width, m_Height, m_MipLevels, 0, f, prender::pool::default_pool, m_pTexture);
        if (prender::succeeded(r)) UpdateTexture();
    }
    if (prender::failed(r))
        GxWriteErrorLog(u"Error/Texture CreateTexture Failed at OnReset Device(Name:\"%s\" Size:%d,%d %s)\n", m_Name,
                        m_Width, m_Height, GxGetD3DErrorText(GxResultCode(r)));
}

u32 GxTexture::GetMemorySize() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_Pool == kGxPoolScratch || m_Pool == kGxPoolSystemMem) return 0;
    u64 bytes = u64(GxGetFormatBytesPerPixel(m_Format)) * m_Width * m_Height;
    if (m_MipLevels == 0) bytes += bytes / 2;
    return ClampMemorySize(bytes);
}

u32 GxTexture::GetFormat() const { return m_Format; }
u32 GxTexture::GetPool() const { return m_Pool; }
u32 GxTexture::GetWidth() const { return m_Width; }
u32 GxTexture::GetHeight() const { return m_Height; }
u32 GxTexture::GetImageWidth() const { return m_ImageWidth; }
u32 GxTexture::GetImageHeight() const { return m_ImageHeight; }
bool GxTexture::IsLocked() const { return m_Locked; }
u32 GxTexture::GetMipLevels() const { return m_MipLevels; }
u32 GxTexture::GetColorKey() const { return m_ColorKey; }
bool GxTexture::IsStretched() const { return m_Stretch; }

std::shared_ptr<prender::texture> GxTexture::GetD3DTexture() {
    GxMutexScopedLock lock(m_Mutex);
    return m_pTexture;
}

bool GxTexture::HasTexture() {
    GxMutexScopedLock lock(m_Mutex);
    return m_pTexture != nullptr;
}

f32 GxTexture::ToU(f32 x) {
    GxMutexScopedLock lock(m_Mutex);
    return m_Width ? x / f32(m_Width) : 0.0f;
}

f32 GxTexture::ToV(f32 y) {
    GxMutexScopedLock lock(m_Mutex);
    return m_Height ? y / f32(m_Height) : 0.0f;
}
