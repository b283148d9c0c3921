#include "media/movie/GxMoviePlayerFile.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxTextureMovie.h"
#include "media/movie/GxMovieReader.h"
#include "media/movie/GxMovieReaderWMV.h"
#include "media/movie/GxMovieRenderer.h"
#include "media/movie/GxMovieSourceFilterFile.h"
#include "platform/movie/movie_graph.h"

namespace {

constexpr u32 kNoBandwidthLimit = 0xFFFFFFFFu;

} // namespace

pmovie::subtype GxGetMovieSubtype(GxStringView file) {
    struct Entry {
        const GxChar* ext;
        pmovie::subtype sub;
    };
    static const Entry kTable[] = {
        {u".avi", pmovie::subtype::avi},         {u".mpg", pmovie::subtype::mpeg1_system},
        {u".mpeg", pmovie::subtype::mpeg1_system}, {u".mpv", pmovie::subtype::mpeg1_video},
        {u".dat", pmovie::subtype::mpeg1_videocd}, {u".mov", pmovie::subtype::quicktime},
        {u".mpa", pmovie::subtype::mpeg1_audio},  {u".wav", pmovie::subtype::wave},
        {u".asf", pmovie::subtype::asf},         {u".wmv", pmovie::subtype::asf},
        {u".mpg2", pmovie::subtype::mpeg2_video},
    };
    const GxString ext = GxToLower(GxGetFileExtension(file));
    for (const Entry& e : kTable)
        if (ext == e.ext) return e.sub;
    return pmovie::subtype::none;
}

GxMoviePlayerFile::GxMoviePlayerFile() {
    m_MediaType.major = pmovie::major_type::stream;
}

GxMoviePlayerFile::~GxMoviePlayerFile() { Close(); }

void GxMoviePlayerFile::Close() {
    m_File.clear();
    m_LoopStart = 0.0;
    m_Playing = false;
    m_LoopCount = m_VideoWidth = m_VideoHeight = m_VideoPitch = 0;
    if (m_MediaControl) m_MediaControl->stop();
    // Every side is let go once and cleared; the graph goes last of them,
    // joining its decoding thread before the source it reads is closed.
    m_BasicAudio = nullptr;
    m_Renderer.reset();
    m_MediaEvent = m_MediaPosition = m_MediaControl = nullptr;
    m_GraphBuilder.reset();
    if (m_SourceFilter) m_SourceFilter->StopReading();
    m_SourceFilter.reset();
    m_SourceStream.reset();
}

bool GxMoviePlayerFile::Open(GxStringView file, GxTextureMovie* texture, bool dynamicTexture) {
    Close();
    m_File = GxString(file);
    m_MediaType.sub = GxGetMovieSubtype(file);
    if (m_MediaType.sub == pmovie::subtype::none) {
        GxWriteErrorLog(u"GxMoviePlayerFile::この形式は再生できません (File=%s)\n", file);
        return false;
    }
    m_SourceStream = std::make_unique<GxMovieSourceFilterFile>(file, kNoBandwidthLimit);
    if (!m_SourceStream->IsOpen()) {
        GxWriteErrorLog(kGxMovieOpenFailedLine, file);
        return false;
    }
    pmovie::result hr = pmovie::e_fail;
    if (m_MediaType.sub == pmovie::subtype::asf)
        m_SourceFilter = std::make_shared<GxMovieReaderWMV>(m_SourceStream.get(), &hr);
    else
        m_SourceFilter = std::make_shared<GxMovieReader>(m_SourceStream.get(), m_MediaType, &hr);
    if (pmovie::failed(hr)) {
        // Both are let go here and cleared, so that Close does not let them go again.
        m_SourceFilter.reset();
        m_SourceStream.reset();
        GxWriteErrorLog(u"GxMoviePlayerFile::MovieReader作成失敗 (File=%s/HRESULT 0x%8.8X)\n", file, hr);
        return false;
    }

    m_GraphBuilder = std::make_unique<pmovie::movie_graph>();
    m_MediaControl = m_MediaPosition = m_MediaEvent = m_GraphBuilder.get();
    hr = m_GraphBuilder->set_source(m_SourceFilter->GetContainer());
    if (pmovie::failed(hr)) {
        m_SourceFilter->StopReading();
        m_SourceFilter.reset();
        GxWriteErrorLog(u"Could not Add filter FileReader object!  hr=0x%x\n", hr);
        return false;
    }
    auto renderer = std::make_shared<GxMovieRenderer>(texture, dynamicTexture, &hr);
    if (pmovie::failed(hr)) {
        GxWriteErrorLog(u"Could not create texture renderer object!  hr=0x%x\n", hr);
        return false;
    }
    m_Renderer = renderer;
    hr = m_GraphBuilder->set_video_sink(m_Renderer);
    if (pmovie::failed(hr)) {
        m_Renderer.reset();
        GxWriteErrorLog(u"Could not add renderer filter to graph!  hr=0x%x\n", hr);
        return false;
    }
    for (s32 i = 0; i < m_SourceFilter->GetPinCount(); ++i) {
        GxMoviePinBase* pin = m_SourceFilter->GetPin(i);
        if (!pin || pmovie::failed(pin->Render(*m_GraphBuilder))) return false;
    }
    m_BasicAudio = m_GraphBuilder->has_audio() ? m_GraphBuilder.get() : nullptr;

    m_VideoWidth = m_Renderer->GetVideoWidth();
    m_VideoHeight = m_Renderer->GetVideoHeight();
    m_VideoPitch = m_Renderer->GetSourcePitch();
    if (GxTextureMovie* t = m_Renderer->GetTexture(); t && t->GetWidth() > 0 && t->GetHeight() > 0) {
        m_TextureU = f32(m_VideoWidth) / f32(t->GetWidth());
        m_TextureV = f32(m_VideoHeight) / f32(t->GetHeight());
    }
    return true;
}

