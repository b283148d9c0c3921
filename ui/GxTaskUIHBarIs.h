#pragma once
// Widget type 41: a horizontal gauge on an image set: a background, a fill
// cut to the value's share of the client width, and an overlay. Its value is
// clamped to the range and can glide to a new value over a given time.
// Images: <name>_back, _mid (the fill, required) and _on (else _off).
#include "ui/GxTaskUIIsBase.h"

class GxNcOriginImage;

class GxTaskUIHBarIs : public GxTaskUIIsBase {
public:
    static constexpr s32 kTypeCode = 41;
    static constexpr int kImageSlotCount = 6;
    // The slots the bar uses.
    static constexpr int kOverlay = 0, kFill = 1, kBackground = 5;

    explicit GxTaskUIHBarIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                            s32 localIndex = 0);

    // The base update, the glide's clock, the leaving check.
    int Update(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    // Releases the images and resets the event state after reading.
    bool ReadContent(GxContentReaderBase* reader) override;
    bool LoadImages() override;
    void ReleaseImages() override;
    // Clamped to the range; ends any glide.
    void SetValue(f64 value) override;
    // The bound, then the value and the glide's start brought into the range.
    void SetMax(f64 v) override;
    void SetMin(f64 v) override;
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    // Glides from the value shown now to the clamped value in ms milliseconds.
    virtual void SetValueIntGlide(int value, int ms) { SetValueGlide(value, ms); }
    virtual void SetValueGlide(f64 value, int ms);
    virtual void FinishGlide();
    virtual bool IsGliding() const { return m_ChangeTimeLeft > 0; }
    virtual s32 GetImageIndex() const { return m_ImageIndex; }
    virtual void SetPatternIndex(int index) { m_PatternIndex = index; }
    virtual s32 GetPatternIndex() const { return m_PatternIndex; }
    // Patterns of the fill image; 0 without it.
    virtual s32 GetPatternCount() const;

    // The value drawn now: the glide's blend while one runs, else m_Value.
    f64 GetShownValue() const;
    f64 GetOldValue() const { return m_OldValue; }
    GxNcOriginImage* GetImage(int slot) const { return slot >= 0 && slot < kImageSlotCount ? m_Images[slot] : nullptr; }

protected:
    // The glide's progress 0..1; 1 when none runs.
    f64 GlideProgress() const;

    GxNcOriginImage* m_Images[kImageSlotCount] = {};
    s32 m_ImageIndex = 0;
    s32 m_PatternIndex = 0;
    f64 m_OldValue = 0.0;
    s32 m_ChangeTimeLeft = 0;
    s32 m_ChangeTimeTotal = 0;
};
