#pragma once
// Widget type 18: the push button on a crammed image set, and the base of the
// toggle, radio, press, text and timer buttons and of the drop-menu item. Its
// faces are the images <name>_off, _on (pressed), _over (hovered) and _na
// (disabled); a missing _on shows _over, a missing _na shows _off. A click is
// reported when the left button goes down inside the client rectangle, and
// the pressed face stays for 15 updates. Buttons carry the type bit that
// tells the scenes to play their system sound on a click.
#include "ui/GxTaskUIIsBase.h"

#include <initializer_list>

class GxNcOriginImage;

class GxTaskUIButtonIs : public GxTaskUIIsBase {
public:
    static constexpr s32 kTypeCode = 18;
    static constexpr int kImageSlotCount = 8;
    // The face slots every button uses.
    static constexpr int kFaceOff = 0, kFaceOn = 1, kFaceOver = 2, kFaceNa = 3;
    // Updates for which the pressed face stays after a click.
    static constexpr s32 kPressShowFrames = 15;

    explicit GxTaskUIButtonIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                              s32 localIndex = 0);

    // The base update, the leaving check (event 8), the face, the tool tip
    // and the pressed face's countdown.
    int Update(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    // Forgets the images (they come back at the next LoadImages) and resets
    // the event state after reading.
    bool ReadContent(GxContentReaderBase* reader) override;
    // Hover, event state, face and the pressed face's countdown to 0.
    void ResetEventState() override;
    bool LoadImages() override;
    void ReleaseImages() override;
    // Hover begins (event 7) when the pointer moves into the client rectangle.
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    // The click (event 1), after the kind's own change.
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    virtual s32 GetImageIndex() const { return m_ImageIndex; }

    s32 GetPatternIndex() const { return m_PatternIndex; }
    s32 GetPressShowCount() const { return m_PressShowCount; }
    // The image of a slot; null for an empty slot or one outside 0 to 7.
    GxNcOriginImage* GetImage(int slot) const;

protected:
    // Whether a press inside the client rectangle is taken (the timer's
    // enabling); a refused press changes nothing.
    virtual bool CanPress() { return true; }
    // The kind's change of a taken press, before its event.
    virtual void OnPress();
    // The face index of the update (m_ImageIndex).
    virtual s32 ChooseFace(bool allowed) const;
    // The click: event 1 with the pointer, the key flags and the double-click
    // flag; consumed when reported and m_EventBlockFlag is set.
    int RaiseClick(const GxVector2& pos, u32 keyFlags, bool doubleClick);

    // The images base name + suffix into slots 0, 1, ... of the pooled set;
    // false (logged with the class's messages) without the set or the first
    // image. Each class then fills its own gaps and calls ApplyFaceSize.
    bool LoadFaces(const GxChar* setMissing, const GxChar* imageMissing, std::initializer_list<const GxChar*> suffixes);
    // The four faces of a push button, the gaps filled, the size taken.
    bool LoadPushFaces(const GxChar* setMissing, const GxChar* imageMissing);
    // A zero size from the "_off" image's first pattern, then the client
    // rectangle's defaults.
    void ApplyFaceSize();
    // The face of the state: the slot of index (slot 0 when empty) while
    // enabled, else the disabled slot.
    GxNcOriginImage* GetFace(s32 index, int disabledSlot) const;
    // One pattern of the face with the actor's transform, colours and blend.
    void DrawFace(const GxNcOriginImage* face, f32 alpha);

    GxNcOriginImage* m_ImagePatterns[kImageSlotCount] = {};
    s32 m_ImageIndex = 0;
    s32 m_PatternIndex = 0;
    s32 m_PressShowCount = 0;
};
