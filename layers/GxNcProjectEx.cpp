#include "layers/GxNcProjectEx.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "layers/GxNcCrammedImageSetFactory.h"

#include <map>
#include <set>
#include <utility>

GxNcProjectEx::GxNcProjectEx() = default;

GxNcProjectEx::~GxNcProjectEx() { ReleaseAll(); }

void GxNcProjectEx::GiveBackImageSets() {
    for (const GxString& name : m_ImageSetFileNames) GxNcCrammedImageSetFactory::GetInstance().ReleaseByName(name);
    m_ImageSetFileNames.clear();
}

u32 GxNcProjectEx::Release() {
    const u32 left = GxObjectRefCountNotAutoDelete::Release();
    if (left == 0) {
        GiveBackImageSets();
        Clear();
    }
    return left;
}

bool GxNcProjectEx::Load(GxStringView name, GxStringView imageFolder, bool loadTextures) {
    Release();
    m_ImageFolder = GxToLower(GxAddPathSeparator(imageFolder));
    const GxString path = GxChangeFileExtension(name, u".gnc");
    std::vector<GxString> names;
    const bool read = Read(path, &names);
    AddRef();
    if (!read) return false;
    GxNcCrammedImageSetFactory& sets = GxNcCrammedImageSetFactory::GetInstance();
    for (const GxString& n : names) {
        GxString full = m_ImageFolder + GxGetFileName(n);
        // Only a set the factory handed out is given back later.
        if (sets.GetCrammedImageSet(full, loadTextures)) m_ImageSetFileNames.push_back(full);
    }
    ResolveReferences();
    return true;
}

void GxNcProjectEx::ResolveReferences() {
    // Every key is resolved through maps built once: a project may hold a
    // great many keys and motions. The first motion group of a name and the
    // first motion of a name in it are the ones found, as FindMotion finds
    // them.
    std::map<std::pair<GxStringView, GxStringView>, const GxNcMotion*> motions;
    std::set<GxStringView> groups;
    for (const std::unique_ptr<GxNcMotionGroup>& g : m_MotionGroupList) {
        if (!groups.insert(g->m_MotionGroupName).second) continue;
        for (const std::unique_ptr<GxNcMotion>& m : g->m_MotionList)
            motions.emplace(std::pair<GxStringView, GxStringView>(g->m_MotionGroupName, m->m_MotionName), m.get());
    }
    std::map<std::pair<GxStringView, GxStringView>, const GxNcOriginImage*> images;
    // Of each kind of unresolved reference, the project's first is said.
    bool imageSaid = false, motionSaid = false;
    for (const std::unique_ptr<GxNcMotionGroup>& g : m_MotionGroupList)
        for (const std::unique_ptr<GxNcMotion>& m : g->m_MotionList)
            for (const std::unique_ptr<GxNcLayer>& l : m->m_LayerList)
                for (GxNcImageKey& k : l->m_ImageTrack) {
                    k.m_pOriginImage = nullptr;
                    if (!k.m_ImageSetName.empty() && !k.m_ImageFileName.empty()) {
                        const auto key = std::pair<GxStringView, GxStringView>(k.m_ImageSetName, k.m_ImageFileName);
                        auto it = images.find(key);
                        if (it == images.end()) it = images.emplace(key, FindImage(*g, *m, *l, k, !imageSaid)).first;
                        k.m_pOriginImage = it->second;
                        imageSaid = imageSaid || !k.m_pOriginImage;
                    }
                    k.m_pMotion = nullptr;
                    if (k.m_MotionGroupName.empty()) continue;
                    const auto found = motions.find({k.m_MotionGroupName, k.m_MotionName});
                    k.m_pMotion = found == motions.end() ? nullptr : found->second;
                    if (!k.m_pMotion && !motionSaid)
                        GxWriteWarningLog(u"KeyFrameが存在しないモーションを参照しています MotionGroup:%s Motion:%s "
                                          u"Layer:%s Time:%d -> MotionGroup:%s Motion:%s\n",
                                          g->m_MotionGroupName, m->m_MotionName, l->m_LayerName, k.m_Time,
                                          k.m_MotionGroupName, k.m_MotionName);
                    motionSaid = motionSaid || !k.m_pMotion;
                }
}

const GxNcOriginImage* GxNcProjectEx::FindImage(const GxNcMotionGroup& group, const GxNcMotion& motion,
                                                const GxNcLayer& layer, const GxNcImageKey& key, bool report) {
    if (key.m_ImageSetName.empty() || key.m_ImageFileName.empty()) return nullptr;
    const GxNcOriginImage* found = GxNcCrammedImageSetFactory::GetInstance().FindOriginImage(
        m_ImageFolder + key.m_ImageSetName, key.m_ImageFileName);
    if (!found && report)
        GxWriteWarningLog(u"画像が存在しません MotionGroup:%s Motion:%s Layer:%s Time:%d -> ImageSet:%s File:%s\n",
                          group.m_MotionGroupName, motion.m_MotionName, layer.m_LayerName, key.m_Time,
                          key.m_ImageSetName, key.m_ImageFileName);
    return found;
}
