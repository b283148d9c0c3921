#include "layers/GxNcCrammedImageSet.h"

#include "base/GxLog.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFactory.h"
#include "io/GxContentReaderBase.h"

namespace {

// A list's element count, refused when the stream cannot hold that many
// elements (each takes at least one byte).
bool ReadCount(GxContentReaderBase* r, const char* name, u32* count) {
    *count = 0;
    r->ReadListBegin(name, count);
    if (*count <= r->GetRemainingBytes()) return true;
    GxWriteErrorLog(u"GxNcCrammedImageSet/%Sの要素数が不正です(%u)\n", name, *count);
    *count = 0;
    return false;
}

void ReadPattern(GxContentReaderBase* r, GxNcCrammedPattern* p) {
    r->Read("m_Left", &p->m_Left);
    r->Read("m_Top", &p->m_Top);
    r->Read("m_Width", &p->m_Width);
    r->Read("m_Height", &p->m_Height);
    r->Read("m_CrammedImageIndex", &p->m_CrammedImageIndex);
    r->Read("m_CrammedOffsetLeft", &p->m_CrammedOffsetLeft);
    r->Read("m_CrammedOffsetTop", &p->m_CrammedOffsetTop);
    r->Read("m_CrammedLeft", &p->m_CrammedLeft);
    r->Read("m_CrammedTop", &p->m_CrammedTop);
    r->Read("m_CrammedWidth", &p->m_CrammedWidth);
    r->Read("m_CrammedHeight", &p->m_CrammedHeight);
    r->Read("m_CenterPosX", &p->m_CenterPosX);
    r->Read("m_CenterPosY", &p->m_CenterPosY);
    if (r->PeekValueType() == kGxValFRect) r->Read("m_CrammedRawUV", &p->m_CrammedRawUV);
    r->Read("m_NoCutoffFlag", &p->m_NoCutoffFlag);
    r->Read("m_Selected", &p->m_Selected);
}

} // namespace

GxNcCrammedImageSet::GxNcCrammedImageSet() = default;

GxNcCrammedImageSet::~GxNcCrammedImageSet() {
    ReleaseAll();
    Empty();
}

u32 GxNcCrammedImageSet::Release() {
    const u32 left = GxObjectRefCountNotAutoDelete::Release();
    if (left == 0) Empty();
    return left;
}

void GxNcCrammedImageSet::Empty() {
    m_FileName.clear();
    m_Directory.clear();
    m_OriginImageArray.clear();
    m_CrammedImageArray.clear();
}

GxNcOriginImage* GxNcCrammedImageSet::FindOriginImage(GxStringView name) {
    for (const std::unique_ptr<GxNcOriginImage>& o : m_OriginImageArray)
        if (o->m_FileName == name) return o.get();
    return nullptr;
}

bool GxNcCrammedImageSet::LoadAttachedTexture(GxStringView directory) {
    bool all = true;
    const u32 format = m_EconomyMode ? kGxFmtA4R4G4B4 : kGxFmtA8R8G8B8;
    for (const std::unique_ptr<GxNcCrammedImage>& c : m_CrammedImageArray) {
        const GxString name = GxString(directory) + c->m_FileName;
        // Unscaled: patterns address the atlas in its own pixels.
        GxD3DResourceBase* r =
            GxTextureFactory::GetInstance().Create(name.c_str(), kGxTextureKindFile, 0, 0, 1, format, 0, false);
        c->m_pTexture = static_cast<GxTexture*>(r);
        if (!r) {
            GxWriteErrorLog(u"LoadAttachedTexture:Load Failed:%s\n", name);
            all = false;
        }
    }
    return all;
}

bool GxNcCrammedImageSet::Read(GxContentReaderBase* r) {
    if (!r) return false;
    r->Read("m_EconomyMode", &m_EconomyMode);
    u32 count = 0;
    bool counts = ReadCount(r, "m_CrammedImageArray", &count);
    for (u32 i = 0; i < count; ++i) {
        auto c = std::make_unique<GxNcCrammedImage>();
        r->ReadListElementBegin();
        r->Read("m_FileName", &c->m_FileName);
        r->Read("m_ImageWidth", &c->m_ImageWidth);
        r->Read("m_ImageHeight", &c->m_ImageHeight);
        r->Read("m_Count", &c->m_Count);
        r->Read("m_PreserveFlag", &c->m_PreserveFlag);
        r->ReadListElementEnd();
        m_CrammedImageArray.push_back(std::move(c));
    }
    r->ReadListEnd();
    if (counts) counts = ReadCount(r, "m_OriginImageArray", &count);
    for (u32 i = 0; counts && i < count; ++i) {
        auto o = std::make_unique<GxNcOriginImage>();
        r->ReadListElementBegin();
        r->Read("m_FileName", &o->m_FileName);
        r->Read("m_PatternCount", &o->m_PatternCount);
        r->Read("m_ImageWidth", &o->m_ImageWidth);
        r->Read("m_ImageHeight", &o->m_ImageHeight);
        r->Read("m_PreserveFlag", &o->m_PreserveFlag);
        u32 patterns = 0;
        counts = ReadCount(r, "m_PatternArray", &patterns);
        o->m_PatternArray.resize(patterns);
        for (GxNcCrammedPattern& p : o->m_PatternArray) {
            r->ReadListElementBegin();
            ReadPattern(r, &p);
            r->ReadListElementEnd();
        }
        r->ReadListEnd();
        r->ReadListElementEnd();
        m_OriginImageArray.push_back(std::move(o));
    }
    if (counts) r->ReadListEnd();
    for (const std::unique_ptr<GxNcOriginImage>& o : m_OriginImageArray)
        for (GxNcCrammedPattern& p : o->m_PatternArray) {
            const s32 i = p.m_CrammedImageIndex;
            p.m_pCrammedImage =
                (i >= 0 && size_t(i) < m_CrammedImageArray.size()) ? m_CrammedImageArray[size_t(i)].get() : nullptr;
        }
    return counts && r->GetErrorCount() == 0;
}
