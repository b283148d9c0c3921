#include "ui/GxTaskUISpinButtonIs.h"

#include "base/GxFormat.h"
#include "graphics/GxFontData.h"
#include "graphics/GxFontDataText.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "layers/GxLerp.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcCrammedImageSet.h"
#include "layers/GxNcOriginImage.h"
#include "tasks/GxSystemConfig.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxUIText.h"

#include <algorithm>
#include <cmath>

namespace {

const GxChar* const kSuffixes[GxTaskUISpinButtonIs::kSlotCount] = {
    u"_up_off.png",    u"_up_on.png",    u"_up_over.png",    u"_up_na.png",    u"_down_off.png",
    u"_down_on.png",   u"_down_over.png", u"_down_na.png",   u"_clear_off.png", u"_clear_on.png",
    u"_clear_over.png", u"_clear_na.png", u"_back.png",      u"_backna.png"};

void ResetRepeat(GxTaskUISpinButtonIs::Repeat& r) { r = GxTaskUISpinButtonIs::Repeat(); }

// The size of pattern 0 of an image into w and h; left alone without one.
void TakeSize(const GxNcOriginImage* image, f32* w, f32* h) {
    const GxNcCrammedPattern* p = image ? image->GetPattern(0) : nullptr;
    if (!p) return;
    *w = f32(p->m_Width);
    *h = f32(p->m_Height);
}

} // namespace

GxTaskUISpinButtonIs::GxTaskUISpinButtonIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                           s32 localIndex)
    : GxTaskUIIsBase(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    TypeBits |= kGxTypeUIButton;
    m_TextFontSize = GxUIFontSize(m_TextFontIndex);
    GxTaskUISpinButtonIs::ReleaseImages();
}

void GxTaskUISpinButtonIs::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIIsBase::ApplyModuleRecord(m);
    m_TextFontIndex = GxUICheckFontIndex(m.FontIndex, u"GxTaskUISpinButtonIs");
    m_TextFontSize = GxUIFontSize(m_TextFontIndex);
}

// ---- images ------------------------------------------------------------------

void GxTaskUISpinButtonIs::ReleaseImages() {
    std::fill(std::begin(m_Images), std::end(m_Images), nullptr);
    m_DownWidth = m_UpWidth = m_ClearWidth = m_BackWidth = 0;
    m_DownHeight = m_UpHeight = m_ClearHeight = m_BackHeight = 0;
}

bool GxTaskUISpinButtonIs::LoadImages() {
    GxNcCrammedImageSet* set = GetImageSet(u"GxTaskUISpinButtonIs/ImageSet wasn't Loaded:%s [%s]\n");
    if (!set) return false;
    for (int i = 0; i < kSlotCount; ++i) m_Images[i] = FindImage(set, kSuffixes[i]);
    for (int required : {kDownOff, kUpOff}) {
        if (m_Images[required]) continue;
        LogImageMessage(u"GxTaskUISpinButtonIs/Image not found:%s [%s]\n", m_ImageName + kSuffixes[required]);
        return false;
    }
    const std::pair<int, int> fills[] = {{kDownOn, kDownOver},   {kDownNa, kDownOff}, {kUpOn, kUpOver},
                                         {kUpNa, kUpOff},        {kClearOn, kClearOver}, {kClearNa, kClearOff},
                                         {kBackNa, kBack}};
    for (const auto& [slot, from] : fills)
        if (!m_Images[slot]) m_Images[slot] = m_Images[from];
    TakeSize(m_Images[kDownOff], &m_DownWidth, &m_DownHeight);
    TakeSize(m_Images[kUpOff], &m_UpWidth, &m_UpHeight);
    TakeSize(m_Images[kClearOff], &m_ClearWidth, &m_ClearHeight);
    TakeSize(m_Images[kBack], &m_BackWidth, &m_BackHeight);
    if (const GxNcCrammedPattern* back = m_Images[kBack] ? m_Images[kBack]->GetPattern(0) : nullptr) {
        if (m_Width == 0) m_Width = GxTruncToS32(f64(m_BackWidth) + m_DownWidth + m_UpWidth + m_ClearWidth);
        if (m_Height == 0) m_Height = back->m_Height;
    }
    if (m_ClientWidth == 0) m_ClientWidth = GxTruncToS32(f64(GxTruncToS32(m_BackWidth)) - 2.0 * m_ClientLeft);
    if (m_ClientHeight == 0) m_ClientHeight = GxTruncToS32(f64(m_Height) - 2.0 * m_ClientTop);
    return true;
}

