#include "layers/GxNcCrammedImageSet.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFactory.h"
#include "io/GxContentReaderBase.h"
#include "io/GxFileSystem.h"

namespace {

// The fewest bytes each kind of element takes in the file.
constexpr u32 kAtlasBytes = GxContentMinReadBytes(kGxValStringUTF8, kGxValS32, kGxValS32, kGxValS32, kGxValU32);
constexpr u32 kOriginBytes = GxContentMinReadBytes(kGxValStringUTF8, kGxValS32, kGxValS32, kGxValS32, kGxValU32,
                                                   kGxValListBegin, kGxValListEnd);
constexpr u32 kPatternBytes = 11 * GxContentMinReadBytes(kGxValS32) +
                              GxContentMinReadBytes(kGxValF32, kGxValF32, kGxValU32, kGxValU32);

// A list's element count, refused when the stream cannot hold that many
// elements of their least size.
bool ReadCount(GxContentReaderBase* r, const char* name, u32 elementBytes, u32* count) {
    *count = 0;
    r->ReadListBegin(name, count);
    if (r->GetErrorCount() != 0) {
        *count = 0;
        return false;
    }
    if (r->CanHold(*count, elementBytes)) return true;
    r->ComplainAbout(GxFormat(u"GxNcCrammedImageSet/%Sの要素数が不正です(%u)\n", name, *count));
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

bool Within(s64 v, s64 lo, s64 hi) { return v >= lo && v <= hi; }

// Whether the sizes and places a pattern states are any a picture can have:
// a frame no larger than the largest picture, a kept part inside its atlas
// (or, on no atlas, no larger than a picture).
bool Plausible(const GxNcCrammedPattern& p, const GxNcCrammedImage* atlas) {
    constexpr s64 S = kGxImageSetMaxSide;
    if (!Within(p.m_Width, 0, S) || !Within(p.m_Height, 0, S) || !Within(p.m_Left, -S, S) ||
        !Within(p.m_Top, -S, S) || !Within(p.m_CrammedOffsetLeft, -S, S) || !Within(p.m_CrammedOffsetTop, -S, S) ||
        !Within(p.m_CrammedWidth, 0, S) || !Within(p.m_CrammedHeight, 0, S))
        return false;
    if (!atlas) return Within(p.m_CrammedLeft, -S, S) && Within(p.m_CrammedTop, -S, S);
    return Within(atlas->m_ImageWidth, 0, S) && Within(atlas->m_ImageHeight, 0, S) &&
           Within(p.m_CrammedLeft, 0, s64(atlas->m_ImageWidth) - p.m_CrammedWidth) &&
           Within(p.m_CrammedTop, 0, s64(atlas->m_ImageHeight) - p.m_CrammedHeight);
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
    m_OriginIndex.clear();
    m_OriginIndexed = 0;
}

GxNcOriginImage* GxNcCrammedImageSet::FindOriginImage(GxStringView name) {
    // The index stands for the array as read; one changed since is searched.
    if (m_OriginIndexed == m_OriginImageArray.size() && !m_OriginImageArray.empty()) {
        const auto it = m_OriginIndex.find(GxString(name));
        return it == m_OriginIndex.end() ? nullptr : m_OriginImageArray[it->second].get();
    }
    for (const std::unique_ptr<GxNcOriginImage>& o : m_OriginImageArray)
        if (o->m_FileName == name) return o.get();
    return nullptr;
}

bool GxNcCrammedImageSet::LoadAttachedTexture(GxStringView directory) {
    bool all = true;
    const u32 format = m_EconomyMode ? kGxFmtA4R4G4B4 : kGxFmtA8R8G8B8;
    for (const std::unique_ptr<GxNcCrammedImage>& c : m_CrammedImageArray) {
        const GxString name = GxString(directory) + c->m_FileName;
        // A missing atlas is said once, here, not also by the texture's
        // loader.
        GxD3DResourceBase* r = nullptr;
        // Unscaled: patterns address the atlas in its own pixels.
        if (GxFileExists(name) != kGxFileNotFound)
            r = GxTextureFactory::GetInstance().Create(name.c_str(), kGxTextureKindFile, 0, 0, 1, format, 0, false);
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
    // Reading stops at the first value that fails: what follows it would be
    // read out of step.
    auto good = [r] { return r->GetErrorCount() == 0; };
    bool counts = good() && ReadCount(r, "m_CrammedImageArray", kAtlasBytes, &count);
    for (u32 i = 0; i < count && good(); ++i) {
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
    if (counts && good()) r->ReadListEnd();
    if (counts && good()) counts = ReadCount(r, "m_OriginImageArray", kOriginBytes, &count);
    for (u32 i = 0; counts && i < count && good(); ++i) {
        auto o = std::make_unique<GxNcOriginImage>();
        r->ReadListElementBegin();
        r->Read("m_FileName", &o->m_FileName);
        r->Read("m_PatternCount", &o->m_PatternCount);
        r->Read("m_ImageWidth", &o->m_ImageWidth);
        r->Read("m_ImageHeight", &o->m_ImageHeight);
        r->Read("m_PreserveFlag", &o->m_PreserveFlag);
        u32 patterns = 0;
        counts = good() && ReadCount(r, "m_PatternArray", kPatternBytes, &patterns);
        o->m_PatternArray.resize(patterns);
        for (GxNcCrammedPattern& p : o->m_PatternArray) {
            if (!good()) break;
            r->ReadListElementBegin();
            ReadPattern(r, &p);
            r->ReadListElementEnd();
        }
        if (good()) r->ReadListEnd();
        r->ReadListElementEnd();
        m_OriginImageArray.push_back(std::move(o));
    }
    if (counts && good()) r->ReadListEnd();
    if (!counts || !good()) return false;
    for (const std::unique_ptr<GxNcOriginImage>& o : m_OriginImageArray)
        for (GxNcCrammedPattern& p : o->m_PatternArray) {
            const s32 i = p.m_CrammedImageIndex;
            p.m_pCrammedImage =
                (i >= 0 && size_t(i) < m_CrammedImageArray.size()) ? m_CrammedImageArray[size_t(i)].get() : nullptr;
        }
    DropImplausibleImages(r);
    // Widgets and projects look images up by name, a project once for every
    // key: the first of each name, found without walking the array.
    for (size_t i = 0; i < m_OriginImageArray.size(); ++i) m_OriginIndex.emplace(m_OriginImageArray[i]->m_FileName, i);
    m_OriginIndexed = m_OriginImageArray.size();
    return true;
}

void GxNcCrammedImageSet::DropImplausibleImages(GxContentReaderBase* r) {
    // An image whose size or patterns no picture could have is dropped (it
    // is then not found, and draws nothing) rather than laid out: a widget
    // sized from it would overflow every sum it takes part in. The others
    // stay; the first dropped is said, naming the set.
    constexpr s64 S = kGxImageSetMaxSide;
    bool said = false;
    auto plausible = [](const std::unique_ptr<GxNcOriginImage>& o) {
        if (!Within(o->m_ImageWidth, 0, S) || !Within(o->m_ImageHeight, 0, S)) return false;
        for (const GxNcCrammedPattern& p : o->m_PatternArray)
            if (!Plausible(p, p.m_pCrammedImage)) return false;
        return true;
    };
    std::erase_if(m_OriginImageArray, [&](const std::unique_ptr<GxNcOriginImage>& o) {
        if (plausible(o)) return false;
        if (!said)
            GxWriteLogText(GxLogKind::Error,
                           r->WithSourceName(GxFormat(u"GxNcCrammedImageSet/画像の大きさか位置が不正です(%s)\n",
                                                      o->m_FileName)));
        said = true;
        return true;
    });
}
