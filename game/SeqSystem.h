#pragma once
// The resident system scene: the root of the task manager's trees, walked
// after both sequence workers' scenes and offered input before them. It
// lives from the game's start-up to the deletion of the task manager and
// owns what every scene shares: the end-game dialog, the common user dialog
// (OK, OK and Cancel, or Yes and No), the tool tip, the two notice panels
// with their queues, the loading icon, the ducking of the music while a voice
// speaks, the developer keys and the full-screen key. It draws last, from
// render list 9, the debug status overlay: when the debug console is on, or
// errors were logged (with slight errors skipped, only while the script
// stands stopped on an error).
#include "gamedata/GxNoticeParam.h"
#include "scenes/GxSeqBase.h"

#include <deque>

class GxTaskUIBase;

class SeqSystem : public GxSeqBase {
public:
    // The common user dialog's kinds; any other value shows one OK button.
    static constexpr int kDialogOkCancel = 2;
    static constexpr int kDialogYesNo = 3;

    explicit SeqSystem(GxTaskBase* parent);
    ~SeqSystem() override;

    // The system scene of the process's task manager, or null.
    static SeqSystem* Get();

    // The common user dialog: the key names the request for the listener,
    // which receives the buttons' events (null: the system scene).
    void OpenUserDialog(const GxString& key, GxTaskFolder* listener, const GxString& message, int kind);
    void CloseUserDialog(bool playSound);
    void OpenShutdownDialog();
    void CloseShutdownDialog(bool playSound);
    bool IsUserDialogOpen() const;
    bool IsShutdownDialogOpen() const;
    // The receiver of the open user dialog's buttons, or null.
    GxTaskBase* GetUserDialogOwner() { return m_UserDialogListener; }
    // "SeqSystem_EXITGAME" while the end-game dialog is open, else the key
    // the user dialog was opened with.
    GxString GetPendingDialogRequest() { return m_PendingDialogKey; }

    // The notices shown one at a time in the top-right corner: the system's
    // first, then the game state's user notices unless they are held (the
    // configuration, save and load scenes hold them while they run).
    void AddSystemNotice(const GxNoticeParam& notice) { m_SystemNotices.push_back(notice); }
    const std::deque<GxNoticeParam>& GetSystemNotices() const { return m_SystemNotices; }
    void SetUserNoticesHeld(bool held) { m_UserNoticesHeld = held; }
    bool AreUserNoticesHeld() const { return m_UserNoticesHeld; }

    int Update(int step, s64 elapsed) override;
    int EnqueueRender(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    // The dialogs' buttons follow the scene beneath them: each test is the
    // foreground scene's (worker 1's, else worker 0's); true without one.
    bool CanOperateUI(GxTaskBase* widget, u32 ignoreMask) override;
    bool IsUIWidgetActive(GxTaskBase* widget) override;
    bool IsScriptRunnable() override;
    bool IsUIBlock1Clear() override;
    bool IsUIBlock2Clear() override;
    bool IsUIBlock3Clear() override;
    int OnKeyDown(u32 virtualKey, u32 keyData) override;
    // The first close request opens the end-game dialog and keeps the
    // window; one while it is open lets the program end.
    int OnClose() override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;

    // Whether the overlay is drawn this frame.
    bool IsDebugStatusShown() const;

private:
    GxTaskUIBase* MakeWidget(GxTaskBase* parent, const GxChar* module, const GxChar* name, s32 localIndex,
                             bool required);
    void MakeDialog(const GxChar* name, const GxChar* text, f32 orderZ, bool topMost);
    GxTaskUIBase* FindWidget(const GxChar* name) const;
    GxTaskUIBase* FindButton(const GxChar* dialog, const GxChar* name, s32 localIndex) const;
    // Resets the dialog's event states, raises the modal level and gives it
    // to the dialog, then resumes it.
    void RaiseDialog(GxTaskUIBase* dialog);
    void LowerDialog(GxTaskUIBase* dialog, bool playSound);
    GxSeqBase* GetForegroundScene() const;
    void DuckMusic();
    void ShowNextNotice();
    void ShowNotice(GxTaskUIBase* panel, const GxNoticeParam& notice);
    void UpdateLoadingIcon();
    void ToggleFullScreen();
    // The main worker's variables ("vardump.txt") or the interpreter's
    // ("vardump_extern.txt") in the save folder.
    void DumpVariables(bool worker);
    void OpenCurrentScriptLine();

    GxString m_PendingDialogKey;
    GxTaskFolder* m_UserDialogListener = nullptr;
    bool m_UserNoticesHeld = false;
    std::deque<GxNoticeParam> m_SystemNotices;
};

// The system scene's services by the names the scenes and builtins use;
// each does nothing without a system scene (false for the tests).
void GxCloseUserDialog(bool playSound);
void GxCloseShutdownDialog(bool playSound);
bool GxIsUserDialogOpen();
bool GxIsShutdownDialogOpen();
void GxOpenShutdownDialog();
// A notice of 2.5 s with the "notice0.wav" sound (system) or "notice1.wav"
// (user, queued in the game state so that save games keep it).
void GxAddSystemNotice(const GxString& text, const GxString& iconName, s32 iconAlign, u32 textColor);
void GxAddUserNotice(const GxString& text, const GxString& iconName, s32 iconAlign, u32 textColor);
// The system notice that a save failed, followed by one that says why in the
// player's words (the reason of the last write that failed), where known.
// Where the file of that write stands all the same (what failed came after
// it took its name) and stood is given: one notice, stood and then the
// reason ("セーブしましたが、...").
void GxAddSaveFailureNotice(const GxString& text, const GxString& stood = {});
// Empties the user notices; a user notice on screen finishes its slide.
void GxClearUserNotices();
