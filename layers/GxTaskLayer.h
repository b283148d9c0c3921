#pragma once
// A layer: an actor that shows one piece of content (a project motion, an
// image-set pattern, a tiled image, a colour, a movie, a render texture or
// an image, with sub-layer images on top) from one of two slots, so that new
// content cross-fades over the old in one of four fade shapes. It shakes,
// lets a finished movie fade away, draws itself through render list 5 by its
// depth, and is stored with everything needed to come back after a load.
#include "layers/GxLayerContent.h"
#include "layers/GxTaskActor.h"
#include "tasks/GxTransitParam.h"

#include <vector>

class GxLayerMoviePlayer;

class GxTaskLayer : public GxTaskActor {
public:
    static constexpr int kRenderList = 5;

    explicit GxTaskLayer(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr);
    ~GxTaskLayer() override;

    int Update(int step, s64 elapsed) override;
    int EnqueueRender(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    // False, with the layer left empty, when the stored slot index or a movie
    // channel is out of range.
    bool ReadContent(GxContentReaderBase* reader) override;
    s32 GetWidth() override { return GetContentWidth(); }
    s32 GetHeight() override { return GetContentHeight(); }

    // The current content's picture size: a tiled image's, an image's or a
    // movie's own size (not its power-of-two texture's); 0 for the rest.
    s32 GetContentWidth();
    s32 GetContentHeight();

    virtual s32 GetLayerType() const { return m_LayerType; }
    virtual void SetLayerType(s32 type) { m_LayerType = type; }
    virtual bool SetProjectContent(GxStringView project, GxStringView imageSet, GxStringView motionGroup,
                                   GxStringView motion, s32 startFrame, s32 time);
    virtual bool SetImageSetContent(GxStringView imageSet, GxStringView image, s32 pattern, s32 time);
    virtual bool SetFlexImageContent(GxStringView file, s32 time);
    virtual bool SetColorContent(u32 argb, s32 time);
    virtual bool SetMovieContent(GxStringView file, s32 width, s32 height, s32 loopCount, f64 loopStart, s32 volume,
                                 bool play, s32 time);
    virtual bool SetRenderTextureContent(s32 width, s32 height, s32 time);
    virtual bool SetImageContent(GxStringView file, s32 time);
    virtual bool SetMultiImageContent(const std::vector<GxString>& files, s32 time);
    // Fades the current content out to nothing.
    virtual bool StartTransit(s32 time);
    virtual bool LoadSubLayerImage(GxStringView file, s32 index);
    virtual bool ShowSubLayer(s32 index);
    virtual bool HideSubLayer(s32 index);
    virtual void ClearContent();
    virtual GxLayerContent* GetCurrentContent() { return &m_Content[m_IndexPos]; }
    virtual GxLayerContent* GetBackContent() { return &m_Content[1 - m_IndexPos]; }
    virtual void StopMovie();
    virtual bool PlayMovie(s32 volume);
    virtual GxLayerMoviePlayer* GetMoviePlayer();
    virtual bool IsMoviePlaying();
    virtual f64 GetMoviePosition();
    virtual void StartShake(const f32 amplitude[4], s32 time);
    virtual void StopShake();
    virtual bool IsTransiting() const { return m_Transit.m_Transit; }
    virtual bool FinishTransit();
    virtual void SetMovieAutoDisappearTime(s32 time) { m_MovieAutoDisappearTime = time; }
    virtual s32 GetMovieAutoDisappearTime() const { return m_MovieAutoDisappearTime; }
    virtual void SetLocalTransitMode(s32 mode) { m_LocalTransitMode = mode; }
    virtual s32 GetLocalTransitMode() const { return m_LocalTransitMode; }
    virtual void CenterOnScreen();

    s32 GetIndexPos() const { return m_IndexPos; }
    const GxTransitParam& GetTransit() const { return m_Transit; }
    bool IsShaking() const { return m_Shake; }
    bool IsImageMissing() const { return m_MissingImage; }

private:
    // The start of every setter: actions finished, the other slot made current.
    void Flip();
    // After a setter: cross-fade over `time` ms, or drop the old slot at once.
    void ApplyTransit(s32 time);
    // The start of a setter: the other slot current and cleared.
    GxLayerContent& BeginSetter();
    // Its end: the transition when the content loaded; the load's result.
    bool EndSetter(bool loaded, s32 time);
    void UpdateContent(GxLayerContent& c);
    void DrawContent(GxLayerContent& c, f32 fade);
    void DrawSubLayers(GxLayerContent& c, const GxVector4& world, const GxVector3& rot);
    // The fade factors of the current (in) and back (out) slots at progress p.
    void TransitFactors(f32 p, f32* in, f32* out) const;
    // The current content's picture size (see GetContentWidth).
    GxPoint2 ContentSize() const;
    // The sub-layer `index` of slot 0, and of slot 1 when it has one.
    bool SetSubLayerVisible(s32 index, bool visible);
    GxLayerMoviePlayer* PlayerOf(const GxLayerContent& c) const;

    GxLayerContent m_Content[2];
    s32 m_LayerType = 0;
    s32 m_IndexPos = 0;
    GxTransitParam m_Transit;
    bool m_Shake = false;
    GxVector4 m_ShakeAmplitude;
    s32 m_ShakeTimeLeft = 0;
    s32 m_ShakeTimeTotal = 0;
    s32 m_MovieAutoDisappearTime = 0;
    s32 m_LocalTransitMode = 1;
    bool m_MissingImage = false;
};
