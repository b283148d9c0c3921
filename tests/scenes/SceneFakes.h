#pragma once
// A stand-in for the game module around the scenes, and a started headless
// device for the scenes' own drawing.
#include "scenes/GxSceneGameServices.h"
#include "tasks/GxTaskFolder.h"
#include "tests/graphics/graphics_fixture.h"

#include <string>
#include <vector>

namespace qtest {

class FakeGame : public GxSceneGameServices {
public:
    FakeGame() { Set(this); }
    ~FakeGame() override { Set(nullptr); }
    GxTaskBase* GetUserDialogOwner() override { return owner; }
    GxString GetPendingDialogRequest() override { return request; }
    void CloseUserDialog(bool sound) override { calls.push_back(sound ? "close user+sound" : "close user"); }
    void CloseShutdownDialog(bool sound) override {
        calls.push_back(sound ? "close shutdown+sound" : "close shutdown");
    }
    void SetDialogResult(s32 r) override { result = r; }
    void RenderToGlobalTexture() override { calls.push_back("capture"); }
    GxTextureBase* GetGlobalRenderTexture() override { return capture; }

    GxTaskBase* owner = nullptr;
    GxTextureBase* capture = nullptr;
    GxString request;
    s32 result = -1;
    std::vector<std::string> calls;
};

// The device layer started on a 640 x 480 back buffer, shut down again.
class SceneDevice {
public:
    SceneDevice() {
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::SetAdapter(std::make_unique<prender::adapter>(gxtest::Script()));
        started = GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr);
    }
    ~SceneDevice() {
        GxGraphics::Finalize();
        GxGraphics::SetAdapter(nullptr);
    }
    u32 Pixel(u32 x, u32 y) {
        return GxGraphics::GetDevice()->get_swap_chain(0)->back_buffer(0)->read_argb()[size_t(y) * 640 + x];
    }
    bool started = false;
};

} // namespace qtest
