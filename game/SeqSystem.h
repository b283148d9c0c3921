#pragma once
// The resident system scene: the root of the task manager's trees, walked
// after both sequence workers' scenes and offered input before them. It lives
// from the game's start-up to the deletion of the task manager. Besides the
// frame's clear (render list 0, as every scene) it draws last, from render
// list 9, the debug status overlay: when the debug console is on, or errors
// were logged (with slight errors skipped, only while the script stands
// stopped on an error).
#include "scenes/GxSeqBase.h"

class SeqSystem : public GxSeqBase {
public:
    explicit SeqSystem(GxTaskBase* parent);

    // SYSTEM SCENE SEAM: the user dialog ("dlg_user") and the end-game dialog
    // with their requests, the notices, the loading icon and the developer
    // keys come with the system scene's widgets. Until then no dialog is ever
    // open and the closers have nothing to close.
    GxTaskBase* GetUserDialogOwner() { return nullptr; }
    GxString GetPendingDialogRequest() { return GxString(); }
    void CloseUserDialog(bool /*playSound*/) {}
    void CloseShutdownDialog(bool /*playSound*/) {}

    int EnqueueRender(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    // Whether the overlay is drawn this frame.
    bool IsDebugStatusShown() const;
};
