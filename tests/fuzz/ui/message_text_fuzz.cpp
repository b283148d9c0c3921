// Any message text through the adventure-text layout: the message window
// revealing it on a clock with clicks, revealing it whole, and writing its
// state mid-message and reading it back; the text window laying it out. The
// first four bytes choose the region's width, the letter margin, the flags
// and the reveal delay; the rest is the text in UTF-16. Whatever the text
// holds, every reveal ends, nothing is read out of bounds, and the stored
// state reads back to the same bytes.
#include "io/GxContentBinaryReader.h"
#include "tools/builders/ContentBytes.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxMessageSettingsBase.h"
#include "ui/GxTaskUIMessageWindowFx.h"
#include "ui/GxTaskUITextWindowFx.h"

#include <cstdlib>

namespace {

struct Settings : GxMessageSettingsBase {
    s32 GetTextWaitTime() const override { return wait; }
    s32 GetTextLongWaitTime() const override { return 100; }
    bool GetFastShowReadedText() const override { return true; }
    bool GetChangeColorReadedText() const override { return true; }
    s32 wait = 0;
};

std::vector<unsigned char> Stored(GxTaskBase& w) {
    return qtest::WriteContentBytes(false, "MESFUZZ", 1, [&](GxContentWriterBase& out) { w.WriteContent(&out); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > (1u << 14)) return 0;
    Settings settings;
    settings.wait = data[3] % 64;
    GxMessageSettingsBase::Set(&settings);
    GxString text;
    for (size_t i = 4; i + 1 < size; i += 2) text.push_back(GxChar(data[i] | data[i + 1] << 8));
    const s32 width = s32(data[0]) * 4 - 64;
    const s32 margin = s32(data[1] % 16) - 4;
    const u8 flags = data[2];
    GxTaskManage manager;
    auto* top = new GxTaskBase(&manager);

    auto* w = new GxTaskUIMessageWindowFx(top, u"mes");
    w->SetTextRegion(0, 0, width, 100);
    w->SetLetterMarginWidth(margin);
    w->SetMessage(text, flags & 1, flags & 2, flags & 4, flags & 8);
    // Each update step reveals at least one character or command once the
    // delay is used up, and a click ends any wait: the message must end
    // within a bounded number of steps.
    const size_t bound = 8 * text.size() + 16;
    size_t steps = 0;
    std::vector<unsigned char> midway;
    for (; steps < bound && (w->GetRemainingChars() > 0 || w->IsClickWaiting()); ++steps) {
        w->Update(0, 64000);
        if (steps == 3) midway = Stored(*w);
        if (w->IsClickWaiting() || w->IsTimeWaiting()) w->OnClick();
        if (w->GetCharCount() > text.size() || w->GetProcessPos() > w->GetTextLength()) std::abort();
    }
    if (steps == bound) std::abort();
    w->Render(0, 5);
    if (!midway.empty()) {
        auto* copy = new GxTaskUIMessageWindowFx(top, u"copy");
        GxContentBinaryReader r(midway.data(), u32(midway.size()), false);
        u32 version = 0;
        if (!r.ReadHeader("BMESFUZZ", &version) || !copy->ReadContent(&r) || Stored(*copy) != midway) std::abort();
    }
    w->SetMessage(text, false, false, flags & 4, flags & 8);
    w->RevealAll(true, false);
    if (w->GetRemainingChars() != 0) std::abort();

    auto* t = new GxTaskUITextWindowFx(top, u"tw");
    t->SetTextRegion(0, 0, width, 100);
    t->SetDisplayText(text, flags & 4, flags & 8);
    if (t->GetRemainingChars() != 0 || t->GetCharCount() > text.size()) std::abort();
    t->Render(0, 5);

    // The manager deletes the tree.
    GxMessageSettingsBase::Set(nullptr);
    return 0;
}
