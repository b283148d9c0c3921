#include "platform/render/present_target.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace prender {

namespace {

// A render node of the kernel's DRM: the machine has a GPU driver.
bool has_gpu_device() {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/dev/dri", ec))
        if (e.path().filename().string().rfind("renderD", 0) == 0) return true;
    return false;
}

// GL_RENDERER of an OpenGL context on a hidden window of its own, so that
// the game's window is never turned into an OpenGL one by the question.
std::string probe_gl_renderer() {
    std::string name;
    SDL_Window* w = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!w) return name;
    if (SDL_GLContext ctx = SDL_GL_CreateContext(w)) {
        using get_string_fn = const unsigned char* (*)(unsigned);
        constexpr unsigned gl_renderer = 0x1F01;
        auto get_string = reinterpret_cast<get_string_fn>(SDL_GL_GetProcAddress("glGetString"));
        if (get_string)
            if (const unsigned char* s = get_string(gl_renderer)) name = reinterpret_cast<const char*>(s);
        SDL_GL_DeleteContext(ctx);
    }
    SDL_DestroyWindow(w);
    return name;
}

bool is_shown_again(Uint8 e) {
    return e == SDL_WINDOWEVENT_SHOWN || e == SDL_WINDOWEVENT_EXPOSED || e == SDL_WINDOWEVENT_RESIZED ||
           e == SDL_WINDOWEVENT_SIZE_CHANGED || e == SDL_WINDOWEVENT_MAXIMIZED || e == SDL_WINDOWEVENT_RESTORED;
}

} // namespace

picture_place fit_picture(int picture_w, int picture_h, int area_w, int area_h) {
    picture_place p{0, 0, std::max(area_w, 0), std::max(area_h, 0)};
    if (picture_w <= 0 || picture_h <= 0 || area_w <= 0 || area_h <= 0) return p;
    const int64_t pw = picture_w, ph = picture_h, aw = area_w, ah = area_h;
    if (aw * ph <= ah * pw) {
        p.height = int((aw * ph * 2 + pw) / (pw * 2));
    } else {
        p.width = int((ah * pw * 2 + ph) / (ph * 2));
    }
    p.x = (area_w - p.width) / 2;
    p.y = (area_h - p.height) / 2;
    return p;
}

bool is_software_gl(std::string_view gl_renderer) {
    std::string lower(gl_renderer);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* soft : {"llvmpipe", "softpipe", "software", "swrast", "swr "})
        if (lower.find(soft) != std::string::npos) return true;
    return false;
}

present_path choose_present_path(const present_probe& probe) {
    if (!probe.requested_driver.empty()) return present_path::renderer;
    if (!probe.gpu_device || probe.gl_renderer.empty() || is_software_gl(probe.gl_renderer))
        return present_path::window_surface;
    return present_path::renderer;
}

sdl_present_target::sdl_present_target(SDL_Window* window, bool vsync) : window_(window), vsync_(vsync) {
    if (window_) SDL_AddEventWatch(watch, this);
}

sdl_present_target::~sdl_present_target() {
    if (window_) SDL_DelEventWatch(watch, this);
    if (texture_) SDL_DestroyTexture(static_cast<SDL_Texture*>(texture_));
    if (renderer_) SDL_DestroyRenderer(static_cast<SDL_Renderer*>(renderer_));
}

int sdl_present_target::watch(void* self, SDL_Event* event) {
    auto* t = static_cast<sdl_present_target*>(self);
    if (event->type == SDL_RENDER_TARGETS_RESET || event->type == SDL_RENDER_DEVICE_RESET ||
        (event->type == SDL_WINDOWEVENT && event->window.windowID == SDL_GetWindowID(t->window_) &&
         is_shown_again(event->window.event)))
        t->repaint_.store(true, std::memory_order_relaxed);
    return 0;
}

bool sdl_present_target::client_size(int& width, int& height) const {
    if (!window_) return false;
    SDL_GetWindowSize(window_, &width, &height);
    return width > 0 && height > 0;
}

bool sdl_present_target::needs_repaint() const { return vsync_ || repaint_.load(std::memory_order_relaxed); }

const std::string& sdl_present_target::open() {
    if (opened_) return description_;
    opened_ = true;
    if (!window_) {
        broken_ = true;
        description_ = "none (no window)";
        return description_;
    }
    present_probe probe;
    if (const char* hint = SDL_GetHint(SDL_HINT_RENDER_DRIVER)) probe.requested_driver = hint;
    if (vsync_ && probe.requested_driver.empty()) {
        open_renderer("waits for the display");
        return description_;
    }
    probe.gpu_device = probe.requested_driver.empty() && has_gpu_device();
    if (probe.gpu_device) probe.gl_renderer = probe_gl_renderer();
    path_ = choose_present_path(probe);
    if (path_ == present_path::renderer) {
        open_renderer(probe.requested_driver.empty() ? probe.gl_renderer.c_str() : "requested");
        return description_;
    }
    // SDL would otherwise back the window's surface with a renderer of its
    // own, OpenGL first: the very cost this path avoids. A setting in the
    // environment still wins.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (!SDL_GetWindowSurface(window_)) {
        open_renderer("the window has no surface");
        return description_;
    }
    description_ = !probe.gpu_device          ? std::string("window surface (no GPU device)")
                   : probe.gl_renderer.empty() ? std::string("window surface (no OpenGL)")
                                               : "window surface (OpenGL renders in software: " + probe.gl_renderer +
                                                     ")";
    return description_;
}

