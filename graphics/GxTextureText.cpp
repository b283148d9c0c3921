#include "graphics/GxTextureText.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxCharWidth.h"
#include "graphics/GxGraphicsTypes.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr GxChar kDefaultFace[] = u"ＭＳ ゴシック";
// No glyph or glyph-set plane comes near this; a request above it is a bad
// size from a caller, refused rather than allocated.
constexpr u32 kMaxBufferSize = 64u << 20;

// One character of a text: its code (a UTF-16 unit, or one CP932 byte, or a
// lead byte × 256 + trail byte) and its width in cells (for narrow text its
// byte count).
struct TextUnit {
    u32 code;
    s32 cells;
};

bool IsCp932Lead(u8 b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

std::vector<TextUnit> WideUnits(const GxChar* text) {
    std::vector<TextUnit> out;
    for (const GxChar* p = text; p && *p; ++p) out.push_back({*p, GxGetCharCellWidth(*p)});
    return out;
}

std::vector<TextUnit> NarrowUnits(std::string_view text) {
    std::vector<TextUnit> out;
    for (size_t i = 0; i < text.size() && text[i]; ++i) {
        const u8 b = u8(text[i]);
        // A lead byte at the very end stands alone.
        if (IsCp932Lead(b) && i + 1 < text.size() && text[i + 1]) {
            out.push_back({u32(b) << 8 | u8(text[i + 1]), 2});
            ++i;
        } else {
            out.push_back({b, 1});
        }
    }
    return out;
}

std::string_view Narrow(const char* text) { return text ? std::string_view(text) : std::string_view(); }

void Store32(u8* p, u32 v) { std::memcpy(p, &v, 4); }
void Store16(u8* p, u16 v) { std::memcpy(p, &v, 2); }

u16 Texel4444(u32 alpha4, u32 colour) {
    return u16((alpha4 & 15) << 12 | ((colour >> 20) & 15) << 8 | ((colour >> 12) & 15) << 4 | ((colour >> 4) & 15));
}

} // namespace

