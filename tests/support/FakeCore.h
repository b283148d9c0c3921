#pragma once
// A stand-in for the process object: it owns a task manager, a system
// configuration, a shared-asset manager, a frame timer and the two banks of
// render lists, and is the process's core while it lives.
#include "base/GxFrameTimer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "tasks/GxTaskRenderManage.h"

#include <memory>

namespace qtest {

class FakeCore : public GxCoreBase {
public:
    FakeCore();
    ~FakeCore() override;

    GxTaskManage* GetTaskManage() override { return m_TaskManage.get(); }
    GxSystemConfig* GetSystemConfig() override { return m_Config.get(); }
    GxSharedAssetManage* GetSharedAssetManage() override { return m_Assets.get(); }
    GxFrameTimer* GetFrameTimer() override { return &m_Timer; }
    GxTaskRenderManage* GetRenderList(int listIndex) override;
    int GetRenderBank() const override { return m_Bank; }
    void SetRenderBank(int bank) override { m_Bank = bank; }
    void ClearRenderLists() override;
    void DrawRenderLists() override;
    bool IsWindowActive() const override { return m_Active; }
    void SetWindowActive(bool active) override { m_Active = active; }
    bool IsWindowMinimized() const override { return m_Minimized; }
    GxPoint2 GetCursorPos() override { return m_Cursor; }
    void SetMouseCursor(int index) override { m_CursorShape = index; }
    GxString GetSaveDir() const override { return m_SaveDir; }
    void DrawDebugStatus(f32, f32) override {}

    GxTaskRenderManage& List(int bank, int index) { return m_Lists[bank * kRenderListCount + index]; }

    std::unique_ptr<GxSystemConfig> m_Config;
    std::unique_ptr<GxSharedAssetManage> m_Assets;
    std::unique_ptr<GxTaskManage> m_TaskManage;
    GxFrameTimer m_Timer;
    GxTaskRenderManage m_Lists[kRenderListCount * kRenderBankCount];
    int m_Bank = 0;
    bool m_Active = true;
    bool m_Minimized = false;
    GxPoint2 m_Cursor;
    int m_CursorShape = -1;
    GxString m_SaveDir;
};

} // namespace qtest
