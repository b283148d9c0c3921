#pragma once
// What scenes need of the widget layer and of the UI tables: the UI manager's
// modal level and block bytes, the widget tree tests, widget construction and
// the module and layout records. The widget and data layers install the one
// implementation; with none installed a scene builds no widgets and nothing
// blocks its widgets.
#include "base/GxTypes.h"

class GxTaskBase;
class GxSeqBase;
struct DBUIModuleRecord;
struct DBUILayoutRecord;

// The widget classes a scene's factory builds, by UI-module type code.
enum class GxUIWidgetClass : u8 {
    Null,               // 1
    PanelFx,            // 8
    MessageWindowFx,    // 9
    TextWindowFx,       // 10
    TextPanelFx,        // 11
    AutoHidePanelFx,    // 12
    NoticePanelFx,      // 13
    PanelIs,            // 15
    AnimePanelIs,       // 16
    TextPanelIs,        // 17
    ButtonIs,           // 18
    ToggleButtonIs,     // 19
    RadioButtonIs,      // 20
    TextButtonIs,       // 21
    PressButtonIs,      // 22
    TimerButtonIs,      // 23
    SpinButtonIs,       // 24
    HSliderIs,          // 30
    VSliderIs,          // 31
    MenuIs,             // 40
    HBarIs,             // 41
    TipHelpIs,          // 45
    DropMenuItemIs,     // 47
    DropMenuIs,         // 48
    ListBoxFx,          // 50
    TextLogFx,          // 51
};

class GxSceneUIServices {
public:
    static GxSceneUIServices* Get();
    // Installs the implementation (null removes it); not owned.
    static void Set(GxSceneUIServices* services);

    virtual ~GxSceneUIServices() = default;

    // The UI manager: the modal level (0 = no modal dialog) and the block
    // bytes 0-3 (true when clear).
    virtual s32 GetModalLevel() = 0;
    virtual bool IsUIBlockClear(int block) = 0;

    // Widget tests; the widget is a task with the UI type bit.
    virtual bool IsVisibleInTree(GxTaskBase* widget) = 0;
    virtual bool IsEnabledInTree(GxTaskBase* widget) = 0;
    virtual bool IsLockedInTree(GxTaskBase* widget) = 0;
    virtual s32 GetUIDepth(GxTaskBase* widget) = 0;
    // The widget's queued actions are all done.
    virtual bool AreActionsFinished(GxTaskBase* widget) = 0;

    // Builds a widget under the parent: with local index -1 the name is its
    // global name, otherwise its local name with that index. The text log is
    // also given the scene.
    virtual GxTaskBase* ConstructWidget(GxUIWidgetClass widgetClass, GxTaskBase* parent, const GxChar* name,
                                        s32 localIndex, GxSeqBase* scene) = 0;
    virtual void ApplyModuleRecord(GxTaskBase* widget, const DBUIModuleRecord* module) = 0;
    virtual void ApplyLayoutRecord(GxTaskBase* widget, const DBUILayoutRecord* layout) = 0;

    // The UI-module table: the record of a module name, or null when absent.
    virtual const DBUIModuleRecord* FindUIModule(const GxString& name) = 0;
    virtual s32 GetWidgetTypeCode(const DBUIModuleRecord* module) = 0;
    // The module a layout record names.
    virtual GxString GetLayoutModuleName(const DBUILayoutRecord* layout) = 0;
};
