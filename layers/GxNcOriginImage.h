#pragma once
// One source picture of a crammed image set, cut into patterns. Its name is
// compared exactly, so set files store origin names in lower case.
#include "layers/GxNcCrammedPattern.h"

#include <vector>

class GxTexture;

class GxNcOriginImage {
public:
    GxNcOriginImage() = default;
    ~GxNcOriginImage() { Clear(); }
    GxNcOriginImage(const GxNcOriginImage&) = delete;
    GxNcOriginImage& operator=(const GxNcOriginImage&) = delete;

    // Empties the record; a texture it holds goes back to the texture factory.
    void Clear();
    // The pattern, or null for an index outside the array.
    const GxNcCrammedPattern* GetPattern(s32 index) const;

    GxString m_FileName;
    s32 m_PatternCount = 0;
    s32 m_ImageWidth = 0;
    s32 m_ImageHeight = 0;
    u32 m_PreserveFlag = 0;
    std::vector<GxNcCrammedPattern> m_PatternArray;
    GxTexture* m_pTexture = nullptr;
};
