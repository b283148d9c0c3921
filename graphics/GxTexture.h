#pragma once
// The engine's ordinary texture: one device texture (and, for render targets,
// a system-memory twin through which it is read and written) as a resource
// with a lower-cased name, a reference count and its own mutex. It is made
// empty, as a render target, as a buffered texture, from an image file, or by
// blending several PNG files; it can be filled, scrolled, copied into,
// locked, read pixel by pixel, saved as PNG and loaded on a job worker.
//
// Sizes are rounded up to powers of two (and made square when the device or
// the force-square setting asks for it); the image size keeps what was asked
// for or what the file holds. A format of 0 means the device layer's default.
#include "base/GxLog.h"
#include "base/GxVector.h"
#include "graphics/GxTextureBase.h"
#include "platform/render/resources.h"
#include "platform/system/resources.h"

#include <memory>
#include <vector>

namespace prender {
class device;
}
namespace pglyph {
class drawing_context;
}
struct GxImageInfo;
class GxBinBuffer;

class GxTexture : public GxTextureBase {
public:
    GxTexture();
    ~GxTexture() override;

    void Release() override;
    void OnLost() override;
    void OnReset() override;
    u32 GetMemorySize() override;

    bool SetRenderTarget(u32 index) override;
    u32 GetFormat() const override;
    u32 GetPool() const override;
    u32 GetWidth() const override;
    u32 GetHeight() const override;
    virtual u32 GetImageWidth() const;
    virtual u32 GetImageHeight() const;
    virtual bool IsLocked() const;
    std::shared_ptr<prender::texture> GetD3DTexture() override;
    bool HasTexture() override;
    f32 ToU(f32 x) override;
    f32 ToV(f32 y) override;
    virtual u32 GetMipLevels() const;
    virtual u32 GetColorKey() const;
    virtual bool IsStretched() const;

    virtual bool CreateTexture(const GxChar* name, u32 width, u32 height, u32 format, u32 mipLevels);
    virtual bool CreateRenderTarget(const GxChar* name, u32 width, u32 height, u32 format);
    virtual bool CreateBufferedTexture(const GxChar* name, u32 width, u32 height, u32 format);
    // stretch: scale the image to the texture (triangle filter) when their
    // sizes differ, else place it unscaled in the top-left corner.
    virtual bool CreateFromFile(const GxChar* path, u32 format, u32 mipLevels, u32 colorKey, bool stretch);
    virtual bool ReloadFromFile();
    // As CreateFromFile, the image being one of the program's own resources
    // (psys::find_resource); the texture is named `name`.
    virtual bool CreateFromResource(const GxChar* name, psys::module_handle module, const psys::resource* resource,
                                    u32 format, u32 mipLevels, u32 colorKey, bool stretch);
    // As CreateFromFile, from the bytes of an image file already read (a
    // save's thumbnail, read no further than a thumbnail can mean); the
    // texture is named `name`.
    bool CreateFromFileInMemory(const GxChar* name, const u8* data, u32 size, u32 format, u32 mipLevels, u32 colorKey,
                                bool stretch);
    // Several PNG files drawn one over the other in list order.
    virtual bool CreateFromFileMultiBlend(const GxChar* name, const std::vector<GxString>& files, u32 format,
                                          u32 mipLevels);

