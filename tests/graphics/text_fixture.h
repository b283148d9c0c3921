#pragma once
// Shared set-up for the text tests: a started device with an A8R8G8B8 render
// target to draw into, and the guard that ties golden text pixels to the
// font file and rasteriser they were made with.
#include "graphics_fixture.h"

#include "base/GxCrc32.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "platform/glyph/face_finder.h"
#include "platform/glyph/font.h"
#include "support/TempDir.h"

#include <sstream>

namespace gxtest {

// The default face's file and the rasteriser the golden text pictures were
// drawn with; another font version (or FreeType) draws other pixels.
constexpr uint32_t kGoldenFontCrc = 0xE98A36A7;  // IPAGothic 003.03 (fonts-ipafont-gothic 00303)
constexpr const char* kGoldenRasteriser = "FreeType 2.12.1";

// Empty when the goldens apply here, else why not.
inline std::string GoldenFontMismatch() {
    const pglyph::face_lookup face = pglyph::find_face(u"");
    if (!face.found) return "no font is installed";
    const std::vector<unsigned char> bytes = qtest::ReadBytes(face.choice.file);
    const uint32_t crc = CalcCrc32(bytes.data(), u32(bytes.size()));
    const std::string version = pglyph::rasteriser_version();
    if (crc == kGoldenFontCrc && version == kGoldenRasteriser) return "";
    std::ostringstream why;
    why << "golden text pixels were drawn with the font of CRC-32 " << std::hex << kGoldenFontCrc << " and "
        << kGoldenRasteriser << "; this machine has " << face.choice.file << " (CRC-32 " << crc << ") and "
        << version;
    return why.str();
}

class TextTest : public GraphicsTest {
protected:
    // A cleared render target on slot 0 inside an open scene with the 2-D
    // states.
    void Begin(uint32_t w, uint32_t h, uint32_t clear) {
        ASSERT_TRUE(Start());
        ASSERT_TRUE(target_.CreateRenderTarget(u"target", w, h, kGxFmtA8R8G8B8, 0, 0));
        ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &target_, nullptr, nullptr));
        ASSERT_TRUE(GxGraphics::Clear(kGxClearTarget, clear, 1.0f, 0));
        ASSERT_TRUE(GxGraphics::BeginScene());
        GxSetDefaultRenderStates();
        w_ = w;
    }
    std::vector<uint32_t> End() {
        EXPECT_TRUE(GxGraphics::EndScene());
        std::vector<uint32_t> px = target_.GetD3DSurface()->read_argb();
        EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
        return px;
    }
    uint32_t At(const std::vector<uint32_t>& px, int x, int y) const { return px[size_t(y) * w_ + size_t(x)]; }
    void TearDown() override {
        target_.Release();
        GraphicsTest::TearDown();
    }

    GxSurface target_;
    uint32_t w_ = 0;
};

} // namespace gxtest
