#include "layers/GxNcCrammedImage.h"

#include "graphics/GxTexture.h"
#include "graphics/GxTextureFactory.h"

void GxNcCrammedImage::Clear() {
    // A texture that never loaded is not handed back: the factory would
    // only warn about a release of nothing.
    if (m_pTexture) GxTextureFactory::GetInstance().Release(m_pTexture);
    m_pTexture = nullptr;
    m_FileName.clear();
    m_ImageWidth = m_ImageHeight = m_Count = 0;
    m_PreserveFlag = 0;
}
