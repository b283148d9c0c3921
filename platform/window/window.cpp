#include "platform/window/window.h"

#include "platform/window/event_inject.h"
#include "platform/window/event_pump.h"
#include "platform/window/message_box.h"

#include <SDL.h>
#include <algorithm>
#include <array>

namespace pwin {

std::string window::error_;

placement place_window(int client_width, int client_height, int screen_width, int screen_height,
                       int frame_width, int frame_height, bool windowed) {
    placement p;
    int outer_w = client_width, outer_h = client_height;
    if (windowed) {
        outer_w = std::min(client_width + frame_width, screen_width);
        outer_h = std::min(client_height + frame_height, screen_height);
        p.client_width = std::max(outer_w - frame_width, 1);
        p.client_height = std::max(outer_h - frame_height, 1);
    } else {
        p.client_width = client_width;
        p.client_height = client_height;
    }
    p.x = std::max(screen_width / 2 - outer_w / 2, 0);
    p.y = std::max(screen_height / 2 - outer_h / 2, 0);
    return p;
}

bool screen_size(int& width, int& height) {
    SDL_DisplayMode mode;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    width = mode.w;
    height = mode.h;
    return true;
}

window::~window() { destroy(); }

bool window::create(const window_config& config) {
    destroy();
    config_ = config;
    double_clicks_ = config.double_clicks;
    // The engine decides itself what closing the last window means.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error_ = SDL_GetError();
        return false;
    }
    video_started_ = true;
    // With no display SDL falls back to a headless driver, and the game would
    // run where nobody sees it.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!video_driver_usable(driver)) {
        error_ = std::string("no usable display (video driver ") + (driver ? driver : "none") +
                 "); set SDL_VIDEODRIVER=offscreen to run without one";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        video_started_ = false;
        return false;
    }

    int screen_w = config.width, screen_h = config.height;
    screen_size(screen_w, screen_h);
    placement p = place_window(config.width, config.height, screen_w, screen_h, 0, 0, config.windowed);
    uint32_t flags = SDL_WINDOW_HIDDEN;
    if (!config.windowed) flags |= SDL_WINDOW_BORDERLESS;
    sdl_ = SDL_CreateWindow(config.title.c_str(), p.x, p.y, p.client_width, p.client_height, flags);
    if (!sdl_) {
        error_ = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        video_started_ = false;
        return false;
    }
    id_ = SDL_GetWindowID(sdl_);
    if (config.windowed) {
        // The frame is known only once the window exists: place it again so
        // that the frame, too, stays on the screen.
        int top = 0, left = 0, bottom = 0, right = 0;
        if (SDL_GetWindowBordersSize(sdl_, &top, &left, &bottom, &right) == 0 && (top | left | bottom | right)) {
            p = place_window(config.width, config.height, screen_w, screen_h, left + right, top + bottom, true);
            SDL_SetWindowSize(sdl_, p.client_width, p.client_height);
            SDL_SetWindowPosition(sdl_, p.x + left, p.y + top);
        }
    }
    // A game is not interrupted by the screen saver or the monitor's power saving.
    SDL_DisableScreenSaver();
    attach_window(this);
    if (!config.hidden) SDL_ShowWindow(sdl_);
    return true;
}

void window::destroy() {
    if (sdl_) {
        detach_window(this);
        if (capture_) release_capture();
        SDL_DestroyWindow(sdl_);
        sdl_ = nullptr;
        id_ = 0;
    }
    if (video_started_) {
        // SDL frees its cursors with the video system; ours go first.
        release_cursors();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        video_started_ = false;
    }
}

void window::set_title(const std::string& title_utf8) {
    config_.title = title_utf8;
    if (sdl_) SDL_SetWindowTitle(sdl_, title_utf8.c_str());
}

std::string window::title() const { return sdl_ ? std::string(SDL_GetWindowTitle(sdl_)) : config_.title; }

