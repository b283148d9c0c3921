#include "graphics/GxSwapChain.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DErrorText.h"
#include "graphics/GxD3DResourceManage.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"

GxSwapChain::GxSwapChain() = default;

GxSwapChain::~GxSwapChain() {
    ReleaseAll();
    GxGraphics::ForgetSwapChain(this);
}

void GxSwapChain::Empty() {
    m_DepthStencil.reset();
    m_Chain.reset();
    m_PresentParameters = prender::present_parameters{};
    m_Width = m_Height = 0;
    m_IsDefault = false;
    m_Margins = GxRect{};
    m_Viewport = GxRect{};
    m_ObjectType = OBJTYPE_NONE;
    m_Name.clear();
}

void GxSwapChain::Release() {
    GxMutexScopedLock lock(m_Mutex);
    if (DropRegisteredReference()) Empty();
}

void GxSwapChain::CreateDepthStencil() {
    m_DepthStencil.reset();
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) return;
    // A chain without its depth-stencil surface still presents; the failure
    // shows when depth is cleared or tested.
    dev->create_depth_stencil_surface(m_Width, m_Height, GxToDeviceFormat(GxGraphics::GetDepthStencilFormat()),
                                      m_PresentParameters.multisample_type, m_PresentParameters.multisample_quality,
                                      true, m_DepthStencil);
}

void GxSwapChain::Finish(const GxRect* margins) {
    m_ObjectType = OBJTYPE_SWAPCHAIN;
    m_Margins = margins ? *margins : GxRect{};
    SetViewport(nullptr);
    CreateDepthStencil();
    RegisterCreated();
}

bool GxSwapChain::CreateDefault(const GxRect* margins) {
    GxMutexScopedLock lock(m_Mutex);
    ReleaseAll();
    Empty();
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) {
        m_CreateFailed = true;
        return false;
    }
    m_Chain = dev->get_swap_chain(0);
    if (!m_Chain) {
        m_CreateFailed = true;
        return false;
    }
    m_PresentParameters = m_Chain->params();
    m_Width = m_PresentParameters.back_buffer_width;
    m_Height = m_PresentParameters.back_buffer_height;
    m_IsDefault = true;
    Finish(margins);
    return true;
}

bool GxSwapChain::CreateAdditional(const GxChar* name, const prender::present_parameters* params,
                                   const GxRect* margins) {
    GxMutexScopedLock lock(m_Mutex);
    ReleaseAll();
    Empty();
    if (params) m_PresentParameters = *params;
    m_Width = m_PresentParameters.back_buffer_width;
    m_Height = m_PresentParameters.back_buffer_height;
    m_IsDefault = false;
    m_Name = GxToLower(name ? GxStringView(name) : GxStringView());
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev || !params) {
        Empty();
        m_CreateFailed = true;
        return false;
    }
    prender::present_parameters pp = m_PresentParameters;
    prender::result r = dev->create_additional_swap_chain(pp, m_Chain);
    if (prender::failed(r)) {
        GxWriteResourceFailure(GxLogKind::Error, u"GxSwapChain", u"CreateAdditionalSwapChain", m_Name, m_Width, m_Height,
                               r);
        Empty();
        m_CreateFailed = true;
        return false;
    }
    // The device fills in what was left to it (sizes from the window, format).
    m_PresentParameters = pp;
    m_Width = pp.back_buffer_width;
    m_Height = pp.back_buffer_height;
    Finish(margins);
    return true;
}

bool GxSwapChain::CreateAdditionalA(const char* name, const prender::present_parameters* params,
                                    const GxRect* margins) {
    GxString wide = GxFromAnsi(name ? std::string_view(name) : std::string_view());
    return CreateAdditional(wide.c_str(), params, margins);
}

bool GxSwapChain::CreateForWindow(const GxChar* name, prender::present_target* window, u32 width, u32 height,
                                  const GxRect* margins) {
    prender::present_parameters pp = GxGraphics::GetPresentParameters(GxGraphics::GetConfig().m_DisplayMode);
    pp.back_buffer_width = width;
    pp.back_buffer_height = height;
    pp.windowed = true;
    if (window) pp.window = window;
    return CreateAdditional(name, &pp, margins);
}

void GxSwapChain::SetViewport(const GxRect* rect) {
    GxMutexScopedLock lock(m_Mutex);
    if (rect) {
        m_Viewport = *rect;
        return;
    }
    m_Viewport = GxRect{m_Margins.left, m_Margins.top, s32(m_Width) - m_Margins.right,
                        s32(m_Height) - m_Margins.bottom};
}

void GxSwapChain::OnLost() {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_IsDefault && m_Chain) m_PresentParameters = m_Chain->params();
    m_Chain.reset();
    m_DepthStencil.reset();
}

void GxSwapChain::OnReset() {
    GxMutexScopedLock lock(m_Mutex);
    prender::device* dev = GxGraphics::GetDevice();
    if (!dev) return;
    if (!m_IsDefault) {
        prender::present_parameters pp = m_PresentParameters;
        prender::result r = dev->create_additional_swap_chain(pp, m_Chain);
        if (prender::failed(r)) {
            GxWriteResourceFailure(GxLogKind::Error, u"GxSwapChain", u"OnReset", m_Name, m_Width, m_Height, r);
            return;
        }
    } else {
        m_Chain = dev->get_swap_chain(0);
        if (!m_Chain) {
            GxWriteErrorLog(u"Error/GxSwapChain OnReset Failed(DefaultChain Size:%d,%d %s)\n", m_Width, m_Height,
                            GxGetD3DErrorText(GxResultCode(prender::result::fail)));
            return;
        }
        m_PresentParameters = m_Chain->params();
        // A display-mode change gives the implicit chain a new size: the
        // depth-stencil surface and the viewport follow it, since a
        // depth-stencil surface smaller than its back buffer cannot be used.
        if (m_Width != m_PresentParameters.back_buffer_width || m_Height != m_PresentParameters.back_buffer_height) {
            m_Width = m_PresentParameters.back_buffer_width;
            m_Height = m_PresentParameters.back_buffer_height;
            SetViewport(nullptr);
            GxD3DResourceManage::GetInstance().UpdateMemorySize(this);
        }
    }
    CreateDepthStencil();
}

u32 GxSwapChain::GetMemorySize() {
    GxMutexScopedLock lock(m_Mutex);
    u64 bytes = u64(GxGetFormatBytesPerPixel(u32(m_PresentParameters.back_buffer_format)) +
                    GxGetFormatBytesPerPixel(u32(m_PresentParameters.auto_depth_stencil_format))) *
                m_Width * m_Height;
    return ClampMemorySize(bytes);
}

std::shared_ptr<prender::swap_chain> GxSwapChain::GetD3DSwapChain() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Chain;
}

std::shared_ptr<prender::surface> GxSwapChain::GetDepthStencilSurface() {
    GxMutexScopedLock lock(m_Mutex);
    return m_DepthStencil;
}

const prender::present_parameters* GxSwapChain::GetPresentParameters() const { return &m_PresentParameters; }
u32 GxSwapChain::GetBackBufferFormat() const { return u32(m_PresentParameters.back_buffer_format); }
u32 GxSwapChain::GetDepthStencilFormat() const { return u32(m_PresentParameters.auto_depth_stencil_format); }
u32 GxSwapChain::GetWidth() const { return m_Width; }
u32 GxSwapChain::GetHeight() const { return m_Height; }
bool GxSwapChain::IsDefault() const { return m_IsDefault; }

GxRect GxSwapChain::GetMargins() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Margins;
}

GxRect GxSwapChain::GetViewport() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Viewport;
}
