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

using TextTest = TargetTest;

} // namespace gxtest
