#include "ui/GxTaskUITipHelpIs.h"

#include "graphics/GxCharWidth.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcOriginImage.h"
#include "tasks/GxSystemConfig.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxUIText.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const GxChar* kClassName = u"GxTaskUITipHelpIs";

constexpr f32 kScreenWidth = 1024.0f;
constexpr f32 kScreenHeight = 768.0f;
// The pointer's distance from the box's near corner.
constexpr f32 kPointerGap = 24.0f;

// The tiles [first, last) of a row of `count` tiles from `origin` that lie
// on a screen side `screen` long; none for a position that is no number.
void VisibleTiles(f32 origin, s64 count, f32 screen, s64* first, s64* last) {
    *first = *last = 0;
    if (!std::isfinite(origin) || count <= 0) return;
    const f64 tile = GxTaskUITipHelpIs::kTileSize;
    *first = s64(std::clamp(std::floor(-f64(origin) / tile), 0.0, f64(count)));
    *last = s64(std::clamp(std::ceil((f64(screen) - origin) / tile), 0.0, f64(count)));
}

// The skin cell of a tile: 0 for the first, 3 for the last, 1 between.
s32 SkinCell(s64 index, s64 count) {
    if (index == 0) return 0;
    return index == count - 1 ? 3 : 1;
}

} // namespace

GxTaskUITipHelpIs::GxTaskUITipHelpIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                     s32 localIndex)
    : GxTaskUIIsBase(parent, name, localName, localIndex),
      m_Style(1, GxUISystemConfig().m_SystemShadowColor) {
    SetTaskTag(kTypeCode);
    m_EventBlockFlag = false;
    m_ModalFlag = true;
}

void GxTaskUITipHelpIs::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIIsBase::ApplyModuleRecord(m);
    SetTextFontIndex(m.FontIndex);
}

void GxTaskUITipHelpIs::SetTextFontIndex(s32 index) {
    m_Style.SetFontIndex(index, kClassName);
}

bool GxTaskUITipHelpIs::LoadImages() {
    m_pSkin = nullptr;
    if (m_ImageName.empty()) return true;
    GxNcCrammedImageSet* set = GetImageSet(u"GxTaskUITipHelpIs/ImageSet wasn't Loaded:%s [%s]\n");
    if (!set) return false;
    m_pSkin = FindImage(set, u".png");
    if (!m_pSkin) {
        LogImageMessage(u"GxTaskUITipHelpIs/Image not found:%s [%s]\n", m_ImageName + u".png");
        return false;
    }
    return true;
}

s32 GxTaskUITipHelpIs::GetPatternCount() const { return m_pSkin ? s32(m_pSkin->m_PatternArray.size()) : 0; }

// ---- text and size ---------------------------------------------------------------

template <class F>
GxTaskUITipHelpIs::LineEnd GxTaskUITipHelpIs::WalkLines(F&& place) const {
    const GxChar bar = GxUISystemConfig().m_VerticalBarChar;
    const s64 size = m_Style.m_TextFontSize;
    LineEnd end;
    s64 pen = 0;
    for (GxChar ch : m_Text) {
        if (ch == bar || ch == u'\n') {
            ++end.m_Lines;
            pen = 0;
            end.m_AtLineStart = true;
            continue;
        }
        const s64 at = pen, line = end.m_Lines;
        pen += GxGetCharCellWidth(ch) * size / 2;
        end.m_AtLineStart = pen + size >= m_NewLineWidth;
        if (end.m_AtLineStart) {
            ++end.m_Lines;
            pen = 0;
        }
        place(ch, at, line, pen);
    }
    return end;
}

s32 GxTaskUITipHelpIs::MeasureText(s32* width) {
    s64 widest = 0;
    LineEnd end = WalkLines([&](GxChar, s64, s64, s64 penAfter) {
        widest = std::max(widest, m_Style.m_TextFontSize + penAfter);
    });
    // A text that ends with a break starts no further line.
    if (end.m_AtLineStart && end.m_Lines > 0) --end.m_Lines;
    if (width) *width = s32(std::clamp<s64>(widest, INT32_MIN, INT32_MAX));
    return s32(std::clamp<s64>(end.m_Lines, 0, INT32_MAX));
}

void GxTaskUITipHelpIs::SetText(const GxChar* text) {
    m_Text = text ? text : u"";
    s32 width = 0;
    const s64 breaks = MeasureText(&width);
    const s64 size = m_Style.m_TextFontSize, pad = m_Padding, tile = kTileSize;
    const s64 tilesAcross = std::max<s64>(2, (size + 2 * pad + width - 1) / tile);
    const s64 tilesDown = std::max<s64>(2, ((breaks + 2) * size + 2 * pad - 1) / tile);
    m_Width = s32(std::min<s64>(tilesAcross * tile, INT32_MAX));
    m_Height = s32(std::min<s64>(tilesDown * tile, INT32_MAX));
    if (m_Text.empty()) Hide();
}

