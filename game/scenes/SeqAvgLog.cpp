#include "game/scenes/SeqAvgLog.h"

#include "game/GxGameSound.h"
#include "gamedata/GxUserData.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "ui/GxTaskUITextWindowFx.h"

#include <algorithm>

namespace {
constexpr s32 kWheelNotch = 120;
constexpr s32 kFastPage = 4;
} // namespace

SeqAvgLog::SeqAvgLog(GxTaskBase* parent) : GxSeqBackMenuBase(parent, u"SeqAvgLog") {}

s32 SeqAvgLog::PageSize() const {
    GxCoreBase* core = GetCore();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    return std::max(config ? config->m_BacklogPage : 5, 0);
}

s32 SeqAvgLog::EntryCount() const {
    const GxUserData* data = GxUserData::Get();
    return data ? s32(data->m_MessageLog.size()) : 0;
}

s32 SeqAvgLog::LastTop() const { return std::max(EntryCount() - PageSize(), 0); }

void SeqAvgLog::SetTop(s32 top) {
    m_TopLine = std::clamp(top, 0, LastTop());
    Refresh();
}

void SeqAvgLog::Refresh() {
    const GxUserData* data = GxUserData::Get();
    const s32 count = EntryCount();
    for (s32 i = 0; i < PageSize(); ++i) {
        auto* window = dynamic_cast<GxTaskUITextWindowFx*>(FindWidget(u"tip_logwindow", i));
        GxTaskUIBase* voice = FindWidget(u"btn_voiceplay", i);
        const s32 entry = m_TopLine + i;
        if (data && entry >= 0 && entry < count) {
            const GxMessageLogElement& e = data->m_MessageLog[size_t(entry)];
            const GxString text = e.m_Name.empty() ? e.m_Message : u"【" + e.m_Name + u"】%r" + e.m_Message;
            if (window) window->SetDisplayText(text, e.m_IgnoreKinsoku, e.m_DisenableAutoNewline);
            const bool hasVoice = std::any_of(std::begin(e.m_VoiceFileName), std::end(e.m_VoiceFileName),
                                              [](const GxString& f) { return !f.empty(); });
            if (voice) hasVoice ? voice->Show() : voice->Hide();
        } else {
            if (window) window->ClearText();
            if (voice) voice->Hide();
        }
    }
}

void SeqAvgLog::OnStartSequence(int workerIndex) {
    GxSeqBackMenuBase::OnStartSequence(workerIndex);
    m_TopLine = LastTop();
    Refresh();
    CancelPlayModes();
    ShowBackground(u"bg_avglog.png");
}

void SeqAvgLog::OnEndSequence(int workerIndex) {
    GxSeqBackMenuBase::OnEndSequence(workerIndex);
    if (GxTaskLayer* background = GetBackgroundLayer()) background->ClearContent();
}

int SeqAvgLog::OnMouseWheel(const GxVector2&, s32 delta, u32) {
    const s32 notches = delta / kWheelNotch;
    if (notches > 0) {
        if (m_TopLine > 0) SetTop(m_TopLine - 1);
    } else if (notches < 0) {
        if (m_TopLine < LastTop()) {
            SetTop(m_TopLine + 1);
        } else if (GxTaskUIBase* back = FindWidget(u"btn_back"); back && CanOperateUI(back, 0)) {
            back->PostUIEvent(UIEVENT_DECIDE);
        }
    }
    return 0;
}

void SeqAvgLog::PlayVoices(s32 line) {
    const GxUserData* data = GxUserData::Get();
    const s32 entry = m_TopLine + line;
    // The button's index comes from the layout table: only a line shown.
    if (!data || line < 0 || line >= PageSize() || entry >= EntryCount()) return;
    const GxMessageLogElement& e = data->m_MessageLog[size_t(entry)];
    for (s32 k = 0; k < GxUserData::kVoiceCount; ++k)
        if (!e.m_VoiceFileName[k].empty()) GxPlayLogVoice(k, e.m_VoiceFileName[k], e.m_VoiceCharID[k]);
}

int SeqAvgLog::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) {
    if (!sender) return 0;
    if (GxSeqBackMenuBase::OnUIEventDecide(sender, ev)) return 1;
    PlayButtonSound(sender);
    const GxString& name = sender->GetTaskLocalName();
    if (name == u"btn_b") {
        if (m_TopLine > 0) SetTop(m_TopLine - 1);
    } else if (name == u"btn_bb") {
        if (m_TopLine > 0) SetTop(m_TopLine - kFastPage);
    } else if (name == u"btn_f") {
        if (m_TopLine < LastTop()) SetTop(m_TopLine + 1);
    } else if (name == u"btn_ff") {
        if (m_TopLine < LastTop()) SetTop(m_TopLine + kFastPage);
    } else if (name == u"btn_voiceplay") {
        PlayVoices(sender->GetTaskLocalIndex());
    } else if (name == u"btn_back") {
        return GoBack();
    } else {
        return 0;
    }
    return 1;
}
