#pragma once
// The process object: it starts every service in a fixed order, owns the main
// window, the task manager, the render lists, the configuration and the save
// folder, runs the main loop (message pump, then one engine frame per pass)
// and shuts everything down in a fixed order. One instance per process.
#include "base/GxFrameTimer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxTaskRenderManage.h"
#include "platform/system/instance_lock.h"
#include "platform/window/window.h"
#include "platform/window/window_event.h"

#include <memory>

class GxPlaythrough;
class GxProfileEx;
class GxSharedAssetManage;
class GxSystemConfig;
class GxTaskManage;
class GxUIManage;
class GxUserConfig;
class GxUserData;
class GxUserDataPerman;

class GxCore final : public GxCoreBase {
public:
    // Longest working folder (with its closing '/') that start-up accepts;
    // the refusal names one more.
    static constexpr size_t kMaxWorkingFolderLength = 244;

    // The process's core, made on first use.
    static GxCore* GetInstance();

    GxCore();
    ~GxCore() override;

    // Start-up. False when it stopped (the reason was shown in a message box);
    // everything it had started is released again, so neither Run nor
    // Finalize follows.
    bool Initialize();
    // Passes until the message pump receives the quit message.
    void Run();
    // One pass of the main loop: pending scene changes, the message pump, one
    // engine frame. False once the quit message has arrived.
    bool RunPass();
    // Shutdown, in the reverse order of start-up.
    void Finalize();
    // What the program returns: 0, or the code a fatal device error asked for.
    int GetExitCode() const { return m_ExitCode; }
    // Ends the loop through the normal shutdown with this exit code.
    void RequestExit(int exitCode);

    bool CreateMainWindow();
    // Asks the main window to go; the loop ends once the quit message follows.
    void RequestClose();
    // The cursor as the graphics cursor mode wants it; false for an unknown mode.
    bool UpdateCursor();
    // The main window's handling of one event of the message pump.
    void HandleWindowEvent(const pwin::window_event& e);

    // GxCoreBase.
    GxTaskManage* GetTaskManage() override { return m_TaskManage.get(); }
    GxSystemConfig* GetSystemConfig() override { return m_SystemConfig.get(); }
    GxSharedAssetManage* GetSharedAssetManage() override { return m_SharedAssetManage.get(); }
    GxFrameTimer* GetFrameTimer() override { return &m_FrameTimer; }
    GxTaskRenderManage* GetRenderList(int listIndex) override;
    int GetRenderBank() const override { return m_RenderBank; }
    void SetRenderBank(int bank) override;
    void ClearRenderLists() override;
    void DrawRenderLists() override;
    bool IsWindowActive() const override { return m_WindowActive; }
    bool IsWindowMinimized() const override { return m_MainWindow.is_minimized(); }
    void SetWindowActive(bool active) override { m_WindowActive = active; }
    GxPoint2 GetCursorPos() override;
    void SetMouseCursor(int index) override;
    GxString GetSaveDir() const override { return m_SaveDir; }
    // Drawn with the process's debug console.
    void DrawDebugStatus(f32 x, f32 y) override;

    // The user settings, the game state and the permanent data; null outside
    // start-up to shutdown.
    GxUserConfig* GetUserConfig() { return m_UserConfig.get(); }
    GxUserData* GetUserData() { return m_UserData.get(); }
    GxUserDataPerman* GetUserDataPerman() { return m_UserDataPerman.get(); }
    // The UI manager; null outside start-up to shutdown.
    GxUIManage* GetUIManage() { return m_UIManage.get(); }

    pwin::window& GetMainWindow() { return m_MainWindow; }
    const GxString& GetTitle() const { return m_Title; }
    GxProfileEx* GetProfile() const { return m_ProfileEx.get(); }
    bool IsWindowCreated() const { return m_WindowCreated; }
    bool IsStarted() const { return m_Started; }
    bool IsQuit() const { return m_Quit; }
    u32 GetPassCounter() const { return m_PassCounter; }
    // The mouse position of a client-pixel point in the 1024 x 768 screen.
    GxVector2 ToVirtualScreen(int x, int y) const;

private:
    bool MakeSaveFolder();
    void PumpMessages();
    void ShowStartupMessage(const GxString& text);
    // Refuses the start with its message, and returns true, when a running
    // copy holds the lock that was not taken. A lock that could not be had
    // at all is logged with failedLine (its reason for %s).
    bool RefuseIfRunningCopy(const psys::instance_lock& lock, bool taken, const GxChar* failedLine);
    void DeleteGameDataHolders();

    pwin::window m_MainWindow;
    bool m_WindowCreated = false;
    bool m_WindowActive = false;
    bool m_Started = false;
    bool m_Quit = false;
    GxFrameTimer m_FrameTimer;
    std::unique_ptr<GxTaskManage> m_TaskManage;
    std::unique_ptr<GxUIManage> m_UIManage;
    GxTaskRenderManage m_RenderLists[kRenderListCount * kRenderBankCount];
    int m_RenderBank = 0;
    std::unique_ptr<GxSystemConfig> m_SystemConfig;
    std::unique_ptr<GxProfileEx> m_ProfileEx;
    std::unique_ptr<GxSharedAssetManage> m_SharedAssetManage;
    std::unique_ptr<GxUserConfig> m_UserConfig;
    std::unique_ptr<GxUserData> m_UserData;
    std::unique_ptr<GxUserDataPerman> m_UserDataPerman;
    GxString m_Title;
    GxString m_SaveDir;

    psys::instance_lock m_InstanceLock;
    psys::instance_lock m_SaveFolderLock;
    bool m_DeviceStarted = false;
    bool m_InputStarted = false;
    bool m_DebugWindowMade = false;
    bool m_GameStarted = false;
    // Set once start-up holds anything Finalize must end.
    bool m_Holding = false;
    u32 m_PassCounter = 0;
    int m_ExitCode = 0;
    // A scripted run (QUILLON_PLAYTHROUGH); null otherwise.
    std::unique_ptr<GxPlaythrough> m_Playthrough;
};
