#include "support/FrameCapture.h"

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "tasks/GxCoreBase.h"

#include <gtest/gtest.h>

namespace qtest {

std::vector<uint32_t> DrawFrame(GxCoreBase& core, u32 w, u32 h, bool clearFirst) {
    GxSurface target;
    EXPECT_TRUE(target.CreateRenderTarget(u"frame", w, h, kGxFmtA8R8G8B8, 0, 0));
    EXPECT_TRUE(GxGraphics::PushRenderTarget(0, &target, nullptr, nullptr));
    if (clearFirst) {
        EXPECT_TRUE(GxGraphics::Clear(kGxClearTarget, 0xFF000000, 1.0f, 0));
    }
    core.DrawRenderLists();
    std::vector<uint32_t> px = target.GetD3DSurface()->read_argb();
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
    target.Release();
    return px;
}

} // namespace qtest
