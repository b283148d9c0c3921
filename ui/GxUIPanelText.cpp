#include "ui/GxUIPanelText.h"

#include "graphics/GxFontMapText.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxLerp.h"
#include "tasks/GxSystemConfig.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIText.h"

#include <algorithm>

namespace {
constexpr s64 kFar = 1 << 24;
}

GxUIPanelText::GxUIPanelText() : GxUITextStyle(2, GxUISystemConfig().m_SystemEdgeColor) {}

void GxUIPanelText::Write(GxContentWriterBase* w) const {
    GxUITextStyle::Write(w);
    w->Write("m_AutoAlign", m_AutoAlign);
}

void GxUIPanelText::Read(GxContentReaderBase* r, const GxChar* className) {
    GxUITextStyle::Read(r, className);
    r->Read("m_AutoAlign", &m_AutoAlign);
}

void GxUIPanelText::DrawInClient(const GxTaskUIBase& widget, f32 alphaScale) const {
    GxVector4 w;
    widget.GetWorldPos(&w);
    // Held well inside the s32 range (a damaged save may hold any client
    // rectangle) so that the layout's own sums and differences cannot wrap;
    // the screen is 1024 x 768.
    const auto held = [](s64 v) { return s32(std::clamp<s64>(v, -kFar, kFar)); };
    GxRect area;
    area.left = held(s64(GxTruncToS32(w.x)) + widget.GetClientLeft());
    area.top = held(s64(GxTruncToS32(w.y)) + widget.GetClientTop());
    area.right = held(s64(area.left) + widget.GetClientWidth());
    area.bottom = held(s64(area.top) + widget.GetClientHeight());
    using Layout = GxRect* (*)(GxRect*, GxGDIFontMap*, const GxChar*, const GxRect*, u32, u32, u32, u32, GxChar);
    // Any placement other than 1 and 2 is the first.
    const Layout layout = m_AutoAlign == 1   ? GxDrawPanelTextAlign1
                          : m_AutoAlign == 2 ? GxDrawPanelTextAlign2
                                             : GxDrawPanelTextAlign0;
    GxRect drawn;
    layout(&drawn, GxUIFontMap(m_TextFontIndex), widget.GetText().c_str(), &area,
           GxUIScaleAlpha(m_TextColor, alphaScale), 0, GxUIScaleAlpha(m_EdgeColor, alphaScale),
           u32(widget.GetBlendMode()), GxUISystemConfig().m_VerticalBarChar);
}
