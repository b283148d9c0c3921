// The device's rules: scenes, resources and their pools, locks, copies,
// device loss and reset, scripted adapters, and presenting to a window.
#include "platform/render/present_target.h"
#include "render_util.h"

#include <SDL.h>

using namespace rtest;

TEST(Scene, BeginEndPairsAndWhatNeedsAScene) {
    auto d = make_device(16, 16);
    screen_vertex v[3] = {{0, 0, 0, 1, ~0u, 0, 0, 0}, {8, 0, 0, 1, ~0u, 0, 0, 0}, {0, 8, 0, 1, ~0u, 0, 0, 0}};
    EXPECT_EQ(d->draw_primitive_up(primitive_type::triangle_list, 1, v), result::invalid_call) << "outside a scene";
    EXPECT_EQ(d->end_scene(), result::invalid_call) << "end without begin";
    EXPECT_EQ(d->clear(0, nullptr, clear_target, 0, 1, 0), result::ok) << "clears need no scene";
    EXPECT_EQ(d->begin_scene(), result::ok);
    EXPECT_EQ(d->begin_scene(), result::invalid_call) << "nested begin";
    EXPECT_EQ(d->present(nullptr, nullptr, nullptr), result::invalid_call) << "present inside a scene";
    EXPECT_EQ(d->draw_primitive_up(primitive_type::triangle_list, 1, v), result::ok);
    EXPECT_EQ(d->draw_primitive_up(primitive_type::triangle_list, 1, nullptr), result::invalid_call);
    EXPECT_EQ(d->end_scene(), result::ok);
    EXPECT_EQ(d->present(nullptr, nullptr, nullptr), result::ok);
}

TEST(Scene, DefaultStatesCullTheEnginesQuadsUntilCullingIsOff) {
    // The engine's corner order winds counter-clockwise on screen, which the
    // device culls by default: the engine's 2-D state turns culling off.
    auto d = make_device(4, 4);
    d->clear(0, nullptr, clear_target, 0xFF000000u, 1, 0);
    for (const uint32_t shown : {0xFF000000u, 0xFFFFFFFFu}) {  // culled, then drawn
        d->begin_scene();
        quad(*d, -0.5f, -0.5f, 3.5f, 3.5f, 0, 0, 1, 1, 0xFFFFFFFFu);
        d->end_scene();
        EXPECT_EQ(pixels(*d)[0], shown);
        set_rs(*d, render_state::cull_mode, cull::none);
    }
}

TEST(Resources, PoolsUsagesAndLocks) {
    auto d = make_device(16, 16);
    struct row { uint32_t usage; pool where; result create; bool lockable; const char* what; };
    const row rows[] = {
        {0, pool::managed, result::ok, true, "managed texture"},
        {0, pool::system_memory, result::ok, true, "system-memory twin"},
        {0, pool::default_pool, result::ok, false, "default pool: written through transfers"},
        {usage_dynamic, pool::default_pool, result::ok, true, "dynamic default-pool texture"},
        {usage_render_target, pool::default_pool, result::ok, false, "render target texture"},
        {usage_render_target, pool::managed, result::invalid_call, false, "render targets live in the default pool"},
        {usage_dynamic, pool::managed, result::invalid_call, false, "dynamic managed textures do not exist"},
    };
    for (const row& r : rows) {
        std::shared_ptr<texture> t;
        ASSERT_EQ(d->create_texture(300, 200, 1, r.usage, format::a8r8g8b8, r.where, t), r.create) << r.what;
        if (!t) continue;
        locked_rect lr;
        EXPECT_EQ(t->lock_rect(0, nullptr, lr, 0) == result::ok, r.lockable) << r.what;
        if (r.lockable) {
            EXPECT_GE(lr.pitch, 300 * 4);
            EXPECT_EQ(t->lock_rect(0, nullptr, lr, 0), result::invalid_call) << "locked twice";
            EXPECT_EQ(t->unlock_rect(0), result::ok);
            EXPECT_EQ(t->unlock_rect(0), result::invalid_call);
            rect outside{290, 0, 301, 10};
            EXPECT_EQ(t->lock_rect(0, &outside, lr, 0), result::invalid_call);
        }
    }
    std::shared_ptr<texture> t;
    EXPECT_EQ(d->create_texture(0, 4, 1, 0, format::a8r8g8b8, pool::managed, t), result::invalid_call);
    EXPECT_EQ(d->create_texture(16384, 4, 1, 0, format::a8r8g8b8, pool::managed, t), result::invalid_call);
    EXPECT_EQ(d->create_texture(4, 4, 1, 0, format::d24s8, pool::managed, t), result::invalid_call);
    ASSERT_EQ(d->create_texture(256, 64, 0, 0, format::a4r4g4b4, pool::managed, t), result::ok);
    EXPECT_EQ(t->level_count(), 9u) << "levels 0: the full chain down to 1 × 1";
    surface_desc ld;
    EXPECT_EQ(t->level_desc(8, ld), result::ok);
    EXPECT_EQ(ld.width, 1u);
    EXPECT_EQ(ld.height, 1u);
}

