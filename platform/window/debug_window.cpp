#include "platform/window/debug_window.h"

#include "platform/window/event_pump.h"
#include "platform/window/key_codes.h"

#include <SDL.h>

namespace pwin {

bool debug_window::create() {
    destroy();
    window_config config;
    config.title = "DebugWindow";
    config.width = 240;
    config.height = 320;
    config.double_clicks = true;
    config.hidden = true;
    if (!window_.create(config)) return false;
    SDL_SetWindowResizable(window_.sdl_window(), SDL_TRUE);
    SDL_SetWindowPosition(window_.sdl_window(), 0, 0);
    attach_window(&window_, [this](const window_event& e) { return filter(e); });
    visible_ = false;
    changed_ = false;
    return true;
}

void debug_window::destroy() {
    visible_ = false;
    window_.destroy();
}

void debug_window::show() {
    if (!window_.exists()) return;
    // Shown beside the game without taking its focus.
    SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "1");
    window_.show();
    SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "0");
    visible_ = true;
}

void debug_window::hide() {
    window_.hide();
    visible_ = false;
}

void debug_window::set_line(int i, const std::string& text) {
    if (i < 0 || i >= line_count) return;
    // Count characters, not bytes: a cut never splits one.
    size_t chars = 0, end = 0;
    while (end < text.size() && chars < size_t(line_length)) {
        unsigned char c = static_cast<unsigned char>(text[end]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (end + n > text.size()) break;
        end += n;
        ++chars;
    }
    lines_[size_t(i)] = text.substr(0, end);
    changed_ = true;
}

const std::string& debug_window::line(int i) const {
    static const std::string empty;
    return (i < 0 || i >= line_count) ? empty : lines_[size_t(i)];
}

std::string debug_window::paint() {
    std::string text;
    for (const std::string& l : lines_) {
        text += l;
        text += '\n';
    }
    changed_ = false;
    return text;
}

bool debug_window::filter(const window_event& e) {
    if (e.kind == event_kind::sys_key_down && e.vk == vk_f11 && (e.key_data & (1u << 29))) {
        visible_ ? hide() : show();
        return e.window_id == window_.id();
    }
    if (e.window_id != window_.id() || !window_.exists()) return false;
    if (e.kind == event_kind::close_request) hide();
    // Nothing of this window reaches the game.
    return true;
}

} // namespace pwin
