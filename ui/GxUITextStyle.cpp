#include "ui/GxUITextStyle.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

GxUITextStyle::GxUITextStyle(s32 fontIndex, u32 edgeColor)
    : m_TextFontIndex(fontIndex), m_TextFontSize(GxUIFontSize(fontIndex)), m_EdgeColor(edgeColor) {}

void GxUITextStyle::SetFontIndex(s32 index, const GxChar* className) {
    m_TextFontIndex = GxUICheckFontIndex(index, className);
    m_TextFontSize = GxUIFontSize(m_TextFontIndex);
}

GxUIGlyphStyle GxUITextStyle::GlyphStyle(f32 alphaScale, u32 blendMode) const {
    GxUIGlyphStyle style;
    style.m_Colour = GxUIScaleAlpha(m_TextColor, alphaScale);
    style.m_BlendMode = blendMode;
    style.m_Edge = m_UseEdge;
    style.m_EdgeColour = GxUIScaleAlpha(m_EdgeColor, alphaScale);
    return style;
}

void GxUITextStyle::Write(GxContentWriterBase* w) const {
    w->Write("m_TextFontIndex", m_TextFontIndex);
    w->Write("m_TextFontSize", m_TextFontSize);
    w->Write("m_TextColor", m_TextColor);
    w->Write("m_EdgeColor", m_EdgeColor);
    w->Write("m_UseEdge", m_UseEdge);
}

void GxUITextStyle::Read(GxContentReaderBase* r, const GxChar* className) {
    r->Read("m_TextFontIndex", &m_TextFontIndex);
    r->Read("m_TextFontSize", &m_TextFontSize);
    r->Read("m_TextColor", &m_TextColor);
    r->Read("m_EdgeColor", &m_EdgeColor);
    r->Read("m_UseEdge", &m_UseEdge);
    m_TextFontIndex = GxUICheckFontIndex(m_TextFontIndex, className);
}