TEST(Resources, CopiesBetweenSurfaces) {
    auto d = make_device(8, 8, format::a8r8g8b8);
    d->clear(0, nullptr, clear_target, 0xFF112233u, 1, 0);
    rect r{2, 2, 4, 4};
    d->clear(1, &r, clear_target, 0x80FF0000u, 1, 0);
    auto bb = d->get_render_target(0);
    // Render target → system memory, as a screen capture does it.
    std::shared_ptr<surface> sys, wrong;
    ASSERT_EQ(d->create_offscreen_plain_surface(8, 8, format::a8r8g8b8, pool::system_memory, sys), result::ok);
    ASSERT_EQ(d->create_offscreen_plain_surface(8, 4, format::a8r8g8b8, pool::system_memory, wrong), result::ok);
    EXPECT_EQ(d->get_render_target_data(*bb, *wrong), result::invalid_call);
    ASSERT_EQ(d->get_render_target_data(*bb, *sys), result::ok);
    EXPECT_EQ(sys->read_argb(), bb->read_argb());
    locked_rect lr;
    EXPECT_EQ(bb->lock_rect(nullptr, lr, 0), result::invalid_call) << "the back buffer is not lockable";
    // Stretch 2× with point filtering into a 16-bit surface.
    std::shared_ptr<surface> big;
    ASSERT_EQ(d->create_offscreen_plain_surface(16, 16, format::a4r4g4b4, pool::default_pool, big), result::ok);
    ASSERT_EQ(d->stretch_rect(*bb, nullptr, *big, nullptr, filter::point), result::ok);
    std::vector<uint32_t> px = big->read_argb();
    EXPECT_EQ(px[0], 0xFF112233u);
    EXPECT_EQ(px[4 * 16 + 4], 0x88FF0000u);
    EXPECT_EQ(px[7 * 16 + 7], 0x88FF0000u);
    EXPECT_EQ(px[8 * 16 + 8], 0xFF112233u);
    rect bad{0, 0, 9, 8};
    EXPECT_EQ(d->stretch_rect(*bb, &bad, *big, nullptr, filter::point), result::invalid_call);
    rect a{0, 0, 4, 4}, b{2, 2, 6, 6};
    EXPECT_EQ(d->stretch_rect(*big, &a, *big, &b, filter::point), result::invalid_call) << "overlapping copy";
    // System-memory texture → default-pool texture.
    std::shared_ptr<texture> src, dst;
    ASSERT_EQ(d->create_texture(4, 4, 1, 0, format::a8r8g8b8, pool::system_memory, src), result::ok);
    ASSERT_EQ(d->create_texture(4, 4, 1, 0, format::a8r8g8b8, pool::default_pool, dst), result::ok);
    ASSERT_EQ(src->lock_rect(0, nullptr, lr, 0), result::ok);
    static_cast<uint32_t*>(lr.bits)[1] = 0xCAFEBABEu;
    src->unlock_rect(0);
    ASSERT_EQ(d->update_texture(*src, *dst), result::ok);
    EXPECT_EQ(dst->surface_level(0)->read_argb()[1], 0xCAFEBABEu);
    EXPECT_EQ(d->update_texture(*dst, *src), result::invalid_call);
}

