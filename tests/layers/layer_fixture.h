#pragma once
// Shared pieces of the layer tests: content streams in memory, and a task
// tree under a manager that deletes it.
#include "tests/script/moa_stream.h"
#include "tasks/GxTaskBase.h"
#include "tasks/GxTaskManage.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace ltest {

// A stream written by body and read back by check, in the given form.
inline void RoundTrip(bool text, const std::function<void(GxContentWriterBase&)>& body,
                      const std::function<void(GxContentReaderBase&)>& check) {
    mtest::StreamReader r(qtest::WriteContentBytes(text, "LAYTEST", 1, body), "LAYTEST", true);
    ASSERT_TRUE(r.headerOk);
    check(*r);
}

// A manager with a plain top task; tasks made under it are deleted with it.
struct TaskTree {
    GxTaskManage manager;
    GxTaskBase* top = new GxTaskBase(&manager);
};

} // namespace ltest

#include "graphics/GxGlobalFonts.h"
#include "graphics/GxSurface.h"
#include "graphics/texture_fixture.h"
#include "layers/GxNcCrammedImageSetFactory.h"
#include "layers/GxNcProjectFactory.h"

namespace ltest {

// A started device in a scratch working folder, a render target to draw
// into, and factories left empty after every test.
class GfxTest : public gxtest::DrawingTest<gxtest::FileTest> {
protected:
    // A small screen, so that screen-wide content fits a golden picture; the
    // back buffer (and its depth surface) stays larger than any target.
    static constexpr u32 kScreenW = 64, kScreenH = 48;

    void SetUp() override {
        FileTest::SetUp();
        GxGraphicsConfig& c = GxGraphics::GetConfig();
        c.m_ScreenWidth = kScreenW;
        c.m_ScreenHeight = kScreenH;
        c.m_BackBufferWidth = c.m_BackBufferHeight = 256;
        ASSERT_TRUE(Start());
    }
    void TearDown() override {
        GxNcProjectFactory::GetInstance().ClearAll();
        GxNcCrammedImageSetFactory::GetInstance().Clear();
        GxGlobalFonts::ReleaseAll();
        DrawingTest::TearDown();
    }
    // Compared with tests/golden/layers/NAME.png.
    ::testing::AssertionResult Golden(const std::string& name, const std::vector<uint32_t>& px) {
        return gxtest::MatchesGolden(name, px, w_, h_, "layers");
    }
};

// An atlas whose every pixel tells its position: red = 4x, green = 8y.
inline std::vector<uint32_t> AtlasPixels(int w, int h) {
    std::vector<uint32_t> px(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px[size_t(y) * w + x] = 0xFF000040u | uint32_t(x * 4) << 16 | uint32_t(y * 8) << 8;
    return px;
}

} // namespace ltest
