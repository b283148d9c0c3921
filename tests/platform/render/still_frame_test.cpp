// Frames that repeat the last one are not drawn again, and the window is not
// given a picture it already shows; every change to what a frame reads or
// draws brings the drawing back.
#include "platform/image/surface_io.h"
#include "platform/render/present_target.h"
#include "render_util.h"

using namespace rtest;

namespace {

// A window that keeps what it was shown.
struct recording_window : present_target {
    int shows = 0;
    bool repaint = false;
    std::vector<uint32_t> shown;
    bool show(const uint32_t* px, int w, int h, int pitch, const int32_t*, const int32_t*) override {
        ++shows;
        shown.clear();
        for (int y = 0; y < h; ++y) shown.insert(shown.end(), px + y * (pitch / 4), px + y * (pitch / 4) + w);
        return true;
    }
    bool needs_repaint() const override { return repaint; }
};

constexpr uint32_t W = 32, H = 24;

struct scene {
    std::unique_ptr<device> d = make_device(W, H, format::a8r8g8b8);
    std::shared_ptr<surface> back = d->get_render_target(0), depth;
    std::shared_ptr<texture> picture = solid_texture(*d, 8, 8, 0xFF2040C0u), target;
    recording_window window;
    // What the frame draws: the picture at (x, y) in the given colour,
    // optionally through a render-target texture cleared first (or not).
    float x = 4, y = 6;
    uint32_t diffuse = 0xFFFFFFFFu;
    bool through_target = false, clear_target_first = true;

    scene() {
        EXPECT_EQ(d->create_depth_stencil_surface(W, H, format::d24s8, 0, 0, true, depth), result::ok);
        d->set_depth_stencil_surface(depth);
        EXPECT_EQ(d->create_texture(16, 16, 1, usage_render_target, format::a8r8g8b8, pool::default_pool, target),
                  result::ok);
        engine_state(*d);
        preset(*d, 2);
    }
    void frame() {
        d->begin_scene();
        if (through_target) {
            d->set_render_target(0, target->surface_level(0));
            if (clear_target_first) d->clear(0, nullptr, clear_target, 0x80000000u, 1, 0);
            d->set_texture(0, picture);
            sprite(*d, 2, 2, 8, 8, diffuse);
            d->set_render_target(0, back);
        }
        d->clear(0, nullptr, clear_target | clear_zbuffer | clear_stencil, 0xFF101010u, 1, 0);
        d->set_texture(0, through_target ? target : picture);
        if (through_target)
            sprite(*d, x, y, 16, 16);
        else
            sprite(*d, x, y, 8, 8, diffuse);
        d->end_scene();
        EXPECT_EQ(d->present(nullptr, nullptr, &window), result::ok);
    }
    // Whether the last frame was drawn: the back buffer changed.
    bool drawn(uint64_t& version) {
        bool changed = back->version() != version;
        version = back->version();
        return changed;
    }
    uint32_t at(int px, int py) { return pixels(*d)[size_t(py) * W + px]; }
};

} // namespace

TEST(StillFrames, RepeatsAreNotDrawnAndEveryChangeIsSeen) {
    scene s;
    uint64_t v = 0;
    s.frame();
    ASSERT_TRUE(s.drawn(v));
    EXPECT_EQ(s.at(5, 7), 0xFF2040C0u);
    EXPECT_EQ(s.window.shows, 1);
    s.frame();
    EXPECT_FALSE(s.drawn(v)) << "the same frame again";
    EXPECT_EQ(s.window.shows, 1) << "the window shows it already";
    EXPECT_EQ(s.at(5, 7), 0xFF2040C0u);
    s.window.repaint = true;
    s.frame();
    EXPECT_FALSE(s.drawn(v));
    EXPECT_EQ(s.window.shows, 2) << "a window that needs it gets the picture again";
    EXPECT_EQ(s.window.shown[size_t(7) * W + 5], 0xFF2040C0u);
    s.window.repaint = false;

    // Each change, then the same frame twice: drawn, then not.
    struct change {
        const char* what;
        std::function<void(scene&)> make;
        int x, y;
        uint32_t want;  // the pixel that must show it
    };
    const change changes[] = {
        {"a texel written through a lock", [](scene& sc) {
             locked_rect lr;
             ASSERT_EQ(sc.picture->lock_rect(0, nullptr, lr, 0), result::ok);
             static_cast<uint32_t*>(lr.bits)[1 * lr.pitch / 4 + 1] = 0xFF00FF00u;
             sc.picture->unlock_rect(0);
         }, 5, 7, 0xFF00FF00u},
        {"the texture written as an image", [](scene& sc) {
             pimage::image img{8, 8, std::vector<uint32_t>(64, 0xFFC08000u)};
             ASSERT_EQ(pimage::write_image(*sc.picture->surface_level(0), nullptr, img, pimage::load_filter::none, 0),
                       result::ok);
         }, 5, 7, 0xFFC08000u},
        {"the texture copied into", [](scene& sc) {
             auto red = solid_texture(*sc.d, 8, 8, 0xFFFF0000u);
             rect one{0, 0, 1, 1};
             ASSERT_EQ(sc.d->stretch_rect(*red->surface_level(0), &one, *sc.picture->surface_level(0), &one,
                                          filter::point),
                       result::ok);
         }, 4, 6, 0xFFFF0000u},
        // The picture is 0xC08000 by now; halved by the diffuse colour.
        {"a state", [](scene& sc) { sc.diffuse = 0xFF808080u; }, 8, 8, 0xFF604000u},
        {"a vertex", [](scene& sc) { sc.x = 20; }, 21, 7, 0xFF604000u},
        {"a render target drawn into", [](scene& sc) { sc.through_target = true; }, 24, 12, 0xFF604000u},
    };
    for (const change& c : changes) {
        c.make(s);
        s.frame();
        EXPECT_TRUE(s.drawn(v)) << c.what;
        EXPECT_EQ(s.at(c.x, c.y), c.want) << c.what;
        EXPECT_EQ(s.window.shown[size_t(c.y) * W + c.x], c.want) << c.what << ": the window shows it";
        s.frame();
        EXPECT_FALSE(s.drawn(v)) << c.what << ", then the same frame again";
        EXPECT_EQ(s.at(c.x, c.y), c.want) << c.what;
    }

    // A render target drawn over without a clear keeps what earlier frames
    // left there: such frames are always drawn.
    s.clear_target_first = false;
    for (int i = 0; i < 3; ++i) {
        s.frame();
        EXPECT_TRUE(s.drawn(v)) << "a target not cleared first, frame " << i;
    }
    s.clear_target_first = true;
    s.frame();
    s.drawn(v);

    // Drawing finished before the present (a read-back here) is not compared.
    s.d->begin_scene();
    s.d->clear(0, nullptr, clear_target | clear_zbuffer | clear_stencil, 0xFF101010u, 1, 0);
    EXPECT_EQ(s.at(0, 0), 0xFF101010u);
    s.d->set_texture(0, s.target);
    sprite(*s.d, s.x, s.y, 16, 16);
    s.d->end_scene();
    s.d->present(nullptr, nullptr, &s.window);
    EXPECT_TRUE(s.drawn(v));

    // Switched off, every frame is drawn.
    s.d->set_frame_reuse(false);
    s.frame();
    s.drawn(v);
    s.frame();
    EXPECT_TRUE(s.drawn(v));
}
