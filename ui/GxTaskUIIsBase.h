#pragma once
// What the widgets on a crammed image set share: the set's path and the base
// image name, taken from the UI module record (the UI image-set folder +
// ImageSetName + ".gis", and ImageName) or from a path ("dir/name": set
// "dir.gis", image "name"), and the look-ups of the set in the shared pool
// and of the images named after the base name with a state suffix. It adds
// nothing to the stored form by itself: each widget stores the names (one
// call) where its own fields stand.
#include "ui/GxTaskUIBase.h"

class GxContentReaderBase;
class GxContentWriterBase;
class GxNcCrammedImageSet;
class GxNcOriginImage;

class GxTaskUIIsBase : public GxTaskUIBase {
public:
    using GxTaskUIBase::GxTaskUIBase;

    void ApplyModuleRecord(const DBUIModuleRecord& module) override;
    bool SetImageSource(const GxChar* source) override;

    const GxString& GetImageName() const { return m_ImageName; }
    const GxString& GetImageSetName() const { return m_ImageSetName; }

    // The UI image-set folder of the system configuration + name + ".gis".
    static GxString MakeImageSetPath(const GxString& imageSetName);
    static void SplitImageSource(const GxChar* source, GxString* imageSetPath, GxString* imageName);

protected:
    // The pooled set, or null after logging `format` with the set's path and
    // the task path.
    GxNcCrammedImageSet* GetImageSet(const GxChar* format);
    // The image base name + suffix in the set; null when absent (nothing
    // logged).
    GxNcOriginImage* FindImage(GxNcCrammedImageSet* set, const GxChar* suffix) const;
    // "m_ImageName" then "m_ImageSetName" in the stored form.
    void WriteImageNames(GxContentWriterBase* w) const;
    void ReadImageNames(GxContentReaderBase* r);

    GxString m_ImageName;
    GxString m_ImageSetName;
};