// ---- value -----------------------------------------------------------------------

void GxTaskUISpinButtonIs::SetValue(f64 value) { m_Value = ClampToRange(value); }

GxString GxTaskUISpinButtonIs::FormatValue() const { return GxFormat(m_ValueFormat.c_str(), GetValue()); }

void GxTaskUISpinButtonIs::ChangeValue(f64 value) {
    const f64 old = GetValue();
    SetValue(value);
    if (GetValue() != old) RaisePointerEvent(UIEVENT_VALUE_CHANGE, GetPointer());
}

void GxTaskUISpinButtonIs::StepHeld(Repeat& repeat, f64 direction) {
    if ((s64(m_FrameCount) - repeat.m_PressFrame) % m_RepeatIntervalFrame != 0) return;
    const bool fast = m_FastChangeAfter >= 1 && repeat.m_RepeatCount >= m_FastChangeAfter;
    const f64 step = fast ? m_FastChange : GetChange();
    repeat.m_RepeatCount = s32(u32(repeat.m_RepeatCount) + 1u);
    ChangeValue(GetValue() + direction * step);
}

// ---- state and update ----------------------------------------------------------------

void GxTaskUISpinButtonIs::ResetEventState() {
    m_FrameCount = 0;
    m_HoverCount = 0;
    m_EventState = 0;
    ResetRepeat(m_DownRepeat);
    ResetRepeat(m_UpRepeat);
    m_ClearPressFlag = false;
    m_ClearShowCount = 0;
}

int GxTaskUISpinButtonIs::Update(int step, s64 elapsed) {
    GxTaskUIBase::Update(step, elapsed);
    const bool allowed = CanOperate(0);
    // One thing a step, held parts first; a refused step keeps the rhythm,
    // since the frame counter runs on.
    const bool repeats = m_RepeatIntervalFrame >= 1 && allowed;
    if (m_DownRepeat.m_PressFlag && repeats) {
        StepHeld(m_DownRepeat, -1.0);
    } else if (m_UpRepeat.m_PressFlag && repeats) {
        StepHeld(m_UpRepeat, 1.0);
    } else if (m_ClearPressFlag && allowed) {
        m_ClearPressFlag = false;
        ChangeValue(m_ClearValue);
    }
    if (m_ClearShowCount > 0) --m_ClearShowCount;
    m_FrameCount = s32(u32(m_FrameCount) + 1u);
    return 0;
}

// ---- pointer -------------------------------------------------------------------------

bool GxTaskUISpinButtonIs::HitPart(const GxVector2& p, f32 left) {
    GxVector4 w;
    GetWorldPos(&w);
    const f32 x = p.x - w.x, y = p.y - w.y;
    return left <= x && x < left + m_DownWidth && 0 <= y && y < m_DownHeight;
}

int GxTaskUISpinButtonIs::OnLButtonDown(const GxVector2& pos, u32, bool) {
    if (!CanOperate(0)) return 0;
    const f32 downX = m_ClearWidth + m_BackWidth;
    const Repeat pressed{m_FrameCount, true, 0};
    if (HitPart(pos, downX)) {
        m_DownRepeat = pressed;
    } else if (HitPart(pos, downX + m_DownWidth)) {
        m_UpRepeat = pressed;
    } else if (HitPart(pos, 0)) {
        m_ClearPressFlag = true;
        m_ClearShowCount = kClearShowFrames;
    } else {
        return 0;
    }
    RaisePointerEvent(UIEVENT_DECIDE, pos);
    return (IsEventReported(UIEVENT_DECIDE) && m_EventBlockFlag) ? 1 : 0;
}