bool GxMoviePlayerFile::Play(s32 loopCount, s32 volume) {
    m_LoopCount = loopCount;
    if (!m_MediaControl) return false;
    if (m_BasicAudio) m_BasicAudio->set_volume(volume);
    m_MediaControl->set_repeats(loopCount);
    m_Playing = !pmovie::failed(m_MediaControl->run());
    return m_Playing;
}

bool GxMoviePlayerFile::Stop() {
    m_Playing = false;
    if (!m_MediaControl) return false;
    return !pmovie::failed(m_MediaControl->stop());
}

void GxMoviePlayerFile::SetVolume(s32 volume) {
    if (m_BasicAudio) m_BasicAudio->set_volume(volume);
}

void GxMoviePlayerFile::SetRate(f64 rate) {
    if (m_MediaPosition) m_MediaPosition->set_rate(rate);
}

void GxMoviePlayerFile::SetLoopStart(f64 seconds) {
    m_LoopStart = seconds;
    if (m_MediaControl) m_MediaControl->set_loop_start(seconds);
}

f64 GxMoviePlayerFile::GetStopTime() { return m_MediaPosition ? m_MediaPosition->stop_time() : 0.0; }
f64 GxMoviePlayerFile::GetDuration() { return m_MediaPosition ? m_MediaPosition->duration() : 0.0; }
f64 GxMoviePlayerFile::GetPosition() { return m_MediaPosition ? m_MediaPosition->position() : 0.0; }
s32 GxMoviePlayerFile::GetLoopCount() { return IsPlaying() ? m_LoopCount : 0; }

void GxMoviePlayerFile::SetPosition(f64 seconds) {
    if (m_MediaPosition) m_MediaPosition->set_position(seconds);
}

void GxMoviePlayerFile::GetTextureUV(f32& u, f32& v) {
    u = m_TextureU;
    v = m_TextureV;
}

pmovie::result GxMoviePlayerFile::GetEvent(s32* code, intptr_t* param1, intptr_t* param2, s32) {
    if (!m_MediaEvent) return pmovie::e_abort;
    return m_MediaEvent->get_event(code, param1, param2);
}

void GxMoviePlayerFile::Update() {
    if (!m_MediaEvent || !m_MediaControl) return;
    m_MediaControl->service();
    s32 code = 0;
    intptr_t wentOn = 0, unused = 0;
    if (GetEvent(&code, &wentOn, &unused, 0) != pmovie::s_ok) return;
    if (code == pmovie::ec_error_abort) {
        // Repeating would show nothing new, without end: the movie ends as
        // if it had no repeats left.
        GxWriteErrorLog(u"GxMoviePlayerFile::繰り返し再生できる映像がありません (File=%s)\n", m_File);
        m_LoopCount = 0;
        m_MediaControl->set_repeats(0);
    } else if (code != pmovie::ec_complete) {
        return;
    }
    if (m_LoopCount != 0) {
        // The graph goes back to the loop start by itself while repeats are
        // left; only when it did not is it sent there.
        if (!wentOn) {
            SetPosition(m_LoopStart);
            m_MediaControl->run();
        }
        if (m_LoopCount > 0) --m_LoopCount;
        m_MediaControl->set_repeats(m_LoopCount);
    } else {
        m_Playing = false;
        SetPosition(0.0);
        m_MediaControl->stop();
    }
}

std::shared_ptr<prender::texture> GxMoviePlayerFile::GetD3DTexture() {
    GxTextureMovie* t = GetTexture();
    return t ? t->GetD3DTexture() : nullptr;
}

GxTextureMovie* GxMoviePlayerFile::GetTexture() { return m_Renderer ? m_Renderer->GetTexture() : nullptr; }
