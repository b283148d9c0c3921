#pragma once
// Stand-ins for the widget, game and drawing layers under the scenes.
#include "scenes/GxSceneGameServices.h"
#include "scenes/GxSceneRenderServices.h"
#include "scenes/GxSceneUIServices.h"
#include "tasks/GxTaskFolder.h"

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

    GxTaskBase* owner = nullptr;
    GxString request;
    s32 result = -1;
    std::vector<std::string> calls;
};

class FakeRender : public GxSceneRenderServices {
public:
    FakeRender() { Set(this); }
    ~FakeRender() override { Set(nullptr); }
    void ClearTarget(u32 argb, f32 depth, u32 stencil) override {
        clears.push_back(argb);
        lastDepth = depth;
        lastStencil = stencil;
    }
    void DrawTransitOverlay(u32 argb) override { overlays.push_back(argb); }
    std::vector<u32> clears, overlays;
    f32 lastDepth = 0;
    u32 lastStencil = 99;
};

} // namespace qtest
