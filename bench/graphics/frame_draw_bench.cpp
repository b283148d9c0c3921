// One 1024 × 768 game frame through the graphics layer: a full-screen tiled
// background, then eight 512 × 512 alpha-blended sprites (four unscaled, four
// rotated and scaled with linear filtering), presented headless. Figures are
// milliseconds per frame on one raster thread and on the device's default
// threads, and the ratio against the same quads handed to the render device
// directly in the same run (the cost of the layer itself).
#include "bench/graphics/headless_graphics.h"
#include "bench/timing.h"
#include "graphics/GxDraw.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxRenderState.h"
#include "graphics/GxSurface.h"
#include "graphics/GxTexture.h"
#include "graphics/GxTextureFlex.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr u32 W = 1024, H = 768;

struct Scene {
    GxTextureFlex background;
    GxTexture sprite;
};

void SpriteAt(int i, f32& x, f32& y, GxVector2& scale, GxVector3& rotation) {
    x = f32(64 + (i % 4) * 120);
    y = f32(32 + (i / 4) * 200);
    const bool turned = i >= 4;
    scale = turned ? GxVector2(1.3f, 1.1f) : GxVector2(1, 1);
    rotation = GxVector3(0, 0, turned ? 0.3f * f32(i) : 0.0f);
}

void LayerFrame(Scene& s) {
    GxGraphics::Clear(kGxClearTarget, 0xFF000000u, 1.0f, 0);
    GxGraphics::BeginScene();
    GxSetDefaultRenderStates();
    GxSetTextureFilter(prender::filter::point);
    GxDrawTextureFlex(&s.background, 0, 0, nullptr, nullptr, nullptr, 0xFFFFFFFFu, 0, 1);
    const f32 src[4] = {0, 0, 512, 512};
    for (int i = 0; i < 8; ++i) {
        f32 x, y;
        GxVector2 scale;
        GxVector3 rotation;
        SpriteAt(i, x, y, scale, rotation);
        GxSetTextureFilter(i >= 4 ? prender::filter::linear : prender::filter::point);
        GxDrawSprite(&s.sprite, x, y, src, &scale, &rotation, nullptr, nullptr, 0xFFFFFFFFu, 0, 2);
    }
    GxGraphics::EndScene();
    GxGraphics::Present();
}

// The same quads, states set once, straight to the device.
void DeviceFrame(Scene& s) {
    prender::device& d = *GxGraphics::GetDevice();
    d.clear(0, nullptr, prender::clear_target, 0xFF000000u, 1.0f, 0);
    d.begin_scene();
    using prender::render_state;
    d.set_render_state(render_state::alpha_blend_enable, 0);
    auto tiles = s.background.GetTileArray();
    d.set_sampler_state(0, prender::sampler_state::mag_filter, u32(prender::filter::point));
    d.set_sampler_state(0, prender::sampler_state::min_filter, u32(prender::filter::point));
    for (u32 r = 0; r < s.background.GetTilesDown(); ++r)
        for (u32 c = 0; c < s.background.GetTilesAcross(); ++c) {
            const f32 x0 = f32(c * 128) - 0.5f, y0 = f32(r * 128) - 0.5f, x1 = x0 + 128, y1 = y0 + 128;
            const prender::screen_vertex v[4] = {{x0, y0, 0, 1, 0xFFFFFFFFu, 0, 0, 0},
                                                 {x0, y1, 0, 1, 0xFFFFFFFFu, 0, 0, 1},
                                                 {x1, y1, 0, 1, 0xFFFFFFFFu, 0, 1, 1},
                                                 {x1, y0, 0, 1, 0xFFFFFFFFu, 0, 1, 0}};
            d.set_texture(0, tiles[r * s.background.GetTilesAcross() + c]);
            d.draw_primitive_up(prender::primitive_type::triangle_fan, 2, v);
        }
    d.set_render_state(render_state::alpha_blend_enable, 1);
    d.set_texture(0, s.sprite.GetD3DTexture());
    for (int i = 0; i < 8; ++i) {
        f32 x, y;
        GxVector2 scale;
        GxVector3 rotation;
        SpriteAt(i, x, y, scale, rotation);
        const u32 f = u32(i >= 4 ? prender::filter::linear : prender::filter::point);
        d.set_sampler_state(0, prender::sampler_state::mag_filter, f);
        d.set_sampler_state(0, prender::sampler_state::min_filter, f);
        const f32 c = std::cos(rotation.z), sn = std::sin(rotation.z);
        prender::screen_vertex v[4];
        const f32 cx[4] = {0, 0, 512, 512}, cy[4] = {0, 512, 512, 0};
        for (int k = 0; k < 4; ++k) {
            const f32 px = cx[k] * scale.x, py = cy[k] * scale.y;
            v[k] = {px * c - py * sn + x - 0.5f, px * sn + py * c + y - 0.5f, 0, 1, 0xFFFFFFFFu, 0, cx[k] / 512,
                    cy[k] / 512};
        }
        d.draw_primitive_up(prender::primitive_type::triangle_fan, 2, v);
    }
    d.end_scene();
    d.present(nullptr, nullptr, nullptr);
}

} // namespace

int main() {
    if (!qbench::StartHeadlessGraphics("frame_draw_bench", W, H)) return 1;
    {
        Scene s;
        GxSurface picture;
        picture.CreateScratch(u"picture", W, H, kGxFmtA8R8G8B8);
        {
            prender::locked_rect lr;
            auto surface = picture.GetD3DSurface();
            surface->lock_rect(nullptr, lr, 0);
            for (u32 y = 0; y < H; ++y)
                for (u32 x = 0; x < W; ++x)
                    static_cast<u32*>(static_cast<void*>(static_cast<u8*>(lr.bits) + y * lr.pitch))[x] =
                        0xFF000000u | (x & 255) << 16 | (y & 255) << 8 | ((x ^ y) & 255);
            surface->unlock_rect();
            s.background.CreateTexture(u"background", W, H, 0);
            s.background.CopyFromSurface(*surface);
        }
        s.sprite.CreateTexture(u"sprite", 512, 512, 0, 1);
        s.sprite.Fill(0x80C86432u);
        GxRect inner{64, 64, 448, 448};
        s.sprite.FillRect(&inner, 0xC0306090u);

        prender::device& d = *GxGraphics::GetDevice();
        const unsigned threads = d.raster_threads();
        std::printf("frame_draw_bench: %u x %u, tiled background + 8 sprites of 512 x 512\n", W, H);
        for (unsigned t : {1u, threads}) {
            d.set_raster_threads(t);
            LayerFrame(s);
            DeviceFrame(s);
            const double layer = qbench::BestOf(15, [&] { LayerFrame(s); });
            const double direct = qbench::BestOf(15, [&] { DeviceFrame(s); });
            std::printf("  %u raster thread%s: %.2f ms per frame through the graphics layer (%.0f frames/s), "
                        "%.2f ms straight to the device; ratio %.2f\n",
                        t, t == 1 ? "" : "s", layer, 1000.0 / layer, direct, layer / direct);
            if (t == threads) break;
        }
        s.sprite.Release();
        s.background.Release();
        picture.Release();
    }
    GxGraphics::Finalize();
    return 0;
}
