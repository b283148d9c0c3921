#include "ui/GxTaskUITextLogFx.h"

#include "graphics/GxFontData.h"
#include "graphics/GxFontDataText.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "tasks/GxSeqTaskBase.h"
#include "tasks/GxSystemConfig.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxUIText.h"

#include <algorithm>

namespace {
constexpr const GxChar* kClassName = u"GxTaskUITextLogFx";
}

GxTaskUITextLogFx::GxTaskUITextLogFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                     s32 localIndex, GxSeqTaskBase* scene)
    : GxTaskUIPanelFx(parent, name, localName, localIndex), m_pScene(scene) {
    SetTaskTag(kTypeCode);
    m_TextFontSize = GxUIFontSize(m_TextFontIndex);
    m_EdgeColor = GxUISystemConfig().m_SystemEdgeColor;
}

void GxTaskUITextLogFx::OnStartSequence(int workerIndex) {
    GxTaskUIPanelFx::OnStartSequence(workerIndex);
    UpdateScrollBar();
    m_CrossoutCount = 0;
}

void GxTaskUITextLogFx::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIPanelFx::ApplyModuleRecord(m);
    SetTextFontIndex(m.FontIndex);
}

void GxTaskUITextLogFx::SetTextFontIndex(s32 index) {
    m_TextFontIndex = GxUICheckFontIndex(index, kClassName);
    m_TextFontSize = GxUIFontSize(m_TextFontIndex);
}

void GxTaskUITextLogFx::SetText(const GxChar* text) { AddLine(text, u"", m_TextColor); }

// ---- lines -----------------------------------------------------------------------

void GxTaskUITextLogFx::AddLine(const GxChar* text, const GxChar* icons, u32 colour) {
    if (m_Lines.empty()) m_CrossoutCount = 0;
    m_Lines.push_back(GxTextLogElement{icons ? icons : u"", text ? text : u"", GxString(), colour});
    TrimLines(m_MaxLine);
    UpdateScrollBarMax();
    if (!m_AutoScroll) return;
    // In 64 bits: a damaged save can leave the view's row count at any value.
    const s64 over = s64(GetLineCount()) - s64(m_MaxView);
    SetValueInt(over > 0 ? s32(std::min<s64>(over, INT32_MAX)) : 0);
    if (m_pScrollBar) m_pScrollBar->SetValueInt(GetValueInt());
}

void GxTaskUITextLogFx::TrimLines(s32 n) {
    if (n == 0) return;
    // A negative limit (only a damaged save holds one) keeps nothing.
    const size_t keep = size_t(std::max(n, 0));
    while (m_Lines.size() > keep) m_Lines.pop_front();
}

void GxTaskUITextLogFx::UpdateScrollBarMax() {
    if (m_pScrollBar) m_pScrollBar->SetMax(std::max(GetLineCount() - 1, 0));
}

void GxTaskUITextLogFx::UpdateScrollBar() {
    if (!m_pScrollBar) return;
    UpdateScrollBarMax();
    m_pScrollBar->SetValue(GetValue());
}

int GxTaskUITextLogFx::Update(int step, s64 elapsed) {
    if (m_AutoCrossout && !m_Lines.empty()) {
        m_CrossoutCount = GxUIAddSat(m_CrossoutCount, elapsed / 1000);
        if (m_CrossoutCount >= m_CrossoutWaitTime) {
            m_CrossoutCount = GxUIAddSat(m_CrossoutCount, -s64(m_CrossoutWaitTime));
            m_Lines.pop_front();
            UpdateScrollBar();
        }
    }
    return GxTaskUIPanelFx::Update(step, elapsed);
}

// ---- drawing ---------------------------------------------------------------------