bool sdl_present_target::open_renderer(const char* why) {
    path_ = present_path::renderer;
    Uint32 flags = vsync_ ? SDL_RENDERER_PRESENTVSYNC : 0;
    SDL_Renderer* r = SDL_CreateRenderer(window_, -1, flags);
    if (!r) r = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!r) {
        broken_ = true;  // no way to show frames in this window; keep drawing headless
        description_ = std::string("none (") + SDL_GetError() + ")";
        return false;
    }
    renderer_ = r;
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(r, &info);
    description_ = std::string("SDL renderer ") + (info.name ? info.name : "?");
    if (why && *why) description_ += std::string(" (") + why + ")";
    return true;
}

bool sdl_present_target::prepare_texture(int width, int height) {
    if (!texture_ || tex_w_ != width || tex_h_ != height) {
        if (texture_) SDL_DestroyTexture(static_cast<SDL_Texture*>(texture_));
        texture_ = SDL_CreateTexture(static_cast<SDL_Renderer*>(renderer_), SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!texture_) return false;
        SDL_SetTextureBlendMode(static_cast<SDL_Texture*>(texture_), SDL_BLENDMODE_NONE);
        tex_w_ = width;
        tex_h_ = height;
    }
    return true;
}

bool sdl_present_target::show(const uint32_t* pixels, int width, int height, int pitch, const int32_t* src,
                              const int32_t* dst) {
    open();
    if (broken_ || width <= 0 || height <= 0) return false;
    // Cleared first: an event during the show asks for the next one again.
    repaint_.store(false, std::memory_order_relaxed);
    bool ok = path_ == present_path::window_surface ? show_on_surface(pixels, width, height, pitch, src, dst)
                                                    : show_with_renderer(pixels, width, height, pitch, src, dst);
    if (!ok) {
        repaint_.store(true, std::memory_order_relaxed);
        return false;
    }
    ++shown_;
    return true;
}

bool sdl_present_target::show_with_renderer(const uint32_t* pixels, int width, int height, int pitch,
                                            const int32_t* src, const int32_t* dst) {
    if (!prepare_texture(width, height)) return false;
    SDL_Renderer* r = static_cast<SDL_Renderer*>(renderer_);
    SDL_Texture* t = static_cast<SDL_Texture*>(texture_);
    if (SDL_UpdateTexture(t, nullptr, pixels, pitch) != 0) return false;
    SDL_Rect s{}, d{};
    if (src) s = SDL_Rect{src[0], src[1], src[2] - src[0], src[3] - src[1]};
    if (dst) {
        d = SDL_Rect{dst[0], dst[1], dst[2] - dst[0], dst[3] - dst[1]};
    } else {
        int out_w = 0, out_h = 0;
        if (SDL_GetRendererOutputSize(r, &out_w, &out_h) != 0) return false;
        const picture_place p = fit_picture(src ? s.w : width, src ? s.h : height, out_w, out_h);
        d = SDL_Rect{p.x, p.y, p.width, p.height};
    }
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    if (SDL_RenderCopy(r, t, src ? &s : nullptr, &d) != 0) return false;
    SDL_RenderPresent(r);
    return true;
}

bool sdl_present_target::show_on_surface(const uint32_t* pixels, int width, int height, int pitch,
                                         const int32_t* src, const int32_t* dst) {
    // Fetched each time: a resized window gets a new surface.
    SDL_Surface* out = SDL_GetWindowSurface(window_);
    if (!out) return false;
    const Uint32 fmt = out->format->format;
    SDL_Rect s{}, d{};
    if (src) s = SDL_Rect{src[0], src[1], src[2] - src[0], src[3] - src[1]};
    if (dst) {
        d = SDL_Rect{dst[0], dst[1], dst[2] - dst[0], dst[3] - dst[1]};
    } else {
        const picture_place p = fit_picture(src ? s.w : width, src ? s.h : height, out->w, out->h);
        d = SDL_Rect{p.x, p.y, p.width, p.height};
    }
    if (!src && !dst && out->w == width && out->h == height &&
        (fmt == SDL_PIXELFORMAT_ARGB8888 || fmt == SDL_PIXELFORMAT_RGB888)) {
        // The usual case: the same size and layout, rows copied as they are.
        if (SDL_MUSTLOCK(out) && SDL_LockSurface(out) != 0) return false;
        for (int y = 0; y < height; ++y)
            std::memcpy(static_cast<uint8_t*>(out->pixels) + ptrdiff_t(y) * out->pitch,
                        reinterpret_cast<const uint8_t*>(pixels) + ptrdiff_t(y) * pitch, size_t(width) * 4);
        if (SDL_MUSTLOCK(out)) SDL_UnlockSurface(out);
    } else {
        SDL_Surface* in = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32, pitch,
                                                             SDL_PIXELFORMAT_ARGB8888);
        if (!in) return false;
        SDL_SetSurfaceBlendMode(in, SDL_BLENDMODE_NONE);
        SDL_FillRect(out, nullptr, SDL_MapRGB(out->format, 0, 0, 0));
        int rc = SDL_BlitScaled(in, src ? &s : nullptr, out, &d);
        SDL_FreeSurface(in);
        if (rc != 0) return false;
    }
    return SDL_UpdateWindowSurface(window_) == 0;
}

} // namespace prender
