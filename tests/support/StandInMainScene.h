#pragma once
// The least of a core for programs that link one engine library (fuzz
// targets, benchmarks): a task manager and a system configuration, with the
// main scene's stored tasks as plain tasks under their names (a real stand layer
// "kana" and the choice buttons included). Header only.
#include "layers/GxTaskLayer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskFolder.h"
#include "tasks/GxTaskManage.h"

namespace qtest {

// The least of a core: a task manager and a system configuration, the
// rest answered with nothing.
class LeastCore : public GxCoreBase {
public:
    explicit LeastCore(GxString saveDir = {}) : m_SaveDir(std::move(saveDir)), m_TaskManage(this) {}
    GxTaskManage* GetTaskManage() override { return &m_TaskManage; }
    GxSystemConfig* GetSystemConfig() override { return &m_Config; }
    GxSharedAssetManage* GetSharedAssetManage() override { return nullptr; }
    GxFrameTimer* GetFrameTimer() override { return nullptr; }
    GxTaskRenderManage* GetRenderList(int) override { return nullptr; }
    int GetRenderBank() const override { return 0; }
    void SetRenderBank(int) override {}
    void ClearRenderLists() override {}
    void DrawRenderLists() override {}
    bool IsWindowActive() const override { return true; }
    void SetWindowActive(bool) override {}
    GxPoint2 GetCursorPos() override { return {}; }
    void SetMouseCursor(int) override {}
    GxString GetSaveDir() const override { return m_SaveDir; }
    void DrawDebugStatus(f32, f32) override {}

protected:
    GxString m_SaveDir;
    GxSystemConfig m_Config;
    GxTaskManage m_TaskManage;
};

class StandInMainScene final : public LeastCore {
public:
    explicit StandInMainScene(GxString saveDir = {}) : LeastCore(std::move(saveDir)) {
        auto* top = new GxTaskBase(&m_TaskManage);
        auto* scene = new GxTaskFolder(top, u"SeqAvgMain");
        for (const GxChar* name : {u"$VISUAL:SeqAvgMain", u"$BGLAYER:SeqAvgMain", u"$BGWLAYER:SeqAvgMain",
                                   u"$MOVIELAYER:SeqAvgMain", u"$GLOBALFLASH:SeqAvgMain", u"$GLOBALFADE:SeqAvgMain",
                                   u"$MESWIN:SeqAvgMain", u"$NAMEWIN:SeqAvgMain", u"$NAMEIMAGE:SeqAvgMain"})
            new GxTaskBase(scene, name);
        auto* stand = new GxTaskFolder(scene, u"$STAND:SeqAvgMain");
        // A real layer: whatever the layer type bit names is treated as one.
        new GxTaskLayer(stand, nullptr, u"kana");
        auto* select = new GxTaskFolder(scene, u"$SELECT:SeqAvgMain");
        for (s32 i = 1; i <= m_Config.m_ChoiceCount; ++i) new GxTaskBase(select, nullptr, u"btn_select", i);
    }
};

} // namespace qtest
