#include "graphics/GxGDIFontMap.h"

#include "base/GxLog.h"
#include "graphics/GxCharWidth.h"
#include "graphics/GxGraphicsTypes.h"

#include <algorithm>

namespace {

constexpr GxChar kDefaultFace[] = u"ＭＳ ゴシック";

} // namespace

GxGDIFontMap::GxGDIFontMap() : m_FaceName(kDefaultFace) {}

GxGDIFontMap::~GxGDIFontMap() { Clear(); }

void GxGDIFontMap::SetFont(s32 height, const GxChar* face) {
    Clear();
    // The height is the configuration's. A glyph must fit its page: a taller
    // font would start a page for every character and still be cut off, and
    // every width measured from it could overflow.
    const s32 held = std::clamp(height, 0, kGxGDIFontMapMaxHeight);
    if (held != height) GxWriteErrorLog(u"Error/GxGDIFontMap SetFont Height(%d) Held To %d\n", height, held);
    m_FontHeight = held;
    m_FaceName = face ? face : kDefaultFace;
}

void GxGDIFontMap::Clear() {
    m_Glyphs.clear();
    m_Pages.clear();
    m_CurrentPage = nullptr;
    m_Sheet.reset();
    m_SheetColumns = 0;
    m_PageFailed = false;
}

void GxGDIFontMap::SetSheet(std::unique_ptr<GxTexture> sheet, u32 columns) {
    m_Sheet = std::move(sheet);
    m_SheetColumns = m_Sheet ? columns : 0;
}

GxTextureText* GxGDIFontMap::GetPageTexture(size_t index) const {
    return index < m_Pages.size() ? m_Pages[index]->m_Texture.get() : nullptr;
}

GxFontMapGlyph GxGDIFontMap::GetGlyph(GxChar ch) {
    GxFontMapGlyph g;
    if (ch < 0x20 || (ch >= 0x7F && ch < 0xA0)) return g;
    if (ch >= 0xE000 && ch <= 0xF8FF) {
        if (!m_Sheet || !m_Sheet->GetD3DTexture() || m_SheetColumns == 0) return g;
        const u32 index = u32(ch - 0xE000), column = index % m_SheetColumns, row = index / m_SheetColumns;
        g.m_Texture = m_Sheet.get();
        g.m_Left = s32(s64(m_FontHeight) * column);
        g.m_Top = s32(s64(m_FontHeight) * row);
        g.m_Width = g.m_Height = m_FontHeight;
        g.m_CellWidth = 2;
        g.m_ULeft = m_Sheet->ToU(f32(g.m_Left));
        g.m_VTop = m_Sheet->ToV(f32(g.m_Top));
        g.m_URight = m_Sheet->ToU(f32(g.m_Left + m_FontHeight));
        g.m_VBottom = m_Sheet->ToV(f32(g.m_Top + m_FontHeight));
        return g;
    }
    if (auto it = m_Glyphs.find(ch); it != m_Glyphs.end()) return it->second;
    // A character with no page to go on is not remembered, so that it is
    // tried again after the next Clear.
    if (!AddGlyph(ch, &g)) return GxFontMapGlyph{};
    m_Glyphs.emplace(ch, g);
    return g;
}

bool GxGDIFontMap::NewPage() {
    const u32 side = m_FontHeight < 18 ? 256 : 512;
    auto page = std::make_unique<GxGDIFontMapTextureParam>();
    page->m_Texture = std::make_unique<GxTextureText>();
    if (!page->m_Texture->CreateTexture(u"GDIFontMap", side, side, kGxFmtA4R4G4B4, 1)) {
        m_PageFailed = true;
        GxWriteErrorLog(u"Error/GxGDIFontMap CreateTexture Failed(Height:%d Size:%d,%d)\n", m_FontHeight, side, side);
        return false;
    }
    page->m_Texture->SetFaceName(m_FaceName.c_str());
    m_CurrentPage = page.get();
    m_Pages.push_back(std::move(page));
    return true;
}

bool GxGDIFontMap::AddGlyph(GxChar ch, GxFontMapGlyph* out) {
    if (m_FontHeight <= 0) return false;
    if (!m_CurrentPage || s64(m_CurrentPage->m_PenY) + m_FontHeight >= s64(m_CurrentPage->m_Texture->GetHeight())) {
        if (m_PageFailed || !NewPage()) return false;
    }
    GxGDIFontMapTextureParam& page = *m_CurrentPage;
    GxTextureText& texture = *page.m_Texture;
    GxFontMapGlyph& g = *out;
    g.m_CellWidth = GxGetCharCellWidth(ch);
    g.m_Left = page.m_PenX;
    g.m_Top = page.m_PenY;
    g.m_Width = m_FontHeight * g.m_CellWidth / 2;
    g.m_Height = m_FontHeight;
    g.m_ULeft = texture.ToU(f32(g.m_Left));
    g.m_VTop = texture.ToV(f32(g.m_Top));
    g.m_URight = texture.ToU(f32(g.m_Left + g.m_Width));
    g.m_VBottom = texture.ToV(f32(g.m_Top + g.m_Height));
    g.m_Texture = &texture;
    const GxChar one[2] = {ch, 0};
    texture.DrawText(one, g.m_Left, g.m_Top, m_FontHeight, 0xFFFFFFFFu, nullptr, nullptr);
    page.m_PenX += g.m_Width;
    if (s64(page.m_PenX) + m_FontHeight >= s64(texture.GetWidth())) {
        page.m_PenX = 0;
        page.m_PenY += m_FontHeight;
    }
    return true;
}
