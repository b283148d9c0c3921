#include "ui/GxTaskUINoticePanelFx.h"

#include "graphics/GxGraphics.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcCrammedPattern.h"
#include "layers/GxNcOriginImage.h"
#include "tasks/GxSystemConfig.h"
#include "ui/GxUIText.h"

#include <algorithm>

GxTaskUINoticePanelFx::GxTaskUINoticePanelFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                             s32 localIndex)
    : GxTaskUITextPanelFx(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}

template <class F>
void GxTaskUINoticePanelFx::ForEachPlace(s32 areaWidth, F&& f) const {
    const s32 size = m_PanelText.m_TextFontSize;
    const GxChar lineFeed = GxUISystemConfig().m_VerticalBarChar;
    s32 x = 0, y = 0;
    for (GxChar ch : m_Text) {
        if (ch == lineFeed) {
            x = 0;
            y = GxUIAddSat(y, size);
            continue;
        }
        f(ch, x, y);
        x = GxUIAddSat(x, GxUICharWidth(ch, size));
        if (s64(x) + size >= areaWidth) {
            x = 0;
            y = GxUIAddSat(y, size);
        }
    }
}

GxPoint2 GxTaskUINoticePanelFx::MeasureText(s32 areaWidth) const {
    s32 right = 0, bottom = 0;
    ForEachPlace(areaWidth, [&](GxChar, s32 x, s32 y) {
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    });
    const s32 size = m_PanelText.m_TextFontSize;
    return GxPoint2{std::min(GxUIAddSat(right, size), areaWidth), GxUIAddSat(bottom, size)};
}

int GxTaskUINoticePanelFx::Render(int drawParam, int listIndex) {
    GxTaskUIPanelFx::Render(drawParam, listIndex);
    if (!IsActiveInScene()) return 0;
    BeginWidgetDraw();
    GxVector4 w;
    GetWorldPos(&w);
    const f32 alpha = GetAlphaScale();
    // Wide enough for any rectangle a save may hold.
    s64 left = m_ClientLeft, top = m_ClientTop, width = m_ClientWidth, height = m_ClientHeight;
    const GxNcCrammedPattern* icon = m_pIcon ? m_pIcon->GetPattern(0) : nullptr;
    if (icon) {
        s64 x = left + (width - icon->m_Width) / 2, y = top + (height - icon->m_Height) / 2;
        if (m_IconPlacement == kIconLeft) {
            x = left;
            left += icon->m_Width;
            width -= icon->m_Width;
        } else if (m_IconPlacement == kIconTop) {
            y = top;
            top += icon->m_Height;
            height -= icon->m_Height;
        }
        GxMatrix at;
        at.SetTranslationV(GxVector3(w.x + f32(x), w.y + f32(y), 0));
        DrawCrammedPattern(0, m_pIcon, at, alpha, GxFColor(1, 1, 1, 1), GxFColor(0, 0, 0, 0), 2);
    }
    const s32 areaWidth = GxUIAddSat(0, width);
    const GxPoint2 block = MeasureText(areaWidth);
    const f32 x0 = w.x + f32(left + (width - block.x) / 2), y0 = w.y + f32(top + (height - block.y) / 2);
    GxUIGlyphStyle style;
    style.m_Colour = GxUIScaleAlpha(m_PanelText.m_TextColor, alpha);
    style.m_BlendMode = u32(m_Visual.m_BlendMode);
    style.m_Edge = m_PanelText.m_UseEdge;
    style.m_EdgeColour = GxUIScaleAlpha(m_PanelText.m_EdgeColor, alpha);
    GxGDIFontMap* map = GxUIFontMap(m_PanelText.m_TextFontIndex);
    ForEachPlace(areaWidth, [&](GxChar ch, s32 x, s32 y) {
        GxUIDrawGlyph(map, ch, x0 + f32(x), y0 + f32(y), kGxVector2One, style);
    });
    GxGraphics::EndScene();
    return 0;
}
