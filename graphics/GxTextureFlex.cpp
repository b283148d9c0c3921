#include "graphics/GxTextureFlex.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DErrorText.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxImageInfo.h"
#include "platform/image/image.h"
#include "platform/image/surface_io.h"
#include "platform/render/format.h"

#include <algorithm>

GxTextureFlex::GxTextureFlex() = default;

GxTextureFlex::~GxTextureFlex() { ReleaseAll(); }

void GxTextureFlex::Empty() {
    m_Tiles.clear();
    m_Format = 0;
    m_Pool = kGxPoolScratch;
    m_ImageWidth = m_ImageHeight = m_CoveredWidth = m_CoveredHeight = 0;
    m_TilesAcross = m_TilesDown = m_TileWidth = m_TileHeight = 0;
    m_MipLevels = 0;
    m_Locked = false;
    m_ColorKey = 0;
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
}

void GxTextureFlex::Release() {
    GxMutexScopedLock lock(m_Mutex);
    if (DropRegisteredReference()) Empty();
}

bool GxTextureFlex::CreateTexture(const GxChar* name, u32 width, u32 height, u32 format) {
    GxMutexScopedLock lock(m_Mutex);
    ReleaseAll();
    Empty();
    m_Format = format ? format : GxGraphics::GetTextureFormat();
    m_Pool = kGxPoolManaged;
    m_MipLevels = 1;
    m_ObjectType = OBJTYPE_FLEXTEXTURE;
    m_Name = GxToLower(name ? GxStringView(name) : GxStringView());
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) {
        m_CreateFailed = true;
        return false;
    }
    auto fail = [&](prender::result r) {
        GxWriteResourceFailure(GxLogKind::Error, u"FlexTexture", u"CreateTexture", name ? name : u"", width, height, r);
        // Tiles made before the failure go with it: a failed texture holds nothing.
        const u32 keepFormat = m_Format;
        Empty();
        m_Format = keepFormat;
        m_CreateFailed = true;
        return false;
    };
    // No image is larger than the decoders take; a larger size would only
    // ask for a huge array of tiles.
    if (width > pimage::max_side || height > pimage::max_side) return fail(prender::result::invalid_call);
    m_ImageWidth = m_CoveredWidth = width;
    m_ImageHeight = m_CoveredHeight = height;
    m_TilesAcross = (width + kTileSize - 1) / kTileSize;
    m_TilesDown = (height + kTileSize - 1) / kTileSize;
    m_TileWidth = m_TileHeight = kTileSize;
    m_Tiles.assign(size_t(m_TilesAcross) * m_TilesDown, nullptr);
    for (auto& tile : m_Tiles) {
        prender::result r = dev->create_texture(kTileSize, kTileSize, 1, 0, GxToDeviceFormat(m_Format),
                                                prender::pool::managed, tile);
        if (prender::failed(r)) return fail(r);
    }
    RegisterCreated();
    return true;
}

bool GxTextureFlex::CopyFromSurface(prender::surface& source) {
    GxMutexScopedLock lock(m_Mutex);
    const prender::surface_desc& d = source.desc();
    if (!prender::is_color_format(d.fmt)) return false;
    source.finish_drawing();
    // A tile's part at a time, read from the surface's rows: the picture is
    // never copied whole beside the surface and the tiles.
    for (u32 r = 0; r < m_TilesDown; ++r) {
        for (u32 c = 0; c < m_TilesAcross; ++c) {
            const u32 x0 = c * kTileSize, y0 = r * kTileSize;
            if (x0 >= d.width || y0 >= d.height) continue;
            pimage::image part;
            part.width = std::min(kTileSize, d.width - x0);
            part.height = std::min(kTileSize, d.height - y0);
            part.pixels.resize(size_t(part.width) * part.height);
            const u32 bpp = prender::bytes_per_pixel(d.fmt);
            for (u32 y = 0; y < part.height; ++y)
                prender::row_to_argb(d.fmt, source.bits() + ptrdiff_t(y0 + y) * source.pitch() + ptrdiff_t(x0) * bpp,
                                     part.pixels.data() + size_t(y) * part.width, part.width);
            const auto& tile = m_Tiles[size_t(r) * m_TilesAcross + c];
            std::shared_ptr<prender::surface> level = tile ? tile->surface_level(0) : nullptr;
            prender::rect area{0, 0, s32(part.width), s32(part.height)};
            if (!level || prender::failed(pimage::write_image(*level, &area, part, pimage::load_filter::none, 0)))
                return false;
        }
    }
    return true;
}

