#include "game/scenes/SeqThumbnailPageBase.h"

#include "base/GxFColor.h"
#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "base/GxMatrix.h"
#include "graphics/GxFontDataText.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcCrammedImageSet.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxTaskLayer.h"
#include "platform/window/keys.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxTaskRenderManage.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxTaskUIRadioButtonIs.h"

#include <cmath>

namespace {
constexpr const GxChar* kExtraSet = u"ui_extra.gis";
constexpr s32 kWheelNotch = 120;
constexpr f32 kRateX = 868.0f;
constexpr f32 kRateY = 56.0f;
constexpr u32 kWhite = 0xFFFFFFFFu;
constexpr u32 kBlendAlpha = 2;
constexpr f32 kGlowPeriod = 30.0f;
constexpr f32 kGlowStrength = 0.25f;
} // namespace

SeqThumbnailPageBase::SeqThumbnailPageBase(GxTaskBase* parent, const GxChar* name, const Look& look)
    : SeqScreenBase(parent, name), m_RecordBits(kRecordCount), m_Look(look) {}

const GxFlagWords& SeqThumbnailPageBase::GetRecordBits(s32 id) const {
    static const GxFlagWords none;
    return id >= 0 && id < kRecordCount ? m_RecordBits[size_t(id)] : none;
}

s32 SeqThumbnailPageBase::GetCompletionRate() const { return m_Total > 0 ? m_Unlocked * 100 / m_Total : 0; }

void SeqThumbnailPageBase::ResetCounts() {
    m_RecordBits.assign(kRecordCount, GxFlagWords());
    m_Total = 0;
    m_Unlocked = 0;
}

void SeqThumbnailPageBase::CheckThumbnail(s32 id, const GxChar* format) const {
    GxNcCrammedImageSet* set = GxNcImageSetPool::Get(ImageSetPath(m_Look.thumbnailSet));
    if (!set || !set->FindOriginImage(ThumbnailName(id))) GxWriteErrorLog(format, ThumbnailName(id), id);
}

GxFontData* SeqThumbnailPageBase::FindFont(const GxChar* name) {
    for (int i = 0; i < GxGlobalFonts::kFontDataCount; ++i)
        if (GxFontData* font = GxGlobalFonts::GetFontData(i); font && font->GetName() == name) return font;
    return nullptr;
}

void SeqThumbnailPageBase::OnStartSequence(int) {
    ShowBackground(m_Look.background);
    GxNcImageSetPool::Add(ImageSetPath(kExtraSet));
    GxNcImageSetPool::Add(ImageSetPath(m_Look.thumbnailSet));
    m_LastPage = 0;
    CountRecords();
    m_CurrentPage = GetSelectedPage();
    ShowPage(m_CurrentPage);
}

void SeqThumbnailPageBase::OnEndSequence(int workerIndex) {
    GxSeqTransitBase::OnEndSequence(workerIndex);
    if (GxTaskLayer* background = GetBackgroundLayer()) background->ClearContent();
    GxNcImageSetPool::Release(ImageSetPath(kExtraSet));
    GxNcImageSetPool::Release(ImageSetPath(m_Look.thumbnailSet));
}

s32 SeqThumbnailPageBase::GetSelectedPage() const {
    GxTaskFolder* folder = GetFolder();
    for (GxTaskBase* t = folder ? folder->GetFirstChild() : nullptr; t; t = t->GetNextSibling()) {
        const GxTaskUIBase* w = GxTaskUIBase::FromTask(t);
        if (w && t->GetTaskLocalName() == u"btn_pageselect" && w->GetValueBool()) return t->GetTaskLocalIndex();
    }
    return 0;
}

s32 SeqThumbnailPageBase::SelectPageButton(s32 page) {
    GxTaskFolder* folder = GetFolder();
    GxTaskBase* task = folder ? folder->FindTaskLocal(u"btn_pageselect", page) : nullptr;
    GxTaskUIBase* button = GxTaskUIBase::FromTask(task);
    if (!button) return 0;
    if (auto* radio = dynamic_cast<GxTaskUIRadioButtonIs*>(button))
        radio->SelectInGroup();
    else
        button->SetValueBool(true);
    return page;
}

void SeqThumbnailPageBase::ShowPage(s32 page) {
    m_PageList.clear();
    m_PageList.reserve(32);
    for (s32 id = 0; id < kRecordCount; ++id)
        if (IsListed(id, page)) m_PageList.push_back(id);
    for (s32 i = 0; i < kThumbnailCount; ++i) {
        GxTaskUIBase* button = FindWidget(m_Look.thumbnailButton, i);
        if (!button) continue;
        if (size_t(i) < m_PageList.size()) {
            const s32 id = m_PageList[size_t(i)];
            button->Show();
            button->SetValueInt(id);
            button->SetEnabled(IsUnlocked(id));
        } else {
            button->Hide();
            button->SetValueInt(0);
        }
    }
}

