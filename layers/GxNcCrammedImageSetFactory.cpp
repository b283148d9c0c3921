#include "layers/GxNcCrammedImageSetFactory.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxTextureFactory.h"
#include "layers/GxNcContentFile.h"

#include <algorithm>
#include <memory>

namespace {

// The set's file: the name as given, with ".gis" unless it has an extension.
GxString SetFileName(GxStringView name) {
    GxString file(name);
    if (GxGetFileExtension(name).empty()) file += u".gis";
    return file;
}

} // namespace

GxNcCrammedImageSetFactory& GxNcCrammedImageSetFactory::GetInstance() {
    // The texture factory is made first so that it is destroyed after this
    // one, whose exit-time clearing gives atlas textures back to it.
    GxTextureFactory::GetInstance();
    static GxNcCrammedImageSetFactory factory;
    return factory;
}

GxNcCrammedImageSetFactory::~GxNcCrammedImageSetFactory() { Clear(); }

GxString GxNcCrammedImageSetFactory::MakeKey(GxStringView name) {
    GxString key = GxToLower(name);
    if (GxGetFileExtension(key) == u".gis") key.resize(key.size() - 4);
    return key;
}

GxNcCrammedImageSet* GxNcCrammedImageSetFactory::Find(GxString& name) {
    GxMutexScopedLock lock(m_Mutex);
    name = GxToLower(name);
    auto it = m_Sets.find(MakeKey(name));
    return it == m_Sets.end() ? nullptr : it->second;
}

GxNcCrammedImageSet* GxNcCrammedImageSetFactory::GetCrammedImageSet(GxString& name, bool loadTextures) {
    GxMutexScopedLock lock(m_Mutex);
    const GxString fileName = SetFileName(name);
    if (GxNcCrammedImageSet* set = Find(name)) {
        set->AddRef();
        return set;
    }
    GxNcContentFile file;
    if (!file.Open(fileName, "GIMGSET", GxNcContentFile::OtherForms::Refuse, true, kGxImageSetMaxFileSize)) {
        // One line for the file: the reader's, when it refused the header.
        if (!file.HeaderRefused()) GxWriteErrorLog(u"GetCrammedImageSet:Load Failed:%s\n", fileName);
        return nullptr;
    }
    auto set = std::make_unique<GxNcCrammedImageSet>();
    set->m_FileName = fileName;
    set->m_Directory = GxGetDirectoryName(name);
    // A half-read set would draw garbage: it is refused rather than shared.
    // The reader has already named the file, when it found the damage.
    if (!set->Read(file.GetReader())) {
        if (file.GetReader()->GetErrorCount() == 0)
            GxWriteErrorLog(u"GetCrammedImageSet:Load Failed:%s\n", fileName);
        return nullptr;
    }
    // An atlas that cannot be loaded costs only the patterns on it, which
    // then draw nothing; its loader names it.
    if (loadTextures) set->LoadAttachedTexture(set->m_Directory);
    GxNcCrammedImageSet* s = set.release();
    m_Sets[MakeKey(name)] = s;
    if (!loadTextures) m_Pending.push_back(s);
    return s;
}

void GxNcCrammedImageSetFactory::Forget(GxNcCrammedImageSet* set) {
    m_Pending.erase(std::remove(m_Pending.begin(), m_Pending.end(), set), m_Pending.end());
}

void GxNcCrammedImageSetFactory::ReleaseEntry(std::map<GxString, GxNcCrammedImageSet*>::iterator it) {
    GxNcCrammedImageSet* set = it->second;
    if (set->Release() != 0) return;
    Forget(set);
    m_Sets.erase(it);
    delete set;
}

void GxNcCrammedImageSetFactory::Release(GxNcCrammedImageSet* set) {
    GxMutexScopedLock lock(m_Mutex);
    auto it = std::find_if(m_Sets.begin(), m_Sets.end(), [set](const auto& e) { return e.second == set; });
    if (it == m_Sets.end()) {
        // An unregistered set may already be deleted: its pointer is all
        // that can be told about it.
        GxWriteWarningLog(u"Warning/GxNcCrammedImageSetFactory You tried to release the object does not exist(%s)\n",
                          GxObjectRefCountNotAutoDelete::PointerText(set));
        return;
    }
    ReleaseEntry(it);
}

void GxNcCrammedImageSetFactory::ReleaseByName(GxStringView name) {
    GxMutexScopedLock lock(m_Mutex);
    auto it = m_Sets.find(MakeKey(name));
    if (it == m_Sets.end()) {
        GxWriteWarningLog(u"Warning/GxNcCrammedImageSetFactory You tried to release the object does not exist(%s)\n",
                          name);
        return;
    }
    ReleaseEntry(it);
}

void GxNcCrammedImageSetFactory::Clear() {
    GxMutexScopedLock lock(m_Mutex);
    std::map<GxString, GxNcCrammedImageSet*> sets;
    sets.swap(m_Sets);
    m_Pending.clear();
    for (auto& [key, set] : sets) {
        set->ReleaseAll();
        delete set;
    }
}

s32 GxNcCrammedImageSetFactory::GetPendingCount() {
    GxMutexScopedLock lock(m_Mutex);
    return s32(m_Pending.size());
}

s32 GxNcCrammedImageSetFactory::LoadOnePending() {
    GxMutexScopedLock lock(m_Mutex);
    if (!m_Pending.empty()) {
        GxNcCrammedImageSet* set = m_Pending.front();
        m_Pending.pop_front();
        set->LoadAttachedTexture(set->m_Directory);
    }
    return s32(m_Pending.size());
}

void GxNcCrammedImageSetFactory::LoadAllPending() {
    GxMutexScopedLock lock(m_Mutex);
    while (LoadOnePending() > 0) {
    }
}

GxNcOriginImage* GxNcCrammedImageSetFactory::FindOriginImage(GxStringView setName, GxStringView imageName) {
    GxMutexScopedLock lock(m_Mutex);
    GxString name(setName);
    GxNcCrammedImageSet* set = Find(name);
    return set ? set->FindOriginImage(imageName) : nullptr;
}

void GxNcCrammedImageSetFactory::ReportNotReleased() {
    GxMutexScopedLock lock(m_Mutex);
    for (const auto& [key, set] : m_Sets)
        GxWriteErrorLog(u"Warning/GxNcCrammedImageSetFactory Object Not Released(%s)\n", key);
}
