#include "graphics/GxFontData.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "io/GxFileSystem.h"

#include <algorithm>
#include <cstring>

namespace {

u32 ReadU32(const u8* p) { return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24; }
u16 ReadU16(const u8* p) { return u16(p[0] | p[1] << 8); }

GxString Wide(const char* narrow) { return GxFromAnsi(narrow ? std::string_view(narrow) : std::string_view()); }

// A grid whose cells could not be addressed by the table's 16-bit positions
// (or that has no cells at all) would make a table of wrong places.
bool IsGridUsable(GxChar first, GxChar last, s32 cellWidth, s32 cellHeight, u32 columns) {
    if (last < first || columns == 0 || cellWidth <= 0 || cellHeight <= 0 || cellWidth > 0xFFFF) return false;
    const u64 count = u64(last - first) + 1;
    const u64 rows = (count + columns - 1) / columns;
    return (std::min<u64>(columns, count) - 1) * u64(cellWidth) <= 0xFFFF && (rows - 1) * u64(cellHeight) <= 0xFFFF;
}

// Cells are addressed in image pixels, so the image must keep its own scale
// in the texture: placed in the top-left corner, never stretched to the
// texture's power-of-two size.
constexpr bool kStretchImage = false;

} // namespace

GxFontData::GxFontData() = default;

GxFontData::~GxFontData() { Release(); }

void GxFontData::Release() {
    std::memset(m_Reserved0, 0, sizeof m_Reserved0);
    m_First = m_Last = 0;
    std::memset(m_Reserved1, 0, sizeof m_Reserved1);
    m_CellWidth = m_CellHeight = 0;
    std::memset(m_Reserved2, 0, sizeof m_Reserved2);
    m_TextureWidth = m_TextureHeight = 0;
    std::memset(m_Reserved3, 0, sizeof m_Reserved3);
    std::fill(std::begin(m_Name), std::end(m_Name), GxChar(0));
    m_Glyphs.clear();
    m_Glyphs.shrink_to_fit();
    m_Texture.ReleaseAll();
}

bool GxFontData::MakeGrid(const GxChar* name, GxChar first, GxChar last, s32 cellWidth, s32 cellHeight,
                          u32 columns) {
    m_First = first;
    m_Last = last;
    m_CellWidth = cellWidth;
    m_CellHeight = cellHeight;
    m_TextureWidth = s32(m_Texture.GetImageWidth());
    m_TextureHeight = s32(m_Texture.GetImageHeight());
    const GxStringView n = name ? GxStringView(name) : GxStringView();
    std::copy_n(n.begin(), std::min(n.size(), kNameLength - 1), m_Name);
    const u32 count = u32(last - first) + 1;
    m_Glyphs.assign(count, GxFontGlyph{});
    for (u32 i = 0; i < count; ++i) {
        m_Glyphs[i].m_X = u16((i % columns) * u32(cellWidth));
        m_Glyphs[i].m_Y = u16((i / columns) * u32(cellHeight));
        m_Glyphs[i].m_Width = u16(cellWidth);
    }
    return true;
}

bool GxFontData::Create(const GxChar* name, const GxChar* imageFile, GxChar first, GxChar last, s32 cellWidth,
                        s32 cellHeight, u32 columns) {
    Release();
    if (!IsGridUsable(first, last, cellWidth, cellHeight, columns)) {
        GxWriteErrorLog(u"Error/GxFontData Create Failed(Name:\"%s\")\n", name ? name : u"");
        return false;
    }
    // The texture reports its own failure.
    if (!m_Texture.CreateFromFile(imageFile, 0, 1, 0, kStretchImage)) {
        Release();
        return false;
    }
    return MakeGrid(name, first, last, cellWidth, cellHeight, columns);
}

bool GxFontData::CreateA(const char* name, const char* imageFile, GxChar first, GxChar last, s32 cellWidth,
                         s32 cellHeight, u32 columns) {
    return Create(Wide(name).c_str(), Wide(imageFile).c_str(), first, last, cellWidth, cellHeight, columns);
}

bool GxFontData::CreateFromResource(const GxChar* name, psys::module_handle module, const psys::resource* resource,
                                    GxChar first, GxChar last, s32 cellWidth, s32 cellHeight, u32 columns,
                                    u32 resourceArgument) {
    Release();
    if (!IsGridUsable(first, last, cellWidth, cellHeight, columns)) {
        GxWriteErrorLog(u"Error/GxFontData Create Failed(Name:\"%s\")\n", name ? name : u"");
        return false;
    }
    if (!m_Texture.CreateFromResource(name, module, resource, 0, 1, resourceArgument, kStretchImage)) {
        Release();
        return false;
    }
    return MakeGrid(name, first, last, cellWidth, cellHeight, columns);
}

bool GxFontData::CreateFromResourceA(const char* name, psys::module_handle module, const psys::resource* resource,
                                     GxChar first, GxChar last, s32 cellWidth, s32 cellHeight, u32 columns,
                                     u32 resourceArgument) {
    return CreateFromResource(Wide(name).c_str(), module, resource, first, last, cellWidth, cellHeight, columns,
                              resourceArgument);
}

void GxFontData::ReadHeader(const u8* b) {
    std::memcpy(m_Reserved0, b, 16);
    m_First = ReadU32(b + 16);
    m_Last = ReadU32(b + 20);
    std::memcpy(m_Reserved1, b + 24, 16);
    m_CellWidth = s32(ReadU32(b + 40));
    m_CellHeight = s32(ReadU32(b + 44));
    std::memcpy(m_Reserved2, b + 48, 4);
    m_TextureWidth = s32(ReadU32(b + 52));
    m_TextureHeight = s32(ReadU32(b + 56));
    std::memcpy(m_Reserved3, b + 60, 4);
    for (size_t i = 0; i < kNameLength; ++i) m_Name[i] = ReadU16(b + 64 + 2 * i);
    // The name is NUL-terminated whatever the file holds.
    m_Name[kNameLength - 1] = 0;
}

