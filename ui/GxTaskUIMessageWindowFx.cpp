#include "ui/GxTaskUIMessageWindowFx.h"

#include "base/GxLog.h"
#include "graphics/GxCharWidth.h"
#include "graphics/GxFontData.h"
#include "graphics/GxFontDataText.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxLerp.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxMessageSettingsBase.h"
#include "ui/GxUIText.h"

namespace {

constexpr const GxChar* kClassName = u"GxTaskUIMessageWindowFx";
} // namespace

GxTaskUIMessageWindowFx::GxTaskUIMessageWindowFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                                 s32 localIndex)
    : GxTaskUIPanelFx(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    const GxSystemConfig& config = GxUISystemConfig();
    m_Layout.m_TextColor = config.m_MesWinTextColor0;
    m_ShadowColor = config.m_MesWinShadowColor;
    m_EdgeColor = config.m_MesWinEdgeColor;
    m_RubyMarginHeight = m_Layout.m_RubyFontSize;
    // The sizes are the configuration's, whatever numbers it holds.
    m_TextTotalHeight = GxTruncToS32(f64(m_Layout.m_TextFontSize) + m_Layout.m_RubyFontSize + 1);
}

// ---- the message ---------------------------------------------------------------

void GxTaskUIMessageWindowFx::SetText(const GxChar* text) { SetMessage(text ? text : u"", true, false, false, false); }

void GxTaskUIMessageWindowFx::SetMessage(const GxString& text, bool enableAutoClickWait, bool readFlag,
                                         bool ignoreKinsoku, bool disableAutoNewline) {
    ClearMessage();
    // A zero character ends the message: past it nothing could be revealed,
    // and the reveal would wait for it for ever.
    m_Text = GxTextLayout::CutAtZero(text);
    m_EnableAutoClickWait = enableAutoClickWait;
    m_ReadedFlag = readFlag;
    m_Layout.m_IgnoreKinsoku = ignoreKinsoku;
    m_Layout.m_DisenableAutoNewline = disableAutoNewline;
    m_Layout.m_TextColor = GxUISystemConfig().m_MesWinTextColor0;
    if (readFlag && GxMessageSettingsBase::FastShowReadedText()) RevealAll(true, true);
}

void GxTaskUIMessageWindowFx::ClearMessage() {
    m_Text.clear();
    m_Layout.Restart();
    m_EnableAutoClickWait = false;
    m_ClickWaiting = false;
}

void GxTaskUIMessageWindowFx::SetTextFontIndex(s32 index) { m_Layout.SetTextFontIndex(index, kClassName); }

void GxTaskUIMessageWindowFx::SetRubyFontIndex(s32 index) { m_Layout.SetRubyFontIndex(index, kClassName); }

void GxTaskUIMessageWindowFx::SetTextRegion(s32 left, s32 top, s32 width, s32 height) {
    m_Layout.SetTextRegion(left, top, width, height);
}

void GxTaskUIMessageWindowFx::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIPanelFx::ApplyModuleRecord(m);
    SetTextFontIndex(m.FontIndex);
    SetTextRegion(m.ClientLeft, m.ClientTop, m.ClientWidth, m.ClientHeight);
}

// ---- the reveal ----------------------------------------------------------------

GxTextLayout::Rules GxTaskUIMessageWindowFx::MakeRules() const {
    GxTextLayout::Rules rules;
    rules.m_LetterMargin = m_LetterMarginWidth;
    rules.m_LinePitch = m_TextTotalHeight;
    rules.m_Timed = true;
    rules.m_CharWaitTime = GxMessageSettingsBase::TextWaitTime();
    rules.m_LongWaitTime = GxMessageSettingsBase::TextLongWaitTime();
    rules.m_DefaultColor = GxUISystemConfig().m_MesWinTextColor0;
    return rules;
}

bool GxTaskUIMessageWindowFx::RevealStep() {
    switch (m_Layout.Step(m_Text, MakeRules())) {
    case GxTextLayout::Stop::None:
        return false;
    case GxTextLayout::Stop::ClickWait:
        m_ClickWaiting = true;
        return true;
    case GxTextLayout::Stop::End:
        if (m_EnableAutoClickWait) m_ClickWaiting = true;
        return true;
    case GxTextLayout::Stop::Exhausted:
        break;
    }
    return true;
}

