#pragma once
// What one content slot of a layer shows and owns: its kind, the names and
// numbers that define it (enough to load it again after a save game is
// read), and the objects loaded for it. Projects and image sets are shared
// references given back to their factories; textures are the content's own.
#include "base/GxFColor.h"
#include "base/GxMatrix.h"
#include "layers/GxNcMotionSnapShotEx.h"
#include "layers/GxSubLayerContent.h"

#include <memory>
#include <vector>

class GxNcProjectEx;
class GxNcCrammedImageSet;
class GxNcOriginImage;
class GxTextureFlex;
class GxTextureBase;
class GxTexture;
class GxTextureMovie;
class GxContentWriterBase;
class GxContentReaderBase;

// m_ContentType. 4 is accepted when restoring and loads nothing.
enum GxLayerContentType : s32 {
    kGxContentEmpty = 0,
    kGxContentProject = 1,
    kGxContentImageSet = 2,
    kGxContentFlexImage = 3,
    kGxContentColor = 5,
    kGxContentMovie = 6,
    kGxContentRenderTexture = 7,
    kGxContentImage = 8,
};

class GxLayerContent {
public:
    GxLayerContent();
    virtual ~GxLayerContent();
    GxLayerContent(const GxLayerContent&) = delete;
    GxLayerContent& operator=(const GxLayerContent&) = delete;

    // Both true: the stored form is all values, whatever the stream says.
    virtual bool Write(GxContentWriterBase* writer);
    // False when a list count exceeds what the stream holds.
    virtual bool Read(GxContentReaderBase* reader);

    // Gives back what the content holds and empties every field but the
    // movie channel; sub-layers stay, each cleared.
    void Clear();
    // After a save was read: the loaded objects made again from the fields.
    bool Restore();
    // A movie content's file opened in its channel onto its texture and
    // played from its loop settings (at its stored position when seek).
    bool StartMovie(s32 volume, bool seek);
    void CreateSubLayerContents(s32 count);
    // Null for an index outside the list.
    GxSubLayerContent* GetSubLayerContent(s32 index);
    s32 GetSubLayerCount() const { return s32(m_pSubLayerList.size()); }

    // The loaded objects.
    GxTextureMovie* GetMovieTexture() const;
    GxTexture* GetImageTexture() const;

    s32 m_ContentType = kGxContentEmpty;
    GxNcProjectEx* m_pProject = nullptr;
    GxNcCrammedImageSet* m_pImageSet = nullptr;
    std::unique_ptr<GxTextureFlex> m_pTextureFlex;
    std::unique_ptr<GxTextureBase> m_pTexture;
    GxNcMotionSnapShotEx m_SnapShot;
    s32 m_Alpha = 255;
    GxString m_ContentFileName;
    std::vector<GxString> m_MultiContentFileName;
    s32 m_Width = 0;
    s32 m_Height = 0;
    const GxNcOriginImage* m_pOriginImage = nullptr;
    GxString m_ImageName;
    s32 m_PatternIndex = 0;
    s32 m_FrameCount = 0;
    GxString m_MotionGroupName;
    GxString m_MotionName;
    GxMatrix m_MatWorld;
    GxFColor m_SolidColor{1, 1, 1, 1};
    u32 m_MyChannel = 0;
    s32 m_LoopCount = 0;
    f64 m_LoopStartPos = 0.0;
    f64 m_MovieCurrentTime = 0.0;
    bool m_MovieAutoDisappear = true;
    std::vector<std::unique_ptr<GxSubLayerContent>> m_pSubLayerList;

private:
    void ReleaseLoaded();
};
