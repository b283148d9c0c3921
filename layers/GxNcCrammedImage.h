#pragma once
// One atlas image of a crammed image set, and its texture once loaded.
#include "base/GxTypes.h"

class GxTexture;

class GxNcCrammedImage {
public:
    GxNcCrammedImage() = default;
    ~GxNcCrammedImage() { Clear(); }
    GxNcCrammedImage(const GxNcCrammedImage&) = delete;
    GxNcCrammedImage& operator=(const GxNcCrammedImage&) = delete;

    // Gives the texture back to the texture factory and empties the record.
    void Clear();

    GxString m_FileName;
    s32 m_ImageWidth = 0;
    s32 m_ImageHeight = 0;
    s32 m_Count = 0;
    u32 m_PreserveFlag = 0;
    GxTexture* m_pTexture = nullptr;
};
