#pragma once
// The gallery's full-screen viewer: the pictures of one gallery record that
// the player has seen, one after another on one layer. A picture larger than
// the screen pans from its start alignment to its end alignment after half a
// second, and may be dragged within the screen. A click, Enter, Space, an
// arrow key or the pad's "DECIDE" goes on to the next seen picture (a click
// during the pan first completes it); after the last one, or on a right
// click or "CANCEL", the viewer returns to the gallery. The scene's own
// input reaches it as UI events of its carrier "null_eventcaller".
#include "game/scenes/SeqScreenBase.h"

class GxTaskUINull;

class SeqCGModeView : public SeqScreenBase {
public:
    static constexpr s32 kPicturesPerRecord = 32;

    explicit SeqCGModeView(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnLButtonUp(const GxVector2& pos, u32 keyFlags) override;
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnKeyDown(u32 virtualKey, u32 keyData) override;
    int OnKeyActionUpdate(const GxInputState* keyMapState, int step, s64 elapsed) override;
    int OnUIEventCancel(GxTaskBase* sender, const GxUIEventParam* ev) override;
    int OnUIEventRelease(GxTaskBase* sender, const GxUIEventParam* ev) override;
    int OnUIEventType13(GxTaskBase* sender, const GxUIEventParam* ev) override;

    // The first picture after index that is named and seen; -1 when none.
    s32 NextSeenPicture(s32 index) const;
    // x (letter 0) or y (letter 1) of an alignment code for a picture of
    // that size: "L"/"T" 0, "R"/"B" screen less size, "M" half of it.
    static f32 AlignedPosition(const GxString& code, size_t letter, f32 size);

    s32 GetRecordID() const { return m_RecordID; }
    s32 GetPictureIndex() const { return m_PictureIndex; }
    bool IsDragging() const { return m_Dragging; }

private:
    GxTaskUINull* GetEventCaller() const;
    bool CanOperate() const;
    void ShowPicture(s32 index, s32 time);
    void ResetDrag();
    void ResetPan();
    // Back to the gallery on this scene's worker.
    void ReturnToGallery();
    void SetCursor(int shape) const;

    s32 m_RecordID = 0;
    s32 m_PictureIndex = -1;
    f32 m_PictureWidth = 0.0f;
    f32 m_PictureHeight = 0.0f;
    GxVector4 m_PanStart;
    GxVector4 m_PanEnd;
    bool m_Dragging = false;
    GxVector2 m_PressPos{-1.0f, -1.0f};
    GxVector2 m_PointerPos{-1.0f, -1.0f};
    GxVector4 m_PressLayerPos;
};
