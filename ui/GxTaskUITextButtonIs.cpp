#include "ui/GxTaskUITextButtonIs.h"

#include "graphics/GxCharWidth.h"
#include "graphics/GxGraphics.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "tasks/GxSystemConfig.h"
#include "ui/DBUIModuleRecord.h"
#include "ui/GxUIText.h"

#include <algorithm>

namespace {

constexpr const GxChar* kClassName = u"GxTaskUITextButtonIs";

} // namespace

GxTaskUITextButtonIs::GxTaskUITextButtonIs(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                           s32 localIndex)
    : GxTaskUIButtonIs(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
    // The panels' settings with the button's own outline colour.
    m_PanelText.m_EdgeColor = GxUISystemConfig().m_SystemShadowColor;
}

void GxTaskUITextButtonIs::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIButtonIs::ApplyModuleRecord(m);
    SetTextFontIndex(m.FontIndex);
}

void GxTaskUITextButtonIs::SetTextFontIndex(s32 index) { m_PanelText.SetFontIndex(index, kClassName); }

s32 GxTaskUITextButtonIs::GetTextStartX() const {
    const GxChar bar = GxUISystemConfig().m_VerticalBarChar;
    const s64 size = m_PanelText.m_TextFontSize, client = m_ClientWidth;
    s64 width = client;
    if (m_PanelText.m_AutoAlign != 0 && !m_Text.empty()) {
        width = 0;
        for (GxChar ch : m_Text) {
            if (ch == bar) {
                width = client;
                break;
            }
            width += GxGetCharCellWidth(ch) * size / 2;
        }
    }
    width = std::min(width, client);
    return s32(std::clamp<s64>((client - width) / 2 + m_ClientLeft, INT32_MIN, INT32_MAX));
}

void GxTaskUITextButtonIs::DrawText() {
    GxGDIFontMap* map = GxUIFontMap(m_PanelText.m_TextFontIndex);
    if (!map || m_Text.empty()) return;
    const GxChar bar = GxUISystemConfig().m_VerticalBarChar;
    const GxUIGlyphStyle style = m_PanelText.GlyphStyle(GetAlphaScale(), u32(m_Visual.m_BlendMode));
    GxVector4 world;
    GetWorldPos(&world);
    const s64 size = m_PanelText.m_TextFontSize, start = GetTextStartX();
    s64 pen = 0, line = 0;
    for (GxChar ch : m_Text) {
        if (ch == bar) {
            line += size;
            pen = 0;
            continue;
        }
        const f32 x = f32(start + pen), y = f32(m_ClientTop + line);
        pen += GxGetCharCellWidth(ch) * size / 2;
        if (pen + size >= m_ClientWidth) {
            pen = 0;
            line += size;
        }
        DrawGlyphAt(map, ch, world, x, y, style);
    }
}

int GxTaskUITextButtonIs::Render(int, int) {
    if (!IsActiveInScene()) return 0;
    BeginWidgetDraw();
    DrawFace(GetFace(m_ImageIndex, kFaceNa), GetAlphaScale());
    DrawText();
    GxGraphics::EndScene();
    return 0;
}

bool GxTaskUITextButtonIs::WriteContent(GxContentWriterBase* w) {
    bool ok = GxTaskUIButtonIs::WriteContent(w);
    if (!w) return false;
    m_PanelText.Write(w);
    return ok && w->GetErrorCount() == 0;
}

bool GxTaskUITextButtonIs::ReadContent(GxContentReaderBase* r) {
    bool ok = GxTaskUIButtonIs::ReadContent(r);
    if (!r) return false;
    m_PanelText.Read(r, kClassName);
    return ok && r->GetErrorCount() == 0;
}
