#pragma once
// One swap chain of the device with its own depth-stencil surface, margins
// (insets of the drawable area from the back buffer's edges) and viewport.
// The default chain wraps the device's implicit chain; additional chains can
// present to another window or at another size.
#include "base/GxVector.h"
#include "graphics/GxD3DResourceBase.h"
#include "platform/render/resources.h"

#include <memory>

class GxSwapChain : public GxD3DResourceBase {
public:
    GxSwapChain();
    ~GxSwapChain() override;

    void Release() override;
    void OnLost() override;
    void OnReset() override;
    u32 GetMemorySize() override;

    virtual std::shared_ptr<prender::swap_chain> GetD3DSwapChain();
    virtual std::shared_ptr<prender::surface> GetDepthStencilSurface();
    virtual const prender::present_parameters* GetPresentParameters() const;
    virtual u32 GetBackBufferFormat() const;
    virtual u32 GetDepthStencilFormat() const;
    virtual u32 GetWidth() const;
    virtual u32 GetHeight() const;
    virtual bool CreateDefault(const GxRect* margins);
    virtual bool CreateForWindow(const GxChar* name, prender::present_target* window, u32 width, u32 height,
                                 const GxRect* margins);
    virtual bool CreateAdditional(const GxChar* name, const prender::present_parameters* params, const GxRect* margins);
    // The name in the ANSI code page.
    virtual bool CreateAdditionalA(const char* name, const prender::present_parameters* params, const GxRect* margins);
    // Without a rectangle: the back buffer inside the margins.
    virtual void SetViewport(const GxRect* rect);

    bool IsDefault() const;
    GxRect GetMargins() const;
    GxRect GetViewport() const;

private:
    void Finish(const GxRect* margins);
    void CreateDepthStencil();
    void Empty();

    std::shared_ptr<prender::swap_chain> m_Chain;
    std::shared_ptr<prender::surface> m_DepthStencil;
    prender::present_parameters m_PresentParameters;
    u32 m_Width = 0;
    u32 m_Height = 0;
    bool m_IsDefault = false;
    GxRect m_Margins;
    GxRect m_Viewport;
};
