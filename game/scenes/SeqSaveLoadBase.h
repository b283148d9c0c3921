#pragma once
// What the save and load screens share: ten pages of eight slots, each slot
// drawn with its thumbnail, its save time and number and the game's title;
// the page buttons "b01" to "b10"; the slot plates "btn_fileplate" 0 to 7
// that ask for confirmation in the common user dialog; the new-save badge
// "tip_new" on the slot saved last. The page shown is kept in the user
// settings. The scene does its own save or load once the player says yes.
#include "game/scenes/GxSeqBackMenuBase.h"
#include "gamedata/GxGameDataHeader.h"
#include "gamedata/GxSaveSlot.h"
#include "graphics/GxTexture.h"

class SeqSaveLoadBase : public GxSeqBackMenuBase {
public:
    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    // The scene's own clear and fade-in, then the slots among the widgets.
    int EnqueueRender(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;

    // The page shown (0 to 9).
    s32 GetPage() const;
    const GxGameDataHeader& GetHeader(s32 slot) const { return m_Headers[slot]; }
    GxTexture& GetThumbnail(s32 slot) { return m_Thumbnails[slot]; }
    // The file that awaits the player's answer, -1 for none.
    s32 GetPendingFileNumber() const { return m_PendingFileNumber; }
    // The page's slots read again from the save folder.
    void RefreshPage();

    struct Kind {
        const GxChar* name;
        const GxChar* background;
        const GxChar* dialogKey;
        const GxChar* question;
        // The load screen lets only slots with a save file be chosen.
        bool platesNeedFile;
    };

protected:
    SeqSaveLoadBase(GxTaskBase* parent, const Kind& kind);
    // The player said yes to the file (1 to 80); the pressed button makes
    // its sound where the kind wants it.
    virtual void OnConfirmed(s32 fileNumber, GxTaskBase* pressed) = 0;
    GxString GetSaveDir() const;
    // The worker of the scene, 0 while it runs on none.
    int WorkerIndex() const { return m_SeqWorkIndex >= 0 ? m_SeqWorkIndex : 0; }

private:
    void SetPage(s32 page);
    void DrawSlot(s32 slot);
    void OnPlate(s32 slot);

    const Kind& m_Kind;
    GxTexture m_Thumbnails[GxSaveSlot::kSlotsPerPage];
    GxGameDataHeader m_Headers[GxSaveSlot::kSlotsPerPage];
    s32 m_PendingFileNumber = -1;
};
