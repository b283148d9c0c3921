#include "game/GxGlobalRenderTargets.h"

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTexture.h"
#include "io/GxBinBuffer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxTaskManage.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr u32 kThumbnailBlock = 8;
constexpr s32 kCaptureWidth = 1024;
constexpr s32 kCaptureHeight = 768;
// The off-screen redraw's bank of render lists.
constexpr int kCaptureBank = 1;
constexpr int kFrameBank = 0;

struct RenderTargets {
    GxSurface surfaces[2];
    GxTexture textures[2];
    GxSurface depthStencil;
    GxSurface transition;
    GxBinBuffer thumbnail;
    bool capturing = false;
};

// Made by the start-up, gone after the shutdown: nothing of the device
// outlives the game.
std::unique_ptr<RenderTargets> g_Targets;

u32 ScreenWidth() { return GxGraphics::GetConfig().m_BackBufferWidth; }
u32 ScreenHeight() { return GxGraphics::GetConfig().m_BackBufferHeight; }

bool HoldsScreen(u32 width, u32 height) { return width >= ScreenWidth() && height >= ScreenHeight(); }

GxRect ScreenRect() { return GxRect{0, 0, s32(ScreenWidth()), s32(ScreenHeight())}; }

// A texture's pixels over the screen rectangle, unlocked again when it goes.
class TextureLock {
public:
    TextureLock(GxTexture* texture, bool readOnly) : m_Texture(texture) {
        const GxRect area = ScreenRect();
        void* bits = nullptr;
        if (m_Texture && m_Texture->LockRect(&area, &bits, &m_Pitch, nullptr, nullptr, nullptr, readOnly))
            m_Bits = static_cast<u8*>(bits);
    }
    ~TextureLock() {
        if (m_Bits) m_Texture->UnlockRect();
    }
    TextureLock(const TextureLock&) = delete;
    TextureLock& operator=(const TextureLock&) = delete;

    bool IsLocked() const { return m_Bits != nullptr; }
    u32* Row(u32 y) const { return reinterpret_cast<u32*>(m_Bits + size_t(y) * m_Pitch); }

private:
    GxTexture* m_Texture;
    u8* m_Bits = nullptr;
    u32 m_Pitch = 0;
};

// The same for a surface's device surface.
class SurfaceLock {
public:
    explicit SurfaceLock(const GxSurface& surface) : m_Surface(surface.GetD3DSurface()) {
        const prender::rect area = GxToDeviceRect(ScreenRect());
        if (m_Surface && prender::succeeded(m_Surface->lock_rect(&area, m_Locked, prender::lock_read_only)))
            m_Bits = static_cast<u8*>(m_Locked.bits);
    }
    ~SurfaceLock() {
        if (m_Bits) m_Surface->unlock_rect();
    }
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    bool IsLocked() const { return m_Bits != nullptr; }
    const u32* Row(u32 y) const { return reinterpret_cast<const u32*>(m_Bits + size_t(y) * u32(m_Locked.pitch)); }

private:
    std::shared_ptr<prender::surface> m_Surface;
    prender::locked_rect m_Locked;
    u8* m_Bits = nullptr;
};

} // namespace

void GxCreateGlobalRenderTargets() {
    g_Targets = std::make_unique<RenderTargets>();
    RenderTargets& t = *g_Targets;
    const u32 width = ScreenWidth(), height = ScreenHeight();
    for (GxSurface& s : t.surfaces) s.CreateSurface(u"", width, height, kGxFmtX8R8G8B8);
    for (GxTexture& tex : t.textures) tex.CreateRenderTarget(u"GlobalRenderTexture0", width, height, kGxFmtA8R8G8B8);
    t.depthStencil.CreateDepthStencil(u"GlobalDepthStencil", t.textures[0].GetWidth(), t.textures[0].GetHeight(), 0,
                                      0, 0);
    t.thumbnail.Alloc((width / kThumbnailBlock) * (height / kThumbnailBlock) * 4);
    t.capturing = false;
}

void GxReleaseGlobalRenderTargets() {
    if (!g_Targets) return;
    RenderTargets& t = *g_Targets;
    for (GxSurface& s : t.surfaces) s.Release();
    for (GxTexture& tex : t.textures) tex.Release();
    t.depthStencil.Release();
    t.transition.Release();
    t.capturing = false;
    t.thumbnail.Free();
    g_Targets.reset();
}

GxTexture* GxGetGlobalRenderTexture(int index) {
    return g_Targets && (index == 0 || index == 1) ? &g_Targets->textures[index] : nullptr;
}

GxSurface* GxGetGlobalDepthStencil() { return g_Targets ? &g_Targets->depthStencil : nullptr; }

GxSurface* GxGetGlobalSurface(int index) {
    return g_Targets && (index == 0 || index == 1) ? &g_Targets->surfaces[index] : nullptr;
}

