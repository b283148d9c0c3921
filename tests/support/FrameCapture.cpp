#include "support/FrameCapture.h"

#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "tasks/GxCoreBase.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

bool SameArea(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int left, int top, int width, int height,
              int tolerance) {
    if (a.empty() || b.empty()) return false;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) {
            const uint32_t p = a[size_t(y) * 1024 + size_t(x)], q = b[size_t(y) * 1024 + size_t(x)];
            for (int shift : {0, 8, 16, 24})
                if (std::abs(int(p >> shift & 0xFF) - int(q >> shift & 0xFF)) > tolerance) return false;
        }
    return true;
}

} // namespace qtest
