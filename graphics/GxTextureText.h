#pragma once
// A texture that text is drawn into on the processor: glyphs rasterised by
// the glyph rasteriser (65 grey levels), or copied from a glyph sheet or a
// glyph set, written into the locked texture as alpha with the text colour's
// red, green and blue (texels are replaced, not blended). Glyph-map pages
// and text laid out once and then drawn as one texture use it.
//
// Only the two formats A8R8G8B8 and A4R4G4B4 are written; others draw
// nothing. Narrow text is CP932, walked character by character (one or two
// bytes). Text is drawn on one line unless a wrapped form breaks it.
//
// Every drawing operation returns false at once when the texture holds no
// device texture, or (sheets and glyph sets) when the sheet, its texture or
// the glyph set's pixels are missing; otherwise true. endX and endY, when
// given, receive the pen after the last character and the line's y.
#include "graphics/GxGlyphFont.h"
#include "graphics/GxGlyphSet.h"
#include "graphics/GxGlyphSheet.h"
#include "graphics/GxTexture.h"

#include <memory>

class GxTextureText : public GxTexture {
public:
    // Glyph sizes are cut to this many pixels.
    static constexpr s32 kMaxGlyphSize = 64;
    static constexpr u32 kInitialBufferSize = 8192;

    GxTextureText();
    ~GxTextureText() override;

    virtual void SetFaceName(const GxChar* face);
    virtual void SetFaceNameA(const char* face);
    const GxString& GetFaceName() const { return m_FaceName; }

    // One line of glyphs of the given size, each advancing by its cell width
    // × size / 2. A font that cannot be made draws nothing (endX = x).
    virtual bool DrawText(const GxChar* text, s32 x, s32 y, s32 size, u32 colour, s32* endX, s32* endY);
    virtual bool DrawTextA(const char* text, s32 x, s32 y, s32 size, u32 colour, s32* endX, s32* endY);
    // Breaks to (lineStartX, y + size + lineSpacing) on lineFeed (not drawn)
    // and before a character once maxCells cells are on the line.
    virtual bool DrawTextWrapped(const GxChar* text, s32 x, s32 y, s32 lineStartX, s32 size, s32 maxCells, u32 colour,
                                 s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY, GxChar lineFeed);
    virtual bool DrawTextWrappedA(const char* text, s32 x, s32 y, s32 lineStartX, s32 size, s32 maxCells, u32 colour,
                                  s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY, char lineFeed);
    // Each byte's cell copied from the sheet's texture (wide text is turned
    // into CP932 first).
    virtual bool DrawSheetText(const GxChar* text, const GxGlyphSheet* sheet, s32 x, s32 y, s32* endX, s32* endY);
    virtual bool DrawSheetTextA(const char* text, const GxGlyphSheet* sheet, s32 x, s32 y, s32* endX, s32* endY);
    // Breaks by character count, not by cells.
    virtual bool DrawSheetTextWrapped(const GxChar* text, const GxGlyphSheet* sheet, s32 x, s32 y, s32 lineStartX,
                                      s32 maxChars, s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY,
                                      GxChar lineFeed);
    virtual bool DrawSheetTextWrappedA(const char* text, const GxGlyphSheet* sheet, s32 x, s32 y, s32 lineStartX,
                                       s32 maxChars, s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY,
                                       char lineFeed);
    // style 0 plain, 1 soft (blurred edges), 2 edged (a halo of styleColour).
    virtual bool DrawGlyphSetText(const GxChar* text, const GxGlyphSet* set, s32 x, s32 y, u32 colour, s32* endX,
                                  s32* endY, s32 style, u32 styleColour);
    virtual bool DrawGlyphSetTextA(const char* text, const GxGlyphSet* set, s32 x, s32 y, u32 colour, s32* endX,
                                   s32* endY, s32 style, u32 styleColour);
    virtual bool DrawGlyphSetTextWrapped(const GxChar* text, const GxGlyphSet* set, s32 x, s32 y, s32 lineStartX,
                                         s32 maxCells, u32 colour, s32 charSpacing, s32 lineSpacing, s32* endX,
                                         s32* endY, GxChar lineFeed, s32 style, u32 styleColour);
    virtual bool DrawGlyphSetTextWrappedA(const char* text, const GxGlyphSet* set, s32 x, s32 y, s32 lineStartX,
                                          s32 maxCells, u32 colour, s32 charSpacing, s32 lineSpacing, s32* endX,
                                          s32* endY, char lineFeed, s32 style, u32 styleColour);

