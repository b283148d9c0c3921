#pragma once
// The video renderer at the end of every movie graph: it copies each frame
// into a movie texture, converting the pixels to the texture's format on the
// way. It takes 24-bit RGB rows (bottom-up for a positive height, top-down for
// a negative one) and the graph's decoded pictures, which the graph's
// converter scales into the texture (its last rows through rows of its own).
//
// The texture is double-buffered. DoRenderSample writes the hidden buffer on
// the graph's decoding thread, ahead of the frame's time; ShowRenderedSample
// flips it in when the time has come. Both hold the texture's frame lock,
// which its drawing side takes too.
#include "base/GxTypes.h"
#include "platform/movie/video_sink.h"

#include <memory>

class GxTextureMovie;

class GxMovieRenderer : public pmovie::video_sink {
public:
    // texture null: the renderer makes its own at the video's size when the
    // media type is set, and destroys it. hr receives s_ok.
    GxMovieRenderer(GxTextureMovie* texture, bool dynamicTexture, pmovie::result* hr);
    ~GxMovieRenderer() override;

    pmovie::result CheckMediaType(const pmovie::media_type* type);
    pmovie::result SetMediaType(const pmovie::media_type& type);
    pmovie::result DoRenderSample(const pmovie::sample* sample);
    void ShowRenderedSample();

    GxTextureMovie* GetTexture() const { return m_Texture; }
    s32 GetVideoWidth() const { return m_VideoWidth; }
    s32 GetVideoHeight() const { return m_VideoHeight; }
    // The length of one 24-bit source row: width x 3 rounded up to 4 bytes.
    s32 GetSourcePitch() const { return m_SourcePitch; }

    pmovie::result check_media_type(const pmovie::media_type* type) override { return CheckMediaType(type); }
    pmovie::result set_media_type(const pmovie::media_type& type) override { return SetMediaType(type); }
    pmovie::result render_sample(const pmovie::sample* s) override { return DoRenderSample(s); }
    void show_sample() override { ShowRenderedSample(); }

private:
    void CopyRows(const pmovie::sample& sample, u8* dst, s32 dstPitch, s32 w, s32 h, u32 format) const;

    GxTextureMovie* m_Texture;
    std::unique_ptr<GxTextureMovie> m_OwnTexture;
    bool m_DynamicTexture;
    s32 m_VideoWidth = 0;
    s32 m_VideoHeight = 0;
    s32 m_SourcePitch = 0;
    bool m_BottomUp = true;
    bool m_Pictures = false;
};