bool GxTextureFlex::CreateFromFile(const GxChar* path, u32 format, u32 colorKey) {
    GxMutexScopedLock lock(m_Mutex);
    ReleaseAll();
    Empty();
    if (!path) path = u"";
    m_ColorKey = colorKey;
    m_Format = format ? format : GxGraphics::GetTextureFormat();
    std::shared_ptr<prender::surface> surface;
    GxImageInfo info;
    bool ok = GxCreateScratchSurfaceFromFile(path, &surface, m_Format, &info, colorKey) && surface;
    if (ok) {
        const prender::surface_desc d = surface->desc();
        ok = CreateTexture(path, d.width, d.height, format) && CopyFromSurface(*surface);
    }
    if (!ok) {
        ReleaseAll();
        Empty();
        m_CreateFailed = true;
        return false;
    }
    m_ColorKey = colorKey;
    m_Name = GxToLower(path);
    return true;
}

void GxTextureFlex::PrepareFromFile(const GxChar* path, u32 format, u32 colorKey) {
    ResetJobState();
    GxMutexScopedLock lock(m_Mutex);
    m_CreateFailed = false;
    m_Name = GxToLower(path ? GxStringView(path) : GxStringView());
    m_Format = format;
    m_ColorKey = colorKey;
}

GxString GxTextureFlex::GetJobName() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Name;
}

void GxTextureFlex::ExecuteJob(GxThread*, GxAsyncJobManage*) {
    GxMutexScopedLock lock(m_Mutex);
    const GxString path = m_Name;
    CreateFromFile(path.c_str(), m_Format, m_ColorKey);
}

u32 GxTextureFlex::GetMemorySize() {
    GxMutexScopedLock lock(m_Mutex);
    u64 bytes = u64(GxGetFormatBytesPerPixel(m_Format)) * m_TileWidth * m_TileHeight * m_TilesAcross * m_TilesDown;
    return ClampMemorySize(bytes);
}

std::vector<std::shared_ptr<prender::texture>> GxTextureFlex::GetTileArray() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Tiles;
}

bool GxTextureFlex::HasTexture() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_ObjectType == OBJTYPE_FLEXTEXTURE && m_RefCount > 0;
}

#define GX_FLEX_GETTER(Name, field)            \
    u32 GxTextureFlex::Name() const {          \
        GxMutexScopedLock lock(m_Mutex);       \
        return field;                          \
    }
GX_FLEX_GETTER(GetFormat, m_Format)
GX_FLEX_GETTER(GetPool, m_Pool)
GX_FLEX_GETTER(GetImageWidth, m_ImageWidth)
GX_FLEX_GETTER(GetImageHeight, m_ImageHeight)
GX_FLEX_GETTER(GetCoveredWidth, m_CoveredWidth)
GX_FLEX_GETTER(GetCoveredHeight, m_CoveredHeight)
GX_FLEX_GETTER(GetTilesAcross, m_TilesAcross)
GX_FLEX_GETTER(GetTilesDown, m_TilesDown)
GX_FLEX_GETTER(GetTileWidth, m_TileWidth)
GX_FLEX_GETTER(GetTileHeight, m_TileHeight)
#undef GX_FLEX_GETTER

bool GxTextureFlex::IsLocked() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Locked;
}

u32 GxTextureFlex::GetMipLevels() const { return m_MipLevels; }
u32 GxTextureFlex::GetColorKey() const { return m_ColorKey; }
bool GxTextureFlex::HasName() const { return !m_Name.empty(); }