    // One glyph into a locked picture (desc gives its size and format) with
    // its cell's top-left corner at (x, y); glyphWidth gets the black box's
    // width. Spaces (0x20 and the full-width space) are measured, not
    // written. Glyph rows and columns outside the picture are cut.
    virtual bool DrawGlyphA(const pglyph::font& font, const prender::surface_desc& desc,
                            const prender::locked_rect& locked, u16 code, s32 x, s32 y, s32 size, u32 colour,
                            s32* glyphWidth);
    virtual bool DrawGlyph(const pglyph::font& font, const prender::surface_desc& desc,
                           const prender::locked_rect& locked, GxChar ch, s32 x, s32 y, s32 size, u32 colour,
                           s32* glyphWidth);
    // Grows the glyph buffer (never shrinks it); false and a log line when
    // it cannot be had.
    virtual bool ResizeBuffer(u32 bytes);
    static void MakeLogFont(GxLogFont* out, s32 height, const GxString& face);

    // The glyph buffer's grey levels (rows of `pitch` bytes, from the
    // buffer's (srcX, srcY)) into a width × height area at (x, y) of the
    // locked picture, the caller having cut the area to the picture.
    virtual bool CopyGreyToA8R8G8B8(const prender::locked_rect& locked, s32 x, s32 y, s32 width, s32 height, s32 srcX,
                                    s32 srcY, u32 pitch, u32 colour);
    virtual bool CopyGreyToA4R4G4B4(const prender::locked_rect& locked, s32 x, s32 y, s32 width, s32 height, s32 srcX,
                                    s32 srcY, u32 pitch, u32 colour);
    // Glyph `index` of the set, `cells` half-width cells wide, at (x, y).
    virtual bool CopyGlyphSetToA8R8G8B8(const GxGlyphSet& set, const prender::locked_rect& locked,
                                        const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                        u32 colour);
    virtual bool CopyGlyphSetToA4R4G4B4(const GxGlyphSet& set, const prender::locked_rect& locked,
                                        const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                        u32 colour);
    virtual bool CopyGlyphSetSoftToA8R8G8B8(const GxGlyphSet& set, const prender::locked_rect& locked,
                                            const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                            u32 colour, u32 styleColour);
    virtual bool CopyGlyphSetSoftToA4R4G4B4(const GxGlyphSet& set, const prender::locked_rect& locked,
                                            const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                            u32 colour, u32 styleColour);
    virtual bool CopyGlyphSetEdgedToA8R8G8B8(const GxGlyphSet& set, const prender::locked_rect& locked,
                                             const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                             u32 colour, u32 styleColour);
    virtual bool CopyGlyphSetEdgedToA4R4G4B4(const GxGlyphSet& set, const prender::locked_rect& locked,
                                             const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                             u32 colour, u32 styleColour);

    u32 GetBufferSize() const { return m_BufferSize; }
    // The alpha of a grey level 0 to 64: levels of 52 and above are opaque.
    static u8 GreyToAlpha(u32 level);

private:
    class Lock;
    template <class Walk>
    bool DrawRasterised(s32 size, s32* endX, s32* endY, s32 x, s32 y, Walk&& walk);
    bool RasteriseGlyph(const pglyph::font& font, const prender::surface_desc& desc,
                        const prender::locked_rect& locked, bool narrow, u32 code, s32 x, s32 y, u32 colour,
                        s32* glyphWidth);
    bool PlaceGlyph(const prender::surface_desc& desc, const prender::locked_rect& locked,
                    const pglyph::glyph_metrics& gm, s32 ascent, bool blank, s32 x, s32 y, u32 colour,
                    s32* glyphWidth);
    bool CopyGrey(const prender::locked_rect& locked, s32 x, s32 y, s32 width, s32 height, s32 srcX, s32 srcY,
                  u32 pitch, u32 colour, bool wide);
    bool DrawSheetBytes(std::string_view text, const GxGlyphSheet* sheet, s32 x, s32 y, s32 lineStartX,
                        s32 maxChars, s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY, int lineFeed);
    bool DrawGlyphSetBytes(std::string_view text, const GxGlyphSet* set, s32 x, s32 y, s32 lineStartX, s32 maxCells,
                           u32 colour, s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY, int lineFeed,
                           s32 style, u32 styleColour);
    bool CopyGlyphSet(const GxGlyphSet& set, const prender::locked_rect& locked, const prender::surface_desc& desc,
                      u32 index, u32 cells, s32 x, s32 y, u32 colour, u32 styleColour, s32 style, bool wide);

    std::unique_ptr<u8[]> m_Buffer;
    u32 m_BufferSize = 0;
    GxString m_FaceName;
};
