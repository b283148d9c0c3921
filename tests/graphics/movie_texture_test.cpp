// The movie texture: its two power-of-two buffers, fill colour, ready
// flags, device loss with dynamic buffers, refused creations, and the flip
// shared between a writer thread and the drawing loop.
#include "graphics_fixture.h"

#include "graphics/GxDraw.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTextureFactory.h"
#include "graphics/GxTextureMovie.h"

#include <atomic>
#include <thread>

namespace {

using namespace gxtest;

class MovieTexture : public GraphicsTest {
protected:
    prender::adapter_script ScriptWith(bool square, bool dynamic) {
        prender::adapter_script s = Script({Mode(640, 480, 60)});
        s.caps.square_only = square;
        s.caps.dynamic_textures = dynamic;
        s.caps.pack_words();
        return s;
    }
    static uint32_t Shown(GxTextureMovie& m, int x, int y) {
        return m.GetD3DTexture()->surface_level(0)->read_argb()[size_t(y) * m.GetWidth() + size_t(x)];
    }
};

TEST_F(MovieTexture, SizesFillAndReadyFlags) {
    ASSERT_TRUE(Start(ScriptWith(false, true)));
    GxTextureMovie m;
    ASSERT_TRUE(m.Create(u"Clip", 640, 360, kGxFmtA8R8G8B8, 0xFF000000u, false));
    EXPECT_EQ(m.GetName(), u"clip");
    EXPECT_EQ(m.GetWidth(), 1024u);
    EXPECT_EQ(m.GetHeight(), 512u);
    EXPECT_EQ(m.GetAskedWidth(), 640u);
    EXPECT_EQ(m.ToU(640), 0.625f);
    EXPECT_EQ(m.GetPool(), kGxPoolManaged) << "not asked to be dynamic";
    EXPECT_EQ(m.GetMemorySize(), 4194304u) << "both buffers";
    EXPECT_EQ(m.GetObjectType(), u32(OBJTYPE_TEXTURE));
    EXPECT_EQ(Shown(m, 639, 359), 0xFF000000u) << "the fill colour before any frame";
    EXPECT_FALSE(m.IsReady());
    EXPECT_NE(m.GetBackTexture(), m.GetD3DTexture());
    EXPECT_TRUE(m.Fill(1, 0xFF00FF00u));
    EXPECT_EQ(m.Advance(), 0u);
    EXPECT_EQ(Shown(m, 0, 0), 0xFF00FF00u);
    EXPECT_FALSE(m.IsReady()) << "the buffer shown now has not been flipped away yet";
    m.Advance();
    EXPECT_TRUE(m.IsReady()) << "after the second frame the shown buffer is ready";

    qtest::LogCapture log;
    ASSERT_TRUE(m.LockRect(0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false));
    EXPECT_FALSE(m.LockRect(1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false)) << "one lock for both";
    EXPECT_TRUE(log.Contains("Error/Texture LockRect Failed(Name:\"clip\" Size:1024,512 Texture Already Locked)\n"))
        << log.Text();
    EXPECT_TRUE(m.UnlockRect(0));
    m.Release();
    EXPECT_FALSE(m.HasTexture());
    EXPECT_EQ(m.GetObjectType(), u32(OBJTYPE_NONE));

    GxTextureMovie square;
    GxGraphics::Finalize();
    ASSERT_TRUE(Start(ScriptWith(true, true)));
    ASSERT_TRUE(square.Create(u"", 640, 360, 0, 0, false));
    EXPECT_EQ(square.GetHeight(), 1024u) << "square-only devices";
    EXPECT_EQ(square.GetFormat(), GxGraphics::GetRenderTargetFormat()) << "format 0";
    square.Release();
}

TEST_F(MovieTexture, DynamicBuffersAcrossADeviceReset) {
    ASSERT_TRUE(Start(ScriptWith(false, true)));
    GxTextureMovie dyn;
    ASSERT_TRUE(dyn.Create(u"dyn", 16, 16, kGxFmtA8R8G8B8, 0xFF112233u, true));
    EXPECT_EQ(dyn.GetPool(), kGxPoolDefault);
    dyn.Fill(0, 0xFFFFFFFFu);
    dyn.Advance();
    dyn.Advance();
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr)) << "the dynamic buffers let go on loss";
    EXPECT_EQ(Shown(dyn, 3, 3), 0xFF112233u) << "made again and filled with the fill colour";
    EXPECT_FALSE(dyn.IsReady());
    dyn.Release();
    GxGraphics::Finalize();

    ASSERT_TRUE(Start(ScriptWith(false, false)));
    GxTextureMovie managed;
    ASSERT_TRUE(managed.Create(u"m", 16, 16, kGxFmtA8R8G8B8, 0, true));
    EXPECT_EQ(managed.GetPool(), kGxPoolManaged) << "asked dynamic on a device without dynamic textures";
    managed.Fill(0, 0xFF445566u);
    ASSERT_TRUE(GxGraphics::ResetDevice(true, 0, 0, nullptr));
    EXPECT_EQ(Shown(managed, 0, 0), 0xFF445566u) << "managed buffers keep their frame";
    managed.Release();
}