int GxTaskUIMessageWindowFx::Update(int step, s64 elapsed) {
    GxTaskUIPanelFx::Update(step, elapsed);
    m_Layout.m_WaitTimeLeft = GxUIAddSat(m_Layout.m_WaitTimeLeft, -(elapsed / 1000));
    while (m_Layout.m_WaitTimeLeft <= 0) {
        if (GetRemainingChars() == 0 || m_ClickWaiting) break;
        if (RevealStep()) {
            if (GxTaskManage* manage = GetTaskManage()) manage->m_StopUpdateFlag = true;
            break;
        }
    }
    if (m_Layout.m_WaitTimeLeft < 0) m_Layout.m_WaitTimeLeft = 0;
    return 0;
}

bool GxTaskUIMessageWindowFx::RevealAll(bool throughClickWaits, bool onlyWhenRead) {
    m_Layout.m_WaitTimeLeft = 0;
    if (onlyWhenRead && !m_ReadedFlag) return false;
    if (!throughClickWaits && m_ClickWaiting) return true;
    while (GetRemainingChars() != 0) {
        RevealStep();
        if (!throughClickWaits && m_ClickWaiting) return true;
    }
    return false;
}

bool GxTaskUIMessageWindowFx::OnClick() {
    m_Layout.m_WaitTimeLeft = 0;
    if (m_ClickWaiting) {
        m_ClickWaiting = false;
        return GetRemainingChars() == 0;
    }
    if (GetRemainingChars() != 0) RevealAll(false, false);
    return false;
}

// ---- drawing ---------------------------------------------------------------------

u32 GxTaskUIMessageWindowFx::CharColor(const GxTextLayout::CharRecord& record) const {
    if (record.m_ChangeColorFlag) return record.m_Color;
    const GxSystemConfig& config = GxUISystemConfig();
    const bool read = m_ReadedFlag && GxMessageSettingsBase::ChangeColorReadedText();
    return read ? config.m_MesWinTextColor1 : config.m_MesWinTextColor0;
}

int GxTaskUIMessageWindowFx::Render(int drawParam, int listIndex) {
    GxTaskUIPanelFx::Render(drawParam, listIndex);
    if (!m_VisibleText || !IsActiveInScene()) return 0;
    BeginWidgetDraw();
    const bool bitmapFont = !GxUISystemConfig().m_MesWinTextBuiltinFontName.empty();
    GxTextLayout::DrawStyle style;
    style.m_Shadow = m_UseShadow;
    style.m_ShadowColor = m_ShadowColor;
    style.m_RubyWrapPitch = m_TextTotalHeight;
    style.m_Chars = !bitmapFont;
    style.m_CharTop = m_RubyMarginHeight;
    style.m_CharShadowOffset = m_EdgeColor != 0 ? 3.0f : 2.0f;
    style.m_EdgeColor = m_EdgeColor;
    m_Layout.Draw(*this, style, [this](const GxTextLayout::CharRecord& c) { return CharColor(c); });
    if (bitmapFont) DrawWithBitmapFont();
    GxGraphics::EndScene();
    return 0;
}

void GxTaskUIMessageWindowFx::DrawWithBitmapFont() const {
    GxFontData* font = GxGlobalFonts::GetMessageFont();
    if (!font) return;
    GxVector4 w;
    GetWorldPos(&w);
    const f32 baseX = w.x, baseY = w.y, alpha = GetAlphaScale();
    const GxVector2 scale(m_Visual.m_Scale.x, m_Visual.m_Scale.y);
    const u32 blend = u32(m_Visual.m_BlendMode);
    const u32 shadow = GxUIScaleAlpha(m_ShadowColor, alpha);
    const f32 shadowOffset = m_EdgeColor != 0 ? 3.0f : 2.0f;
    for (const GxTextLayout::CharRecord& c : m_Layout.m_ShowChars) {
        if (!font->HasChar(c.m_Char)) continue;
        // Centred in its cell, on whole pixels.
        const f64 cell = f64(GxGetCharCellWidth(c.m_Char)) * m_Layout.m_TextFontSize * 0.5;
        const f32 x = f32(GxTruncToS32(m_Layout.m_TextRegionLeft + f64(c.m_OffsetPos.x) +
                                       (cell - font->GetCharWidth(c.m_Char)) * 0.5));
        const f32 y = f32(GxTruncToS32(f64(m_Layout.m_TextRegionTop) + c.m_OffsetPos.y + m_RubyMarginHeight));
        const GxChar one[2] = {GxChar(c.m_Char), 0};
        const auto draw = [&](f32 dx, f32 dy, u32 colour) {
            GxDrawFontDataText(one, font, baseX + scale.x * (x + dx), baseY + scale.y * (y + dy), &scale, nullptr,
                               nullptr, colour, 0, blend);
        };
        if (m_UseShadow) draw(shadowOffset, shadowOffset, shadow);
        if (m_EdgeColor != 0)
            for (const f32 d : {-1.0f, 1.0f}) draw(d, d, m_EdgeColor), draw(d, -d, m_EdgeColor);
        draw(0, 0, GxUIScaleAlpha(CharColor(c), alpha));
    }
}

