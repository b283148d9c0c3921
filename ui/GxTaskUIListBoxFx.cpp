#include "ui/GxTaskUIListBoxFx.h"

#include "base/GxFColor.h"
#include "graphics/GxDraw.h"
#include "graphics/GxDrawFilledRect.h"
#include "graphics/GxFontData.h"
#include "graphics/GxFontDataText.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxLerp.h"
#include "tasks/GxSystemConfig.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxUIText.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const GxChar* kClassName = u"GxTaskUIListBoxFx";

// Component by component.
u32 Multiply(u32 a, u32 b) { return (GxFColor::FromARGB(a) * GxFColor::FromARGB(b)).ToARGB(); }

} // namespace

GxTaskUIListBoxFx::GxTaskUIListBoxFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                     s32 localIndex)
    : GxTaskUIPanelFx(parent, name, localName, localIndex),
      m_Style(1, GxUISystemConfig().m_SystemEdgeColor) {
    SetTaskTag(kTypeCode);
}

void GxTaskUIListBoxFx::OnStartSequence(int workerIndex) {
    GxTaskUIPanelFx::OnStartSequence(workerIndex);
    SyncScrollBar();
}

void GxTaskUIListBoxFx::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIPanelFx::ApplyModuleRecord(m);
    SetTextFontIndex(m.FontIndex);
}

void GxTaskUIListBoxFx::SetTextFontIndex(s32 index) {
    m_Style.SetFontIndex(index, kClassName);
}

bool GxTaskUIListBoxFx::LoadImages() {
    const bool widthGiven = m_ClientWidth != 0, heightGiven = m_ClientHeight != 0;
    const bool loaded = GxTaskUIPanelFx::LoadImages();
    // Unlike the panel's, the margin is kept on the left and top only.
    if (!widthGiven) m_ClientWidth = GxTruncToS32(f64(m_Width) - m_ClientLeft);
    if (!heightGiven) m_ClientHeight = GxTruncToS32(f64(m_Height) - m_ClientTop);
    if (m_VisibleRows == 0 && GetRowPitch() > 0) m_VisibleRows = s32(m_ClientHeight / GetRowPitch());
    return loaded;
}

// ---- value and items -----------------------------------------------------------

s32 GxTaskUIListBoxFx::GetLargestTopIndex() const {
    return s32(std::max<s64>(s64(m_Items.size()) - m_VisibleRows, 0));
}

void GxTaskUIListBoxFx::SetValue(f64 value) {
    const f64 top = GetLargestTopIndex();
    m_Value = !(value >= 0.0) ? 0.0 : std::min(value, top);
}

GxUIListItem* GxTaskUIListBoxFx::AddItemRecord(const GxUIListItem& item) {
    m_Items.push_back(item);
    return &m_Items.back();
}

GxUIListItem* GxTaskUIListBoxFx::AddItem(const GxChar* text, const GxChar* prefix, s32 prefixFont,
                                         const GxChar* label, s32 value, const GxChar* description) {
    GxUIListItem item;
    item.m_Text = text ? text : u"";
    item.m_Prefix = prefix ? prefix : u"";
    item.m_PrefixFont = prefixFont;
    item.m_Label = label ? label : u"";
    item.m_Value = value;
    item.m_Description = description ? description : u"";
    GxUIListItem* stored = AddItemRecord(item);
    if (m_ScrollBar) m_ScrollBar->SetMax(GetLargestTopIndex());
    return stored;
}

GxUIListItem* GxTaskUIListBoxFx::AddItemText(GxUIListItem* item, const GxChar* text) {
    if (!item) return nullptr;
    GxUIListItem sub;
    sub.m_Text = text ? text : u"";
    item->m_SubItems.push_back(sub);
    return &item->m_SubItems.back();
}

void GxTaskUIListBoxFx::ClearItems() {
    m_Items.clear();
    m_HoverColumn = m_HoverIndex = m_SelectedColumn = m_SelectedIndex = -1;
    SetValueInt(0);
    if (m_ScrollBar) m_ScrollBar->SetMax(0.0);
    SetDescription(GxString());
}

void GxTaskUIListBoxFx::ClearSelection() {
    for (GxUIListItem& item : m_Items) item.m_Ticked = false;
    m_HoverColumn = m_HoverIndex = m_SelectedColumn = m_SelectedIndex = -1;
    SetDescription(GxString());
}

