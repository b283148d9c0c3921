#include "graphics/GxTextureTextEx.h"

#include "graphics/GxCharWidth.h"

#include <algorithm>

u32 ParseTextColorCode(GxTextureTextEx* texture, const GxChar* codes, GxChar terminator) {
    static const u32 kColours[8] = {0xFF000000u, 0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u,
                                    0xFF00FFFFu, 0xFFFF00FFu, 0xFFFFFF00u, 0xFFFFFFFFu};
    u32 read = 0;
    for (const GxChar* p = codes; p && *p; ++p) {
        ++read;
        if (*p == terminator) break;
        if (!texture) continue;
        if (*p >= u'0' && *p <= u'7')
            texture->SetCurrentColour(kColours[*p - u'0']);
        else if (*p == u'-')
            texture->SetCurrentColour(texture->GetDefaultColour());
    }
    return read;
}

GxTextureTextEx::GxTextureTextEx() = default;
GxTextureTextEx::~GxTextureTextEx() = default;

bool GxTextureTextEx::CreateTexture(const GxChar* name, u32 width, u32 height, u32 format, u32 mipLevels) {
    const bool made = GxTextureText::CreateTexture(name, width, height, format, mipLevels);
    m_LayoutRect = GxRect{0, 0, s32(GetWidth()), s32(GetHeight())};
    return made;
}

void GxTextureTextEx::SetLayoutRect(const GxRect* rect) {
    m_LayoutRect = rect ? *rect : GxRect{0, 0, s32(GetWidth()), s32(GetHeight())};
    m_PenX = m_LayoutRect.left;
    m_PenY = m_LayoutRect.top;
}

void GxTextureTextEx::SetColour(u32 argb) { m_DefaultColour = m_CurrentColour = argb; }
void GxTextureTextEx::SetStyleColour(u32 argb) { m_StyleColour = argb; }

void GxTextureTextEx::SetFontSize(s32 size) {
    m_FontSize = size;
    m_GlyphSource = kGxGlyphSourceFont;
    m_Sheet = nullptr;
    m_GlyphSet = nullptr;
}

void GxTextureTextEx::SetGlyphSheet(const GxGlyphSheet* sheet) {
    m_GlyphSource = kGxGlyphSourceSheet;
    m_Sheet = sheet;
    m_GlyphSet = nullptr;
}

void GxTextureTextEx::SetGlyphSet(const GxGlyphSet* set, s32 style) {
    m_GlyphSource = kGxGlyphSourceSet;
    m_GlyphSet = set;
    m_GlyphStyle = style;
    m_Sheet = nullptr;
}

void GxTextureTextEx::SetCodes(GxChar lineFeed, GxChar escape, GxChar terminator) {
    m_LineFeedCode = lineFeed;
    m_EscapeCode = escape;
    m_TerminatorCode = terminator;
}

void GxTextureTextEx::SetSpacing(s32 charSpacing, s32 lineSpacing) {
    m_CharSpacing = charSpacing;
    m_LineSpacing = lineSpacing;
}

void GxTextureTextEx::SetColourCodeParser(GxTextColorCodeParser parser) { m_ColourCodeParser = parser; }

void GxTextureTextEx::SetText(const GxChar* text) {
    m_Text = text ? text : u"";
    m_Position = 0;
}

void GxTextureTextEx::AppendText(const GxChar* text) {
    if (text) m_Text += text;
}

void GxTextureTextEx::ClearText() {
    m_Text.clear();
    m_Position = 0;
}

void GxTextureTextEx::SetPen(s32 x, s32 y) {
    m_PenX = x;
    m_PenY = y;
}

void GxTextureTextEx::GetPen(s32* x, s32* y) const {
    if (x) *x = m_PenX;
    if (y) *y = m_PenY;
}

void GxTextureTextEx::SetPosition(u32 index) { m_Position = index; }

u32 GxTextureTextEx::Left() const { return m_Position < m_Text.size() ? u32(m_Text.size() - m_Position) : 0; }

u32 GxTextureTextEx::Reveal(u32 count, bool styled) {
    if (count == 0) return Left();
    while (m_Position < m_Text.size()) {
        const GxChar ch = m_Text[m_Position];
        // The character's box in the current glyph source; a source that was
        // never given measures nothing.
        s32 w = 0, h = 0;
        if (m_GlyphSource == kGxGlyphSourceSheet) {
            if (m_Sheet) {
                w = m_Sheet->m_Proportional ? 0 : m_Sheet->m_CellWidth;
                h = m_Sheet->m_CellHeight;
            }
        } else if (m_GlyphSource == kGxGlyphSourceSet) {
            if (m_GlyphSet) {
                h = m_GlyphSet->GetSize();
                w = GxGetCharCellWidth(ch) * h / 2;
            }
        } else {
            w = GxGetCharCellWidth(ch) * m_FontSize / 2;
            h = m_FontSize;
        }
        if (styled && m_ColourCodeParser && ch == m_EscapeCode) {
            const u32 n = m_ColourCodeParser(this, m_Text.c_str() + m_Position + 1, m_TerminatorCode);
            m_Position = u32(std::min<u64>(u64(m_Position) + n + 1, m_Text.size()));
            continue;
        }
        if (ch == m_LineFeedCode) {
            m_PenX = m_LayoutRect.left;
            m_PenY += m_LineSpacing + h;
            ++m_Position;
            continue;
        }
        if (s64(m_CharSpacing) + m_PenX + w > m_LayoutRect.right) {
            m_PenX = m_LayoutRect.left;
            m_PenY += m_LineSpacing + h;
        }
        const GxChar one[2] = {ch, 0};
        if (m_GlyphSource == kGxGlyphSourceSheet)
            DrawSheetText(one, m_Sheet, m_PenX, m_PenY, nullptr, nullptr);
        else if (m_GlyphSource == kGxGlyphSourceSet)
            DrawGlyphSetText(one, m_GlyphSet, m_PenX, m_PenY, m_CurrentColour, nullptr, nullptr, m_GlyphStyle,
                             m_StyleColour);
        else
            DrawText(one, m_PenX, m_PenY, m_FontSize, m_CurrentColour, nullptr, nullptr);
        ++m_Position;
        m_PenX += m_CharSpacing + w;
        if (--count == 0) break;
    }
    return Left();
}

u32 GxTextureTextEx::DrawNext(u32 count) { return Reveal(count, false); }
u32 GxTextureTextEx::DrawNextStyled(u32 count) { return Reveal(count, true); }

void GxTextureTextEx::DrawAll() {
    while (DrawNext(1) != 0) {
    }
}

void GxTextureTextEx::DrawAllStyled() {
    while (DrawNextStyled(1) != 0) {
    }
}

void GxTextureTextEx::DrawString(const GxChar* text) {
    SetText(text);
    DrawAll();
}

void GxTextureTextEx::DrawStringAt(const GxChar* text, s32 x, s32 y) {
    SetPen(x, y);
    SetText(text);
    DrawAll();
}

void GxTextureTextEx::Clear() {
    m_Text.clear();
    m_PenX = m_LayoutRect.left;
    m_PenY = m_LayoutRect.top;
    m_Position = 0;
    FillRect(&m_LayoutRect, 0);
}

void GxTextureTextEx::ClearAndDrawString(const GxChar* text) {
    Clear();
    DrawString(text);
}

void GxTextureTextEx::ClearAndDrawStringAt(const GxChar* text, s32 x, s32 y) {
    Clear();
    DrawStringAt(text, x, y);
}
