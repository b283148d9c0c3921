#pragma once
// Widget type 24: a numeric up/down control on a crammed image set: from left
// to right a clear button, the value shown as text over a back image, a down
// and an up button. Holding down or up steps the value by m_Change from the
// update of the press on, every m_RepeatIntervalFrame updates, and by
// m_FastChange after m_FastChangeAfter steps; clear sets m_ClearValue. The
// value always stays within m_Min and m_Max.
#include "ui/GxTaskUIIsBase.h"

class GxNcOriginImage;

class GxTaskUISpinButtonIs : public GxTaskUIIsBase {
public:
    static constexpr s32 kTypeCode = 24;
    // Image slots, by suffix.
    enum Slot : int {
        kUpOff, kUpOn, kUpOver, kUpNa, kDownOff, kDownOn, kDownOver, kDownNa,
        kClearOff, kClearOn, kClearOver, kClearNa, kBack, kBackNa, kSlotCount
    };
    // The four parts, as GetPartSlot names them.
    enum Part : int { kPartDown, kPartUp, kPartClear, kPartBack };
    static constexpr s32 kClearShowFrames = 15;

    // One held part: the frame counter at its press and the steps made since.
    struct Repeat {
        s32 m_PressFrame = -1;
        bool m_PressFlag = false;
        s32 m_RepeatCount = 0;
    };

    explicit GxTaskUISpinButtonIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                                  s32 localIndex = 0);

    // The step of a held part or a pending clear; the frame counter counts updates.
    int Update(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    // The frame counter, hover, event state, both holds and the clear to rest.
    void ResetEventState() override;
    // The image names, then the record's font index.
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;
    bool LoadImages() override;
    // The slots and the part sizes to 0.
    void ReleaseImages() override;
    // All three value setters keep the value within m_Min and m_Max.
    void SetValue(f64 value) override;
    void SetMax(f64 v) override { SetMaxKeepingValue(v); }
    void SetMin(f64 v) override { SetMinKeepingValue(v); }
    // A press on down, up or clear (tested in that order) posts event 1.
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    // Any release ends both holds (a pending clear stays); never consumed.
    int OnLButtonUp(const GxVector2& pos, u32 keyFlags) override;

    // The value as shown (m_ValueFormat).
    GxString FormatValue() const;
    // The image slot a part is drawn with now.
    int GetPartSlot(int part);
    GxNcOriginImage* GetImage(int slot) const { return slot >= 0 && slot < kSlotCount ? m_Images[slot] : nullptr; }
    const Repeat& GetDownRepeat() const { return m_DownRepeat; }
    const Repeat& GetUpRepeat() const { return m_UpRepeat; }
    s32 GetClearShowCount() const { return m_ClearShowCount; }
    s32 GetTextFontIndex() const { return m_TextFontIndex; }

protected:
    // Whether the point (virtual screen) lies on the button part at x offset
    // left; every button part is as large as the down image.
    bool HitPart(const GxVector2& p, f32 left);
    // One step of a held part, when its rhythm says so (direction -1 down,
    // +1 up).
    void StepHeld(Repeat& repeat, f64 direction);
    // SetValue, and event 16 when the value changed.
    void ChangeValue(f64 value);
    void DrawValueText(const GxVector4& world);

    GxNcOriginImage* m_Images[kSlotCount] = {};
    f32 m_DownWidth = 0, m_UpWidth = 0, m_ClearWidth = 0, m_BackWidth = 0;
    f32 m_DownHeight = 0, m_UpHeight = 0, m_ClearHeight = 0, m_BackHeight = 0;
    Repeat m_DownRepeat;
    Repeat m_UpRepeat;
    bool m_ClearPressFlag = false;
    s32 m_ClearShowCount = 0;
    s32 m_TextFontIndex = 2;
    s32 m_TextFontSize = 0;
    u32 m_TextColor = 0xFFFFFFFF;
    bool m_UseBitmapFont = true;
    s32 m_BitmapFontIndex = 0;
    s32 m_RepeatIntervalFrame = 7;
    GxString m_ValueFormat = u"%.0f";
    f64 m_ClearValue = 0.0;
    f64 m_FastChange = 10.0;
    s32 m_FastChangeAfter = 10;
};
