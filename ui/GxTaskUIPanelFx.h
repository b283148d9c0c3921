#pragma once
// Widget type 8: one PNG file drawn whole as a tiled texture, shared by name
// through the tiled-texture factory. The base of the text widgets and the
// list box; reacts to the pointer with the standard handling.
#include "ui/GxTaskUIBase.h"

class GxTextureFlex;

class GxTaskUIPanelFx : public GxTaskUIBase {
public:
    static constexpr s32 kTypeCode = 8;

    explicit GxTaskUIPanelFx(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                             s32 localIndex = 0);
    ~GxTaskUIPanelFx() override;

    int Update(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    // The image file: the module's ImageSetName + ImageName + ".png" (empty
    // without an ImageName).
    void ApplyModuleRecord(const DBUIModuleRecord& module) override;
    // The path becomes the image file unchanged.
    bool SetImageSource(const GxChar* source) override;
    // The texture of the image file; the size follows the texture (0 x 0
    // without one). False for no file name or no texture.
    bool LoadImages() override;
    void ReleaseImages() override;
    int OnMouseMove(const GxVector2& pos, u32 keyFlags) override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    const GxString& GetImageFileName() const { return m_ImageFileName; }
    GxTextureFlex* GetTexture() const { return m_pTexture; }

protected:
    GxString m_ImageFileName;
    GxTextureFlex* m_pTexture = nullptr;
};