TEST(Resources, QueuedDrawingFinishesBeforeATextureChanges) {
    // A draw is queued; writing its texture afterwards must not change it.
    auto d = make_device(4, 4, format::a8r8g8b8);
    engine_state(*d);
    preset(*d, 1);
    auto tex = solid_texture(*d, 4, 4, 0xFF00FF00u);
    d->set_texture(0, tex);
    d->begin_scene();
    sprite(*d, 0, 0, 4, 4);
    d->end_scene();
    locked_rect lr;
    ASSERT_EQ(tex->lock_rect(0, nullptr, lr, 0), result::ok);
    static_cast<uint32_t*>(lr.bits)[0] = 0xFFFF0000u;
    tex->unlock_rect(0);
    EXPECT_EQ(pixels(*d)[0], 0xFF00FF00u);
}

TEST(Resources, DepthStencilSmallerThanTheTargetIsRefused) {
    auto d = make_device(64, 48);
    std::shared_ptr<surface> small, fits;
    ASSERT_EQ(d->create_depth_stencil_surface(32, 32, format::d24s8, 0, 0, true, small), result::ok);
    ASSERT_EQ(d->create_depth_stencil_surface(64, 48, format::d24s8, 0, 0, true, fits), result::ok);
    EXPECT_EQ(d->clear(0, nullptr, clear_target | clear_zbuffer, 0, 1, 0), result::invalid_call) << "no depth surface";
    d->set_depth_stencil_surface(small);
    d->begin_scene();
    EXPECT_EQ(quad(*d, 0, 0, 8, 8, 0, 0, 1, 1), result::invalid_call);
    EXPECT_EQ(d->clear(0, nullptr, clear_target | clear_zbuffer, 0, 1, 0), result::invalid_call);
    d->set_depth_stencil_surface(fits);
    EXPECT_EQ(quad(*d, 0, 0, 8, 8, 0, 0, 1, 1), result::ok);
    EXPECT_EQ(d->clear(0, nullptr, clear_target | clear_zbuffer | clear_stencil, 0, 1, 0), result::ok);
    d->end_scene();
}

TEST(Resources, DepthClearsWholeAndInPartsReadBack) {
    // Whole-surface depth clears are written only when the bytes are looked
    // at; partial ones must land on what the clears before them left.
    auto d = make_device(8, 6);
    std::shared_ptr<surface> ds;
    ASSERT_EQ(d->create_depth_stencil_surface(8, 6, format::d16_lockable, 0, 0, false, ds), result::ok);
    ASSERT_EQ(d->set_depth_stencil_surface(ds), result::ok);
    auto depth = [&] {
        locked_rect lr;
        EXPECT_EQ(ds->lock_rect(nullptr, lr, lock_read_only), result::ok);
        std::vector<uint16_t> out;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) out.push_back(static_cast<const uint16_t*>(lr.bits)[y * lr.pitch / 2 + x]);
        ds->unlock_rect();
        return out;
    };
    auto expect = [](uint16_t outside, uint16_t inside) {
        std::vector<uint16_t> v;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) v.push_back(x >= 2 && x < 5 && y >= 1 && y < 3 ? inside : outside);
        return v;
    };
    const rect part{2, 1, 5, 3};
    const uint32_t z_only = clear_zbuffer;
    d->clear(0, nullptr, z_only, 0, 0.5f, 0);
    EXPECT_EQ(depth(), expect(32768, 32768));
    d->clear(0, nullptr, z_only, 0, 1.0f, 0);
    d->clear(1, &part, z_only, 0, 0.0f, 0);
    EXPECT_EQ(depth(), expect(65535, 0)) << "a part after a whole clear, in one batch";
    d->clear(1, &part, z_only, 0, 0.25f, 0);
    EXPECT_EQ(depth(), expect(65535, 16384)) << "a part alone";
    d->clear(0, nullptr, z_only, 0, 1.0f, 0);
    d->clear(1, &part, z_only, 0, 0.0f, 0);
    d->clear(0, nullptr, z_only | clear_target, 0, 0.5f, 0);
    EXPECT_EQ(depth(), expect(32768, 32768)) << "the last whole clear wins";
}