int GxTaskUISpinButtonIs::OnLButtonUp(const GxVector2&, u32) {
    ResetRepeat(m_DownRepeat);
    ResetRepeat(m_UpRepeat);
    return 0;
}

// ---- drawing ---------------------------------------------------------------------------

int GxTaskUISpinButtonIs::GetPartSlot(int part) {
    if (!IsEnabled()) {
        const int disabled[] = {kDownNa, kUpNa, kClearNa, kBackNa};
        return disabled[std::clamp(part, 0, 3)];
    }
    const bool allowed = CanOperate(0);
    const GxVector2 pointer = GetPointer();
    const f32 downX = m_ClearWidth + m_BackWidth;
    switch (part) {
    case kPartDown:
        if (!(GetMin() < GetValue())) return kDownNa;
        if (!allowed) return kDownOff;
        if (m_DownRepeat.m_PressFlag) return kDownOn;
        return HitPart(pointer, downX) ? kDownOver : kDownOff;
    case kPartUp:
        if (!(GetValue() < GetMax())) return kUpNa;
        if (!allowed) return kUpOff;
        if (m_UpRepeat.m_PressFlag) return kUpOn;
        return HitPart(pointer, downX + m_DownWidth) ? kUpOver : kUpOff;
    case kPartClear:
        if (!allowed) return kClearOff;
        if (m_ClearShowCount != 0) return kClearOn;
        return HitPart(pointer, 0) ? kClearOver : kClearOff;
    default: return kBack;
    }
}

void GxTaskUISpinButtonIs::DrawValueText(const GxVector4& world) {
    const GxString text = FormatValue();
    const u32 actor = m_Visual.m_Color0.ToARGB();
    const u32 colour = GxUIScaleAlpha(actor & m_TextColor, GetAlphaScale());
    const u32 edge = GxUIScaleAlpha(actor & GxUISystemConfig().m_SystemShadowColor, GetAlphaScale());
    const u32 blend = u32(m_Visual.m_BlendMode);
    // Centred on the back by the width of one digit times the length,
    // whatever the characters are.
    f32 width = 0, height = 0;
    GxFontData* font = m_UseBitmapFont ? GxGlobalFonts::GetFontData(m_BitmapFontIndex) : nullptr;
    GxGDIFontMap* map = m_UseBitmapFont ? nullptr : GxGlobalFonts::GetFontMap(m_TextFontIndex);
    if (font) {
        width = f32(font->GetCharWidth(u'0')) * f32(text.size());
        height = f32(font->GetCellHeight());
    } else if (map) {
        const GxFontMapGlyph one = map->GetGlyph(u'1');
        width = f32(one.m_Width) * f32(text.size());
        height = f32(one.m_Height);
    } else {
        return;
    }
    const f32 x = std::trunc(world.x + (m_BackWidth - width) * 0.5f + m_ClearWidth);
    const f32 y = std::trunc(world.y + (m_BackHeight - height) * 0.5f);
    if (font) {
        const GxVector2 one(1, 1);
        GxDrawFontDataText(text.c_str(), font, x, y, &one, nullptr, nullptr, colour, 0, blend);
        return;
    }
    DrawOutlinedText(map, text, x, y, colour, 0, edge, blend);
}

int GxTaskUISpinButtonIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    GxVector4 world;
    GetWorldPos(&world);
    BeginWidgetDraw();
    // Drawn without the actor's rotation and scale.
    const f32 offsets[4] = {m_ClearWidth + m_BackWidth, m_ClearWidth + m_BackWidth + m_DownWidth, 0, m_ClearWidth};
    const f32 alpha = GetImageAlphaScale();
    for (int part : {kPartDown, kPartUp, kPartClear, kPartBack}) {
        GxMatrix at;
        at.SetTranslation(world.x + offsets[part], world.y, world.z);
        DrawCrammedPattern(0, m_Images[GetPartSlot(part)], at, alpha, m_Visual.m_Color0, m_Visual.m_Color1,
                           u32(m_Visual.m_BlendMode));
    }
    DrawValueText(world);
    GxGraphics::EndScene();
    return 0;
}
