#pragma once
// The scene replay: the records of the replay table on the page of their
// group, each unlocked once its label was passed in any playthrough.
// Entering resets the play and turns replay mode on; a thumbnail starts the
// main script at the record's label in the main scene, which comes back
// here when the script stops. The back button ends replay mode and goes to
// the title.
#include "game/scenes/SeqThumbnailPageBase.h"

class SeqRPMode : public SeqThumbnailPageBase {
public:
    explicit SeqRPMode(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;

protected:
    void CountRecords() override;
    bool IsListed(s32 id, s32 page) const override;
    bool IsUnlocked(s32 id) const override { return GxTestFlagBit(GetRecordBits(id), 0); }
    const GxString& ThumbnailName(s32 id) const override;
    void OnBack() override;
    void OnThumbnail(s32 id) override;
};
