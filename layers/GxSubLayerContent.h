#pragma once
// One extra tiled image drawn over an image content (a character's
// expression, say), with its own visibility and offset.
#include "base/GxVector.h"

#include <memory>

class GxTextureFlex;
class GxContentWriterBase;
class GxContentReaderBase;

class GxSubLayerContent {
public:
    GxSubLayerContent();
    virtual ~GxSubLayerContent();
    GxSubLayerContent(const GxSubLayerContent&) = delete;
    GxSubLayerContent& operator=(const GxSubLayerContent&) = delete;

    // True when the stream reports no error.
    virtual bool Write(GxContentWriterBase* writer);
    virtual bool Read(GxContentReaderBase* reader);

    // Deletes the texture and empties the fields.
    void Clear();
    // Clears, then loads the file (A4R4G4B4) and takes its size; visibility
    // is not changed. False for an empty name or a failed load.
    bool LoadImage(GxStringView file);
    // After a save was read: the named file again, visibility and offset kept.
    bool Reload();

    std::unique_ptr<GxTextureFlex> m_pTexture;
    bool m_Visible = false;
    s32 m_Alpha = 255;
    GxString m_ContentFileName;
    s32 m_Width = 0;
    s32 m_Height = 0;
    GxVector2 m_OffsetPos;
};
