#include "layers/GxSubLayerContent.h"

#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTextureFlex.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"

GxSubLayerContent::GxSubLayerContent() = default;
GxSubLayerContent::~GxSubLayerContent() = default;

void GxSubLayerContent::Clear() {
    m_pTexture.reset();
    m_Visible = false;
    m_Alpha = 255;
    m_ContentFileName.clear();
    m_Width = m_Height = 0;
    m_OffsetPos = GxVector2();
}

bool GxSubLayerContent::LoadImage(GxStringView file) {
    Clear();
    if (file.empty()) return false;
    m_ContentFileName = GxString(file);
    return Reload();
}

bool GxSubLayerContent::Reload() {
    m_pTexture.reset();
    if (m_ContentFileName.empty()) return false;
    m_pTexture = std::make_unique<GxTextureFlex>();
    const bool ok = m_pTexture->CreateFromFile(m_ContentFileName.c_str(), kGxFmtA4R4G4B4, 0);
    m_Width = s32(m_pTexture->GetImageWidth());
    m_Height = s32(m_pTexture->GetImageHeight());
    if (!ok) m_pTexture.reset();
    return ok;
}

bool GxSubLayerContent::Write(GxContentWriterBase* w) {
    if (!w) return false;
    w->Write("m_Visible", m_Visible);
    w->Write("m_Alpha", m_Alpha);
    w->Write("m_ContentFileName", m_ContentFileName);
    w->Write("m_Width", m_Width);
    w->Write("m_Height", m_Height);
    w->Write("m_OffsetPos", m_OffsetPos);
    return w->GetErrorCount() == 0;
}

bool GxSubLayerContent::Read(GxContentReaderBase* r) {
    if (!r) return false;
    r->Read("m_Visible", &m_Visible);
    r->Read("m_Alpha", &m_Alpha);
    r->Read("m_ContentFileName", &m_ContentFileName);
    r->Read("m_Width", &m_Width);
    r->Read("m_Height", &m_Height);
    r->Read("m_OffsetPos", &m_OffsetPos);
    return r->GetErrorCount() == 0;
}
