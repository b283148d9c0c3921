#include "ui/GxTaskUIIsBase.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "layers/GxNcCrammedImageSet.h"
#include "layers/GxNcImageSetPool.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "ui/DBUIModuleRecord.h"

void GxTaskUIIsBase::ApplyModuleRecord(const DBUIModuleRecord& m) {
    GxTaskUIBase::ApplyModuleRecord(m);
    m_ImageSetName = MakeImageSetPath(m.ImageSetName);
    m_ImageName = m.ImageName;
}

bool GxTaskUIIsBase::SetImageSource(const GxChar* source) {
    SplitImageSource(source, &m_ImageSetName, &m_ImageName);
    return true;
}

GxString GxTaskUIIsBase::MakeImageSetPath(const GxString& imageSetName) {
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    const GxString folder = config ? config->m_FolderNames[kGxFolderUIGis] : GxString(u"uigis/");
    return folder + imageSetName + u".gis";
}

void GxTaskUIIsBase::SplitImageSource(const GxChar* source, GxString* imageSetPath, GxString* imageName) {
    const GxString path = source ? source : u"";
    const size_t cut = path.find_last_of(u"\\/:");
    const GxString dir = cut == GxString::npos ? GxString() : path.substr(0, cut);
    if (imageSetPath) *imageSetPath = dir + u".gis";
    if (imageName) *imageName = cut == GxString::npos ? path : path.substr(cut + 1);
}

GxNcCrammedImageSet* GxTaskUIIsBase::GetImageSet(const GxChar* format) {
    GxNcCrammedImageSet* set = GxNcImageSetPool::Get(m_ImageSetName);
    if (!set) LogImageMessage(format, m_ImageSetName);
    return set;
}

GxNcOriginImage* GxTaskUIIsBase::FindImage(GxNcCrammedImageSet* set, const GxChar* suffix) const {
    return set ? set->FindOriginImage(m_ImageName + suffix) : nullptr;
}

void GxTaskUIIsBase::WriteImageNames(GxContentWriterBase* w) const {
    w->Write("m_ImageName", m_ImageName);
    w->Write("m_ImageSetName", m_ImageSetName);
}

void GxTaskUIIsBase::ReadImageNames(GxContentReaderBase* r) {
    r->Read("m_ImageName", &m_ImageName);
    r->Read("m_ImageSetName", &m_ImageSetName);
}
