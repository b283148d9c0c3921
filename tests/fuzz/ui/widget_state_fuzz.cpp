// A widget read back from any bytes of a save, each widget kind in turn (the
// first byte chooses it), binary and text form: whatever the stream holds,
// the widget updates, draws, maps values and writes itself out again without
// reading out of bounds, and a lock count never reads as negative.
#include "io/GxContentBinaryReader.h"
#include "io/GxContentBinaryWriter.h"
#include "io/GxContentTextReader.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIHBarIs.h"
#include "ui/GxTaskUIListBoxFx.h"
#include "ui/GxTaskUIMenuIs.h"
#include "ui/GxTaskUIMessageWindowFx.h"
#include "ui/GxTaskUISliderIs.h"
#include "ui/GxTaskUISpinButtonIs.h"
#include "ui/GxTaskUITextLogFx.h"
#include "ui/GxTaskUITipHelpIs.h"
#include "ui/GxUIWidgetFactory.h"

#include <cstdlib>
#include <memory>

namespace {

// New kinds go at the end, so that saved inputs keep choosing their kind.
constexpr s32 kCodes[] = {1, 8, 12, 15, 16, 30, 31, 41, 9, 10, 11, 13, 17, 51,
                          18, 19, 20, 21, 22, 23, 24, 40, 45, 47, 48, 50};

void Exercise(GxTaskBase* top, s32 code, GxContentReaderBase& r) {
    GxTaskUIBase* w = GxUIWidgetFactory::Construct(code, top, u"w", -1, nullptr);
    if (!w) std::abort();
    w->ReadContent(&r);
    if (w->GetLockCount() < 0) std::abort();
    w->Update(0, 16000);
    w->Render(0, 5);
    w->GetValueRounded();
    w->GetAlphaInTree();
    if (auto* bar = dynamic_cast<GxTaskUIHBarIs*>(w)) {
        bar->GetShownValue();
        bar->SetValueGlide(bar->GetValue() + 1, 100);
    }
    if (auto* slider = dynamic_cast<GxTaskUISliderIs*>(w)) {
        slider->PosToValue(slider->ValueToPos(slider->GetValue()));
        slider->DeltaToValue(3);
        GxVector4 at;
        slider->HitTestKnob(&at, 1, 1);
    }
    if (auto* mes = dynamic_cast<GxTaskUIMessageWindowFx*>(w)) {
        mes->OnClick();
        mes->RevealAll(true, false);
        if (mes->GetRemainingChars() != 0) std::abort();
    }
    if (auto* log = dynamic_cast<GxTaskUITextLogFx*>(w)) {
        log->AddLine(u"line", u"!", 0);
        log->Update(0, 16000);
        log->Render(0, 5);
    }
    // Controls with rows, parts or a measured text: filled and drawn after
    // whatever the stream gave their sizes and fonts.
    if (auto* list = dynamic_cast<GxTaskUIListBoxFx*>(w)) {
        for (int i = 0; i < 3; ++i) list->AddItem(u"row", u"12", i, u"", i, u"");
        list->SetValue(list->GetValue());
        list->Render(0, 5);
        list->OnMouseMove(GxVector2(3, 3), 0);
    }
    if (auto* menu = dynamic_cast<GxTaskUIMenuIs*>(w)) {
        menu->AddItem(u"row", u"", 0, u"");
        menu->GetHeight();
        menu->Render(0, 5);
    }
    if (auto* spin = dynamic_cast<GxTaskUISpinButtonIs*>(w)) {
        spin->FormatValue();
        spin->GetPartSlot(GxTaskUISpinButtonIs::kPartUp);
    }
    if (auto* tip = dynamic_cast<GxTaskUITipHelpIs*>(w)) {
        tip->SetText(tip->GetText().c_str());
        tip->SetTipPosition(GxVector3(1000, 700, 0));
        tip->Render(0, 5);
    }
    GxContentBinaryWriter out;
    w->WriteContent(&out);
    delete w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 16)) return 0;
    const s32 code = kCodes[data[0] % (sizeof(kCodes) / sizeof(kCodes[0]))];
    GxTaskManage manager;
    auto* top = new GxTaskBase(&manager);
    {
        GxContentBinaryReader r(data + 1, u32(size - 1), false);
        Exercise(top, code, r);
    }
    {
        GxContentTextReader r(data + 1, u32(size - 1), false);
        Exercise(top, code, r);
    }
    return 0;
}