TEST(DeviceLoss, LostResetAndTheResourcesThatBlockIt) {
    auto d = make_device(32, 16);
    present_parameters pp = d->get_swap_chain(0)->params();
    EXPECT_EQ(d->test_cooperative_level(), result::ok);

    d->make_lost(false);
    EXPECT_EQ(d->test_cooperative_level(), result::device_lost);
    EXPECT_EQ(d->present(nullptr, nullptr, nullptr), result::device_lost);
    EXPECT_EQ(d->reset(pp), result::device_lost) << "cannot be reset yet";
    d->allow_reset();
    EXPECT_EQ(d->test_cooperative_level(), result::device_not_reset);

    // Drawing while lost does nothing and fails nothing.
    d->begin_scene();
    EXPECT_EQ(quad(*d, 0, 0, 8, 8, 0, 0, 1, 1), result::ok);
    d->end_scene();

    std::shared_ptr<texture> rt, managed;
    ASSERT_EQ(d->create_texture(8, 8, 1, usage_render_target, format::a8r8g8b8, pool::default_pool, rt), result::ok);
    ASSERT_EQ(d->create_texture(8, 8, 1, 0, format::a8r8g8b8, pool::managed, managed), result::ok);
    std::shared_ptr<surface> level = rt->surface_level(0);
    ASSERT_EQ(d->set_render_target(0, level), result::ok);
    rt.reset();
    EXPECT_EQ(d->live_default_resources(), 1) << "a level surface keeps its texture live";
    EXPECT_EQ(d->reset(pp), result::invalid_call);
    EXPECT_EQ(d->test_cooperative_level(), result::device_not_reset);
    level.reset();
    EXPECT_EQ(d->live_default_resources(), 0) << "binding it as render target held no count after the reset attempt";

    set_rs(*d, render_state::cull_mode, cull::none);
    pp.back_buffer_width = 48;
    ASSERT_EQ(d->reset(pp), result::ok);
    EXPECT_EQ(d->test_cooperative_level(), result::ok);
    EXPECT_EQ(d->get_render_state(render_state::cull_mode), uint32_t(cull::ccw)) << "states back to defaults";
    EXPECT_EQ(d->get_render_target(0)->desc().width, 48u);
    EXPECT_EQ(d->get_viewport().width, 48u);
    EXPECT_NE(managed->surface_level(0), nullptr) << "managed textures survive";
    EXPECT_EQ(d->present(nullptr, nullptr, nullptr), result::ok);
}

TEST(DeviceLoss, InjectedPresentResults) {
    auto d = make_device(8, 8);
    d->inject_present_result(result::driver_internal_error);
    EXPECT_EQ(d->present(nullptr, nullptr, nullptr), result::driver_internal_error);
    EXPECT_EQ(d->present(nullptr, nullptr, nullptr), result::ok) << "once";
    d->inject_present_result(result::device_lost);
    EXPECT_EQ(d->present(nullptr, nullptr, nullptr), result::device_lost);
    EXPECT_EQ(d->test_cooperative_level(), result::device_lost) << "a lost present loses the device";
}

