#pragma once
// The engine's windows on SDL2: the main window (windowed with a caption, or a
// borderless full-screen window of the configured size), its cursor shapes,
// mouse capture and display mode. Headless runs use SDL's offscreen driver.
// All of it is main-thread only.
#include "platform/window/window_event.h"

#include <cstdint>
#include <string>

struct SDL_Window;

namespace pwin {

struct window_config {
    std::string title;  // UTF-8
    int width = 1024;   // client size
    int height = 768;
    bool windowed = true;        // false: borderless, covering the screen from its top-left
    bool double_clicks = false;  // deliver the second press of a double click as button_dblclk
    bool hidden = false;         // create without showing
};

// Where a window goes on a screen.
struct placement {
    int x = 0, y = 0;                 // outer top-left
    int client_width = 0, client_height = 0;
};
// A windowed window grows by its frame and is then limited to the screen;
// either way it is centred (integer halves, toward zero) and never placed at
// negative coordinates.
placement place_window(int client_width, int client_height, int screen_width, int screen_height,
                       int frame_width, int frame_height, bool windowed);

// The size of the screen the windows open on; false when no display is known.
bool screen_size(int& width, int& height);

class window {
public:
    window() = default;
    ~window();
    window(const window&) = delete;
    window& operator=(const window&) = delete;

    // Starts SDL video when needed and creates the window; false (with the
    // reason in error()) when either fails.
    bool create(const window_config& config);
    void destroy();
    bool exists() const { return sdl_ != nullptr; }
    SDL_Window* sdl_window() const { return sdl_; }
    uint32_t id() const { return id_; }
    bool wants_double_clicks() const { return double_clicks_; }

    void set_title(const std::string& title_utf8);
    std::string title() const;
    // Client size in pixels; the configured size when the window is gone.
    void client_size(int& width, int& height) const;
    bool is_minimized() const;
    void show();
    void hide();
    bool visible() const;

    // Full screen, or back to the windowed placement. The window covers the
    // display at the display's own mode whatever size and rate the picture
    // has: a switch to a mode of the picture's size leaves its shape to the
    // display's scaler, which may stretch it, while the present fits the
    // picture into the window with black bars. False when the display does
    // not allow it; the window then stays as it was.
    bool enter_fullscreen(int width, int height, int refresh_rate = 0);
    bool leave_fullscreen();
    bool is_fullscreen() const;

    // Mouse capture: button-up messages are only handled while it is held.
    void set_capture();
    void release_capture();
    bool has_capture() const { return capture_; }

    // The last pointer position seen over the window, in client pixels.
    void cursor_position(int& x, int& y) const;
    void note_cursor_position(int x, int y) { cursor_x_ = x, cursor_y_ = y; }

    static const std::string& error() { return error_; }

private:
    SDL_Window* sdl_ = nullptr;
    uint32_t id_ = 0;
    window_config config_;
    bool double_clicks_ = false;
    bool capture_ = false;
    bool video_started_ = false;
    int cursor_x_ = 0, cursor_y_ = 0;
    static std::string error_;
    friend void reset_window_system();
};

// Cursor shapes, by index: 0 none, 1 cross, 2 size-all, 3 size north-south,
// 4 size west-east, 5 no, 6 arrow. Other indexes are ignored.
constexpr int cursor_none = 0;
constexpr int cursor_cross = 1;
constexpr int cursor_size_all = 2;
constexpr int cursor_size_ns = 3;
constexpr int cursor_size_we = 4;
constexpr int cursor_no = 5;
constexpr int cursor_arrow = 6;
void set_cursor_shape(int index);
// The shape last set (cursor_arrow at start).
int cursor_shape();
// Frees the cursors made for set_cursor_shape (at shutdown).
void release_cursors();
// What the shutdown (discard_events, release_cursors) leaves of the window
// system's own state, as at start: the shape back to the arrow and the cursor
// shown, the buttons injected as held and the last error forgotten. Windows
// stay attached while they exist.
void reset_window_system();

} // namespace pwin
