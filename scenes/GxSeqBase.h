#pragma once
// The base of every scene (sequence): a folder task that a sequence worker
// runs. It starts its main phase, clears the screen as the first drawing of
// each frame, decides whether a widget may be operated, answers the common
// user dialog, closes the system dialogs when it ends, and builds widgets
// from the game's UI-module and UI-layout records. The widget tests ask the
// widgets and the UI manager directly.
#include "tasks/GxSeqTaskBase.h"
#include "ui/GxUIModuleLoaderBase.h"

class GxCoreBase;
struct DBUIModuleRecord;

// CanOperateUI's ignore mask: each bit skips one test.
constexpr u32 kGxUIIgnoreSuspended = 0x1;
constexpr u32 kGxUIIgnoreActive = 0x2;
constexpr u32 kGxUIIgnoreActions = 0x4;
constexpr u32 kGxUIIgnoreModal = 0x8;
constexpr u32 kGxUIIgnoreMainStarted = 0x10;
constexpr u32 kGxUIIgnoreChangePending = 0x20;

class GxSeqBase : public GxSeqTaskBase, public GxUIModuleLoaderBase {
public:
    GxSeqBase(GxTaskBase* parent, const GxChar* name);
    ~GxSeqBase() override;

    bool CanOperateUI(GxTaskBase* widget, u32 ignoreMask) override;
    bool IsUIWidgetActive(GxTaskBase* widget) override;
    bool IsUIBlock1Clear() override;
    bool IsUIBlock2Clear() override;
    bool IsUIBlock3Clear() override;
    // The widget of the module's type code under the parent, given the
    // module record; null for a code that builds nothing.
    virtual GxTaskBase* CreateUIWidget(GxTaskBase* parent, const DBUIModuleRecord* module, const GxChar* name,
                                       s32 localIndex);
    // The module the layout names, from the game's UI-module table (logged
    // when absent); the widget gets the layout record, then the module's.
    GxTaskBase* LoadUIModule(GxTaskBase* parent, const DBUILayoutRecord* layout, const GxChar* name,
                             s32 localIndex) override;

    void OnEndSequence(int workerIndex) override;
    // Starts the main phase on the scene's first update after it became current.
    int UpdateBeforeMain(int step, s64 elapsed) override;
    // Render list 0, so that the clear comes before everything else.
    int EnqueueRender(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    // The common user dialog's buttons; 1 when handled.
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;

protected:
    GxCoreBase* GetCore() const;
    // Clears target, depth and stencil with the configured background colour.
    void ClearScreen();
};
