#include "ui/GxUIWidgetFactory.h"

#include "base/GxLog.h"
#include "ui/GxTaskUIAnimePanelIs.h"
#include "ui/GxTaskUIAutoHidePanelFx.h"
#include "ui/GxTaskUIButtonIs.h"
#include "ui/GxTaskUIDropMenuIs.h"
#include "ui/GxTaskUIDropMenuItemIs.h"
#include "ui/GxTaskUIHBarIs.h"
#include "ui/GxTaskUIHSliderIs.h"
#include "ui/GxTaskUIListBoxFx.h"
#include "ui/GxTaskUIMenuIs.h"
#include "ui/GxTaskUIMessageWindowFx.h"
#include "ui/GxTaskUINoticePanelFx.h"
#include "ui/GxTaskUINull.h"
#include "ui/GxTaskUIPanelFx.h"
#include "ui/GxTaskUIPanelIs.h"
#include "ui/GxTaskUIPressButtonIs.h"
#include "ui/GxTaskUIRadioButtonIs.h"
#include "ui/GxTaskUISpinButtonIs.h"
#include "ui/GxTaskUITextButtonIs.h"
#include "ui/GxTaskUITextLogFx.h"
#include "ui/GxTaskUITextPanelFx.h"
#include "ui/GxTaskUITextPanelIs.h"
#include "ui/GxTaskUITextWindowFx.h"
#include "ui/GxTaskUITimerButtonIs.h"
#include "ui/GxTaskUITipHelpIs.h"
#include "ui/GxTaskUIToggleButtonIs.h"
#include "ui/GxTaskUIVSliderIs.h"

namespace {

using Maker = GxTaskUIBase* (*)(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex,
                                GxSeqTaskBase* scene);

// Widgets constructed like every task.
template <class W>
GxTaskUIBase* Make(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex, GxSeqTaskBase*) {
    return new W(parent, name, localName, localIndex);
}

// Widgets that also keep their scene (the text log): constructed with it
// as a fifth argument.
template <class W>
[[maybe_unused]] GxTaskUIBase* MakeWithScene(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                             s32 localIndex, GxSeqTaskBase* scene) {
    return new W(parent, name, localName, localIndex, scene);
}

struct Row {
    s32 code;
    const GxChar* className;
    Maker make;  // null: known, not built yet
};

// ---- THE WIDGET TABLE --------------------------------------------------------
// One row per UI-module type code, in code order. A widget class joins by
// including its header above and putting &Make<Class> (or &MakeWithScene
// <Class>) into its row in place of nullptr. Codes not listed build nothing.
constexpr Row kRows[] = {
    {GxTaskUINull::kTypeCode, u"GxTaskUINull", &Make<GxTaskUINull>},
    {GxTaskUIPanelFx::kTypeCode, u"GxTaskUIPanelFx", &Make<GxTaskUIPanelFx>},
    {GxTaskUIMessageWindowFx::kTypeCode, u"GxTaskUIMessageWindowFx", &Make<GxTaskUIMessageWindowFx>},
    {GxTaskUITextWindowFx::kTypeCode, u"GxTaskUITextWindowFx", &Make<GxTaskUITextWindowFx>},
    {GxTaskUITextPanelFx::kTypeCode, u"GxTaskUITextPanelFx", &Make<GxTaskUITextPanelFx>},
    {GxTaskUIAutoHidePanelFx::kTypeCode, u"GxTaskUIAutoHidePanelFx", &Make<GxTaskUIAutoHidePanelFx>},
    {GxTaskUINoticePanelFx::kTypeCode, u"GxTaskUINoticePanelFx", &Make<GxTaskUINoticePanelFx>},
    {GxTaskUIPanelIs::kTypeCode, u"GxTaskUIPanelIs", &Make<GxTaskUIPanelIs>},
    {GxTaskUIAnimePanelIs::kTypeCode, u"GxTaskUIAnimePanelIs", &Make<GxTaskUIAnimePanelIs>},
    {GxTaskUITextPanelIs::kTypeCode, u"GxTaskUITextPanelIs", &Make<GxTaskUITextPanelIs>},
    {GxTaskUIButtonIs::kTypeCode, u"GxTaskUIButtonIs", &Make<GxTaskUIButtonIs>},
    {GxTaskUIToggleButtonIs::kTypeCode, u"GxTaskUIToggleButtonIs", &Make<GxTaskUIToggleButtonIs>},
    {GxTaskUIRadioButtonIs::kTypeCode, u"GxTaskUIRadioButtonIs", &Make<GxTaskUIRadioButtonIs>},
    {GxTaskUITextButtonIs::kTypeCode, u"GxTaskUITextButtonIs", &Make<GxTaskUITextButtonIs>},
    {GxTaskUIPressButtonIs::kTypeCode, u"GxTaskUIPressButtonIs", &Make<GxTaskUIPressButtonIs>},
    {GxTaskUITimerButtonIs::kTypeCode, u"GxTaskUITimerButtonIs", &Make<GxTaskUITimerButtonIs>},
    {GxTaskUISpinButtonIs::kTypeCode, u"GxTaskUISpinButtonIs", &Make<GxTaskUISpinButtonIs>},
    {GxTaskUIHSliderIs::kTypeCode, u"GxTaskUIHSliderIs", &Make<GxTaskUIHSliderIs>},
    {GxTaskUIVSliderIs::kTypeCode, u"GxTaskUIVSliderIs", &Make<GxTaskUIVSliderIs>},
    {GxTaskUIMenuIs::kTypeCode, u"GxTaskUIMenuIs", &Make<GxTaskUIMenuIs>},
    {GxTaskUIHBarIs::kTypeCode, u"GxTaskUIHBarIs", &Make<GxTaskUIHBarIs>},
    {GxTaskUITipHelpIs::kTypeCode, u"GxTaskUITipHelpIs", &Make<GxTaskUITipHelpIs>},
    {GxTaskUIDropMenuItemIs::kTypeCode, u"GxTaskUIDropMenuItemIs", &Make<GxTaskUIDropMenuItemIs>},
    {GxTaskUIDropMenuIs::kTypeCode, u"GxTaskUIDropMenuIs", &Make<GxTaskUIDropMenuIs>},
    {GxTaskUIListBoxFx::kTypeCode, u"GxTaskUIListBoxFx", &Make<GxTaskUIListBoxFx>},
    {GxTaskUITextLogFx::kTypeCode, u"GxTaskUITextLogFx", &MakeWithScene<GxTaskUITextLogFx>},
};
// -------------------------------------------------------------------------------

const Row* FindRow(s32 code) {
    for (const Row& r : kRows)
        if (r.code == code) return &r;
    return nullptr;
}

} // namespace

GxTaskUIBase* GxUIWidgetFactory::Construct(s32 typeCode, GxTaskBase* parent, const GxChar* name, s32 localIndex,
                                           GxSeqTaskBase* scene) {
    const Row* row = FindRow(typeCode);
    if (!row) return nullptr;
    if (!row->make) {
        GxWriteErrorLog(u"GxUIWidgetFactory/%sはまだ作れません(UIType:%d):%s\n", row->className, typeCode,
                        name ? name : u"");
        return nullptr;
    }
    if (localIndex == -1) return row->make(parent, name, nullptr, 0, scene);
    return row->make(parent, nullptr, name, localIndex, scene);
}

const GxChar* GxUIWidgetFactory::GetClassName(s32 typeCode) {
    const Row* row = FindRow(typeCode);
    return row ? row->className : nullptr;
}

bool GxUIWidgetFactory::IsBuilt(s32 typeCode) {
    const Row* row = FindRow(typeCode);
    return row && row->make;
}