// ---- stored form -----------------------------------------------------------------

bool GxTaskUIMessageWindowFx::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIPanelFx::WriteContent(w);
    if (!w) return false;
    const GxTextLayout& l = m_Layout;
    w->Write("m_Text", m_Text);
    w->WriteListBegin("m_ShowChars", "", u32(l.m_ShowChars.size()));
    for (const GxTextLayout::CharRecord& c : l.m_ShowChars) {
        w->WriteListElementBegin();
        w->Write("m_Char", c.m_Char);
        w->Write("m_OffsetPos", c.m_OffsetPos);
        w->Write("m_Color", c.m_Color);
        w->Write("m_ChangeColorFlag", c.m_ChangeColorFlag);
        w->WriteListElementEnd();
    }
    w->WriteListEnd();
    w->WriteListBegin("m_Rubies", "", u32(l.m_Rubies.size()));
    for (const GxTextLayout::RubyRecord& r : l.m_Rubies) {
        w->WriteListElementBegin();
        w->Write("m_Text", r.m_Text);
        w->Write("m_RubyCharWidth", r.m_RubyCharWidth);
        w->Write("m_RubyUnderCharWidth", r.m_RubyUnderCharWidth);
        w->Write("m_OffsetPos", r.m_OffsetPos);
        w->WriteListElementEnd();
    }
    w->WriteListEnd();
    w->Write("m_TextRegionLeft", l.m_TextRegionLeft);
    w->Write("m_TextRegionTop", l.m_TextRegionTop);
    w->Write("m_TextRegionWidth", l.m_TextRegionWidth);
    w->Write("m_TextRegionHeight", l.m_TextRegionHeight);
    w->Write("m_TextFontIndex", l.m_TextFontIndex);
    w->Write("m_RubyFontIndex", l.m_RubyFontIndex);
    w->Write("m_TextFontSize", l.m_TextFontSize);
    w->Write("m_RubyFontSize", l.m_RubyFontSize);
    w->Write("m_LetterMarginWidth", m_LetterMarginWidth);
    w->Write("m_RubyMarginHeight", m_RubyMarginHeight);
    w->Write("m_TextTotalHeight", m_TextTotalHeight);
    w->Write("m_ProcessPos", l.m_ProcessPos);
    w->Write("m_RubyMode", l.m_RubyMode);
    w->Write("m_CursorX", l.m_CursorX);
    w->Write("m_CursorY", l.m_CursorY);
    w->Write("m_TextColor", l.m_TextColor);
    w->Write("m_ShadowColor", m_ShadowColor);
    w->Write("m_ChangeColor", l.m_ChangeColor);
    w->Write("m_VisibleText", m_VisibleText);
    w->Write("m_UseShadow", m_UseShadow);
    w->Write("m_EnableAutoClickWait", m_EnableAutoClickWait);
    w->Write("m_ClickWaiting", m_ClickWaiting);
    w->Write("m_ReadedFlag", m_ReadedFlag);
    w->Write("m_IgnoreKinsoku", l.m_IgnoreKinsoku);
    w->Write("m_DisenableAutoNewline", l.m_DisenableAutoNewline);
    w->Write("m_WaitTimeLeft", l.m_WaitTimeLeft);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUIMessageWindowFx::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIPanelFx::ReadContent(r);
    if (!r) return false;
    GxTextLayout& l = m_Layout;
    r->Read("m_Text", &m_Text);
    m_Text = GxTextLayout::CutAtZero(m_Text);
    u32 count = 0;
    l.m_ShowChars.clear();
    l.m_Rubies.clear();
    constexpr u32 kCharBytes = GxContentMinReadBytes(kGxValU16, kGxValVector3, kGxValU32, kGxValBool);
    constexpr u32 kRubyBytes = GxContentMinReadBytes(kGxValStringUTF8, kGxValS32, kGxValS32, kGxValVector3);
    if (!GxUIReadListCount(r, "m_ShowChars", kClassName, kCharBytes, &count)) return false;
    l.m_ShowChars.reserve(count);
    for (u32 i = 0; i < count && r->GetErrorCount() == 0; ++i) {
        GxTextLayout::CharRecord c;
        r->ReadListElementBegin();
        r->Read("m_Char", &c.m_Char);
        r->Read("m_OffsetPos", &c.m_OffsetPos);
        r->Read("m_Color", &c.m_Color);
        r->Read("m_ChangeColorFlag", &c.m_ChangeColorFlag);
        r->ReadListElementEnd();
        l.m_ShowChars.push_back(c);
    }
    r->ReadListEnd();
    if (!GxUIReadListCount(r, "m_Rubies", kClassName, kRubyBytes, &count)) return false;
    for (u32 i = 0; i < count && r->GetErrorCount() == 0; ++i) {
        GxTextLayout::RubyRecord ruby;
        r->ReadListElementBegin();
        r->Read("m_Text", &ruby.m_Text);
        r->Read("m_RubyCharWidth", &ruby.m_RubyCharWidth);
        r->Read("m_RubyUnderCharWidth", &ruby.m_RubyUnderCharWidth);
        r->Read("m_OffsetPos", &ruby.m_OffsetPos);
        r->ReadListElementEnd();
        l.m_Rubies.push_back(std::move(ruby));
    }
    r->ReadListEnd();
    r->Read("m_TextRegionLeft", &l.m_TextRegionLeft);
    r->Read("m_TextRegionTop", &l.m_TextRegionTop);
    r->Read("m_TextRegionWidth", &l.m_TextRegionWidth);
    r->Read("m_TextRegionHeight", &l.m_TextRegionHeight);
    r->Read("m_TextFontIndex", &l.m_TextFontIndex);
    r->Read("m_RubyFontIndex", &l.m_RubyFontIndex);
    r->Read("m_TextFontSize", &l.m_TextFontSize);
    r->Read("m_RubyFontSize", &l.m_RubyFontSize);
    r->Read("m_LetterMarginWidth", &m_LetterMarginWidth);
    r->Read("m_RubyMarginHeight", &m_RubyMarginHeight);
    r->Read("m_TextTotalHeight", &m_TextTotalHeight);
    r->Read("m_ProcessPos", &l.m_ProcessPos);
    r->Read("m_RubyMode", &l.m_RubyMode);
    r->Read("m_CursorX", &l.m_CursorX);
    r->Read("m_CursorY", &l.m_CursorY);
    r->Read("m_TextColor", &l.m_TextColor);
    r->Read("m_ShadowColor", &m_ShadowColor);
    r->Read("m_ChangeColor", &l.m_ChangeColor);
    r->Read("m_VisibleText", &m_VisibleText);
    r->Read("m_UseShadow", &m_UseShadow);
    r->Read("m_EnableAutoClickWait", &m_EnableAutoClickWait);
    r->Read("m_ClickWaiting", &m_ClickWaiting);
    r->Read("m_ReadedFlag", &m_ReadedFlag);
    r->Read("m_IgnoreKinsoku", &l.m_IgnoreKinsoku);
    r->Read("m_DisenableAutoNewline", &l.m_DisenableAutoNewline);
    r->Read("m_WaitTimeLeft", &l.m_WaitTimeLeft);
    // What the layout indexes with must lie inside what it indexes.
    l.SetProcessPos(m_Text, l.m_ProcessPos);
    l.m_TextFontIndex = GxUICheckFontIndex(l.m_TextFontIndex, kClassName);
    l.m_RubyFontIndex = GxUICheckFontIndex(l.m_RubyFontIndex, kClassName);
    return ok && r->GetErrorCount() == 0;
}
