// The debug status overlay drawn by the system scene on the headless engine:
// shown with the debug console switch, not shown when only slight errors
// were logged.
#include "GameFolder.h"

#include "engine/GxCore.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxSwapChain.h"
#include "platform/image/image.h"

namespace {

using proctest::GameFolderTest;
namespace fs = std::filesystem;

class DebugStatusDraw : public GameFolderTest {
protected:
    // Past the title's fade in over the boot screen.
    static constexpr int kPasses = 40;
    // The top-left 400 × 80 pixels of the frame after the passes.
    std::vector<uint32_t> Run(const std::string& settings) {
        WriteGame("Overlay", "SAVE_TO_MYDOCUMENTS=0\n", settings);
        // A black title picture, so that the title scene draws nothing but black.
        fs::create_directories(game_ / "cg" / "ui");
        const std::vector<uint32_t> black(16 * 16, 0xFF000000u);
        EXPECT_TRUE(pimage::save_png((game_ / "cg" / "ui" / "bg_title.png").string(), black.data(), 16, 16, 64));
        testing::internal::CaptureStderr();
        const bool started = core_.Initialize();
        testing::internal::GetCapturedStderr();
        EXPECT_TRUE(started);
        for (int i = 0; i < kPasses; ++i) EXPECT_TRUE(core_.RunPass());
        const auto back = GxGraphics::GetDefaultSwapChain()->GetD3DSwapChain()->back_buffer(0);
        const std::vector<uint32_t> all = back->read_argb();
        const u32 w = back->desc().width;
        std::vector<uint32_t> corner;
        for (u32 y = 0; y < 80; ++y)
            for (u32 x = 0; x < 400; ++x) corner.push_back(all[y * w + x]);
        core_.Finalize();
        return corner;
    }
    void TearDown() override {
        if (core_.IsStarted()) core_.Finalize();
        GameFolderTest::TearDown();
    }
    GxCore core_;
};

TEST_F(DebugStatusDraw, TheDebugConsoleSwitchShowsTheOverlay) {
    const std::vector<uint32_t> px = Run("DebugConsoleFlag=1\n");
    // The translucent blue-black background over the black frame; the
    // status line (font slot 1, 15 pixels high) in yellow, as start-up
    // logged an error (the boot scene is missing), and the call stack's
    // "Script:実行していません" below it in white.
    size_t back = 0, yellow = 0, white = 0;
    for (size_t i = 0; i < px.size(); ++i) {
        const uint32_t p = px[i], r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        back += p == 0xFF000028u;
        if (i / 400 < 15) yellow += r > 0xC0 && g > 0xC0 && b < 0x40;
        else if (i / 400 < 30) white += r > 0xC0 && g > 0xC0 && b > 0xC0;
    }
    EXPECT_GT(back, 2000u);
    EXPECT_GT(yellow, 100u);
    EXPECT_GT(white, 50u);
    EXPECT_EQ(px[79 * 400 + 399], 0xFF000000u) << "nothing beyond the overlay";
}

TEST_F(DebugStatusDraw, SlightErrorsAloneDoNotShowIt) {
    // Start-up logs that the boot scene is missing; with slight errors
    // skipped and the script not stopped on an error, nothing is drawn.
    const std::vector<uint32_t> px = Run("DebugConsoleFlag=0\n");
    for (uint32_t p : px) ASSERT_EQ(p, 0xFF000000u);
}

} // namespace
