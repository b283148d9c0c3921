#pragma once
// The picture gallery: the records of the gallery table with a first
// picture, on the page of their group, each unlocked once one of its
// pictures was seen in any playthrough. A thumbnail shows how many of its
// pictures were seen; clicking it opens the viewer on the record. The back
// button goes to the title.
#include "game/scenes/SeqThumbnailPageBase.h"

class SeqCGMode : public SeqThumbnailPageBase {
public:
    static constexpr s32 kPicturesPerRecord = 32;

    explicit SeqCGMode(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;

    // Seen pictures of the record.
    s32 GetShownCount(s32 id) const;

protected:
    void CountRecords() override;
    bool IsListed(s32 id, s32 page) const override;
    bool IsUnlocked(s32 id) const override { return GetShownCount(id) >= 1; }
    const GxString& ThumbnailName(s32 id) const override;
    void DrawThumbnailExtra(GxTaskUIBase* button, s32 id) override;
    void OnBack() override;
    void OnThumbnail(s32 id) override;

private:
    std::vector<s32> m_ShownCounts;
};
