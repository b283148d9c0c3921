#pragma once
// Stand-ins for the widget layer and the game module around the scenes, and
// a started headless device for the scenes' own drawing.
#include "scenes/GxSceneGameServices.h"
#include "scenes/GxSceneUIServices.h"
#include "tasks/GxTaskFolder.h"
#include "tests/graphics/graphics_fixture.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace qtest {

// The UI tables' records as the fake knows them; scenes only pass pointers on.
struct FakeModule {
    GxString name;
    s32 type;
};
struct FakeLayout {
    GxString moduleName;
};
inline const DBUIModuleRecord* AsModule(const FakeModule* m) { return reinterpret_cast<const DBUIModuleRecord*>(m); }
inline const DBUILayoutRecord* AsLayout(const FakeLayout* l) { return reinterpret_cast<const DBUILayoutRecord*>(l); }

class FakeUI : public GxSceneUIServices {
public:
    FakeUI() { Set(this); }
    ~FakeUI() override { Set(nullptr); }

    s32 GetModalLevel() override { return modal; }
    bool IsUIBlockClear(int block) override { return blocks.count(block) == 0; }
    bool IsVisibleInTree(GxTaskBase* w) override { return !hidden.count(w); }
    bool IsEnabledInTree(GxTaskBase* w) override { return !disabled.count(w); }
    bool IsLockedInTree(GxTaskBase* w) override { return locked.count(w) != 0; }
    s32 GetUIDepth(GxTaskBase* w) override { return depth.count(w) ? depth[w] : 0; }
    bool AreActionsFinished(GxTaskBase* w) override { return !busy.count(w); }

    GxTaskBase* ConstructWidget(GxUIWidgetClass cls, GxTaskBase* parent, const GxChar* name, s32 localIndex,
                                GxSeqBase* scene) override {
        built.push_back(cls);
        journal.push_back("construct");
        lastScene = scene;
        auto* w = localIndex == -1 ? new GxTaskFolder(parent, name) : new GxTaskFolder(parent, nullptr, name, localIndex);
        w->TypeBits |= kGxTypeUI;
        return w;
    }
    void ApplyModuleRecord(GxTaskBase*, const DBUIModuleRecord*) override { journal.push_back("module"); }
    void ApplyLayoutRecord(GxTaskBase*, const DBUILayoutRecord*) override { journal.push_back("layout"); }
    const DBUIModuleRecord* FindUIModule(const GxString& name) override {
        for (const FakeModule& m : modules)
            if (m.name == name) return AsModule(&m);
        return nullptr;
    }
    s32 GetWidgetTypeCode(const DBUIModuleRecord* m) override { return reinterpret_cast<const FakeModule*>(m)->type; }
    GxString GetLayoutModuleName(const DBUILayoutRecord* l) override {
        return reinterpret_cast<const FakeLayout*>(l)->moduleName;
    }

    s32 modal = 0;
    std::set<int> blocks;
    std::set<GxTaskBase*> hidden, disabled, locked, busy;
    std::map<GxTaskBase*, s32> depth;
    std::vector<FakeModule> modules;
    std::vector<GxUIWidgetClass> built;
    std::vector<std::string> journal;
    GxSeqBase* lastScene = nullptr;
};

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
