#include "ui/GxTaskUIMenuIs.h"
#include "ui/GxUIText.h"

#include "graphics/GxDraw.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcOriginImage.h"

#include <algorithm>
#include <cmath>

GxTaskUIMenuIs::GxTaskUIMenuIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName, s32 localIndex)
    : GxTaskUIIsBase(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}

int GxTaskUIMenuIs::Update(int step, s64 elapsed) {
    GxTaskUIBase::Update(step, elapsed);
    m_FrameCount = s32(u32(m_FrameCount) + 1u);
    return 0;
}

s32 GxTaskUIMenuIs::GetHeight() {
    return s32(std::clamp<s64>((s64(m_Items.size()) + 2) * m_Height, INT32_MIN, INT32_MAX));
}

void GxTaskUIMenuIs::SetFontIndex(s32 index) { m_FontIndex = GxUICheckFontIndex(index, u"GxTaskUIMenuIs"); }

// ---- images ------------------------------------------------------------------

bool GxTaskUIMenuIs::LoadImages() {
    GxNcCrammedImageSet* set = GetImageSet(u"GxTaskUIMenuIs/ImageSet wasn't Loaded:%s [%s]\n");
    if (!set) return false;
    const std::pair<GxNcOriginImage**, const GxChar*> rows[] = {
        {&m_pHead, u"_head.png"}, {&m_pBody, u"_body.png"}, {&m_pFoot, u"_foot.png"}};
    for (const auto& [record, suffix] : rows) {
        *record = FindImage(set, suffix);
        if (!*record) {
            LogImageMessage(u"GxTaskUIMenuIs/Image not found:%s [%s]\n", m_ImageName + suffix);
            return false;
        }
    }
    if (const GxNcCrammedPattern* body = m_pBody->GetPattern(0)) {
        if (m_Width == 0) m_Width = body->m_Width;
        if (m_Height == 0) m_Height = body->m_Height;
    }
    ApplyClientDefaults();
    return true;
}

void GxTaskUIMenuIs::ReleaseImages() { m_pHead = m_pBody = m_pFoot = nullptr; }

// ---- items -------------------------------------------------------------------

GxUIMenuItem* GxTaskUIMenuIs::AddItemRecord(const GxUIMenuItem& item) {
    m_Items.push_back(item);
    return &m_Items.back();
}

GxUIMenuItem* GxTaskUIMenuIs::AddItem(GxString text, GxString label, s32 value, GxString description) {
    GxUIMenuItem item;
    item.m_Text = std::move(text);
    item.m_Label = std::move(label);
    item.m_Value = value;
    item.m_Description = std::move(description);
    return AddItemRecord(item);
}

void GxTaskUIMenuIs::ClearItems() {
    m_Items.clear();
    // The indices would otherwise point past the new, shorter list.
    m_HoverIndex = m_SelectedIndex = -1;
}

void GxTaskUIMenuIs::ClearSelection() {
    for (GxUIMenuItem& item : m_Items) item.m_Ticked = false;
    m_HoverIndex = m_SelectedIndex = -1;
    SetDescription(GxString());
}

GxUIMenuItem* GxTaskUIMenuIs::GetItem(s32 index) {
    return index >= 0 && size_t(index) < m_Items.size() ? &m_Items[size_t(index)] : nullptr;
}

s32* GxTaskUIMenuIs::GetColumnWidth(s32 index) {
    return index >= 0 && size_t(index) < m_ColumnWidths.size() ? &m_ColumnWidths[size_t(index)] : nullptr;
}

GxString GxTaskUIMenuIs::GetSelectedLabel() const {
    return m_SelectedIndex >= 0 && size_t(m_SelectedIndex) < m_Items.size() ? m_Items[size_t(m_SelectedIndex)].m_Label
                                                                            : GxString();
}

s32 GxTaskUIMenuIs::GetSelectedValue() const {
    return m_SelectedIndex >= 0 && size_t(m_SelectedIndex) < m_Items.size() ? m_Items[size_t(m_SelectedIndex)].m_Value
                                                                            : -1;
}

void GxTaskUIMenuIs::SetDescription(const GxString& text) {
    if (m_DescriptWidget) m_DescriptWidget->SetText(text.c_str());
}

// ---- pointer -----------------------------------------------------------------

bool GxTaskUIMenuIs::HitTestClient(const GxVector4* w, f32 x, f32 y) {
    if (!w) return false;
    const f64 rx = f64(x) - w->x - m_ClientLeft, ry = f64(y) - w->y - m_Height;
    return 0 < rx && rx < m_ClientWidth && 0 < ry && ry < f64(m_Items.size()) * m_Height;
}

