#pragma once
// The glyph cache of one font size: the first time a character is asked
// for it is rasterised into a page texture and its place remembered; later
// requests return the same record. Pages (256 pixels square below a font
// height of 18, else 512) fill left to right in rows of the font height; a
// row closes as soon as a full-width cell might not fit, and a full page is
// followed by a new one. Nothing is dropped until Clear.
//
// Control characters (below 0x20, and 0x7F to 0x9F) have no image. The
// private-use area U+E000 to U+F8FF holds external characters, drawn from a
// sheet of square cells when one is set and never cached.
//
// When a page texture cannot be made (no device, no memory), the map stops
// making pages until Clear: characters without a page get a cleared record,
// and the failure is logged once.
#include "graphics/GxFontMapGlyph.h"
#include "graphics/GxGDIFontMapTextureParam.h"

#include <map>
#include <memory>
#include <vector>

// The tallest font whose glyphs fit the larger page (the row test asks for
// strictly less than the page's side).
inline constexpr s32 kGxGDIFontMapMaxHeight = 511;

class GxGDIFontMap {
public:
    GxGDIFontMap();
    virtual ~GxGDIFontMap();
    GxGDIFontMap(const GxGDIFontMap&) = delete;
    GxGDIFontMap& operator=(const GxGDIFontMap&) = delete;

    // Clears, then takes the height, held to 0..kGxGDIFontMapMaxHeight with
    // a line when it is not, and the face (null: the default face).
    void SetFont(s32 height, const GxChar* face);
    GxFontMapGlyph GetGlyph(GxChar ch);
    // Forgets every glyph and deletes the pages and the sheet.
    void Clear();

    // The external characters' sheet: cells fontHeight pixels square,
    // `columns` to a row. The map owns it from here.
    void SetSheet(std::unique_ptr<GxTexture> sheet, u32 columns);

    s32 GetFontHeight() const { return m_FontHeight; }
    const GxString& GetFaceName() const { return m_FaceName; }
    size_t GetPageCount() const { return m_Pages.size(); }
    size_t GetGlyphCount() const { return m_Glyphs.size(); }
    // The page texture of a glyph record's page index, for tests and tools.
    GxTextureText* GetPageTexture(size_t index) const;

private:
    bool AddGlyph(GxChar ch, GxFontMapGlyph* out);
    bool NewPage();

    std::map<GxChar, GxFontMapGlyph> m_Glyphs;
    std::vector<std::unique_ptr<GxGDIFontMapTextureParam>> m_Pages;
    GxGDIFontMapTextureParam* m_CurrentPage = nullptr;
    s32 m_FontHeight = 16;
    GxString m_FaceName;
    std::unique_ptr<GxTexture> m_Sheet;
    u32 m_SheetColumns = 0;
    bool m_PageFailed = false;
};
