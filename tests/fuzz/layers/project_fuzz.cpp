// A layout project read from any bytes, in the text and the binary form,
// then every motion evaluated at a few times: counts, tree depth and links
// are checked before use, and evaluation never leaves the layer arrays.
#include "layers/GxNcContentFile.h"
#include "layers/GxNcMotionSnapShotEx.h"
#include "layers/GxNcProject.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    GxNcContentFile file;
    if (!file.OpenBytes(data, u32(size), "NCPROJ", GxNcContentFile::OtherForms::AsBinary)) return 0;
    GxNcProject project;
    std::vector<GxString> sets;
    if (!project.ReadStream(file.GetReader(), &sets)) return 0;
    GxNcMotionSnapShotEx snap;
    for (const auto& g : project.m_MotionGroupList)
        for (const auto& m : g->m_MotionList)
            for (s32 t : {-7, 0, 1, 29, 1000})
                snap.Update(&project, m.get(), t, GxVector4(), nullptr, GxFColor(1, 1, 1, 1), 1, nullptr);
    return 0;
}