s32 GxTaskUIMenuIs::RowAt(const GxVector4& w, f32 y) const {
    // Inside the rows the height is above 0; the division's rounding must
    // not carry a point just above the foot past the last row.
    const f64 row = std::trunc((f64(y) - w.y - m_Height) / m_Height);
    return s32(std::clamp(row, 0.0, f64(m_Items.size()) - 1));
}

int GxTaskUIMenuIs::OnMouseMove(const GxVector2& pos, u32) {
    if (!CanOperate(0)) return 0;
    GxVector4 w;
    GetWorldPos(&w);
    if (!HitTestClient(&w, pos.x, pos.y)) {
        m_HoverIndex = -1;
        SetDescription(GxString());
        return 0;
    }
    m_HoverIndex = RowAt(w, pos.y);
    const GxUIMenuItem& item = m_Items[size_t(m_HoverIndex)];
    SetDescription(item.m_Description);
    if (!item.m_Enabled) m_HoverIndex = -1;
    return m_MouseMoveBlockFlag ? 1 : 0;
}

int GxTaskUIMenuIs::OnLButtonDown(const GxVector2& pos, u32, bool) {
    if (!CanOperate(0)) return 0;
    GxVector4 w;
    GetWorldPos(&w);
    if (!HitTestClient(&w, pos.x, pos.y)) return 0;
    const s32 row = RowAt(w, pos.y);
    m_HoverIndex = row;
    if (!m_Items[size_t(row)].m_Enabled) {
        m_HoverIndex = m_SelectedIndex = -1;
        return 0;
    }
    m_SelectedIndex = row;
    RaisePointerEvent(UIEVENT_SELECT, pos, row);
    return m_EventBlockFlag ? 1 : 0;
}

// ---- drawing -------------------------------------------------------------------

int GxTaskUIMenuIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    GxVector4 w;
    GetWorldPos(&w);
    BeginWidgetDraw();
    const f32 alpha = GetAlphaScale();
    const f32 rowHeight = f32(m_Height);
    const size_t count = m_Items.size();
    const auto drawRow = [&](const GxNcOriginImage* image, f64 row) {
        GxMatrix at;
        at.SetTranslation(w.x, f32(w.y + row * rowHeight), w.z);
        DrawCrammedPattern(0, image, at, alpha, m_Visual.m_Color0, m_Visual.m_Color1, u32(m_Visual.m_BlendMode));
    };
    drawRow(m_pHead, 0);
    for (size_t i = 0; i < count; ++i) drawRow(m_pBody, f64(i) + 1);
    drawRow(m_pFoot, f64(count) + 1);

    if (m_HoverIndex != -1) {
        const f32 left = w.x + f32(m_ClientLeft), top = f32(w.y + (f64(m_HoverIndex) + 1) * rowHeight);
        const f32 rect[4] = {left, top, left + f32(m_ClientWidth), top + rowHeight};
        const u32 bar = GxUIScaleAlpha(kHoverBarColor, GetAlphaScale());
        const u32 colours[5] = {bar, bar, bar, bar, bar};
        const u32 none[5] = {};
        GxDrawGradientRect(rect, colours, none, 0);
    }

    GxGDIFontMap* map = GxGlobalFonts::GetFontMap(m_FontIndex);
    const u32 outline = GxUIScaleAlpha(kOutlineColor, GetAlphaScale());
    for (size_t i = 0; i < count; ++i) {
        const GxUIMenuItem& item = m_Items[i];
        const s32 row = s32(i);
        u32 colour = kNormalColor, second = 0;
        if (!item.m_Enabled)
            colour = kDisabledColor;
        else if (item.m_Ticked || row == m_SelectedIndex)
            colour = kSelectedColor, second = kSelectedSecondColor;
        else if (row == m_HoverIndex)
            colour = kHoverColor, second = kHoverSecondColor;
        colour = GxUIScaleAlpha(colour, GetAlphaScale());
        const f32 left = w.x + f32(m_ClientLeft);
        const f32 top = f32(w.y + (f64(i) + 1) * rowHeight + m_ClientTop);
        DrawOutlinedText(map, item.m_Text, left + item.m_TextOffset.x, top + item.m_TextOffset.y, colour, second,
                         outline, 0);
        // Sub-item k starts after column widths 0 to k; the row's own text
        // is not shifted by them.
        s64 columns = 0;
        for (size_t k = 0; k < item.m_SubItems.size(); ++k) {
            if (k < m_ColumnWidths.size()) columns += m_ColumnWidths[k];
            const GxUIMenuItem& sub = item.m_SubItems[k];
            DrawOutlinedText(map, sub.m_Text, left + f32(columns) + sub.m_TextOffset.x, top + sub.m_TextOffset.y,
                             colour, second, outline, 0);
        }
    }
    GxGraphics::EndScene();
    return 0;
}
