#pragma once
// Shared set-up for the graphics tests: adapters described by scripts, a
// started device layer that is always shut down again, "device.log" read
// back as UTF-8, and a drawable texture made straight on the device.
#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DResourceManage.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTextureBase.h"
#include "platform/render/format.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"
#include "tests/platform/render/render_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace gxtest {

// An adapter with a 1920 × 1080 desktop, the given full-screen modes, every
// colour and depth format and no multisampling.
inline prender::adapter_script Script(std::vector<prender::display_mode> modes = {}) {
    prender::adapter_script s = prender::adapter::default_script();
    s.desktop = prender::display_mode{1920, 1080, 60, prender::format::x8r8g8b8};
    s.modes = std::move(modes);
    return s;
}

inline prender::display_mode Mode(uint32_t w, uint32_t h, uint32_t hz, prender::format f = prender::format::x8r8g8b8) {
    return prender::display_mode{w, h, hz, f};
}

// "device.log" in a scratch folder while it lives.
class DeviceLog {
public:
    DeviceLog() { GxSetDeviceLogPath(dir_.u16("device.log")); }
    ~DeviceLog() { GxSetDeviceLogPath(u""); }
    // The file as UTF-8 with LF line ends.
    std::string Text() const {
        std::vector<unsigned char> b = qtest::ReadBytes(dir_.path() / "device.log");
        std::u16string w;
        for (size_t i = 2; i + 1 < b.size(); i += 2) w.push_back(char16_t(b[i] | b[i + 1] << 8));
        std::string out = GxToUtf8(w), lf;
        for (size_t i = 0; i < out.size(); ++i)
            if (!(out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n')) lf += out[i];
        return lf;
    }
    bool Has(const std::string& line) const { return Text().find(line) != std::string::npos; }

private:
    qtest::TempDir dir_;
};

// Every test starts from the built-in start-up block and leaves no device
// and no registered resource behind.
class GraphicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::SetAdapter(nullptr);
    }
    void TearDown() override {
        GxGraphics::Finalize();
        GxGraphics::SetAdapter(nullptr);
        GxGraphics::SetQuitHandler(nullptr);
        EXPECT_EQ(GxD3DResourceManage::GetInstance().GetCount(), 0u) << "a resource was left registered";
    }
    // Starts headless on an adapter from the script (with 640 × 480 modes).
    bool Start(prender::adapter_script script, GxGraphicsListenerBase* listener = nullptr,
               GxDeviceEventCallback lost = nullptr, GxDeviceEventCallback reset = nullptr) {
        GxGraphics::SetAdapter(std::make_unique<prender::adapter>(std::move(script)));
        return GxGraphics::Initialize(nullptr, listener, lost, reset);
    }
    bool Start() { return Start(Script({Mode(640, 480, 60), Mode(1920, 1080, 60)})); }
    prender::device& Dev() { return *GxGraphics::GetDevice(); }
    std::vector<uint32_t> BackBuffer() { return Dev().get_swap_chain(0)->back_buffer(0)->read_argb(); }
    std::vector<uint32_t> Target() { return Dev().get_render_target(0)->read_argb(); }
};

// Drawing into an A8R8G8B8 render target of the given size pushed on slot 0
// (the back buffer has no alpha), cleared, inside an open scene with the
// default 2-D state; the device is started first when none runs.
template <class Base>
class DrawingTest : public Base {
protected:
    void Begin(uint32_t w, uint32_t h, uint32_t clear) {
        if (!GxGraphics::GetDevice()) {
            ASSERT_TRUE(this->Start());
        }
        ASSERT_TRUE(target_.CreateRenderTarget(u"target", w, h, kGxFmtA8R8G8B8, 0, 0));
        ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &target_, nullptr, nullptr));
        ASSERT_TRUE(GxGraphics::Clear(kGxClearTarget, clear, 1.0f, 0));
        ASSERT_TRUE(GxGraphics::BeginScene());
        GxSetDefaultRenderStates();
        w_ = w, h_ = h;
    }
    std::vector<uint32_t> End() {
        EXPECT_TRUE(GxGraphics::EndScene());
        std::vector<uint32_t> px = target_.GetD3DSurface()->read_argb();
        EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
        target_.Release();
        return px;
    }
    uint32_t At(const std::vector<uint32_t>& px, int x, int y) const { return px[size_t(y) * w_ + size_t(x)]; }
    void TearDown() override {
        target_.Release();
        Base::TearDown();
    }

    GxSurface target_;
    uint32_t w_ = 0, h_ = 0;
};
using TargetTest = DrawingTest<GraphicsTest>;

// A drawable texture made straight on the device, filled from ARGB pixels.
class PixelTexture : public GxTextureBase {
public:
    PixelTexture(uint32_t w, uint32_t h, const std::vector<uint32_t>& px) : w_(w), h_(h) {
        GxGraphics::GetDevice()->create_texture(w, h, 1, 0, prender::format::a8r8g8b8, prender::pool::managed, tex_);
        prender::locked_rect lr;
        tex_->lock_rect(0, nullptr, lr, 0);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                prender::store_argb(prender::format::a8r8g8b8, px[size_t(y) * w + x],
                                    static_cast<uint8_t*>(lr.bits) + y * lr.pitch + x * 4);
        tex_->unlock_rect(0);
    }
    bool SetRenderTarget(u32) override { return false; }
    u32 GetFormat() const override { return 21; }
    u32 GetPool() const override { return 1; }
    u32 GetWidth() const override { return w_; }
    u32 GetHeight() const override { return h_; }
    std::shared_ptr<prender::texture> GetD3DTexture() override { return tex_; }
    bool HasTexture() override { return tex_ != nullptr; }
    f32 ToU(f32 x) override { return x / f32(w_); }
    f32 ToV(f32 y) override { return y / f32(h_); }

private:
    uint32_t w_, h_;
    std::shared_ptr<prender::texture> tex_;
};

inline std::unique_ptr<PixelTexture> Solid(uint32_t w, uint32_t h, uint32_t argb) {
    return std::make_unique<PixelTexture>(w, h, std::vector<uint32_t>(size_t(w) * h, argb));
}

// The golden comparison of the render tests (tests/golden/FOLDER/NAME.png).
inline ::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<uint32_t>& px, uint32_t w,
                                                uint32_t h, const std::string& folder = "graphics") {
    return rtest::matches_golden(name, px, w, h, folder);
}

} // namespace gxtest