TEST(Adapter, ScriptedModesFormatsAndCreationFailures) {
    adapter_script s;
    s.desktop = display_mode{1280, 720, 60, format::x8r8g8b8};
    s.modes = {{1024, 768, 75, format::x8r8g8b8}, {1024, 768, 60, format::x8r8g8b8}, {800, 600, 60, format::r5g6b5}};
    s.formats = {{format::a8r8g8b8, 0, resource_type::texture}, {format::d24s8, usage_depth_stencil, resource_type::surface}};
    s.multisample = {{2, 3, 0}};
    s.failing_creations = {{device_type::hal, create_mixed_vertex_processing}};
    adapter ad(s);
    EXPECT_EQ(ad.modes(format::x8r8g8b8).size(), 2u);
    EXPECT_EQ(ad.modes(format::r5g6b5)[0].width, 800u);
    EXPECT_EQ(ad.check_device_format(device_type::hal, format::x8r8g8b8, 0, resource_type::texture, format::a8r8g8b8), result::ok);
    EXPECT_EQ(ad.check_device_format(device_type::hal, format::x8r8g8b8, 0, resource_type::texture, format::a4r4g4b4), result::not_available);
    EXPECT_EQ(ad.check_device_format(device_type::hal, format::x8r8g8b8, usage_render_target, resource_type::texture, format::a8r8g8b8), result::not_available);
    uint32_t q = 99;
    EXPECT_EQ(ad.check_multisample(device_type::hal, format::a8r8g8b8, true, 2, &q), result::ok);
    EXPECT_EQ(q, 3u);
    EXPECT_EQ(ad.check_multisample(device_type::hal, format::a8r8g8b8, false, 2, &q), result::not_available);
    EXPECT_EQ(q, 0u);

    present_parameters pp;
    pp.back_buffer_width = 1024;
    pp.back_buffer_height = 768;
    std::unique_ptr<device> dev;
    EXPECT_EQ(ad.create_device(device_type::hal, create_mixed_vertex_processing | create_multithreaded, pp, dev), result::not_available);
    EXPECT_EQ(dev, nullptr);
    ASSERT_EQ(ad.create_device(device_type::hal, create_software_vertex_processing, pp, dev), result::ok);
    EXPECT_EQ(dev->get_render_target(0)->desc().fmt, format::x8r8g8b8) << "windowed: the desktop format";
    EXPECT_TRUE(dev->software_vertex_processing());

    // Full screen only in an enumerated mode, for creation and for reset.
    present_parameters fs = pp;
    fs.windowed = false;
    fs.back_buffer_format = format::x8r8g8b8;
    fs.full_screen_refresh_hz = 75;
    std::unique_ptr<device> full;
    EXPECT_EQ(ad.create_device(device_type::reference, 0, fs, full), result::ok);
    fs.back_buffer_width = 1280;
    EXPECT_EQ(ad.create_device(device_type::reference, 0, fs, full), result::invalid_call);
    EXPECT_EQ(dev->reset(fs), result::invalid_call);
    pp.back_buffer_width = 0;  // zero size: the window's, headless 640 × 480
    pp.back_buffer_height = 0;
    EXPECT_EQ(dev->reset(pp), result::ok);
    EXPECT_EQ(pp.back_buffer_width, 640u);

    // More render-target slots: each can be bound; drawing writes slot 0.
    s.caps.num_simultaneous_rts = 4;
    adapter mrt(s);
    std::unique_ptr<device> md;
    ASSERT_EQ(mrt.create_device(device_type::hal, 0, pp, md), result::ok);
    std::shared_ptr<surface> extra;
    ASSERT_EQ(md->create_render_target(640, 480, format::a8r8g8b8, 0, 0, true, extra), result::ok);
    EXPECT_EQ(md->set_render_target(3, extra), result::ok);
    EXPECT_EQ(md->get_render_target(3), extra);
    EXPECT_EQ(md->set_render_target(4, extra), result::invalid_call);
    EXPECT_EQ(md->set_render_target(3, nullptr), result::ok);
    EXPECT_EQ(md->get_render_target(3), nullptr);
    EXPECT_EQ(md->set_render_target(0, nullptr), result::invalid_call) << "slot 0 always has a target";

    s.caps_ok = false;
    s.identifier_ok = false;
    adapter blind(s);
    device_caps c;
    adapter_identifier id;
    EXPECT_NE(blind.caps(device_type::hal, c), result::ok);
    EXPECT_NE(blind.identifier(id), result::ok);
}

TEST(Present, FramesReachAnSdlWindowScaled) {
    // SDL's software renderer: the GL drivers of a headless machine keep
    // allocations of their own past SDL_Quit.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* w = SDL_CreateWindow("quillon-test", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
    ASSERT_NE(w, nullptr) << SDL_GetError();
    {
        sdl_present_target target(w);
        adapter ad;
        present_parameters pp;
        pp.window = &target;  // zero size: the window's
        std::unique_ptr<device> d;
        ASSERT_EQ(ad.create_device(device_type::hal, 0, pp, d), result::ok);
        EXPECT_EQ(d->get_render_target(0)->desc().width, 64u);
        d->clear(0, nullptr, clear_target, 0xFF336699u, 1, 0);
        EXPECT_EQ(d->present(nullptr, nullptr, nullptr), result::ok);
        EXPECT_EQ(target.frames_shown(), 1u);
        EXPECT_EQ(pixels(*d)[0], 0xFF336699u) << "the back buffer stays readable after presenting";
        rect src{0, 0, 32, 24};
        EXPECT_EQ(d->present(&src, nullptr, nullptr), result::ok);
        EXPECT_EQ(target.frames_shown(), 2u);
    }
    SDL_DestroyWindow(w);
    SDL_Quit();
}
