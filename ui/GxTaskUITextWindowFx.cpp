#include "ui/GxTaskUITextWindowFx.h"

#include "graphics/GxGraphics.h"
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
    m_LinePitch = m_Layout.m_TextFontSize + 1;
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
    GxVector4 w;
    GetWorldPos(&w);
    const GxVector2 scale(m_Visual.m_Scale.x, m_Visual.m_Scale.y);
    const f32 alpha = GetAlphaScale();
    GxUIGlyphStyle style;
    style.m_Colour = GxUIScaleAlpha(m_Layout.m_TextColor, alpha);
    style.m_BlendMode = u32(m_Visual.m_BlendMode);
    style.m_Shadow = m_UseShadow;
    style.m_ShadowOffset = 1.0f;
    style.m_ShadowColour = GxUIScaleAlpha(m_ShadowColor, alpha);
    if (m_ShowRuby) m_Layout.DrawRubies(w.x, w.y, scale, GetLineStep(), style);
    GxGDIFontMap* map = GxUIFontMap(m_Layout.m_TextFontIndex);
    style.m_ShadowOffset = 2.0f;
    const f32 left = f32(m_Layout.m_TextRegionLeft);
    const f32 top = f32(m_Layout.m_TextRegionTop + s64(m_ShowRuby ? m_RubyMarginHeight : 0));
    for (const GxTextLayout::CharRecord& c : m_Layout.m_ShowChars) {
        style.m_Colour = GxUIScaleAlpha(c.m_Color, alpha);
        GxUIDrawGlyph(map, c.m_Char, w.x + scale.x * (left + c.m_OffsetPos.x), w.y + scale.y * (top + c.m_OffsetPos.y),
                      scale, style);
    }
    GxGraphics::EndScene();
    return 0;
}
