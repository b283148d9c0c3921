#include "layers/GxLayerContent.h"

#include "base/GxLog.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"
#include "graphics/GxTextureMovie.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxLayerServices.h"
#include "layers/GxNcCrammedImageSetFactory.h"
#include "layers/GxNcProjectFactory.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"

namespace {

// A list's count, refused when the stream already failed, or cannot hold
// that many elements of at least elementBytes each.
bool ReadCount(GxContentReaderBase* r, const char* name, u32 elementBytes, u32* count) {
    *count = 0;
    r->ReadListBegin(name, count);
    if (r->GetErrorCount() != 0) {
        *count = 0;
        return false;
    }
    if (r->CanHold(*count, elementBytes)) return true;
    r->ComplainAbout(GxFormat(u"GxLayerContent::Read/%Sの要素数が不正です(%u)\n", name, *count));
    *count = 0;
    return false;
}

constexpr u32 kNameBytes = GxContentMinReadBytes(kGxValStringUTF8);
// Visible, alpha, file, width, height, offset.
constexpr u32 kSubLayerBytes = GxContentMinReadBytes(kGxValBool, kGxValS32, kGxValStringUTF8, kGxValS32, kGxValS32,
                                                     kGxValVector2);

GxString ErrorImageName() {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    return config ? config->m_FileCGError : GxString(u"cg/error.png");
}

} // namespace

GxLayerContent::GxLayerContent() = default;

GxLayerContent::~GxLayerContent() {
    Clear();
    m_pSubLayerList.clear();
}

GxTextureMovie* GxLayerContent::GetMovieTexture() const {
    return m_ContentType == kGxContentMovie ? static_cast<GxTextureMovie*>(m_pTexture.get()) : nullptr;
}

GxTexture* GxLayerContent::GetImageTexture() const {
    return (m_ContentType == kGxContentImage || m_ContentType == kGxContentRenderTexture)
               ? static_cast<GxTexture*>(m_pTexture.get())
               : nullptr;
}

void GxLayerContent::ReleaseLoaded() {
    if (m_pProject) GxNcProjectFactory::GetInstance().Release(m_pProject);
    m_pProject = nullptr;
    if (m_pImageSet) GxNcCrammedImageSetFactory::GetInstance().Release(m_pImageSet);
    m_pImageSet = nullptr;
    m_pTextureFlex.reset();
    if (m_ContentType == kGxContentMovie && m_pTexture) {
        // The channel's player writes into the texture: it goes first.
        GxLayerServices::Get().StopMovie(s32(m_MyChannel));
        GxLayerServices::Get().CloseMovie(s32(m_MyChannel));
    }
    m_pTexture.reset();
}

void GxLayerContent::Clear() {
    ReleaseLoaded();
    m_ContentType = kGxContentEmpty;
    m_SnapShot = GxNcMotionSnapShotEx();
    m_Alpha = 255;
    m_ContentFileName.clear();
    m_MultiContentFileName.clear();
    m_Width = m_Height = 0;
    m_pOriginImage = nullptr;
    m_ImageName.clear();
    m_PatternIndex = 0;
    m_FrameCount = 0;
    m_MotionGroupName.clear();
    m_MotionName.clear();
    m_MatWorld.SetIdentity();
    m_SolidColor = GxFColor(1, 1, 1, 1);
    m_LoopCount = 0;
    m_LoopStartPos = 0.0;
    m_MovieCurrentTime = 0.0;
    m_MovieAutoDisappear = true;
    for (const std::unique_ptr<GxSubLayerContent>& sub : m_pSubLayerList)
        if (sub) sub->Clear();
}

void GxLayerContent::CreateSubLayerContents(s32 count) {
    m_pSubLayerList.clear();
    for (s32 i = 0; i < count; ++i) m_pSubLayerList.push_back(std::make_unique<GxSubLayerContent>());
}

GxSubLayerContent* GxLayerContent::GetSubLayerContent(s32 index) {
    if (index < 0 || index >= GetSubLayerCount()) return nullptr;
    return m_pSubLayerList[size_t(index)].get();
}

bool GxLayerContent::Write(GxContentWriterBase* w) {
    if (!w) return false;
    w->Write("m_ContentType", m_ContentType);
    w->Write("m_Alpha", m_Alpha);
    w->Write("m_ContentFileName", m_ContentFileName);
    w->WriteListBegin("m_MultiContentFileName", "", u32(m_MultiContentFileName.size()));
    for (const GxString& name : m_MultiContentFileName) {
        w->WriteListElementBegin();
        w->Write("", name);
        w->WriteListElementEnd();
    }
    w->WriteListEnd();
    w->Write("m_Width", m_Width);
    w->Write("m_Height", m_Height);
    w->Write("m_ImageName", m_ImageName);
    w->Write("m_PatternIndex", m_PatternIndex);
    w->Write("m_FrameCount", m_FrameCount);
    w->Write("m_MotionGroupName", m_MotionGroupName);
    w->Write("m_MotionName", m_MotionName);
    w->Write("m_MatWorld", m_MatWorld);
    w->Write("m_SolidColor", m_SolidColor);
    w->Write("m_MyChannel", m_MyChannel);
    w->Write("m_LoopCount", m_LoopCount);
    w->Write("m_LoopStartPos", m_LoopStartPos);
    w->Write("m_MovieCurrentTime", m_MovieCurrentTime);
    w->Write("m_MovieAutoDisappear", m_MovieAutoDisappear);
    w->WriteListBegin("m_pSubLayerList", "", u32(m_pSubLayerList.size()));
    for (const std::unique_ptr<GxSubLayerContent>& sub : m_pSubLayerList) {
        w->WriteListElementBegin();
        if (sub)
            sub->Write(w);
        else
            GxSubLayerContent().Write(w);
        w->WriteListElementEnd();
    }
    w->WriteListEnd();
    return true;
}

