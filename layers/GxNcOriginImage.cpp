#include "layers/GxNcOriginImage.h"

#include "graphics/GxTexture.h"
#include "graphics/GxTextureFactory.h"

void GxNcOriginImage::Clear() {
    if (m_pTexture) GxTextureFactory::GetInstance().Release(m_pTexture);
    m_pTexture = nullptr;
    m_FileName.clear();
    m_PatternCount = m_ImageWidth = m_ImageHeight = 0;
    m_PreserveFlag = 0;
    m_PatternArray.clear();
}

const GxNcCrammedPattern* GxNcOriginImage::GetPattern(s32 index) const {
    if (index < 0 || size_t(index) >= m_PatternArray.size()) return nullptr;
    return &m_PatternArray[size_t(index)];
}