GxSurface* GxGetTransitionSurface(const GxChar* fileName) {
    if (!g_Targets) return nullptr;
    GxSurface& rule = g_Targets->transition;
    if (fileName && *fileName)
        rule.CreateFromFile(fileName, kGxFmtA8R8G8B8, 0);
    else
        rule.CreateScratch(u"", ScreenWidth(), ScreenHeight(), kGxFmtA8R8G8B8);
    return &rule;
}

bool GxRenderToGlobalTexture(GxCoreBase* core) {
    if (!core || !g_Targets || !g_Targets->textures[0].HasTexture()) return false;
    RenderTargets& t = *g_Targets;
    t.capturing = true;
    const GxRect viewport{0, 0, kCaptureWidth, kCaptureHeight};
    if (!GxGraphics::PushRenderTarget(0, &t.textures[0], &t.depthStencil, &viewport)) {
        t.capturing = false;
        return false;
    }
    core->SetRenderBank(kCaptureBank);
    core->ClearRenderLists();
    // The scenes only. The resident system scene (notices, the loading icon,
    // the debug status) draws itself over every frame, over the fade from
    // this picture too: a copy of it here would stand still while the live
    // one moves on, a notice sliding in past a fading ghost of itself.
    if (GxTaskManage* tm = core->GetTaskManage())
        for (int i = GxTaskManage::kSeqWorkerCount - 1; i >= 0; --i)
            if (GxTaskBase* scene = tm->GetSeqWorker(i)->m_CurrentTask) tm->EnqueueRenderTaskTree(scene, 0, 0);
    core->DrawRenderLists();
    core->ClearRenderLists();
    core->SetRenderBank(kFrameBank);
    const bool restored = GxGraphics::PopRenderTarget(0);
    t.capturing = false;
    return restored;
}

bool GxIsCapturingGlobalTexture() { return g_Targets && g_Targets->capturing; }

void GxComposeRuleTransition(GxTexture* destination, f32 progress) {
    if (!g_Targets) return;
    RenderTargets& t = *g_Targets;
    GxTexture& source = t.textures[0];
    // A rule image, or a texture, smaller than the screen would be read or
    // written outside its pixels.
    if (!destination || !HoldsScreen(t.transition.GetWidth(), t.transition.GetHeight()) ||
        !HoldsScreen(source.GetWidth(), source.GetHeight()) ||
        !HoldsScreen(destination->GetWidth(), destination->GetHeight()))
        return;
    {
        TextureLock from(&source, true);
        SurfaceLock rule(t.transition);
        TextureLock to(destination, false);
        if (!from.IsLocked() || !rule.IsLocked() || !to.IsLocked()) return;
        const s32 threshold = s32(std::clamp(progress, 0.0f, 1.0f) * 510.0f);
        for (u32 y = 0; y < ScreenHeight(); ++y) {
            const u32* src = from.Row(y);
            const u32* mask = rule.Row(y);
            u32* dst = to.Row(y);
            for (u32 x = 0; x < ScreenWidth(); ++x) {
                const s32 a = std::clamp(s32((mask[x] >> 16) & 0xFF) - threshold + 255, 0, 255);
                dst[x] = (src[x] & 0x00FFFFFFu) | (u32(a) << 24);
            }
        }
    }
    // A default-pool texture was written through its memory twin.
    if (destination->GetPool() == kGxPoolDefault) destination->UpdateTexture();
}

bool GxCaptureThumbnailPixels() {
    if (!g_Targets) return false;
    RenderTargets& t = *g_Targets;
    const u32 columns = ScreenWidth() / kThumbnailBlock, rows = ScreenHeight() / kThumbnailBlock;
    if (!HoldsScreen(t.textures[0].GetWidth(), t.textures[0].GetHeight()) ||
        t.thumbnail.GetSize() < columns * rows * 4)
        return false;
    TextureLock from(&t.textures[0], true);
    if (!from.IsLocked()) return false;
    u8* out = t.thumbnail.GetData();
    for (u32 by = 0; by < rows; ++by) {
        for (u32 bx = 0; bx < columns; ++bx) {
            u32 sum[3] = {0, 0, 0};
            for (u32 y = 0; y < kThumbnailBlock; ++y) {
                const u32* row = from.Row(by * kThumbnailBlock + y) + bx * kThumbnailBlock;
                for (u32 x = 0; x < kThumbnailBlock; ++x)
                    for (int c = 0; c < 3; ++c) sum[c] += (row[x] >> (8 * c)) & 0xFF;
            }
            const u32 pixel = 0xFF000000u | ((sum[2] / 64) << 16) | ((sum[1] / 64) << 8) | (sum[0] / 64);
            std::memcpy(out, &pixel, sizeof pixel);
            out += sizeof pixel;
        }
    }
    return true;
}

const GxBinBuffer& GxGetThumbnailPixels() {
    static const GxBinBuffer none;
    return g_Targets ? g_Targets->thumbnail : none;
}
