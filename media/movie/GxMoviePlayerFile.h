#pragma once
// The movie player over one file: a source that reads the file through the
// file layer (so movies in packs play), the graph that demuxes and decodes
// it, and the renderer that writes its frames into a movie texture. At the
// end of the movie it repeats from the loop start as often as it was told,
// or stops at the start; so does a movie whose repeat holds nothing to show,
// with one line naming the file.
#include "media/movie/GxMoviePlayerBase.h"
#include "platform/movie/media_type.h"

#include <memory>

class GxMovieReader;
class GxMovieRenderer;
class GxMovieSourceFilterFile;
namespace pmovie {
class movie_graph;
}

// The line that names a movie file that could not be opened.
inline constexpr const GxChar* kGxMovieOpenFailedLine = u"GxMoviePlayerFile::動画ファイルオープンに失敗 (File=%s)\n";

// The byte-stream subtype the file's extension names (ASCII case ignored);
// none for an extension no movie is read from.
pmovie::subtype GxGetMovieSubtype(GxStringView file);

class GxMoviePlayerFile : public GxMoviePlayerBase {
public:
    GxMoviePlayerFile();
    ~GxMoviePlayerFile() override;

    // Builds the graph for the file. texture: where the frames go (null: the
    // renderer makes its own); dynamicTexture goes to the renderer. Whatever
    // was built before a failure stays until the next Close.
    bool Open(GxStringView file, GxTextureMovie* texture, bool dynamicTexture);

    void Close() override;
    bool Play(s32 loopCount, s32 volume) override;
    bool Stop() override;
    void SetVolume(s32 volume) override;
    void SetRate(f64 rate) override;
    void SetLoopStart(f64 seconds) override;
    f64 GetLoopStart() override { return m_LoopStart; }
    f64 GetStopTime() override;
    f64 GetDuration() override;
    f64 GetPosition() override;
    s32 GetLoopCount() override;
    void SetPosition(f64 seconds) override;
    void GetTextureUV(f32& u, f32& v) override;
    s32 GetVideoWidth() override { return m_VideoWidth; }
    s32 GetVideoHeight() override { return m_VideoHeight; }
    s32 GetVideoPitch() override { return m_VideoPitch; }
    pmovie::result GetEvent(s32* code, intptr_t* param1, intptr_t* param2, s32 timeoutMs) override;
    void Update() override;
    bool IsPlaying() override { return m_Playing; }
    std::shared_ptr<prender::texture> GetD3DTexture() override;
    GxTextureMovie* GetTexture() override;

private:
    std::unique_ptr<GxMovieSourceFilterFile> m_SourceStream;
    std::shared_ptr<GxMovieReader> m_SourceFilter;
    // The graph; its control, position, event and audio sides, each null
    // when the graph does not offer it (audio: no sound was connected).
    std::unique_ptr<pmovie::movie_graph> m_GraphBuilder;
    pmovie::movie_graph* m_MediaControl = nullptr;
    pmovie::movie_graph* m_MediaPosition = nullptr;
    pmovie::movie_graph* m_MediaEvent = nullptr;
    pmovie::movie_graph* m_BasicAudio = nullptr;
    std::shared_ptr<GxMovieRenderer> m_Renderer;
    pmovie::media_type m_MediaType;
    // For the lines the player writes while it plays.
    GxString m_File;
    bool m_Playing = false;
    s32 m_LoopCount = 0;
    s32 m_VideoWidth = 0;
    s32 m_VideoHeight = 0;
    s32 m_VideoPitch = 0;
    f32 m_TextureU = 1.0f;
    f32 m_TextureV = 1.0f;
    f64 m_LoopStart = 0.0;
};
