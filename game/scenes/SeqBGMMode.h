#pragma once
// The music room: one radio button per piece of the music-room table
// ("btn_bgmselect", local index = the piece's ID, UI group 1), play and stop
// buttons, previous and next, a tip beside the playing piece and a back
// button. The pieces are the records from ID 1 on up to the first without a
// file. The music that played before fades out on entry; the chosen piece
// plays on after the scene is left.
#include "game/scenes/SeqScreenBase.h"

class SeqBGMMode : public SeqScreenBase {
public:
    explicit SeqBGMMode(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    int EnqueueRender(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    // Left and right go to the previous and the next piece.
    int OnKeyDown(u32 virtualKey, u32 keyData) override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;

    // The piece before (after) the ID, wrapping at the ends, that has a
    // button of its own (ButtonIndex above 0); the ID itself when none has.
    s32 PrevPiece(s32 current) const;
    s32 NextPiece(s32 current) const;
    s32 GetPieceCount() const { return m_PieceCount; }
    s32 GetCurrentPiece() const { return m_CurrentPiece; }

private:
    bool IsPiece(s32 id) const { return id >= 1 && id <= m_PieceCount; }
    bool IsPlayable(s32 id) const;
    s32 StepPiece(s32 current, s32 step) const;
    void CountPieces();
    void SelectPieceButton(s32 id);
    void SelectRadio(const GxChar* name, s32 index);
    void ClearPieceButtons();
    void UpdatePlayingTip();
    // Starts the piece unless it plays already; an ID outside the pieces is
    // logged and plays nothing.
    void PlayPiece(s32 id);
    // The current piece becomes the one chosen, shown and played.
    void ChoosePiece(s32 id);

    s32 m_PieceCount = 0;
    s32 m_CurrentPiece = 0;
};
