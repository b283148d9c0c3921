#pragma once
// The movie service over a headless render device, in the sound tests'
// scratch folder with its hand-driven clock and the null output pumped by
// hand. Clips come from ffmpeg (support/MovieClips.h).
#include "base/GxStringUtil.h"
#include "graphics/GxD3DResourceManage.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxTextureMovie.h"
#include "media/movie/GxMovie.h"
#include "media/movie/GxMoviePlayerBase.h"
#include "platform/movie/movie_graph.h"
#include "platform/render/adapter.h"
#include "support/LogCapture.h"
#include "support/MovieClips.h"
#include "sound_fixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace movietest {

class MovieTest : public soundtest::SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        GxGraphics::GetConfig() = GxGraphicsConfig{};
        GxGraphics::SetAdapter(std::make_unique<prender::adapter>(prender::adapter::default_script()));
        ASSERT_TRUE(GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr));
        GxMovie::Initialize();
        m_Start = m_Clock.now_us();
    }
    void TearDown() override {
        GxMovie::Shutdown();
        for (auto& t : m_Textures) t->Release();
        m_Textures.clear();
        GxGraphics::Finalize();
        GxGraphics::SetAdapter(nullptr);
        EXPECT_EQ(GxD3DResourceManage::GetInstance().GetCount(), 0u) << "a resource was left registered";
        SoundTest::TearDown();
    }
    // Writes the standard clip of a kind into the working folder.
    void PutClip(const std::string& name, qtest::ClipKind kind) {
        const std::vector<unsigned char>& b = qtest::StandardClip(kind);
        ASSERT_FALSE(b.empty()) << "ffmpeg did not write the clip";
        qtest::WriteBytes(m_Dir.path() / name, b);
    }
    // A movie texture as a layer makes one.
    GxTextureMovie* Texture(u32 w = 320, u32 h = 240, u32 format = kGxFmtA8R8G8B8) {
        m_Textures.push_back(std::make_unique<GxTextureMovie>());
        EXPECT_TRUE(m_Textures.back()->Create(u"", w, h, format, 0xFF000000u, true));
        return m_Textures.back().get();
    }
    // The clock at ms after the start, the decoding threads caught up, one
    // frame of the movie service.
    void At(int64_t ms) {
        m_Clock.set_us(m_Start + uint64_t(ms) * 1000);
        pmovie::movie_graph::settle_all();
        GxMovie::Update();
    }
    // The frame counter the texture shows.
    static int Shown(GxTextureMovie* t) {
        const std::vector<uint32_t> px = t->GetD3DTexture()->surface_level(0)->read_argb();
        return qtest::ReadFrameCounter(px.data(), int(t->GetWidth()), 320, 240);
    }
    uint64_t m_Start = 0;
    std::vector<std::unique_ptr<GxTextureMovie>> m_Textures;
};

} // namespace movietest
