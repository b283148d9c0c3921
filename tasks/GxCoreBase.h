#pragma once
// What the libraries below the process object need of it. The process object
// (GxCore) derives from this and is the one instance; while it exists,
// GxCoreBase::GetCoreBase returns it.
#include "base/GxVector.h"

#include <vector>

class GxTaskManage;
class GxModuleCoreBase;
class GxBuiltinRegistryBase;
class GxContentWriterBase;
class GxContentReaderBase;
class GxSystemConfig;
class GxSharedAssetManage;
class GxTaskRenderManage;
class GxFrameTimer;
class GxTaskBase;

class GxCoreBase {
public:
    static constexpr int kRenderListCount = 10;
    static constexpr int kRenderBankCount = 2;

    // The process's core, or null when none exists.
    static GxCoreBase* GetCoreBase();
    // The version of the platform the game runs on, as its start-up compares
    // it (major 6 and later being the modern one). Linux answers as the newest
    // platform the engine was written for, 10.0, so that every such check
    // takes its modern path. Always true.
    static bool GetWindowsVersion(int* major, int* minor);

    virtual ~GxCoreBase();
    GxCoreBase(const GxCoreBase&) = delete;
    GxCoreBase& operator=(const GxCoreBase&) = delete;

    virtual GxTaskManage* GetTaskManage() = 0;
    virtual GxSystemConfig* GetSystemConfig() = 0;
    virtual GxSharedAssetManage* GetSharedAssetManage() = 0;
    virtual GxFrameTimer* GetFrameTimer() = 0;

    // List 0-9 of the current render bank; null for any other index.
    virtual GxTaskRenderManage* GetRenderList(int listIndex) = 0;
    // 0 in every frame; 1 only while the off-screen redraw runs.
    virtual int GetRenderBank() const = 0;
    virtual void SetRenderBank(int bank) = 0;
    virtual void ClearRenderLists() = 0;
    virtual void DrawRenderLists() = 0;

    // The window-active byte: set from the window's activation; the main scene
    // also sets and clears it.
    virtual bool IsWindowActive() const = 0;
    virtual void SetWindowActive(bool active) = 0;
    // The main window is minimised (false without one).
    virtual bool IsWindowMinimized() const { return false; }
    // The pointer in the 1024 x 768 virtual screen.
    virtual GxPoint2 GetCursorPos() = 0;
    // 0 none, 1 cross, 2 size-all, 3 size north-south, 4 size west-east, 5 no, 6 arrow.
    virtual void SetMouseCursor(int index) = 0;
    // The save folder, ending with '/', or empty.
    virtual GxString GetSaveDir() const = 0;
    // The debug status overlay with its top-left corner at (x, y), drawn by
    // the system scene inside an open scene with the 2-D states set.
    virtual void DrawDebugStatus(f32 x, f32 y) = 0;

    // The module table: up to three modules (null = empty entry) that the
    // module events are broadcast to, entries 0, 1, 2 in that order. Only the
    // game module's start-up fills it. Not owned.
    static constexpr int kModuleCount = 3;
    GxModuleCoreBase* GetModule(int index) const;
    // Ignored outside 0-2.
    void SetModule(int index, GxModuleCoreBase* module);

    void CallModulesDetachCore();
    void CallModulesStartup();
    void CallModulesShutdown();
    void CallModulesRegisterBuiltins(GxBuiltinRegistryBase* registry);
    void CallModulesCreateSequences(GxTaskBase* parent);
    void CallModulesEnterTitle();
    void CallModulesLoadGame();
    void CallModulesConfigShow(GxTaskBase* configScene);
    void CallModulesConfigApply(GxTaskBase* configScene);
    void CallModulesConfigReset();
    // The AND of every module's result (true with no module); every module is
    // asked even after one refused.
    bool CallModulesWriteUserData(GxContentWriterBase* writer, const GxString& path);
    bool CallModulesReadUserData(GxContentReaderBase* reader, const GxString& path, bool readAll);
    bool CallModulesWritePermanent(GxContentWriterBase* writer);
    bool CallModulesReadPermanent(GxContentReaderBase* reader);
    bool CallModulesWriteUserConfig(GxContentWriterBase* writer);
    bool CallModulesReadUserConfig(GxContentReaderBase* reader);

protected:
    // Becomes the process's core.
    GxCoreBase();

private:
    template <class F>
    void ForEachModule(F&& f);
    template <class F>
    bool AllModules(F&& f);

    std::vector<GxModuleCoreBase*> m_Modules = std::vector<GxModuleCoreBase*>(kModuleCount, nullptr);
};