void SeqThumbnailPageBase::TurnPage(s32 step) {
    s32 page = m_CurrentPage + step;
    if (page < 1) page = m_LastPage;
    if (page > m_LastPage) page = 1;
    m_CurrentPage = SelectPageButton(page);
    ShowPage(m_CurrentPage);
}

int SeqThumbnailPageBase::OnMouseWheel(const GxVector2&, s32 delta, u32) {
    const s32 notches = delta / kWheelNotch;
    GxTaskUIBase* prev = FindWidget(u"btn_prev");
    if (notches == 0 || !prev || !CanOperateUI(prev, 0)) return 0;
    if (GxTaskUIBase* target = notches > 0 ? prev : FindWidget(u"btn_next")) target->PostUIEvent(UIEVENT_DECIDE);
    return 0;
}

int SeqThumbnailPageBase::OnKeyDown(u32 virtualKey, u32) {
    if (virtualKey == pwin::vk_left || virtualKey == pwin::vk_prior) return PostClick(u"btn_prev") ? 1 : 0;
    if (virtualKey == pwin::vk_right || virtualKey == pwin::vk_next) return PostClick(u"btn_next") ? 1 : 0;
    return 0;
}

int SeqThumbnailPageBase::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) {
    if (GxSeqBase::OnUIEventDecide(sender, ev)) return 1;
    if (!sender) return 0;
    PlayButtonSound(sender);
    const GxString& name = sender->GetTaskLocalName();
    if (name == u"btn_back") {
        OnBack();
        ClearUIEvents();
    } else if (name == u"btn_pageselect") {
        m_CurrentPage = GetSelectedPage();
        ShowPage(m_CurrentPage);
    } else if (name == u"btn_prev" || name == u"btn_next") {
        TurnPage(name == u"btn_prev" ? -1 : 1);
    } else if (name == m_Look.thumbnailButton) {
        const GxTaskUIBase* button = GxTaskUIBase::FromTask(sender);
        const s32 id = button ? button->GetValueInt() : -1;
        // The value is the button's own; a layout may have given it anything.
        if (!RefuseOutOfRangeID(id, kRecordCount)) OnThumbnail(id);
    } else {
        return 0;
    }
    return 1;
}

int SeqThumbnailPageBase::EnqueueRender(int step, s64 elapsed) {
    GxSeqTransitBase::EnqueueRender(step, elapsed);
    GxCoreBase* core = GetCore();
    if (GxTaskRenderManage* list = core ? core->GetRenderList(0) : nullptr)
        list->AddTask(GxTaskRenderManage::kSortAscending, this, m_Look.renderKey, 2);
    return 0;
}

int SeqThumbnailPageBase::Render(int drawParam, int listIndex) {
    if (drawParam != 2) return GxSeqTransitBase::Render(drawParam, listIndex);
    if (!GxGraphics::BeginScene()) return 0;
    GxSetDefaultRenderStates();
    DrawPage();
    GxGraphics::EndScene();
    return 0;
}

void SeqThumbnailPageBase::DrawPage() {
    if (GxFontData* font = FindFont(u"FONT22NUM")) {
        const GxString rate = GxFormat(u"%3d", GetCompletionRate());
        GxDrawFontDataText(rate.c_str(), font, kRateX, kRateY, nullptr, nullptr, nullptr, kWhite, 0, kBlendAlpha);
    }
    GxNcCrammedImageSet* extra = GxNcImageSetPool::Get(ImageSetPath(kExtraSet));
    GxNcCrammedImageSet* thumbnails = GxNcImageSetPool::Get(ImageSetPath(m_Look.thumbnailSet));
    const GxNcOriginImage* plate = extra ? extra->FindOriginImage(m_Look.plate) : nullptr;
    const f32 glow = std::fabs(std::sin(f32(m_FrameCount) / kGlowPeriod)) * kGlowStrength;
    for (s32 i = 0; i < kThumbnailCount; ++i) {
        GxTaskUIBase* button = FindWidget(m_Look.thumbnailButton, i);
        if (!button || !button->IsVisible()) continue;
        const s32 id = button->GetValueInt();
        if (id < 0 || id >= kRecordCount) continue;
        GxVector4 at;
        button->GetWorldPos(&at);
        GxMatrix world;
        world.SetTranslation(at.x, at.y, 0.0f);
        const GxFColor white(1.0f, 1.0f, 1.0f, 1.0f);
        if (!IsUnlocked(id)) {
            DrawCrammedPattern(0, plate, world, 1.0f, white, GxFColor(0.0f, 0.0f, 0.0f, 0.0f), kBlendAlpha);
        } else {
            const f32 v = button->GetHoverCount() != 0 ? glow : 0.0f;
            const GxNcOriginImage* picture = thumbnails ? thumbnails->FindOriginImage(ThumbnailName(id)) : nullptr;
            DrawCrammedPattern(0, picture, world, 1.0f, white, GxFColor(v, v, v, 0.0f), kBlendAlpha);
        }
        DrawThumbnailExtra(button, id);
    }
}