void GxTaskUIListBoxFx::ClearColumnWidths() {
    m_ColumnWidths.clear();
    m_HoverColumn = m_HoverIndex = m_SelectedColumn = m_SelectedIndex = -1;
}

GxUIListItem* GxTaskUIListBoxFx::GetItem(s32 index) {
    return index >= 0 && size_t(index) < m_Items.size() ? &m_Items[size_t(index)] : nullptr;
}

s32* GxTaskUIListBoxFx::GetColumnWidth(s32 index) {
    return index >= 0 && size_t(index) < m_ColumnWidths.size() ? &m_ColumnWidths[size_t(index)] : nullptr;
}

GxString GxTaskUIListBoxFx::GetSelectedText() const {
    return m_SelectedIndex >= 0 && size_t(m_SelectedIndex) < m_Items.size() ? m_Items[size_t(m_SelectedIndex)].m_Label
                                                                            : GxString();
}

s32 GxTaskUIListBoxFx::GetSelectedValue() const {
    return m_SelectedIndex >= 0 && size_t(m_SelectedIndex) < m_Items.size() ? m_Items[size_t(m_SelectedIndex)].m_Value
                                                                            : -1;
}

void GxTaskUIListBoxFx::SyncScrollBar() {
    if (!m_ScrollBar) return;
    m_ScrollBar->SetMax(GetLargestTopIndex());
    m_ScrollBar->SetValueInt(GetValueRounded());
}

void GxTaskUIListBoxFx::SetDescription(const GxString& text) {
    if (m_DescriptWidget) m_DescriptWidget->SetText(text.c_str());
}

// ---- pointer -----------------------------------------------------------------------

s32 GxTaskUIListBoxFx::ItemAt(const GxVector2& p) {
    GxVector4 w;
    GetWorldPos(&w);
    const s64 pitch = GetRowPitch();
    if (!HitTestClient(&w, p.x, p.y) || pitch <= 0) return -1;
    const f64 row = std::trunc((f64(p.y) - w.y - m_ClientTop) / f64(pitch));
    if (row >= m_VisibleRows) return -1;
    const f64 index = f64(GetValueInt()) + row;
    return index >= 0 && index < f64(m_Items.size()) ? s32(index) : -1;
}

int GxTaskUIListBoxFx::OnMouseMove(const GxVector2& pos, u32) {
    if (!CanOperate(0)) return 0;
    const s32 index = ItemAt(pos);
    if (index < 0) {
        m_HoverColumn = m_HoverIndex = -1;
        SetDescription(GxString());
        return 0;
    }
    const GxUIListItem& item = m_Items[size_t(index)];
    SetDescription(item.m_Description);
    if (item.m_Enabled)
        m_HoverIndex = index;
    else
        m_HoverColumn = m_HoverIndex = -1;
    return m_MouseMoveBlockFlag ? 1 : 0;
}

int GxTaskUIListBoxFx::OnMouseWheel(const GxVector2& pos, s32 delta, u32) {
    if (!CanOperate(0) || !IsInside(pos)) return 0;
    // One row a turn, however many notches it brings.
    const s32 notches = delta / 120;
    if (notches != 0) {
        SetValueInt(GetValueInt() + (notches > 0 ? -1 : 1));
        m_HoverColumn = m_HoverIndex = -1;
    }
    if (m_ScrollBar) m_ScrollBar->SetValueInt(GetValueRounded());
    return m_EventBlockFlag ? 1 : 0;
}

int GxTaskUIListBoxFx::OnLButtonDown(const GxVector2& pos, u32, bool) {
    if (!CanOperate(0) || !IsInsideClient(pos)) return 0;
    const s32 index = ItemAt(pos);
    if (index >= 0 && m_Items[size_t(index)].m_Enabled) {
        m_HoverIndex = m_SelectedIndex = index;
    } else {
        m_SelectedColumn = m_SelectedIndex = -1;
    }
    m_EventState = UIEVENT_SELECT;
    if (IsEventReported(UIEVENT_SELECT)) {
        GxUIEventParam ev(UIEVENT_SELECT, this, 0);
        ev.m_Vector0 = GxVector4(f32(m_SelectedColumn), f32(m_SelectedIndex), 0, 0);
        GetWorldPos(&ev.m_Vector1);
        DispatchUIEvent(&ev);
    }
    return m_EventBlockFlag ? 1 : 0;
}

// ---- drawing -------------------------------------------------------------------------

