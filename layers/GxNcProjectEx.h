#pragma once
// A layout project as layers share it: read once, then bound to the crammed
// image sets it names, with every image key resolved to its origin image and
// nested motion. GxNcProjectFactory creates, shares and deletes it.
#include "layers/GxNcProject.h"
#include "layers/GxObjectRefCountNotAutoDelete.h"

#include <vector>

class GxNcOriginImage;

class GxNcProjectEx : public GxNcProject, public GxObjectRefCountNotAutoDelete {
public:
    GxNcProjectEx();
    ~GxNcProjectEx() override;

    // At 0 the project gives its image sets back and empties its data.
    u32 Release() override;
    // Resolves every image key of every layer; what cannot be resolved is
    // left null, the project's first unresolved image and motion logged.
    virtual void ResolveReferences();
    // The key's image; one that is not there is logged when report is set.
    virtual const GxNcOriginImage* FindImage(const GxNcMotionGroup& group, const GxNcMotion& motion,
                                             const GxNcLayer& layer, const GxNcImageKey& key, bool report);
    // Reads name (its extension made ".gnc") and gets the image sets it names
    // from imageFolder, with their textures when loadTextures is set.
    virtual bool Load(GxStringView name, GxStringView imageFolder, bool loadTextures);

    const std::vector<GxString>& GetImageSetFileNames() const { return m_ImageSetFileNames; }
    const GxString& GetImageFolder() const { return m_ImageFolder; }

private:
    void GiveBackImageSets();

    std::vector<GxString> m_ImageSetFileNames;
    GxString m_ImageFolder;
};
