#pragma once
// A widget whose picture is one opaque rectangle, for tests of what is drawn
// over what: it goes to the render list its kind and its place in the task
// tree give it, like every widget, and paints where its picture would be.
#include "graphics/GxDraw.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxRenderState.h"
#include "ui/GxTaskUINull.h"

#include <algorithm>
#include <iterator>

namespace qtest {

class PaintedWidget : public GxTaskUINull {
public:
    // rect: left, top, right, bottom in pixels of the back buffer.
    PaintedWidget(GxTaskBase* parent, const f32 (&rect)[4], u32 colour, f32 orderZ, bool topMost)
        : GxTaskUINull(parent), m_Colour(colour) {
        std::copy(std::begin(rect), std::end(rect), m_Rect);
        SetOrderZ(orderZ);
        SetTopMostFlag(topMost);
    }
    int Render(int, int) override {
        if (!GxGraphics::BeginScene()) return 0;
        GxSetDefaultRenderStates();
        const u32 colours[5] = {m_Colour, m_Colour, m_Colour, m_Colour, m_Colour};
        const u32 seconds[5] = {};
        GxDrawGradientRect(m_Rect, colours, seconds, kBlendAlpha);
        GxGraphics::EndScene();
        return 0;
    }

private:
    static constexpr u32 kBlendAlpha = 2;
    f32 m_Rect[4] = {};
    u32 m_Colour = 0;
};

} // namespace qtest
