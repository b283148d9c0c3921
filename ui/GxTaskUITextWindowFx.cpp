#include "ui/GxTaskUITextWindowFx.h"

#include "graphics/GxGraphics.h"
#include "layers/GxLerp.h"
#include "tasks/GxSystemConfig.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxUIText.h"

namespace {
constexpr const GxChar* kClassName = u"GxTaskUITextWindowFx";
}

GxTaskUITextWindowFx::GxTaskUITextWindowFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                           s32 localIndex)
    : GxTaskUIPanelFx(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    const GxSystemConfig& config = GxUISystemConfig();
    m_Layout.m_TextColor = config.m_SystemTextColor0;
    m_ShadowColor = config.m_SystemShadowColor;
    m_LinePitch = GxTruncToS32(f64(m_Layout.m_TextFontSize) + 1);
    m_RubyMarginHeight = m_Layout.m_RubyFontSize;
}

void GxTaskUITextWindowFx::SetText(const GxChar* text) { SetDisplayText(text ? text : u"", false, false); }

void GxTaskUITextWindowFx::SetDisplayText(const GxString& text, bool ignoreKinsoku, bool disableAutoNewline) {
    ClearText();
    m_Layout.m_IgnoreKinsoku = ignoreKinsoku;
    m_Layout.m_DisenableAutoNewline = disableAutoNewline;
    // A zero character ends the text: the layout could never get past it.
    m_DisplayText = GxTextLayout::CutAtZero(text);
    m_Layout.m_TextColor = GxUISystemConfig().m_SystemTextColor0;
    LayoutAll();
}

void GxTaskUITextWindowFx::ClearText() {
    m_DisplayText.clear();
    m_Layout.NewPage();
    m_Layout.m_ProcessPos = 0;
    m_Layout.m_RubyMode = false;
}

void GxTaskUITextWindowFx::SetTextFontIndex(s32 index) { m_Layout.SetTextFontIndex(index, kClassName); }

void GxTaskUITextWindowFx::SetRubyFontIndex(s32 index) { m_Layout.SetRubyFontIndex(index, kClassName); }

void GxTaskUITextWindowFx::SetTextRegion(s32 left, s32 top, s32 width, s32 height) {
    m_Layout.SetTextRegion(left, top, width, height);
}

void GxTaskUITextWindowFx::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIPanelFx::ApplyModuleRecord(m);
    SetTextFontIndex(m.FontIndex);
    SetTextRegion(m.ClientLeft, m.ClientTop, m.ClientWidth, m.ClientHeight);
}

s32 GxTaskUITextWindowFx::GetLineStep() const {
    return GxUIAddSat(m_LinePitch, m_ShowRuby ? m_Layout.m_RubyFontSize : 0);
}

void GxTaskUITextWindowFx::NewLine() { m_Layout.NewLine(GetLineStep()); }

bool GxTaskUITextWindowFx::LayoutStep() {
    GxTextLayout::Rules rules;
    rules.m_LinePitch = GetLineStep();
    rules.m_DefaultColor = GxUISystemConfig().m_SystemTextColor0;
    return m_Layout.Step(m_DisplayText, rules) != GxTextLayout::Stop::None;
}

bool GxTaskUITextWindowFx::LayoutAll() {
    do {
        LayoutStep();
    } while (GetRemainingChars() != 0);
    return false;
}

int GxTaskUITextWindowFx::Render(int drawParam, int listIndex) {
    GxTaskUIPanelFx::Render(drawParam, listIndex);
    if (!m_VisibleText || !IsActiveInScene()) return 0;
    BeginWidgetDraw();
    GxTextLayout::DrawStyle style;
    style.m_Shadow = m_UseShadow;
    style.m_ShadowColor = m_ShadowColor;
    style.m_Rubies = m_ShowRuby;
    style.m_RubyWrapPitch = GetLineStep();
    style.m_CharTop = m_ShowRuby ? m_RubyMarginHeight : 0;
    // Every character in its own colour; no outline, no read-text colour.
    m_Layout.Draw(*this, style, [](const GxTextLayout::CharRecord& c) { return c.m_Color; });
    GxGraphics::EndScene();
    return 0;
}
