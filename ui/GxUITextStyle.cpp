#include "ui/GxUITextStyle.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "ui/GxTaskUIBase.h"

GxUITextStyle::GxUITextStyle(s32 fontIndex, u32 edgeColor) : m_EdgeColor(edgeColor) { SetFont(fontIndex); }

void GxUITextStyle::SetFont(s32 index) {
    m_TextFontIndex = index;
    m_TextFontSize = GxTaskUIBase::GetFontSize(index);
}

void GxUITextStyle::Write(GxContentWriterBase* w) const {
    w->Write("m_TextFontIndex", m_TextFontIndex);
    w->Write("m_TextFontSize", m_TextFontSize);
    w->Write("m_TextColor", m_TextColor);
    w->Write("m_EdgeColor", m_EdgeColor);
    w->Write("m_UseEdge", m_UseEdge);
}

void GxUITextStyle::Read(GxContentReaderBase* r) {
    r->Read("m_TextFontIndex", &m_TextFontIndex);
    r->Read("m_TextFontSize", &m_TextFontSize);
    r->Read("m_TextColor", &m_TextColor);
    r->Read("m_EdgeColor", &m_EdgeColor);
    r->Read("m_UseEdge", &m_UseEdge);
}