// ---- place and pointer ---------------------------------------------------------------

void GxTaskUITipHelpIs::SetTipPosition(const GxVector3& p) {
    m_Placed = true;
    m_PlacedFor = GxVector2(std::trunc(p.x), std::trunc(p.y));
    SetPos(p.x - kPointerGap, p.y + kPointerGap, p.z, 0);
    GxVector4 w;
    GetWorldPos(&w);
    const f32 width = f32(m_Width), height = f32(m_Height);
    GxVector4& pos = m_Visual.m_Pos;
    if (width + w.x > kScreenWidth) pos.x = pos.x - width + 2 * kPointerGap;
    if (height + w.y > kScreenHeight) pos.y = pos.y - height - 2 * kPointerGap;
    if (pos.x < 0) pos.x = 0;
    if (pos.y < 0) pos.y = 0;
    if (pos.x + width > kScreenWidth) pos.x = kScreenWidth - width;
    if (pos.y + height > kScreenHeight) pos.y = kScreenHeight - height;
}

int GxTaskUITipHelpIs::OnMouseMove(const GxVector2&, u32) {
    if (CanOperate(0) && m_AutoHide && IsVisible()) Hide();
    return 0;
}

int GxTaskUITipHelpIs::Update(int step, s64 elapsed) {
    GxTaskUIIsBase::Update(step, elapsed);
    if (m_Placed && m_AutoHide && IsVisible() && !(GetPointer() == m_PlacedFor) && CanOperate(0)) Hide();
    return 0;
}

// ---- drawing ---------------------------------------------------------------------------

int GxTaskUITipHelpIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    GxVector4 w;
    GetWorldPos(&w);
    BeginWidgetDraw();
    if (m_pSkin) {
        const s64 columns = m_Width / kTileSize, rows = m_Height / kTileSize;
        // A box that reaches past the screen is drawn only where it shows.
        s64 c0, c1, r0, r1;
        VisibleTiles(w.x, columns, kScreenWidth, &c0, &c1);
        VisibleTiles(w.y, rows, kScreenHeight, &r0, &r1);
        for (s64 r = r0; r < r1; ++r) {
            for (s64 c = c0; c < c1; ++c) {
                const s32 sc = SkinCell(c, columns) * kTileSize, sr = SkinCell(r, rows) * kTileSize;
                GxMatrix at;
                at.SetTranslation(w.x + f32(c * kTileSize), w.y + f32(r * kTileSize), w.z);
                const GxRect cell{sc, sr, sc + kTileSize, sr + kTileSize};
                DrawCrammedPatternClipped(m_PatternIndex, m_pSkin, cell, at, GetAlphaScale(), m_Visual.m_Color0,
                                          m_Visual.m_Color1, u32(m_Visual.m_BlendMode));
            }
        }
    }
    GxGDIFontMap* map = GxUIFontMap(m_Style.m_TextFontIndex);
    const GxUIGlyphStyle style = m_Style.GlyphStyle(GetAlphaScale(), u32(m_Visual.m_BlendMode));
    const s64 size = m_Style.m_TextFontSize, pad = m_Padding;
    WalkLines([&](GxChar ch, s64 at, s64 line, s64) {
        DrawGlyphAt(map, ch, w, f32(pad + at), f32(pad + line * size), style);
    });
    GxGraphics::EndScene();
    return 0;
}

// ---- stored form -------------------------------------------------------------------------

bool GxTaskUITipHelpIs::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIBase::WriteContent(w);
    if (!w) return false;
    WriteImageNames(w);
    w->Write("m_PatternIndex", m_PatternIndex);
    m_Style.Write(w);
    w->Write("m_NewLineWidth", m_NewLineWidth);
    w->Write("m_AutoHide", m_AutoHide);
    w->Write("m_Padding", m_Padding);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUITipHelpIs::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIBase::ReadContent(r);
    if (!r) return false;
    ReadImageNames(r);
    r->Read("m_PatternIndex", &m_PatternIndex);
    m_Style.Read(r, kClassName);
    r->Read("m_NewLineWidth", &m_NewLineWidth);
    r->Read("m_AutoHide", &m_AutoHide);
    r->Read("m_Padding", &m_Padding);
    ReleaseImages();
    ResetEventState();
    return ok && r->GetErrorCount() == 0;
}
