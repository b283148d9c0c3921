#include "game/scenes/SeqDebug.h"

#include "base/GxFormat.h"
#include "game/GxGameModule.h"
#include "game/GxGameSound.h"
#include "game/GxOpenScriptLine.h"
#include "layers/GxLerp.h"
#include "layers/GxNcImageSetPool.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIListBoxFx.h"

#include <algorithm>
#include <vector>

namespace {
constexpr const GxChar* kImageSet = u"ui_debug.gis";
constexpr const GxChar* kScriptList = u"lbox_scriptselect";
constexpr const GxChar* kLabelList = u"lbox_labelselect";
// The label list's second column (the name) starts after the line number,
// "%08d:" and a space, in half-width characters of the list's font.
constexpr s32 kLineColumnChars = 10;
} // namespace

SeqDebug::SeqDebug(GxTaskBase* parent) : GxSeqMenuBase(parent, u"SeqDebug", true) {
    if (GxTaskUIListBoxFx* scripts = FindList(kScriptList)) {
        scripts->SetScrollBar(FindWidget(u"vsld_scriptselect"));
        if (g_pMoa())
            for (const auto& [name, script] : g_pMoa()->GetScripts())
                scripts->AddItem(name.c_str(), u"", 0, name.c_str(), -1, u"");
    }
    if (GxTaskUIListBoxFx* labels = FindList(kLabelList)) {
        labels->SetScrollBar(FindWidget(u"vsld_labelselect"));
        // The font size is the configuration's, whatever number it holds.
        if (labels->GetColumnCount() == 0)
            labels->AddColumnWidth(GxTruncToS32(f64(labels->GetTextFontSize()) * kLineColumnChars / 2));
    }
}

GxTaskUIListBoxFx* SeqDebug::FindList(const GxChar* name) const {
    return dynamic_cast<GxTaskUIListBoxFx*>(FindWidget(name));
}

void SeqDebug::OnStartSequence(int) {
    GxStopBgm(0);
    GxNcImageSetPool::Add(Config().m_FolderNames[kGxFolderUIGis] + kImageSet);
    // Nothing is chosen yet: the label buttons wait for a label.
    UpdateLabelButtons();
}

void SeqDebug::OnEndSequence(int workerIndex) {
    GxSeqTransitBase::OnEndSequence(workerIndex);
    GxNcImageSetPool::Release(Config().m_FolderNames[kGxFolderUIGis] + kImageSet);
}

int SeqDebug::OnRButtonDown(const GxVector2&, u32, bool) {
    GxTaskUIBase* back = FindWidget(u"btn_back");
    if (!back || !CanOperateUI(back, 0)) return 0;
    back->PostUIEvent(1);
    return 1;
}

void SeqDebug::ListLabels(const GxString& scriptName) {
    GxTaskUIListBoxFx* labels = FindList(kLabelList);
    if (!labels) return;
    labels->ClearItems();
    std::vector<const GxMoaLabelDefinition*> found;
    if (g_pMoa())
        for (const auto& [name, label] : g_pMoa()->GetLabels())
            if (label->m_Pos.m_ScriptName == scriptName) found.push_back(label.get());
    std::stable_sort(found.begin(), found.end(), [](const GxMoaLabelDefinition* a, const GxMoaLabelDefinition* b) {
        return a->m_Pos.m_Line < b->m_Pos.m_Line;
    });
    for (const GxMoaLabelDefinition* label : found) {
        const GxString line = GxFormat(u"%08d:", label->m_Pos.m_Line + 1);
        GxUIListItem* item = labels->AddItem(line.c_str(), u"", 0, label->m_Name.c_str(), -1, u"");
        labels->AddItemText(item, (u"#" + label->m_Name).c_str());
    }
    labels->SyncScrollBar();
}

void SeqDebug::UpdateLabelButtons() {
    const GxTaskUIListBoxFx* labels = FindList(kLabelList);
    const bool chosen = labels && labels->GetSelectedIndex() >= 0;
    for (const GxChar* name : {u"btn_runlabel", u"btn_editlabel"})
        if (GxTaskUIBase* button = FindWidget(name)) button->SetEnabled(chosen);
}

GxString SeqDebug::GetSelectedLabel() const {
    GxTaskUIListBoxFx* labels = FindList(kLabelList);
    const GxUIListItem* item = labels ? labels->GetItem(labels->GetSelectedIndex()) : nullptr;
    return item ? item->m_Label : GxString();
}

int SeqDebug::OnUIEventSelect(GxTaskBase* sender, const GxUIEventParam*) {
    if (sender && sender->GetTaskLocalName() == kScriptList)
        if (const GxTaskUIListBoxFx* scripts = FindList(kScriptList)) ListLabels(scripts->GetSelectedText());
    UpdateLabelButtons();
    return 1;
}

int SeqDebug::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) {
    if (GxSeqBase::OnUIEventDecide(sender, ev)) return 1;
    if (!sender) return 0;
    PlayButtonSound(sender);
    UpdateLabelButtons();
    const GxString& name = sender->GetTaskLocalName();
    if (name == u"btn_runlabel") {
        RunLabel();
    } else if (name == u"btn_editlabel") {
        EditLabel();
    } else if (name == u"btn_back") {
        const GxSeqWorker* worker = m_Manager ? m_Manager->GetSeqWorker(m_SeqWorkIndex) : nullptr;
        if (worker && worker->m_PrevTask) m_Manager->ChangeSequenceByName(worker->m_PrevName.c_str(), m_SeqWorkIndex, 0, 0);
        ClearUIEvents();
    } else {
        return 0;
    }
    return 1;
}

void SeqDebug::RunLabel() {
    const GxString label = GetSelectedLabel();
    if (label.empty()) return;
    const GxTaskUIBase* fade = FindWidget(u"btn_callfin");
    StartAtLabel(m_Manager, m_SeqWorkIndex, label, fade && fade->GetValueBool());
}

bool SeqDebug::StartAtLabel(GxTaskManage* manager, int workerIndex, const GxString& label, bool fadeIn) {
    if (!g_pMoaMainWorker() || !g_pMoaMainWorker()->Jump(label, nullptr)) return false;
    if (fadeIn) GxStartGlobalFadeIn(0);
    return manager && manager->ChangeSequenceByName(u"SeqAvgMain", workerIndex, 0, 0);
}

void SeqDebug::EditLabel() {
    const GxString label = GetSelectedLabel();
    const GxMoaLabelDefinition* def = g_pMoa() && !label.empty() ? g_pMoa()->FindLabel(label) : nullptr;
    if (def) GxOpenScriptLine(def->m_Pos.m_ScriptName, def->m_Pos.m_Line + 1);
}
