#pragma once
// A crammed image set: a texture atlas read from a ".gis" content stream. A
// few atlas images (crammed images) hold the trimmed patterns of many origin
// images; any pattern is drawn as one textured quad. Sets are shared through
// GxNcCrammedImageSetFactory, which creates and deletes them.
#include "layers/GxNcCrammedImage.h"
#include "layers/GxNcOriginImage.h"
#include "layers/GxObjectRefCountNotAutoDelete.h"

#include <memory>
#include <unordered_map>
#include <vector>

class GxContentReaderBase;

// The largest ".gis" file read: a set's records are names and rectangles, a
// few dozen bytes each; sixteen megabytes would hold hundreds of thousands.
inline constexpr u32 kGxImageSetMaxFileSize = 16u << 20;
// The largest side of any picture the engine decodes: no image of a set, no
// atlas and no pattern is larger.
inline constexpr s32 kGxImageSetMaxSide = 16384;

class GxNcCrammedImageSet : public GxObjectRefCountNotAutoDelete {
public:
    GxNcCrammedImageSet();
    ~GxNcCrammedImageSet() override;

    // At 0 the set empties itself: names, origin images and atlas textures go.
    u32 Release() override;
    // The first origin image of exactly that name, or null.
    virtual GxNcOriginImage* FindOriginImage(GxStringView name);
    // Every atlas texture from the texture factory under directory + its
    // file name. A failure is logged and the others still load; false when
    // any failed.
    virtual bool LoadAttachedTexture(GxStringView directory);

    // The body of a ".gis" stream after its header: the economy flag and both
    // arrays, then the links of the patterns to their atlas images. False
    // when the stream reported an error (reading stops at the first) or a
    // count exceeded what the bytes left could hold. An origin image whose
    // size, or a pattern's frame or kept part, no picture could have (beyond
    // kGxImageSetMaxSide, a kept part outside its atlas) is dropped with a
    // line; the rest of the set stays.
    bool Read(GxContentReaderBase* reader);

    GxString m_FileName;
    GxString m_Directory;
    bool m_EconomyMode = false;
    std::vector<std::unique_ptr<GxNcCrammedImage>> m_CrammedImageArray;
    std::vector<std::unique_ptr<GxNcOriginImage>> m_OriginImageArray;

private:
    void Empty();
    std::unordered_map<GxString, size_t> m_OriginIndex;
    size_t m_OriginIndexed = 0;

    void DropImplausibleImages(GxContentReaderBase* reader);
};
