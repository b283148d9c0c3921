#pragma once
// Where a presented frame goes: a window, or nothing when headless.
#include <cstdint>

struct SDL_Window;

namespace prender {

class present_target {
public:
    virtual ~present_target() = default;
    // Shows width × height pixels (0xAARRGGBB rows, pitch in bytes). src and
    // dst are optional rectangles (left, top, right, bottom) in back-buffer
    // and window pixels; without dst the frame fills the window. false when
    // the frame could not be shown.
    virtual bool show(const uint32_t* pixels, int width, int height, int pitch, const int32_t* src,
                      const int32_t* dst) = 0;
    // The size of the window's drawable area, when there is one.
    virtual bool client_size(int& width, int& height) const { (void)width; (void)height; return false; }
    // Whether the frame must be shown again although the window shows it
    // already (it was uncovered or resized, or each show paces the caller).
    virtual bool needs_repaint() const { return true; }
};

// Presents into an SDL window through a streaming texture, scaled to the
// window's size. The window stays the caller's; the renderer is made on first
// use. With vsync the renderer waits for the display's refresh.
class sdl_present_target final : public present_target {
public:
    explicit sdl_present_target(SDL_Window* window, bool vsync = false);
    ~sdl_present_target() override;
    sdl_present_target(const sdl_present_target&) = delete;
    sdl_present_target& operator=(const sdl_present_target&) = delete;

    bool show(const uint32_t* pixels, int width, int height, int pitch, const int32_t* src,
              const int32_t* dst) override;
    bool client_size(int& width, int& height) const override;
    SDL_Window* window() const { return window_; }
    // How many frames reached the window.
    uint64_t frames_shown() const { return shown_; }

private:
    bool prepare(int width, int height);
    SDL_Window* window_;
    bool vsync_;
    void* renderer_ = nullptr;  // SDL_Renderer*
    void* texture_ = nullptr;   // SDL_Texture*
    int tex_w_ = 0, tex_h_ = 0;
    bool broken_ = false;
    uint64_t shown_ = 0;
};

} // namespace prender
