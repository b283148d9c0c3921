#include "layers/GxNcProject.h"

#include "layers/GxNcContentFile.h"
#include "layers/GxNcProjectReader.h"

GxNcProject::GxNcProject() = default;

GxNcProject::~GxNcProject() { Clear(); }

void GxNcProject::Clear() {
    m_ProjectName.clear();
    m_MotionGroupList.clear();
    m_StageList.clear();
}

bool GxNcProject::Read(GxStringView path, std::vector<GxString>* imageSets) {
    GxNcContentFile file;
    if (!file.Open(path, "NCPROJ", GxNcContentFile::OtherForms::AsBinary, false, kGxNcProjectMaxFileSize)) return false;
    return ReadStream(file.GetReader(), imageSets);
}

bool GxNcProject::ReadStream(GxContentReaderBase* reader, std::vector<GxString>* imageSets) {
    if (!reader) return false;
    GxNcProjectReader r(reader);
    if (r.ReadProject(this, imageSets)) return true;
    Clear();
    return false;
}

GxNcMotionGroup* GxNcProject::FindMotionGroup(GxStringView name) const {
    for (const std::unique_ptr<GxNcMotionGroup>& g : m_MotionGroupList)
        if (g->m_MotionGroupName == name) return g.get();
    return nullptr;
}

GxNcMotion* GxNcProject::FindMotion(GxStringView group, GxStringView motion) const {
    GxNcMotionGroup* g = FindMotionGroup(group);
    return g ? g->FindMotion(motion) : nullptr;
}