bool GxFontData::FailFromFile(const GxChar* tableFile) {
    GxWriteErrorLog(u"Error/GxFontData CreateFromFile Failed(Name:\"%s\")\n", tableFile ? tableFile : u"");
    Release();
    return false;
}

bool GxFontData::CreateFromFile(const GxChar* tableFile, const GxChar* imageFile) {
    Release();
    if (!m_Texture.CreateFromFile(imageFile, 0, 1, 0, kStretchImage)) return FailFromFile(tableFile);
    GxBinBuffer table;
    if (!tableFile || !GxLoadFile(&table, tableFile, true, false, kMaxTableSize)) return FailFromFile(tableFile);
    u32 cut = 0xFFFFFFFFu;
    if (!ReadTable(table.GetData(), table.GetSize(), m_Texture.GetImageWidth(), m_Texture.GetImageHeight(), &cut))
        return FailFromFile(tableFile);
    // One glyph past its picture costs that glyph alone; the first is said.
    if (cut != 0xFFFFFFFFu)
        GxWriteErrorLog(u"Error/GxFontData Glyph Outside The Image(Name:\"%s\" Char:%04X)\n", tableFile, cut);
    return true;
}

bool GxFontData::ReadTable(const u8* bytes, u64 size, u32 imageWidth, u32 imageHeight, u32* firstCut) {
    m_Glyphs.clear();
    if (!bytes || size < kHeaderSize) return false;
    ReadHeader(bytes);
    // Everything the header says is checked against the file and the image
    // before a glyph is kept: a cell taller than the image can hold nothing.
    if (m_Last < m_First || m_CellWidth <= 0 || m_CellHeight <= 0 || u32(m_CellHeight) > imageHeight) return false;
    const u64 count = u64(m_Last) - m_First + 1;
    if (count > (size - kHeaderSize) / kGlyphSize) return false;
    std::vector<GxFontGlyph> glyphs(static_cast<size_t>(count));
    for (u64 i = 0; i < count; ++i) {
        const u8* e = bytes + kHeaderSize + i * kGlyphSize;
        GxFontGlyph& g = glyphs[size_t(i)];
        g.m_X = ReadU16(e);
        g.m_Y = ReadU16(e + 2);
        g.m_Width = ReadU16(e + 4);
        g.m_Reserved = ReadU16(e + 6);
        if (u64(g.m_X) + g.m_Width <= imageWidth && u64(g.m_Y) + u64(m_CellHeight) <= imageHeight) continue;
        if (firstCut && *firstCut == 0xFFFFFFFFu) *firstCut = u32(m_First + i);
        if (g.m_X < imageWidth && u64(g.m_Y) + u64(m_CellHeight) <= imageHeight) {
            g.m_Width = u16(imageWidth - g.m_X);
        } else {
            g.m_X = g.m_Y = g.m_Width = 0;
        }
    }
    m_Glyphs = std::move(glyphs);
    return true;
}

bool GxFontData::CreateFromFileA(const char* tableFile, const char* imageFile) {
    return CreateFromFile(Wide(tableFile).c_str(), Wide(imageFile).c_str());
}

GxTexture* GxFontData::GetTexture() { return &m_Texture; }

std::shared_ptr<prender::texture> GxFontData::GetD3DTexture() { return m_Texture.GetD3DTexture(); }

bool GxFontData::HasChar(u32 ch) const { return !m_Glyphs.empty() && m_First <= ch && ch <= m_Last; }

s32 GxFontData::GetCharWidth(u32 ch) const { return HasChar(ch) ? m_Glyphs[ch - m_First].m_Width : m_CellWidth; }

s32 GxFontData::GetStringWidth(const GxChar* text) const {
    s32 width = 0;
    for (const GxChar* p = text; p && *p; ++p) width += GetCharWidth(*p);
    return width;
}

s32 GxFontData::GetCellHeight() const { return m_CellHeight; }
s32 GxFontData::GetCellWidth() const { return m_CellWidth; }
u32 GxFontData::GetFirst() const { return m_First; }
u32 GxFontData::GetLast() const { return m_Last; }
s32 GxFontData::GetTextureWidth() const { return m_TextureWidth; }
s32 GxFontData::GetTextureHeight() const { return m_TextureHeight; }
GxString GxFontData::GetName() const { return GxString(m_Name); }
const std::vector<GxFontGlyph>& GxFontData::GetGlyphs() const { return m_Glyphs; }

bool GxFontData::GetCharUV(u32 ch, f32* uLeft, f32* vTop, f32* uRight, f32* vBottom) {
    f32 u0 = 0, v0 = 0, u1 = 0, v1 = 0;
    const bool has = HasChar(ch);
    if (has) {
        const GxFontGlyph& g = m_Glyphs[ch - m_First];
        u0 = m_Texture.ToU(f32(g.m_X));
        v0 = m_Texture.ToV(f32(g.m_Y));
        u1 = m_Texture.ToU(f32(g.m_X) + f32(g.m_Width));
        v1 = m_Texture.ToV(f32(g.m_Y) + f32(m_CellHeight));
    }
    if (uLeft) *uLeft = u0;
    if (vTop) *vTop = v0;
    if (uRight) *uRight = u1;
    if (vBottom) *vBottom = v1;
    return has;
}