int GxTaskUITextLogFx::Render(int drawParam, int listIndex) {
    GxTaskUIPanelFx::Render(drawParam, listIndex);
    if (!(m_pScene ? m_pScene->IsUIWidgetActive(this) : IsActiveInScene())) return 0;
    BeginWidgetDraw();
    GxVector4 w;
    GetWorldPos(&w);
    const GxVector2 scale(m_Visual.m_Scale.x, m_Visual.m_Scale.y);
    const f32 alpha = GetAlphaScale();
    GxFontData* iconFont = GxGlobalFonts::GetFontData(m_IconFontIndex);
    GxGDIFontMap* map = GxUIFontMap(m_TextFontIndex);
    GxUIGlyphStyle style;
    style.m_Colour = GxUIScaleAlpha(m_TextColor, alpha);
    style.m_BlendMode = u32(m_Visual.m_BlendMode);
    // Without the outline the glyph is still drawn, on its own.
    style.m_Edge = m_UseEdge;
    style.m_EdgeColour = GxUIScaleAlpha(m_EdgeColor, alpha);
    const s64 first = GetValueInt(), count = GetLineCount(), size = m_TextFontSize;
    // The rows that show a line, and no others: a stored value and view may
    // be any numbers, and the loop must cost no more than the lines it draws.
    const s64 begin = std::max<s64>(0, -first), end = std::min<s64>(m_MaxView, count - first);
    for (s64 row = begin; row < end; ++row) {
        const GxTextLogElement& line = m_Lines[size_t(first + row)];
        const f32 y = f32(m_ClientTop + row * size);
        s64 x = 0;
        if (iconFont) {
            if (!line.m_Icon.empty())
                GxDrawFontDataText(line.m_Icon.c_str(), iconFont, w.x + scale.x * f32(m_ClientLeft),
                                   w.y + scale.y * (y + f32((size - iconFont->GetCellHeight()) / 2)), &scale, nullptr,
                                   nullptr, 0xFFFFFFFF, 0, style.m_BlendMode);
            x = s64(line.m_Icon.size()) * iconFont->GetCharWidth(0x20);
        }
        for (GxChar ch : line.m_Text) {
            GxUIDrawGlyph(map, ch, w.x + scale.x * f32(m_ClientLeft + x), w.y + scale.y * y, scale, style);
            x += s64(GxUICharWidth(ch, m_TextFontSize)) + 1;
        }
    }
    GxGraphics::EndScene();
    return 0;
}

// ---- stored form -----------------------------------------------------------------

bool GxTaskUITextLogFx::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIPanelFx::WriteContent(w);
    if (!w) return false;
    w->Write("m_TextFontIndex", m_TextFontIndex);
    w->Write("m_TextFontSize", m_TextFontSize);
    w->Write("m_TextColor", m_TextColor);
    w->Write("m_EdgeColor", m_EdgeColor);
    w->Write("m_UseEdge", m_UseEdge);
    w->Write("m_MaxLine", m_MaxLine);
    w->Write("m_MaxView", m_MaxView);
    w->Write("m_AutoScroll", m_AutoScroll);
    w->Write("m_AutoCrossout", m_AutoCrossout);
    w->Write("m_CrossoutWaitTime", m_CrossoutWaitTime);
    w->Write("m_CrossoutCount", m_CrossoutCount);
    w->WriteListBegin("GxTextLogElement", "", u32(m_Lines.size()));
    for (const GxTextLogElement& line : m_Lines) {
        w->WriteListElementBegin();
        w->Write("m_Icon", line.m_Icon);
        w->Write("m_Text", line.m_Text);
        w->Write("m_Link", line.m_Link);
        w->Write("m_TextColor", line.m_TextColor);
        w->WriteListElementEnd();
    }
    w->WriteListEnd();
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUITextLogFx::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIPanelFx::ReadContent(r);
    if (!r) return false;
    r->Read("m_TextFontIndex", &m_TextFontIndex);
    r->Read("m_TextFontSize", &m_TextFontSize);
    r->Read("m_TextColor", &m_TextColor);
    r->Read("m_EdgeColor", &m_EdgeColor);
    r->Read("m_UseEdge", &m_UseEdge);
    r->Read("m_MaxLine", &m_MaxLine);
    r->Read("m_MaxView", &m_MaxView);
    r->Read("m_AutoScroll", &m_AutoScroll);
    r->Read("m_AutoCrossout", &m_AutoCrossout);
    r->Read("m_CrossoutWaitTime", &m_CrossoutWaitTime);
    r->Read("m_CrossoutCount", &m_CrossoutCount);
    m_TextFontIndex = GxUICheckFontIndex(m_TextFontIndex, kClassName);
    m_Lines.clear();
    u32 count = 0;
    constexpr u32 kLineBytes = GxContentMinReadBytes(kGxValStringUTF8, kGxValStringUTF8, kGxValStringUTF8, kGxValU32);
    if (!GxUIReadListCount(r, "GxTextLogElement", kClassName, kLineBytes, &count)) return false;
    for (u32 i = 0; i < count && r->GetErrorCount() == 0; ++i) {
        GxTextLogElement line;
        r->ReadListElementBegin();
        r->Read("m_Icon", &line.m_Icon);
        r->Read("m_Text", &line.m_Text);
        r->Read("m_Link", &line.m_Link);
        r->Read("m_TextColor", &line.m_TextColor);
        r->ReadListElementEnd();
        m_Lines.push_back(std::move(line));
    }
    r->ReadListEnd();
    return ok && r->GetErrorCount() == 0;
}