TEST_F(MovieTexture, RefusedCreationsHoldNothing) {
    ASSERT_TRUE(Start());
    const size_t registered = GxD3DResourceManage::GetInstance().GetCount();
    qtest::LogCapture log;
    GxTextureMovie m;
    EXPECT_FALSE(m.Create(u"huge", 100000, 16, kGxFmtA8R8G8B8, 0, false));
    EXPECT_TRUE(log.Contains("Error/GxTextureMovie::Create Failed(Type:Texture Name:\"huge\" Size:131072,16 CachePos:0"))
        << log.Text();
    EXPECT_FALSE(m.HasTexture());
    EXPECT_EQ(m.GetBackTexture(), nullptr);
    EXPECT_EQ(m.GetRefCount(), 0u);
    EXPECT_EQ(GxD3DResourceManage::GetInstance().GetCount(), registered) << "and is not registered";

    GxD3DResourceBase* made = GxTextureFactory::GetInstance().Create(u"movie", kGxTextureKindMovie, 320, 240, 1, 0, 0, false);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(static_cast<GxTextureMovie*>(made)->GetWidth(), 512u);
    GxTextureFactory::GetInstance().Release(made);
}

// A writer thread fills the hidden buffer with frame k and flips, under the
// frame lock; the drawing loop takes the shown buffer under the same lock.
// Every drawn picture is one whole frame, and frames only move forward.
TEST_F(MovieTexture, FramesFlipUnderAWriterThread) {
    ASSERT_TRUE(Start());
    GxTextureMovie m;
    ASSERT_TRUE(m.Create(u"", 16, 16, kGxFmtA8R8G8B8, 0xFF000000u, true));
    GxSurface target;
    ASSERT_TRUE(target.CreateRenderTarget(u"t", 16, 16, kGxFmtA8R8G8B8, 0, 0));
    ASSERT_TRUE(GxGraphics::PushRenderTarget(0, &target, nullptr, nullptr));
    constexpr u32 kFrames = 400;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (u32 k = 1; k <= kFrames; ++k) {
            GxMutexScopedLock frame(m.GetFrameLock());
            std::shared_ptr<prender::texture> back = m.GetBackTexture();
            prender::locked_rect lr;
            if (prender::failed(back->lock_rect(0, nullptr, lr, 0))) continue;
            for (u32 y = 0; y < 16; ++y)
                for (u32 x = 0; x < 16; ++x) static_cast<u32*>(static_cast<void*>(static_cast<u8*>(lr.bits) + y * lr.pitch))[x] = 0xFF000000u | k;
            back->unlock_rect(0);
            m.Advance();
        }
        done = true;
    });
    u32 last = 0;
    int draws = 0;
    bool whole = true, forward = true;
    const f32 src[4] = {0, 0, 16, 16};
    while (!done || draws < 20) {
        {
            GxMutexScopedLock frame(m.GetFrameLock());
            GxGraphics::BeginScene();
            GxSetDefaultRenderStates();
            GxDrawSprite(&m, 0, 0, src, nullptr, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 1);
            GxGraphics::EndScene();
        }
        const std::vector<uint32_t> px = target.GetD3DSurface()->read_argb();
        for (uint32_t p : px) whole &= p == px[0];
        forward &= (px[0] & 0xFFFF) >= last;
        last = px[0] & 0xFFFF;
        ++draws;
    }
    writer.join();
    EXPECT_TRUE(whole) << "a drawn picture mixed two frames";
    EXPECT_TRUE(forward) << "a frame went back in time";
    EXPECT_EQ(m.GetD3DTexture()->surface_level(0)->read_argb()[0], 0xFF000000u | kFrames);
    EXPECT_TRUE(GxGraphics::PopRenderTarget(0));
    target.Release();
    m.Release();
}

} // namespace