void GxTaskUIListBoxFx::DrawEntry(const GxUIListItem& entry, f32 x, f32 y, u32 colour, u32 edge) {
    GxFontData* font = GxGlobalFonts::GetFontData(entry.m_PrefixFont);
    if (font && !entry.m_Prefix.empty()) {
        const GxVector2 one(1, 1);
        const f32 prefixY = y + f32((GetRowPitch() - font->GetCellHeight()) / 2);
        GxDrawFontDataText(entry.m_Prefix.c_str(), font, x, prefixY, &one, nullptr, nullptr, colour, 0, 0);
        // Whatever the glyphs, the text starts a space's width on per character.
        x += f32(s64(entry.m_Prefix.size()) * font->GetCharWidth(u' '));
    }
    DrawOutlinedText(GxGlobalFonts::GetFontMap(m_Style.m_TextFontIndex), entry.m_Text, x, y, colour, 0, edge, 0);
}

int GxTaskUIListBoxFx::Render(int drawParam, int listIndex) {
    if (!IsActiveInScene()) return 0;
    GxTaskUIPanelFx::Render(drawParam, listIndex);
    GxVector4 w;
    GetWorldPos(&w);
    BeginWidgetDraw();
    const f64 pitch = f64(GetRowPitch());
    const u32 edge = GxUIScaleAlpha(m_Style.m_EdgeColor, GetAlphaScale());
    const s64 top = std::max<s64>(GetValueInt(), 0);
    // One row is drawn even when no row is visible.
    for (s64 r = 0; top + r < s64(m_Items.size()); ++r) {
        const s64 index = top + r;
        const GxUIListItem& item = m_Items[size_t(index)];
        const f32 originX = w.x + 1, originY = f32(w.y + 1 + f64(r) * pitch);
        const f32 barLeft = w.x + f32(m_ClientLeft), barTop = f32(w.y + m_ClientTop + f64(r) * pitch);
        const f32 bar[4] = {barLeft, barTop, barLeft + f32(m_ClientWidth), f32(barTop + pitch)};
        u32 colour;
        if (!item.m_Enabled) {
            colour = kDisabledTextColor;
        } else if (item.m_Ticked || index == m_SelectedIndex) {
            colour = Multiply(item.m_Color, kSelectedTextColor);
            const u32 fill = GxUIScaleAlpha(kSelectedBarColor, GetAlphaScale());
            const u32 colours[5] = {fill, fill, fill, fill, fill};
            const u32 none[5] = {};
            GxDrawGradientRect(bar, colours, none, 0);
        } else {
            colour = Multiply(item.m_Color, m_Style.m_TextColor);
            if (index == m_HoverIndex)
                GxDrawFilledRect(GxRect{GxTruncToS32(bar[0]), GxTruncToS32(bar[1]), GxTruncToS32(bar[2]),
                                        GxTruncToS32(bar[3])},
                                 GxUIScaleAlpha(kHoverBarColor, GetAlphaScale()), 0, 0);
        }
        const f32 x = originX + f32(m_ClientLeft), y = originY + f32(m_ClientTop);
        DrawEntry(item, x + item.m_TextOffset.x, y + item.m_TextOffset.y, GxUIScaleAlpha(colour, GetAlphaScale()), edge);
        // Columns keep their own colours whatever the row's state.
        s64 columns = 0;
        for (size_t k = 0; k < item.m_SubItems.size(); ++k) {
            if (k < m_ColumnWidths.size()) columns += m_ColumnWidths[k];
            const GxUIListItem& sub = item.m_SubItems[k];
            DrawEntry(sub, x + f32(columns) + sub.m_TextOffset.x, y + sub.m_TextOffset.y,
                      GxUIScaleAlpha(Multiply(sub.m_Color, m_Style.m_TextColor), GetAlphaScale()), edge);
        }
        if (r + 1 >= m_VisibleRows) break;
    }
    GxGraphics::EndScene();
    return 0;
}

// ---- stored form ---------------------------------------------------------------------

bool GxTaskUIListBoxFx::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIPanelFx::WriteContent(w);
    if (!w) return false;
    m_Style.Write(w);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUIListBoxFx::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIPanelFx::ReadContent(r);
    if (!r) return false;
    m_Style.Read(r, kClassName);
    // The stored value was kept within the list the box had; it has none yet.
    SetValue(m_Value);
    return ok && r->GetErrorCount() == 0;
}
