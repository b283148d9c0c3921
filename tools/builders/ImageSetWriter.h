#pragma once
// Writes crammed image sets (".gis") and their atlas PNGs, for the tests and
// the sample game. The engine only reads sets; this writer follows the same
// value list, and a hand-made golden file pins both against one misreading.
// Free of test frameworks, so tools can use it too.
#include "base/GxVector.h"
#include "io/GxContentWriterBase.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace qtest {

struct ImageSetPattern {
    s32 left = 0, top = 0, width = 0, height = 0;
    s32 crammedIndex = 0;
    s32 offsetLeft = 0, offsetTop = 0;
    s32 crammedLeft = 0, crammedTop = 0, crammedWidth = 0, crammedHeight = 0;
    f32 centerX = 0, centerY = 0;
    bool hasRawUV = false;  // write m_CrammedRawUV
    GxFRect rawUV;
    u32 noCutoff = 0, selected = 0;
};

struct ImageSetOrigin {
    GxString name;  // lower case: the engine compares origin names exactly
    s32 patternCount = -1;  // -1: the number of patterns
    s32 width = 0, height = 0;
    u32 preserve = 0;
    std::vector<ImageSetPattern> patterns;
};

struct ImageSetAtlas {
    GxString fileName;  // relative to the set's folder
    s32 width = 0, height = 0;
    s32 count = 0;
    u32 preserve = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, width × height; none: no PNG is written
};

struct ImageSetSpec {
    bool economy = false;
    std::vector<ImageSetAtlas> atlases;
    std::vector<ImageSetOrigin> origins;
};

// The values after the header.
void WriteImageSetValues(GxContentWriterBase& w, const ImageSetSpec& spec);
// The whole ".gis" stream ("TGIMGSET" or "BGIMGSET", version 100).
std::vector<unsigned char> BuildImageSet(const ImageSetSpec& spec, bool text);
// root/<name>.gis and each atlas PNG beside it (name may hold folders).
// False when a file cannot be written.
bool WriteImageSetFiles(const std::filesystem::path& root, const std::string& name, const ImageSetSpec& spec, bool text);

// One pattern covering a whole atlas region, kept untrimmed.
ImageSetPattern WholePattern(s32 atlas, s32 x, s32 y, s32 w, s32 h);

} // namespace qtest