    virtual bool Fill(u32 argb);
    // Null: the whole texture; a rectangle is kept inside the texture.
    virtual bool FillRect(const GxRect* rect, u32 argb);
    // The rectangle's coordinates through ToU / ToV and back to texels.
    virtual bool FillRectMapped(const GxRect* rect, u32 argb);
    // rows > 0 moves the picture down and fills the rows that open at the
    // top; rows < 0 moves it up and fills at the bottom.
    virtual bool ScrollVertical(s32 rows, u32 argb);
    virtual bool StretchRect(const GxRect* dstRect, GxTexture* source, const GxRect* srcRect, u32 filter);
    virtual bool LockRect(const GxRect* rect, void** bits, u32* pitch, u32* width, u32* height, u32* format,
                          bool readOnly);
    virtual bool UnlockRect();
    virtual void GetSurface(std::shared_ptr<prender::surface>* out);
    virtual void GetMemorySurface(std::shared_ptr<prender::surface>* out);
    virtual void GetTextureRef(std::shared_ptr<prender::texture>* out);
    virtual void GetMemoryTextureRef(std::shared_ptr<prender::texture>* out);
    // A drawing context over the memory surface's pixels (a render target's
    // picture is fetched first); the texture counts as locked until
    // ReleaseDC writes the pixels back. False when there is nothing to draw
    // into or a lock or another context is out.
    virtual bool GetDC(pglyph::drawing_context** out);
    virtual void ReleaseDC(pglyph::drawing_context* dc);
    // Render targets only: the picture into the system-memory twin.
    virtual bool TransferRenderTargetToMemory();
    // The twin up into the device texture.
    virtual bool UpdateTexture();
    virtual bool SaveToFile(const GxChar* path);
    virtual bool SaveToFileA(const char* path);
    virtual u32 GetPixel(u32 x, u32 y);
    // Copies a rectangle of another texture (null: all of it) to (dstX, dstY),
    // cut to what both textures hold; false when nothing could be copied.
    virtual bool CopyRect(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY);
    virtual bool CopyRect32To32(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY);
    virtual bool CopyRect16To16(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY);
    virtual bool CopyRect32To16(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY);
    virtual bool CopyRect16To32(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY);
    // Keeps the load parameters for a job worker; returns the stretch flag.
    virtual bool PrepareFromFile(const GxChar* path, u32 format, u32 mipLevels, u32 colorKey, bool stretch);
    virtual bool HasName() const;

    GxString GetJobName() const override;
    void ExecuteJob(GxThread* worker, GxAsyncJobManage* manager) override;

private:
    void Empty();
    void SizeFor(u32 width, u32 height);
    void TakeLevelDescription();
    bool Finish();
    void LogFailure(GxLogKind log, const GxChar* what, GxStringView name, prender::result r,
                    GxStringView reason = {}) const;
    // The start of a Create: the old texture goes and the new one's settings
    // are taken. Null (and the texture marked failed) without a device.
    prender::device* BeginCreate(const GxChar* name, u32 width, u32 height, u32 format, u32 pool, u32 objectType,
                                 u32 mipLevels);
    // A managed texture; `what` names the caller in the failure line.
    bool CreateManaged(const GxChar* name, u32 width, u32 height, u32 format, u32 objectType, u32 mipLevels,
                       const GxChar* what);
    // The start of a load: the old texture goes and the load's settings are
    // taken (a managed plain texture of that name).
    void BeginLoad(GxStringView name, u32 format, u32 mipLevels, u32 colorKey, bool stretch);
    // The image file into a new device texture with the texture's settings,
    // sized to the file; `owned`, when given, holds the bytes and is freed
    // as soon as they are decoded.
    bool LoadFile(const GxChar* path, const GxChar* what);
    bool LoadImageBytes(const u8* data, u32 size, const GxImageInfo& info, GxStringView name, const GxChar* what,
                        GxBinBuffer* owned);
    // What the CPU reads and locks: a default-pool texture cannot be locked,
    // so its system-memory twin, brought up to date first.
    const std::shared_ptr<prender::texture>& ReadableTexture();
    bool LockLevel0(const std::shared_ptr<prender::texture>& tex, const prender::rect* area, prender::locked_rect& out,
                    bool readOnly);
    template <class Pixel>
    bool CopyLoop(GxTexture* source, const GxRect* srcRect, s32 dstX, s32 dstY, u32 (*convert)(u32));

    std::shared_ptr<prender::texture> m_pTexture;
    std::shared_ptr<prender::texture> m_pMemoryTexture;
    std::shared_ptr<prender::texture> m_LockedTexture;  // the one LockRect chose
    u32 m_Format = 0;
    u32 m_Pool = 3;
    u32 m_Width = 0;
    u32 m_Height = 0;
    u32 m_ImageWidth = 0;
    u32 m_ImageHeight = 0;
    u32 m_MipLevels = 0;
    bool m_Locked = false;
    u32 m_ColorKey = 0;
    bool m_Stretch = true;
    std::unique_ptr<pglyph::drawing_context> m_DC;
};