// The whole of level 0 locked for writing while it lives; the device texture
// is brought up to date when it goes.
class GxTextureText::Lock {
public:
    explicit Lock(GxTexture& t) : m_Texture(t) {
        void* bits = nullptr;
        u32 pitch = 0, w = 0, h = 0, format = 0;
        m_Ok = t.LockRect(nullptr, &bits, &pitch, &w, &h, &format, false);
        m_Locked.bits = bits;
        m_Locked.pitch = s32(pitch);
        m_Desc.width = w;
        m_Desc.height = h;
        m_Desc.fmt = GxToDeviceFormat(format);
    }
    ~Lock() {
        if (!m_Ok) return;
        m_Texture.UnlockRect();
        m_Texture.UpdateTexture();
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    bool m_Ok = false;
    prender::locked_rect m_Locked;
    prender::surface_desc m_Desc;

private:
    GxTexture& m_Texture;
};

GxTextureText::GxTextureText() : m_FaceName(kDefaultFace) { ResizeBuffer(kInitialBufferSize); }

GxTextureText::~GxTextureText() = default;

void GxTextureText::SetFaceName(const GxChar* face) { m_FaceName = face ? face : u""; }
void GxTextureText::SetFaceNameA(const char* face) { m_FaceName = GxFromAnsi(Narrow(face)); }

void GxTextureText::MakeLogFont(GxLogFont* out, s32 height, const GxString& face) {
    if (!out) return;
    *out = GxLogFont{};
    out->m_Height = height;
    out->m_FaceName = face;
}

u8 GxTextureText::GreyToAlpha(u32 level) { return u8(std::min<u32>(255, 255 * std::min<u32>(level, 64) / 52)); }

bool GxTextureText::ResizeBuffer(u32 bytes) {
    if (bytes <= m_BufferSize) return true;
    m_Buffer.reset();
    m_BufferSize = 0;
    if (bytes <= kMaxBufferSize) m_Buffer.reset(new (std::nothrow) u8[bytes]);
    if (!m_Buffer) {
        GxWriteErrorLog(u"Error/GxTextureText::ResizeBuffer(%u)に失敗\n", bytes);
        return false;
    }
    m_BufferSize = bytes;
    return true;
}

// The font of the size (cut to kMaxGlyphSize) opened and level 0 locked
// around `walk`, which moves the pen. No font: nothing drawn, still true.
template <class Walk>
bool GxTextureText::DrawRasterised(s32 size, s32* endX, s32* endY, s32 x, s32 y, Walk&& walk) {
    if (!HasTexture()) return false;
    size = std::min(size, kMaxGlyphSize);
    GxLogFont logFont;
    MakeLogFont(&logFont, size, m_FaceName);
    if (std::unique_ptr<pglyph::font> font = GxOpenGlyphFont(logFont)) {
        Lock lock(*this);
        if (!lock.m_Ok) return false;
        walk(*font, lock.m_Desc, lock.m_Locked, size, x, y);
    }
    if (endX) *endX = x;
    if (endY) *endY = y;
    return true;
}

namespace {

// The glyph of one unit: narrow units through the CP932 form.
template <class Text>
void DrawUnit(Text& t, bool narrow, const pglyph::font& font, const prender::surface_desc& desc,
              const prender::locked_rect& locked, const TextUnit& u, s32 x, s32 y, s32 size, u32 colour) {
    if (narrow)
        t.DrawGlyphA(font, desc, locked, u16(u.code), x, y, size, colour, nullptr);
    else
        t.DrawGlyph(font, desc, locked, GxChar(u.code), x, y, size, colour, nullptr);
}

// Text on one line, or wrapped when maxCells >= 0: a line feed of one cell is
// not drawn and starts a new line, as does a full line before the next
// character. draw(unit, x, y) draws each other unit at the pen.
template <class Draw>
void WalkCells(const std::vector<TextUnit>& units, s32 size, s32 lineStartX, s32 maxCells, s32 charSpacing,
               s32 lineSpacing, int lineFeed, s32& x, s32& y, Draw&& draw) {
    s32 cells = 0;
    for (const TextUnit& u : units) {
        if (maxCells >= 0) {
            const bool isLineFeed = u.cells == 1 && s64(u.code) == lineFeed;
            if (isLineFeed || cells >= maxCells) {
                x = lineStartX;
                y += size + lineSpacing;
                cells = 0;
                if (isLineFeed) continue;
            }
        }
        draw(u, x, y);
        cells += u.cells;
        x += u.cells * size / 2 + charSpacing;
    }
}

// Rasterised text through WalkCells.
template <class Text>
auto RasterWalk(Text& t, const std::vector<TextUnit>& units, bool narrow, u32 colour, s32 lineStartX, s32 maxCells,
                s32 charSpacing, s32 lineSpacing, int lineFeed) {
    return [&t, &units, narrow, colour, lineStartX, maxCells, charSpacing, lineSpacing, lineFeed](
               const pglyph::font& font, const prender::surface_desc& desc, const prender::locked_rect& locked,
               s32 size, s32& x, s32& y) {
        WalkCells(units, size, lineStartX, maxCells, charSpacing, lineSpacing, lineFeed, x, y,
                  [&](const TextUnit& u, s32 ux, s32 uy) {
                      DrawUnit(t, narrow, font, desc, locked, u, ux, uy, size, colour);
                  });
    };
}

} // namespace

bool GxTextureText::DrawText(const GxChar* text, s32 x, s32 y, s32 size, u32 colour, s32* endX, s32* endY) {
    const std::vector<TextUnit> units = WideUnits(text);
    return DrawRasterised(size, endX, endY, x, y, RasterWalk(*this, units, false, colour, 0, -1, 0, 0, -1));
}

bool GxTextureText::DrawTextA(const char* text, s32 x, s32 y, s32 size, u32 colour, s32* endX, s32* endY) {
    const std::vector<TextUnit> units = NarrowUnits(Narrow(text));
    return DrawRasterised(size, endX, endY, x, y, RasterWalk(*this, units, true, colour, 0, -1, 0, 0, -1));
}

bool GxTextureText::DrawTextWrapped(const GxChar* text, s32 x, s32 y, s32 lineStartX, s32 size, s32 maxCells,
                                    u32 colour, s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY,
                                    GxChar lineFeed) {
    const std::vector<TextUnit> units = WideUnits(text);
    return DrawRasterised(size, endX, endY, x, y,
                          RasterWalk(*this, units, false, colour, lineStartX, std::max(maxCells, 0), charSpacing,
                                     lineSpacing, lineFeed));
}

bool GxTextureText::DrawTextWrappedA(const char* text, s32 x, s32 y, s32 lineStartX, s32 size, s32 maxCells,
                                     u32 colour, s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY,
                                     char lineFeed) {
    const std::vector<TextUnit> units = NarrowUnits(Narrow(text));
    return DrawRasterised(size, endX, endY, x, y,
                          RasterWalk(*this, units, true, colour, lineStartX, std::max(maxCells, 0), charSpacing,
                                     lineSpacing, u8(lineFeed)));
}

bool GxTextureText::DrawGlyph(const pglyph::font& font, const prender::surface_desc& desc,
                              const prender::locked_rect& locked, GxChar ch, s32 x, s32 y, s32, u32 colour,
                              s32* glyphWidth) {
    return RasteriseGlyph(font, desc, locked, false, ch, x, y, colour, glyphWidth);
}

bool GxTextureText::DrawGlyphA(const pglyph::font& font, const prender::surface_desc& desc,
                               const prender::locked_rect& locked, u16 code, s32 x, s32 y, s32, u32 colour,
                               s32* glyphWidth) {
    return RasteriseGlyph(font, desc, locked, true, code, x, y, colour, glyphWidth);
}

bool GxTextureText::RasteriseGlyph(const pglyph::font& font, const prender::surface_desc& desc,
                                   const prender::locked_rect& locked, bool narrow, u32 code, s32 x, s32 y,
                                   u32 colour, s32* glyphWidth) {
    if (glyphWidth) *glyphWidth = 0;
    if (!m_Buffer) return false;
    std::memset(m_Buffer.get(), 0, m_BufferSize);
    pglyph::glyph_metrics gm;
    auto render = [&] {
        return narrow ? font.glyph_cp932(u16(code), gm, m_Buffer.get(), m_BufferSize)
                      : font.glyph(GxChar(code), gm, m_Buffer.get(), m_BufferSize);
    };
    int64_t bytes = render();
    if (bytes > int64_t(m_BufferSize)) {
        if (!ResizeBuffer(u32(std::min<int64_t>(bytes, kMaxBufferSize + 1)))) return false;
        bytes = render();
    }
    if (bytes < 0) return false;
    // The half- and full-width spaces are measured, not written.
    const bool blank = narrow ? (code == 0x20 || code == 0x8140) : (code == 0x20 || code == 0x3000);
    return PlaceGlyph(desc, locked, gm, font.metrics().ascent, blank, x, y, colour, glyphWidth);
}

bool GxTextureText::PlaceGlyph(const prender::surface_desc& desc, const prender::locked_rect& locked,
                               const pglyph::glyph_metrics& gm, s32 ascent, bool blank, s32 x, s32 y, u32 colour,
                               s32* glyphWidth) {
    if (glyphWidth) *glyphWidth = s32(gm.black_box_width);
    if (blank || gm.black_box_width == 0 || gm.black_box_height == 0) return true;
    const s64 destX = s64(x) + gm.origin_x, destY = s64(y) + s64(ascent) - gm.origin_y;
    // Cut to the picture on all four sides.
    const s64 x0 = std::max<s64>(destX, 0), y0 = std::max<s64>(destY, 0);
    const s64 x1 = std::min<s64>(destX + gm.black_box_width, desc.width);
    const s64 y1 = std::min<s64>(destY + gm.black_box_height, desc.height);
    if (x0 >= x1 || y0 >= y1) return true;
    const u32 pitch = u32(pglyph::grey_pitch(gm.black_box_width));
    const s32 w = s32(x1 - x0), h = s32(y1 - y0), sx = s32(x0 - destX), sy = s32(y0 - destY);
    switch (u32(desc.fmt)) {
    case kGxFmtA8R8G8B8:
        return CopyGreyToA8R8G8B8(locked, s32(x0), s32(y0), w, h, sx, sy, pitch, colour);
    case kGxFmtA4R4G4B4:
        return CopyGreyToA4R4G4B4(locked, s32(x0), s32(y0), w, h, sx, sy, pitch, colour);
    default:
        return true;
    }
}

bool GxTextureText::CopyGrey(const prender::locked_rect& locked, s32 x, s32 y, s32 width, s32 height, s32 srcX,
                             s32 srcY, u32 pitch, u32 colour, bool wide) {
    if (!m_Buffer || size_t(srcY + height) * pitch > m_BufferSize) return false;
    const size_t bytes = wide ? 4 : 2;
    for (s32 r = 0; r < height; ++r) {
        const u8* src = m_Buffer.get() + size_t(srcY + r) * pitch + srcX;
        u8* row = static_cast<u8*>(locked.bits) + ptrdiff_t(y + r) * locked.pitch + ptrdiff_t(x) * ptrdiff_t(bytes);
        for (s32 c = 0; c < width; ++c) {
            const u32 alpha = GreyToAlpha(src[c]);
            if (wide)
                Store32(row + c * 4, alpha << 24 | (colour & 0xFFFFFFu));
            else
                Store16(row + c * 2, Texel4444(alpha >> 4, colour));
        }
    }
    return true;
}

bool GxTextureText::CopyGreyToA8R8G8B8(const prender::locked_rect& locked, s32 x, s32 y, s32 width, s32 height,
                                       s32 srcX, s32 srcY, u32 pitch, u32 colour) {
    return CopyGrey(locked, x, y, width, height, srcX, srcY, pitch, colour, true);
}

bool GxTextureText::CopyGreyToA4R4G4B4(const prender::locked_rect& locked, s32 x, s32 y, s32 width, s32 height,
                                       s32 srcX, s32 srcY, u32 pitch, u32 colour) {
    return CopyGrey(locked, x, y, width, height, srcX, srcY, pitch, colour, false);
}

// --- glyph sheets ---

bool GxTextureText::DrawSheetBytes(std::string_view text, const GxGlyphSheet* sheet, s32 x, s32 y, s32 lineStartX,
                                   s32 maxChars, s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY,
                                   int lineFeed) {
    if (!HasTexture() || !sheet || !sheet->m_Texture || !sheet->m_Texture->HasTexture()) return false;
    const GxGlyphSheet& s = *sheet;
    s32 count = 0;
    for (char byte : text) {
        const u8 c = u8(byte);
        if (c == 0) break;
        if (maxChars >= 0) {
            if (c == lineFeed || count >= maxChars) {
                x = lineStartX;
                y += s.m_CellHeight + lineSpacing;
                count = 0;
                if (c == lineFeed) continue;
            }
        }
        u32 column = 0, row = 0;
        if (c >= s.m_First && c <= s.m_Last && s.m_Columns != 0) {
            column = u32(c - s.m_First) % s.m_Columns;
            row = u32(c - s.m_First) / s.m_Columns;
        }
        const s32 w = s.m_Proportional ? 0 : s.m_CellWidth;
        const f32 left = f32(s64(column) * s.m_CellWidth), top = f32(s64(row) * s.m_CellHeight);
        const GxRect src{s32(left + s.m_OffsetX), s32(top + s.m_OffsetY), s32(left + f32(w) + s.m_OffsetX),
                         s32(top + f32(s.m_CellHeight) + s.m_OffsetY)};
        CopyRect(s.m_Texture, &src, x, y);
        x += w + (maxChars >= 0 ? charSpacing : 0);
        ++count;
    }
    if (endX) *endX = x;
    if (endY) *endY = y;
    return true;
}

bool GxTextureText::DrawSheetText(const GxChar* text, const GxGlyphSheet* sheet, s32 x, s32 y, s32* endX, s32* endY) {
    const GxStringA narrow = GxToAnsi(text ? GxStringView(text) : GxStringView());
    return DrawSheetBytes(narrow, sheet, x, y, 0, -1, 0, 0, endX, endY, -1);
}

bool GxTextureText::DrawSheetTextA(const char* text, const GxGlyphSheet* sheet, s32 x, s32 y, s32* endX,
                                   s32* endY) {
    return DrawSheetBytes(Narrow(text), sheet, x, y, 0, -1, 0, 0, endX, endY, -1);
}

bool GxTextureText::DrawSheetTextWrapped(const GxChar* text, const GxGlyphSheet* sheet, s32 x, s32 y,
                                         s32 lineStartX, s32 maxChars, s32 charSpacing, s32 lineSpacing, s32* endX,
                                         s32* endY, GxChar lineFeed) {
    const GxStringA narrow = GxToAnsi(text ? GxStringView(text) : GxStringView());
    return DrawSheetBytes(narrow, sheet, x, y, lineStartX, std::max(maxChars, 0), charSpacing, lineSpacing, endX,
                          endY, GxCharToSjisByte(lineFeed));
}

bool GxTextureText::DrawSheetTextWrappedA(const char* text, const GxGlyphSheet* sheet, s32 x, s32 y, s32 lineStartX,
                                          s32 maxChars, s32 charSpacing, s32 lineSpacing, s32* endX, s32* endY,
                                          char lineFeed) {
    return DrawSheetBytes(Narrow(text), sheet, x, y, lineStartX, std::max(maxChars, 0), charSpacing, lineSpacing,
                          endX, endY, u8(lineFeed));
}

// --- glyph sets ---

bool GxTextureText::DrawGlyphSetBytes(std::string_view text, const GxGlyphSet* set, s32 x, s32 y, s32 lineStartX,
                                      s32 maxCells, u32 colour, s32 charSpacing, s32 lineSpacing, s32* endX,
                                      s32* endY, int lineFeed, s32 style, u32 styleColour) {
    if (!HasTexture() || !set || !set->GetPixels()) return false;
    Lock lock(*this);
    if (!lock.m_Ok) return false;
    const s32 size = set->GetSize();
    const u32 format = u32(lock.m_Desc.fmt);
    const bool writable = (format == kGxFmtA8R8G8B8 || format == kGxFmtA4R4G4B4) && style >= 0 && style <= 2;
    WalkCells(NarrowUnits(text), size, lineStartX, maxCells, charSpacing, lineSpacing, lineFeed, x, y,
              [&](const TextUnit& u, s32 ux, s32 uy) {
                  const u32 index = set->IndexOf(u.code);
                  if (writable && index < set->GetCount())
                      CopyGlyphSet(*set, lock.m_Locked, lock.m_Desc, index, u32(u.cells), ux, uy, colour, styleColour,
                                   style, format == kGxFmtA8R8G8B8);
              });
    if (endX) *endX = x;
    if (endY) *endY = y;
    return true;
}

bool GxTextureText::DrawGlyphSetText(const GxChar* text, const GxGlyphSet* set, s32 x, s32 y, u32 colour, s32* endX,
                                     s32* endY, s32 style, u32 styleColour) {
    const GxStringA narrow = GxToAnsi(text ? GxStringView(text) : GxStringView());
    return DrawGlyphSetBytes(narrow, set, x, y, 0, -1, colour, 0, 0, endX, endY, -1, style, styleColour);
}

bool GxTextureText::DrawGlyphSetTextA(const char* text, const GxGlyphSet* set, s32 x, s32 y, u32 colour, s32* endX,
                                      s32* endY, s32 style, u32 styleColour) {
    return DrawGlyphSetBytes(Narrow(text), set, x, y, 0, -1, colour, 0, 0, endX, endY, -1, style, styleColour);
}

bool GxTextureText::DrawGlyphSetTextWrapped(const GxChar* text, const GxGlyphSet* set, s32 x, s32 y, s32 lineStartX,
                                            s32 maxCells, u32 colour, s32 charSpacing, s32 lineSpacing, s32* endX,
                                            s32* endY, GxChar lineFeed, s32 style, u32 styleColour) {
    const GxStringA narrow = GxToAnsi(text ? GxStringView(text) : GxStringView());
    return DrawGlyphSetBytes(narrow, set, x, y, lineStartX, std::max(maxCells, 0), colour, charSpacing, lineSpacing,
                             endX, endY, GxCharToSjisByte(lineFeed), style, styleColour);
}

bool GxTextureText::DrawGlyphSetTextWrappedA(const char* text, const GxGlyphSet* set, s32 x, s32 y, s32 lineStartX,
                                             s32 maxCells, u32 colour, s32 charSpacing, s32 lineSpacing, s32* endX,
                                             s32* endY, char lineFeed, s32 style, u32 styleColour) {
    return DrawGlyphSetBytes(Narrow(text), set, x, y, lineStartX, std::max(maxCells, 0), colour, charSpacing,
                             lineSpacing, endX, endY, u8(lineFeed), style, styleColour);
}

bool GxTextureText::CopyGlyphSet(const GxGlyphSet& set, const prender::locked_rect& locked,
                                 const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y, u32 colour,
                                 u32 styleColour, s32 style, bool wide) {
    const s32 size = set.GetSize();
    const u32 columns = set.GetColumns();
    const u8* pixels = set.GetPixels();
    if (size <= 0 || columns == 0 || !pixels || cells == 0) return false;
    const s64 w = s64(cells) * (size / 2), h = size;
    // Coverage of the glyph's pixel (c, r); anything outside the set's
    // pixels is empty.
    const u64 rowBytes = (u64(set.GetPitch()) + 1) / 2;
    const u64 gx0 = u64(index % columns) * u64(size / 2), gy0 = u64(index / columns) * u64(size);
    auto coverage = [&](s64 c, s64 r) -> u32 {
        const u64 gx = gx0 + u64(c), gy = gy0 + u64(r);
        if (gx >= set.GetPitch()) return 0;
        const u64 at = gy * rowBytes + gx / 2;
        if (at >= set.GetPixelBytes()) return 0;
        return (gx & 1) ? pixels[at] >> 4 : pixels[at] & 15;
    };
    // Soft and edged glyphs work on a plane with a border of two texels and
    // write a second plane, each as wide as the cells the glyph takes.
    const s64 pw = w + 4, ph = h + 4;
    u8* plane = nullptr;
    u8* out = nullptr;
    if (style != 0) {
        const u64 planeBytes = u64(pw) * u64(ph);
        if (planeBytes * 2 > kMaxBufferSize || !ResizeBuffer(u32(planeBytes * 2))) return false;
        plane = m_Buffer.get();
        out = plane + planeBytes;
        std::memset(plane, 0, size_t(planeBytes * 2));
        for (s64 r = 0; r < h; ++r)
            for (s64 c = 0; c < w; ++c) plane[(r + 2) * pw + c + 2] = u8(coverage(c, r));
        for (s64 r = 2; r < ph - 2; ++r)
            for (s64 c = 2; c < pw - 2; ++c) {
                auto at = [&](s64 dc, s64 dr) -> u32 { return plane[(r + dr) * pw + c + dc]; };
                u32 v;
                if (style == 1)
                    v = (2 * at(0, 0) + (at(0, -1) >> 1) + (at(0, 1) >> 1) + (at(-1, 0) >> 1) + (at(1, 0) >> 1) +
                         (at(-1, -1) >> 2) + (at(1, -1) >> 2) + (at(-1, 1) >> 2) + (at(1, 1) >> 2)) >>
                        1;
                else
                    v = (2 * at(0, 0) + at(-1, -1) + at(0, -1) + at(1, -1) + at(-1, 0) + at(1, 0) + at(-1, 1) +
                         at(0, 1) + at(1, 1) + (at(0, -2) >> 1) + (at(0, 2) >> 1) + (at(-2, 0) >> 1) +
                         (at(2, 0) >> 1)) >>
                        1;
                out[r * pw + c] = u8(std::min<u32>(v, 15));
            }
    }
    for (s64 r = 0; r < h; ++r) {
        const s64 ty = s64(y) + r;
        if (ty < 0 || ty >= s64(desc.height)) continue;
        u8* row = static_cast<u8*>(locked.bits) + ptrdiff_t(ty) * locked.pitch;
        for (s64 c = 0; c < w; ++c) {
            const s64 tx = s64(x) + c;
            if (tx < 0 || tx >= s64(desc.width)) continue;
            const u32 g = plane ? plane[(r + 2) * pw + c + 2] : coverage(c, r);
            const u32 a = plane ? out[(r + 2) * pw + c + 2] : g;
            u32 rgb = colour & 0xFFFFFFu;
            if (style == 2) {
                rgb = 0;
                // The glyph's own coverage mixes the text colour into the
                // halo's; the 16-bit form keeps four bits per channel.
                for (int shift = 0; shift < 24; shift += 8) {
                    const u32 sc = (styleColour >> shift) & 255, cc = (colour >> shift) & 255;
                    const u32 mixed = (15 - g) * sc + g * cc;
                    rgb |= (wide ? mixed / 15 : (mixed / 240) * 17) << shift;
                }
            }
            if (wide)
                Store32(row + tx * 4, (a * 0x11) << 24 | rgb);
            else
                Store16(row + tx * 2, Texel4444(a, rgb));
        }
    }
    return true;
}

bool GxTextureText::CopyGlyphSetToA8R8G8B8(const GxGlyphSet& set, const prender::locked_rect& locked,
                                           const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                           u32 colour) {
    return CopyGlyphSet(set, locked, desc, index, cells, x, y, colour, 0, 0, true);
}
bool GxTextureText::CopyGlyphSetToA4R4G4B4(const GxGlyphSet& set, const prender::locked_rect& locked,
                                           const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                           u32 colour) {
    return CopyGlyphSet(set, locked, desc, index, cells, x, y, colour, 0, 0, false);
}
bool GxTextureText::CopyGlyphSetSoftToA8R8G8B8(const GxGlyphSet& set, const prender::locked_rect& locked,
                                               const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                               u32 colour, u32 styleColour) {
    return CopyGlyphSet(set, locked, desc, index, cells, x, y, colour, styleColour, 1, true);
}
bool GxTextureText::CopyGlyphSetSoftToA4R4G4B4(const GxGlyphSet& set, const prender::locked_rect& locked,
                                               const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                               u32 colour, u32 styleColour) {
    return CopyGlyphSet(set, locked, desc, index, cells, x, y, colour, styleColour, 1, false);
}
bool GxTextureText::CopyGlyphSetEdgedToA8R8G8B8(const GxGlyphSet& set, const prender::locked_rect& locked,
                                                const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                                u32 colour, u32 styleColour) {
    return CopyGlyphSet(set, locked, desc, index, cells, x, y, colour, styleColour, 2, true);
}
bool GxTextureText::CopyGlyphSetEdgedToA4R4G4B4(const GxGlyphSet& set, const prender::locked_rect& locked,
                                                const prender::surface_desc& desc, u32 index, u32 cells, s32 x, s32 y,
                                                u32 colour, u32 styleColour) {
    return CopyGlyphSet(set, locked, desc, index, cells, x, y, colour, styleColour, 2, false);
}
