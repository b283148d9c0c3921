#pragma once
// A bitmap font: a texture of glyph cells and a table giving each character
// of one contiguous range its cell (x, y, width; every cell is cellHeight
// high). It is made from a regular grid of cells in an image file or in one
// of the program's own resources, or from a glyph table file (".fmp") beside
// its image. A character outside the range draws nothing and measures
// cellWidth.
//
// Glyph table file, little-endian: a 96-byte header (16 reserved bytes; first
// and last character code, u32 each; 16 reserved; cell width and height, s32
// each; 4 reserved; texture width and height, s32 each; 4 reserved; the name
// in 16 UTF-16 units), then 8 bytes per character from first to last (x, y,
// width as u16, then 2 reserved bytes).
#include "base/GxTypes.h"
#include "graphics/GxTexture.h"
#include "platform/system/resources.h"

#include <memory>
#include <vector>

struct GxFontGlyph {
    u16 m_X = 0;
    u16 m_Y = 0;
    u16 m_Width = 0;
    u16 m_Reserved = 0;
};

class GxFontData {
public:
    static constexpr u32 kHeaderSize = 96;
    static constexpr u32 kGlyphSize = 8;
    // A table covers UTF-16 characters: at most one glyph for each.
    static constexpr u32 kMaxTableSize = kHeaderSize + kGlyphSize * 0x10000;
    static constexpr size_t kNameLength = 16;

    GxFontData();
    virtual ~GxFontData();
    GxFontData(const GxFontData&) = delete;
    GxFontData& operator=(const GxFontData&) = delete;

    // Forgets the table and the name and releases the texture.
    virtual void Release();
    // A regular grid: character first + i sits in column i mod columns and
    // row i div columns, cellWidth wide. False (the font left released) when
    // the image cannot be loaded or the grid is empty or has no columns.
    virtual bool Create(const GxChar* name, const GxChar* imageFile, GxChar first, GxChar last, s32 cellWidth,
                        s32 cellHeight, u32 columns);
    virtual bool CreateA(const char* name, const char* imageFile, GxChar first, GxChar last, s32 cellWidth,
                         s32 cellHeight, u32 columns);
    // As Create, the image being a resource of the program (found with
    // psys::find_resource); resourceArgument is the colour key it is loaded
    // with.
    virtual bool CreateFromResource(const GxChar* name, psys::module_handle module, const psys::resource* resource,
                                    GxChar first, GxChar last, s32 cellWidth, s32 cellHeight, u32 columns,
                                    u32 resourceArgument);
    virtual bool CreateFromResourceA(const char* name, psys::module_handle module, const psys::resource* resource,
                                     GxChar first, GxChar last, s32 cellWidth, s32 cellHeight, u32 columns,
                                     u32 resourceArgument);
    // A glyph table file and its image. The table must hold its header and
    // every entry of its range, its cells must be positive and every entry
    // must lie inside the image; otherwise the font is left released and
    // "Error/GxFontData CreateFromFile Failed(Name:\"%s\")" is logged.
    virtual bool CreateFromFile(const GxChar* tableFile, const GxChar* imageFile);
    virtual bool CreateFromFileA(const char* tableFile, const char* imageFile);
    // The table reader of CreateFromFile, over the file's bytes and the size
    // of the image its cells must lie in: the header's fields, then the
    // glyphs; false (no glyphs kept) for a table that does not hold. A glyph
    // that reaches past the image's right edge is cut at it; one that lies
    // outside the image is dropped (drawn as nothing, no wider than nothing).
    // The first character so changed goes to firstCut, when there is one.
    bool ReadTable(const u8* bytes, u64 size, u32 imageWidth, u32 imageHeight, u32* firstCut = nullptr);
    virtual GxTexture* GetTexture();
    virtual std::shared_ptr<prender::texture> GetD3DTexture();

    bool HasChar(u32 ch) const;
    s32 GetCharWidth(u32 ch) const;
    // The sum over a NUL-terminated string (null: 0).
    s32 GetStringWidth(const GxChar* text) const;
    s32 GetCellHeight() const;
    s32 GetCellWidth() const;
    u32 GetFirst() const;
    u32 GetLast() const;
    s32 GetTextureWidth() const;
    s32 GetTextureHeight() const;
    GxString GetName() const;
    const std::vector<GxFontGlyph>& GetGlyphs() const;
    // Texture coordinates of the character's cell; false and zeros when the
    // font lacks it.
    bool GetCharUV(u32 ch, f32* uLeft, f32* vTop, f32* uRight, f32* vBottom);

private:
    // Reads the 96 header bytes into the fields.
    void ReadHeader(const u8* bytes);
    bool MakeGrid(const GxChar* name, GxChar first, GxChar last, s32 cellWidth, s32 cellHeight, u32 columns);
    bool FailFromFile(const GxChar* tableFile);

    u8 m_Reserved0[16] = {};
    u32 m_First = 0;
    u32 m_Last = 0;
    u8 m_Reserved1[16] = {};
    s32 m_CellWidth = 0;
    s32 m_CellHeight = 0;
    u8 m_Reserved2[4] = {};
    s32 m_TextureWidth = 0;
    s32 m_TextureHeight = 0;
    u8 m_Reserved3[4] = {};
    GxChar m_Name[kNameLength] = {};
    std::vector<GxFontGlyph> m_Glyphs;
    GxTexture m_Texture;
};
