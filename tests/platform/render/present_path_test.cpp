// How frames reach a window: the choice of path, and the window surface
// path showing frames, skipping unchanged ones until the window needs them.
#include "platform/render/present_target.h"
#include "render_util.h"

#include <SDL.h>

#include <cstring>
#include <vector>

using namespace rtest;

TEST(PresentPath, ChosenFromTheRequestTheGpuAndItsOpenGl) {
    struct row {
        present_probe probe;
        present_path want;
    };
    const row rows[] = {
        {{"", false, ""}, present_path::window_surface},
        {{"", true, ""}, present_path::window_surface},  // no OpenGL context could be made
        {{"", true, "llvmpipe (LLVM 15.0.6, 256 bits)"}, present_path::window_surface},
        {{"", true, "softpipe"}, present_path::window_surface},
        {{"", true, "Software Rasterizer"}, present_path::window_surface},
        {{"", true, "Mesa Intel(R) UHD Graphics 620 (KBL GT2)"}, present_path::renderer},
        {{"", true, "NVIDIA GeForce GTX 1650/PCIe/SSE2"}, present_path::renderer},
        {{"software", false, ""}, present_path::renderer},  // SDL's own software renderer, as asked
        {{"opengl", false, ""}, present_path::renderer},
    };
    for (const row& r : rows)
        EXPECT_EQ(choose_present_path(r.probe), r.want)
            << "'" << r.probe.requested_driver << "', " << r.probe.gpu_device << ", '" << r.probe.gl_renderer << "'";
}

TEST(PresentPath, APictureKeepsItsShapeInAnAreaOfAnother) {
    struct row {
        int pw, ph, aw, ah;
        picture_place want;
    };
    const row rows[] = {
        {1024, 768, 1024, 768, {0, 0, 1024, 768}},    {1024, 768, 2048, 1536, {0, 0, 2048, 1536}},
        {1024, 768, 1920, 1080, {240, 0, 1440, 1080}}, {1024, 768, 1366, 768, {171, 0, 1024, 768}},
        {1024, 768, 1280, 1024, {0, 32, 1280, 960}},   {1024, 768, 1920, 1200, {160, 0, 1600, 1200}},
        {1024, 768, 3, 1000, {0, 499, 3, 2}},          {0, 768, 800, 600, {0, 0, 800, 600}},
    };
    for (const row& r : rows) {
        const picture_place got = fit_picture(r.pw, r.ph, r.aw, r.ah);
        EXPECT_EQ(std::vector<int>({got.x, got.y, got.width, got.height}),
                  std::vector<int>({r.want.x, r.want.y, r.want.width, r.want.height}))
            << r.pw << "x" << r.ph << " in " << r.aw << "x" << r.ah;
    }
}

TEST(PresentPath, WindowSurfaceShowsFramesAndRepaintsOnlyWhenAsked) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << "no video driver: " << SDL_GetError();
    // No renderer asked for, whatever other tests asked.
    SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "", SDL_HINT_OVERRIDE);
    SDL_Window* w = SDL_CreateWindow("quillon-test", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
    ASSERT_NE(w, nullptr) << SDL_GetError();
    // Closed however the test ends, once what presents to it is gone.
    struct closing {
        SDL_Window* w;
        ~closing() { SDL_DestroyWindow(w), SDL_ResetHint(SDL_HINT_RENDER_DRIVER), SDL_Quit(); }
    } close_at_end{w};
    {
        sdl_present_target target(w);
        const std::string chosen = target.open();
        if (target.path() != present_path::window_surface) GTEST_SKIP() << "this machine presents through " << chosen;
        EXPECT_EQ(chosen.rfind("window surface", 0), 0u) << chosen;
        adapter ad;
        present_parameters pp;
        pp.window = &target;
        std::unique_ptr<device> d;
        ASSERT_EQ(ad.create_device(device_type::hal, 0, pp, d), result::ok);
        auto shown = [&](int x, int y) {
            SDL_Surface* s = SDL_GetWindowSurface(w);
            uint32_t v = 0;
            std::memcpy(&v, static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 4, 4);
            return v & 0x00FFFFFFu;
        };
        auto frame = [&](uint32_t colour) {
            d->clear(0, nullptr, clear_target, colour, 1, 0);
            EXPECT_EQ(d->present(nullptr, nullptr, nullptr), result::ok);
        };
        frame(0xFF336699u);
        EXPECT_EQ(target.frames_shown(), 1u);
        EXPECT_EQ(shown(10, 10), 0x336699u);
        frame(0xFF336699u);
        EXPECT_EQ(target.frames_shown(), 1u) << "the window shows that picture already";
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = SDL_GetWindowID(w);
        e.window.event = SDL_WINDOWEVENT_EXPOSED;
        SDL_PushEvent(&e);
        frame(0xFF336699u);
        EXPECT_EQ(target.frames_shown(), 2u) << "uncovered: shown again";
        frame(0xFF102030u);
        EXPECT_EQ(target.frames_shown(), 3u);
        EXPECT_EQ(shown(63, 47), 0x102030u);
        // Into a part of the window, scaled up twice; black around it.
        d->clear(0, nullptr, clear_target, 0xFFFF0000u, 1, 0);
        rect src{0, 0, 16, 12}, dst{8, 8, 40, 32};
        EXPECT_EQ(d->present(&src, &dst, nullptr), result::ok);
        EXPECT_EQ(target.frames_shown(), 4u);
        EXPECT_EQ(shown(8, 8), 0xFF0000u);
        EXPECT_EQ(shown(39, 31), 0xFF0000u);
        EXPECT_EQ(shown(40, 20), 0u);
        EXPECT_EQ(shown(2, 2), 0u);
        // A window twice as wide as high (full screen on a wide display): the
        // 4:3 frame between black bars, 64 x 48 at x 32.
        SDL_SetWindowSize(w, 128, 48);
        frame(0xFF336699u);
        std::vector<int> picture;
        for (int x = 0; x < 128; ++x) {
            if (shown(x, 24) == 0x336699u) picture.push_back(x);
            else EXPECT_EQ(shown(x, 24), 0u) << x;
        }
        ASSERT_EQ(picture.size(), 64u);
        EXPECT_EQ(picture.front(), 32);
        EXPECT_EQ(shown(32, 0), 0x336699u);
        EXPECT_EQ(shown(95, 47), 0x336699u);
    }
}