void window::client_size(int& width, int& height) const {
    width = config_.width;
    height = config_.height;
    if (sdl_) SDL_GetWindowSize(sdl_, &width, &height);
}

bool window::is_minimized() const { return sdl_ && (SDL_GetWindowFlags(sdl_) & SDL_WINDOW_MINIMIZED); }

void window::show() {
    if (sdl_) SDL_ShowWindow(sdl_);
}

void window::hide() {
    if (sdl_) SDL_HideWindow(sdl_);
}

bool window::visible() const { return sdl_ && (SDL_GetWindowFlags(sdl_) & SDL_WINDOW_SHOWN); }

bool window::enter_fullscreen(int, int, int) {
    if (!sdl_) return false;
    if (SDL_SetWindowFullscreen(sdl_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        error_ = SDL_GetError();
        SDL_SetWindowFullscreen(sdl_, 0);
        return false;
    }
    return true;
}

bool window::leave_fullscreen() {
    if (!sdl_) return false;
    if (SDL_SetWindowFullscreen(sdl_, 0) != 0) {
        error_ = SDL_GetError();
        return false;
    }
    int screen_w = config_.width, screen_h = config_.height;
    screen_size(screen_w, screen_h);
    placement p = place_window(config_.width, config_.height, screen_w, screen_h, 0, 0, config_.windowed);
    SDL_SetWindowSize(sdl_, p.client_width, p.client_height);
    SDL_SetWindowPosition(sdl_, p.x, p.y);
    return true;
}

bool window::is_fullscreen() const { return sdl_ && (SDL_GetWindowFlags(sdl_) & SDL_WINDOW_FULLSCREEN); }

void window::set_capture() {
    if (!sdl_) return;
    capture_ = true;
    // Not every video driver can capture (the offscreen one cannot); the
    // engine only needs to know that it asked.
    SDL_CaptureMouse(SDL_TRUE);
}

void window::release_capture() {
    if (capture_) SDL_CaptureMouse(SDL_FALSE);
    capture_ = false;
}

void window::cursor_position(int& x, int& y) const {
    x = cursor_x_;
    y = cursor_y_;
}

namespace {

struct cursor_cache {
    std::array<SDL_Cursor*, 7> cursors{};
    int shape = cursor_arrow;
};

cursor_cache& cursors() {
    static cursor_cache c;
    return c;
}

} // namespace

void set_cursor_shape(int index) {
    static constexpr SDL_SystemCursor kSystem[7] = {
        SDL_SYSTEM_CURSOR_ARROW,     SDL_SYSTEM_CURSOR_CROSSHAIR, SDL_SYSTEM_CURSOR_SIZEALL,
        SDL_SYSTEM_CURSOR_SIZENS,    SDL_SYSTEM_CURSOR_SIZEWE,    SDL_SYSTEM_CURSOR_NO,
        SDL_SYSTEM_CURSOR_ARROW,
    };
    if (index < 0 || index > 6) return;
    cursor_cache& c = cursors();
    c.shape = index;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
    if (index == cursor_none) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (!c.cursors[size_t(index)]) c.cursors[size_t(index)] = SDL_CreateSystemCursor(kSystem[index]);
    // Drivers without system cursors (offscreen) keep whatever they have.
    if (c.cursors[size_t(index)]) SDL_SetCursor(c.cursors[size_t(index)]);
    SDL_ShowCursor(SDL_ENABLE);
}

int cursor_shape() { return cursors().shape; }

void reset_window_system() {
    cursors().shape = cursor_arrow;
    // The shape "none" hid it, and SDL keeps that while any window lives.
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_ShowCursor(SDL_ENABLE);
    forget_injected_buttons();
    window::error_.clear();
}

void release_cursors() {
    for (SDL_Cursor*& c : cursors().cursors) {
        if (c) SDL_FreeCursor(c);
        c = nullptr;
    }
}

} // namespace pwin
