#pragma once
// One device surface as a resource: a plain off-screen surface (default,
// scratch or system-memory pool), a depth-stencil surface, a render-target
// surface, or a scratch surface loaded from an image file. It can become a
// render target, receive a stretch copy and be saved as PNG.
#include "base/GxVector.h"
#include "graphics/GxSurfaceBase.h"
#include "platform/render/resources.h"

#include <memory>

namespace pglyph {
class drawing_context;
}

class GxSurface : public GxSurfaceBase {
public:
    GxSurface();
    ~GxSurface() override;

    void Release() override;
    void OnLost() override;
    void OnReset() override;
    u32 GetMemorySize() override;

    bool SetRenderTarget(u32 index) override;
    u32 GetFormat() const override;
    u32 GetPool() const override;
    u32 GetWidth() const override;
    u32 GetHeight() const override;
    virtual u32 GetAskedWidth() const;
    virtual u32 GetAskedHeight() const;
    virtual bool IsLocked() const;
    // No reference is taken for the caller.
    virtual std::shared_ptr<prender::surface> GetD3DSurface() const;

    // Format 0: the device layer's texture format (depth-stencil surfaces:
    // its depth-stencil format; render targets: its render-target format).
    virtual bool CreateSurface(const GxChar* name, u32 width, u32 height, u32 format);
    virtual bool CreateSurfaceA(const char* name, u32 width, u32 height, u32 format);
    virtual bool CreateScratch(const GxChar* name, u32 width, u32 height, u32 format);
    virtual bool CreateScratchA(const char* name, u32 width, u32 height, u32 format);
    virtual bool CreateSystemMemory(const GxChar* name, u32 width, u32 height, u32 format);
    virtual bool CreateSystemMemoryA(const char* name, u32 width, u32 height, u32 format);
    virtual bool CreateDepthStencil(const GxChar* name, u32 width, u32 height, u32 format, u32 multiSampleType,
                                    u32 multiSampleQuality);
    virtual bool CreateDepthStencilA(const char* name, u32 width, u32 height, u32 format, u32 multiSampleType,
                                     u32 multiSampleQuality);
    virtual bool CreateRenderTarget(const GxChar* name, u32 width, u32 height, u32 format, u32 multiSampleType,
                                    u32 multiSampleQuality);
    virtual bool CreateRenderTargetA(const char* name, u32 width, u32 height, u32 format, u32 multiSampleType,
                                     u32 multiSampleQuality);
    virtual bool CreateFromFile(const GxChar* path, u32 format, u32 colorKey);
    virtual bool CreateFromFileA(const char* path, u32 format, u32 colorKey);
    // Null rectangles mean the whole surface; filter: 0 none, 1 point, 2 linear.
    virtual bool StretchRect(const GxRect* dstRect, GxSurface* source, const GxRect* srcRect, u32 filter);
    // The surface, for the caller to keep.
    virtual void GetSurface(std::shared_ptr<prender::surface>* out) const;
    virtual bool SaveToFile(const GxChar* path);
    virtual bool SaveToFileA(const char* path);
    // A drawing context over the surface's pixels, written back by
    // ReleaseDC; false (nothing handed out) when the surface cannot be
    // locked or a context is already out.
    virtual bool GetDC(pglyph::drawing_context** out);
    virtual void ReleaseDC(pglyph::drawing_context* dc);

private:
    bool Create(const GxChar* name, u32 width, u32 height, u32 format, u32 pool, u32 objectType, u32 msType,
                u32 msQuality, const GxChar* what);
    void Empty();
    void TakeDescription();

    std::shared_ptr<prender::surface> m_Surface;
    std::shared_ptr<prender::surface> m_Second;  // released with the first; nothing here sets it
    u32 m_Format = 0;
    u32 m_Pool = 3;
    u32 m_Width = 0;
    u32 m_Height = 0;
    u32 m_AskedWidth = 0;
    u32 m_AskedHeight = 0;
    bool m_Locked = false;
    std::unique_ptr<pglyph::drawing_context> m_DC;
};
