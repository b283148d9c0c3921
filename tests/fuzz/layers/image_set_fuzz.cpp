// A crammed image set read from any bytes, in the text and the binary form:
// counts are checked before anything is allocated, and every pattern's link
// points into the set's own atlas array or nowhere.
#include "layers/GxNcContentFile.h"
#include "layers/GxNcCrammedImageSet.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    GxNcContentFile file;
    if (!file.OpenBytes(data, u32(size), "GIMGSET", GxNcContentFile::OtherForms::Refuse)) return 0;
    GxNcCrammedImageSet set;
    set.Read(file.GetReader());
    for (const auto& o : set.m_OriginImageArray)
        for (const GxNcCrammedPattern& p : o->m_PatternArray) {
            if (!p.m_pCrammedImage) continue;
            bool found = false;
            for (const auto& c : set.m_CrammedImageArray) found |= c.get() == p.m_pCrammedImage;
            if (!found) __builtin_trap();
        }
    return 0;
}
