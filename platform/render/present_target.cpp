#include "platform/render/present_target.h"

#include <SDL.h>

namespace prender {

sdl_present_target::sdl_present_target(SDL_Window* window, bool vsync) : window_(window), vsync_(vsync) {}

sdl_present_target::~sdl_present_target() {
    if (texture_) SDL_DestroyTexture(static_cast<SDL_Texture*>(texture_));
    if (renderer_) SDL_DestroyRenderer(static_cast<SDL_Renderer*>(renderer_));
}

bool sdl_present_target::client_size(int& width, int& height) const {
    if (!window_) return false;
    SDL_GetWindowSize(window_, &width, &height);
    return width > 0 && height > 0;
}

bool sdl_present_target::prepare(int width, int height) {
    if (broken_ || !window_) return false;
    if (!renderer_) {
        Uint32 flags = vsync_ ? SDL_RENDERER_PRESENTVSYNC : 0;
        SDL_Renderer* r = SDL_CreateRenderer(window_, -1, flags);
        if (!r) r = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
        if (!r) {
            broken_ = true;  // no way to show frames in this window; keep drawing headless
            return false;
        }
        renderer_ = r;
    }
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
    if (width <= 0 || height <= 0 || !prepare(width, height)) return false;
    SDL_Renderer* r = static_cast<SDL_Renderer*>(renderer_);
    SDL_Texture* t = static_cast<SDL_Texture*>(texture_);
    if (SDL_UpdateTexture(t, nullptr, pixels, pitch) != 0) return false;
    SDL_Rect s{}, d{};
    if (src) s = SDL_Rect{src[0], src[1], src[2] - src[0], src[3] - src[1]};
    if (dst) d = SDL_Rect{dst[0], dst[1], dst[2] - dst[0], dst[3] - dst[1]};
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    if (SDL_RenderCopy(r, t, src ? &s : nullptr, dst ? &d : nullptr) != 0) return false;
    SDL_RenderPresent(r);
    ++shown_;
    return true;
}

} // namespace prender
