#pragma once
// Where a presented frame goes: a window, or nothing when headless.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

struct SDL_Window;
union SDL_Event;

namespace prender {

// Where a picture of picture_w × picture_h lands in an area of area_w ×
// area_h: as large as fits with its shape kept, centred, black bars beside
// or above and below it. A picture of the area's shape fills it exactly;
// without a picture or an area, the whole area.
struct picture_place {
    int x = 0, y = 0, width = 0, height = 0;
};
picture_place fit_picture(int picture_w, int picture_h, int area_w, int area_h);

class present_target {
public:
    virtual ~present_target() = default;
    // Shows width × height pixels (0xAARRGGBB rows, pitch in bytes). src and
    // dst are optional rectangles (left, top, right, bottom) in back-buffer
    // and window pixels; without dst the frame (or its src part) is fitted
    // to the window by fit_picture. false when the frame could not be
    // shown.
    virtual bool show(const uint32_t* pixels, int width, int height, int pitch, const int32_t* src,
                      const int32_t* dst) = 0;
    // The size of the window's drawable area, when there is one.
    virtual bool client_size(int& width, int& height) const { (void)width; (void)height; return false; }
    // Whether the frame must be shown again although the window shows it
    // already (it was uncovered or resized, or each show paces the caller).
    virtual bool needs_repaint() const { return true; }
};

// How frames reach a window. The frame is drawn in memory either way, so a
// GPU only helps by scaling and showing it; OpenGL that itself draws in
// software (Mesa's llvmpipe and its kin) costs far more than writing the
// pixels to the window straight away.
enum class present_path {
    renderer,        // an SDL renderer: the accelerated one, or the one SDL's render-driver hint names
    window_surface,  // the pixels written to the window's surface, no renderer at all
};

// What the choice rests on: the render driver asked for through SDL's hint
// (empty when none), whether the machine has a GPU device, and the
// GL_RENDERER string of an OpenGL context made on it (empty when none could
// be made).
struct present_probe {
    std::string requested_driver;
    bool gpu_device = false;
    std::string gl_renderer;
};

// A renderer when one is asked for by name, or when OpenGL runs on a GPU;
// else the window surface.
present_path choose_present_path(const present_probe& probe);
// Whether an OpenGL renderer string names a software rasteriser.
bool is_software_gl(std::string_view gl_renderer);

// Presents into an SDL window, fitted to the window's size, by the path
// above (chosen on first use, or by open). The window stays the caller's.
// With vsync an SDL renderer is used, which waits for the display's refresh.
class sdl_present_target final : public present_target {
public:
    explicit sdl_present_target(SDL_Window* window, bool vsync = false);
    ~sdl_present_target() override;
    sdl_present_target(const sdl_present_target&) = delete;
    sdl_present_target& operator=(const sdl_present_target&) = delete;

    // Chooses the path and readies it; says what it chose, for the log.
    const std::string& open();
    present_path path() const { return path_; }

    bool show(const uint32_t* pixels, int width, int height, int pitch, const int32_t* src,
              const int32_t* dst) override;
    bool client_size(int& width, int& height) const override;
    bool needs_repaint() const override;
    SDL_Window* window() const { return window_; }
    // How many frames reached the window.
    uint64_t frames_shown() const { return shown_; }

private:
    static int watch(void* self, SDL_Event* event);
    bool open_renderer(const char* why);
    bool prepare_texture(int width, int height);
    bool show_with_renderer(const uint32_t* pixels, int width, int height, int pitch, const int32_t* src,
                            const int32_t* dst);
    bool show_on_surface(const uint32_t* pixels, int width, int height, int pitch, const int32_t* src,
                         const int32_t* dst);
    SDL_Window* window_;
    bool vsync_;
    bool opened_ = false;
    present_path path_ = present_path::renderer;
    std::string description_;
    void* renderer_ = nullptr;  // SDL_Renderer*
    void* texture_ = nullptr;   // SDL_Texture*
    int tex_w_ = 0, tex_h_ = 0;
    bool broken_ = false;
    uint64_t shown_ = 0;
    // Set by window events that lose what the window showed.
    std::atomic<bool> repaint_{true};
};

} // namespace prender
