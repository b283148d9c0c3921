#pragma once
// Widget type 15: one pattern of an origin image in a crammed image set from
// the shared pool, drawn with the actor's transform. The base of the text
// panel on an image set and of the animated panel; reacts to the pointer with
// the standard handling.
#include "ui/GxTaskUIIsBase.h"

class GxNcOriginImage;

class GxTaskUIPanelIs : public GxTaskUIIsBase {
public:
    static constexpr s32 kTypeCode = 15;

    explicit GxTaskUIPanelIs(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                             s32 localIndex = 0);

    int Update(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    // Clears the image (it comes back at the next scene start) and resets
    // the event state.
    bool ReadContent(GxContentReaderBase* reader) override;
    // The image in its pooled set; a zero width or height from its first
    // pattern. False, logged, when the set or the image is missing.
    bool LoadImages() override;
    void ReleaseImages() override { m_pImage = nullptr; }
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    virtual void SetPatternIndex(int index) { m_PatternIndex = index; }
    virtual s32 GetPatternIndex() const { return m_PatternIndex; }
    // Patterns of the current image; 0 without one.
    virtual s32 GetPatternCount() const;

    GxNcOriginImage* GetImage() const { return m_pImage; }

protected:
    // The load with the class's own messages; lookUpSetWithoutImage: the set
    // is fetched (and its absence logged) even without an image name.
    bool LoadImage(const GxChar* setMissing, const GxChar* imageMissing, bool lookUpSetWithoutImage);

    GxNcOriginImage* m_pImage = nullptr;
    s32 m_PatternIndex = 0;
};
