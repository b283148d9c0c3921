#pragma once
// The guard that ties golden text pixels to the font file and rasteriser
// they were made with; text is drawn into the render target of TargetTest.
#include "graphics_fixture.h"

#include "base/GxCrc32.h"
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

// The columns and rows of a picture with lit pixels (any channel above
// 0x40) inside a rectangle; left > right when none is lit.
struct Lit {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool Any() const { return right >= 0; }
};
inline Lit LitArea(const std::vector<uint32_t>& px, int w, int x0, int y0, int x1, int y1) {
    Lit l;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint32_t p = px[size_t(y) * size_t(w) + size_t(x)];
            if (((p >> 16) & 0xFF) > 0x40 || ((p >> 8) & 0xFF) > 0x40 || (p & 0xFF) > 0x40) {
                l.left = std::min(l.left, x), l.right = std::max(l.right, x);
                l.top = std::min(l.top, y), l.bottom = std::max(l.bottom, y);
            }
        }
    return l;
}

using TextTest = TargetTest;

} // namespace gxtest