bool GxLayerContent::Read(GxContentReaderBase* r) {
    if (!r) return false;
    r->Read("m_ContentType", &m_ContentType);
    r->Read("m_Alpha", &m_Alpha);
    r->Read("m_ContentFileName", &m_ContentFileName);
    u32 count = 0;
    if (!ReadCount(r, "m_MultiContentFileName", kNameBytes, &count)) return false;
    m_MultiContentFileName.clear();
    for (u32 i = 0; i < count && r->GetErrorCount() == 0; ++i) {
        r->ReadListElementBegin();
        m_MultiContentFileName.push_back(r->ReadWString(""));
        r->ReadListElementEnd();
    }
    r->ReadListEnd();
    r->Read("m_Width", &m_Width);
    r->Read("m_Height", &m_Height);
    r->Read("m_ImageName", &m_ImageName);
    r->Read("m_PatternIndex", &m_PatternIndex);
    r->Read("m_FrameCount", &m_FrameCount);
    r->Read("m_MotionGroupName", &m_MotionGroupName);
    r->Read("m_MotionName", &m_MotionName);
    r->Read("m_MatWorld", &m_MatWorld);
    r->Read("m_SolidColor", &m_SolidColor);
    r->Read("m_MyChannel", &m_MyChannel);
    r->Read("m_LoopCount", &m_LoopCount);
    r->Read("m_LoopStartPos", &m_LoopStartPos);
    r->Read("m_MovieCurrentTime", &m_MovieCurrentTime);
    r->Read("m_MovieAutoDisappear", &m_MovieAutoDisappear);
    if (!ReadCount(r, "m_pSubLayerList", kSubLayerBytes, &count)) return false;
    CreateSubLayerContents(s32(count));
    for (const std::unique_ptr<GxSubLayerContent>& sub : m_pSubLayerList) {
        if (r->GetErrorCount() != 0) break;
        r->ReadListElementBegin();
        sub->Read(r);
        r->ReadListElementEnd();
    }
    r->ReadListEnd();
    return true;
}

bool GxLayerContent::StartMovie(s32 volume, bool seek) {
    GxTextureMovie* texture = GetMovieTexture();
    if (!texture) return false;
    GxLayerServices& s = GxLayerServices::Get();
    const s32 channel = s32(m_MyChannel);
    const bool opened = s.OpenMovie(channel, m_ContentFileName, texture, 1, 0);
    s.SetMovieLoopStart(channel, m_LoopStartPos);
    if (seek) s.SetMoviePosition(channel, m_MovieCurrentTime);
    s.PlayMovie(channel, m_LoopCount, volume);
    return opened;
}

bool GxLayerContent::Restore() {
    for (const std::unique_ptr<GxSubLayerContent>& sub : m_pSubLayerList)
        if (sub && !sub->m_ContentFileName.empty()) sub->Reload();
    switch (m_ContentType) {
    case kGxContentProject:
        m_pProject = GxNcProjectFactory::GetInstance().Get(m_ContentFileName, m_ImageName, true);
        return m_pProject != nullptr;
    case kGxContentImageSet: {
        GxString name = m_ContentFileName;
        m_pImageSet = GxNcCrammedImageSetFactory::GetInstance().GetCrammedImageSet(name, true);
        if (!m_pImageSet) return false;
        // The pattern's record is looked up again, or the restored layer
        // would draw nothing until its next setter.
        m_pOriginImage = m_pImageSet->FindOriginImage(m_ImageName);
        return true;
    }
    case kGxContentFlexImage: {
        GxString file = m_ContentFileName;
        if (!GxLayerServices::Get().ResolveImageFile(&file)) file = ErrorImageName();
        m_pTextureFlex = std::make_unique<GxTextureFlex>();
        return m_pTextureFlex->CreateFromFile(file.c_str(), 0, 0);
    }
    case kGxContentMovie: {
        auto movie = std::make_unique<GxTextureMovie>();
        movie->Create(u"", u32(std::max(m_Width, 0)), u32(std::max(m_Height, 0)), kGxFmtA8R8G8B8, 0xFF000000u, true);
        m_pTexture = std::move(movie);
        return StartMovie(GxLayerServices::Get().GetMovieVolume(), true);
    }
    case kGxContentRenderTexture: {
        auto t = std::make_unique<GxTexture>();
        t->CreateTexture(u"", u32(std::max(m_Width, 0)), u32(std::max(m_Height, 0)), kGxFmtA8R8G8B8, 1);
        const bool ok = t->HasTexture();
        m_pTexture = std::move(t);
        return ok;
    }
    case kGxContentImage: {
        auto t = std::make_unique<GxTexture>();
        if (!m_ContentFileName.empty())
            t->CreateFromFile(m_ContentFileName.c_str(), 0, 1, 0, false);
        else if (!m_MultiContentFileName.empty())
            t->CreateFromFileMultiBlend(m_MultiContentFileName[0].c_str(), m_MultiContentFileName, 0, 1);
        const bool ok = t->HasTexture();
        m_pTexture = std::move(t);
        return ok;
    }
    default:
        return true;
    }
}
