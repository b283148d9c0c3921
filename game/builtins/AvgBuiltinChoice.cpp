#include "game/builtins/AvgBuiltinChoice.h"

#include "gamedata/GxUserData.h"
#include "game/scenes/SeqAvgMain.h"
#include "script/GxMoa.h"
#include "script/GxMoaWorker.h"

#include <algorithm>
#include <vector>

namespace {

// The menu's items 1 to count (item 0 is never used); null without a game
// state. Argument i belongs to item i + 1. Arguments past the last item
// would be choices the window cannot show: they are refused with a report
// rather than dropped without a word.
std::vector<GxSelectMenuItem>* MenuItems(AvgBuiltinCall& call, s32* count) {
    GxUserData* data = AvgBuiltinCall::UserData();
    *count = data ? std::max(s32(data->m_SelectMenuItemList.size()) - 1, 0) : 0;
    s32 extra = 0;
    for (s32 i = *count; i < call.ArgCount(); ++i) extra += call.IsGiven(i) ? 1 : 0;
    if (extra > 0) call.Report(u"選択肢は%d個までです。超えた%d個は無視します", *count, extra);
    return data ? &data->m_SelectMenuItemList : nullptr;
}

// The labels of SEL.GO and SEL.GOSUB: every item is set, each label that the
// calling script cannot reach is reported, and any such label stops the
// script once all are set.
bool SetLabels(AvgBuiltinCall& call, bool useGosub) {
    s32 count = 0;
    std::vector<GxSelectMenuItem>* items = MenuItems(call, &count);
    if (!items) return true;
    GxMoa* moa = call.Worker() ? call.Worker()->GetMoa() : nullptr;
    bool ok = true;
    for (s32 k = 1; k <= count; ++k) {
        GxSelectMenuItem& item = (*items)[size_t(k)];
        item.m_UseGosub = false;
        if (!call.IsGiven(k - 1)) {
            item.m_Label.clear();
            continue;
        }
        item.m_Label = call.Str(k - 1);
        item.m_UseGosub = useGosub;
        if (!moa || !moa->FindLabelInEntity(item.m_Label, call.Entity())) {
            call.Report(u"選択肢[%d]のラベル[%s]は存在しません", k, item.m_Label);
            ok = false;
        }
    }
    return ok;
}

// SEL.VISIBLE and SEL.ENABLE: a given flag sets the item's field, a missing
// one leaves it.
bool SetFlags(AvgBuiltinCall& call, bool GxSelectMenuItem::*field) {
    s32 count = 0;
    std::vector<GxSelectMenuItem>* items = MenuItems(call, &count);
    if (!items) return true;
    for (s32 k = 1; k <= count; ++k)
        if (call.IsGiven(k - 1)) (*items)[size_t(k)].*field = call.Int64(k - 1) != 0;
    return true;
}

} // namespace

AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL, 0) {
    s32 count = 0;
    std::vector<GxSelectMenuItem>* items = MenuItems(call, &count);
    GxUserData* data = AvgBuiltinCall::UserData();
    if (!items || !data) return true;
    for (s32 k = 1; k <= count; ++k) {
        GxSelectMenuItem& item = (*items)[size_t(k)];
        if (call.IsGiven(k - 1)) {
            item.m_Text = call.Str(k - 1);
            continue;
        }
        item.m_Text.clear();
        item.m_Enable = item.m_Visible = item.m_UseGosub = false;
    }
    // A menu without a key of its own is keyed by where it stands.
    if (data->m_SelectHash.empty() && call.Worker()) {
        GxString script;
        call.Worker()->GetScriptName(&script, nullptr);
        data->m_SelectHash = GxFormat(u"%s:%d", script, call.Worker()->GetLine(nullptr) + 1);
    }
    data->m_HideWindowByCommandFlag = false;
    if (SeqAvgMain* scene = AvgBuiltinCall::MainScene()) scene->ShowSelect();
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_GO, 0) { return SetLabels(call, false); }

AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_GOSUB, 0) { return SetLabels(call, true); }

AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_VISIBLE, 0) { return SetFlags(call, &GxSelectMenuItem::m_Visible); }

AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_ENABLE, 0) { return SetFlags(call, &GxSelectMenuItem::m_Enable); }

AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_CANCEL, 1) {
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->m_CancelSelectNum = call.Int32(0, 0);
    return true;
}

AVG_BUILTIN_DEFINE(AvgBuiltinChoice, SEL_HASH, 1) {
    if (GxUserData* data = AvgBuiltinCall::UserData()) data->m_SelectHash = call.Str(0, GxString());
    return true;
}
