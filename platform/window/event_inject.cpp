#include "platform/window/event_inject.h"

#include "platform/window/window.h"

#include <SDL.h>

namespace pwin {
namespace {

bool push(SDL_Event& e) {
    e.common.timestamp = SDL_GetTicks();
    return SDL_PushEvent(&e) == 1;
}

bool push_window_event(const window& w, SDL_WindowEventID id) {
    if (!w.exists()) return false;
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = w.id();
    e.window.event = uint8_t(id);
    return push(e);
}

// The buttons held, as SDL's motion events report them.
uint32_t g_held = 0;

} // namespace

bool inject_mouse_move(const window& w, int x, int y) {
    if (!w.exists()) return false;
    int last_x = 0, last_y = 0;
    w.cursor_position(last_x, last_y);
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = w.id();
    e.motion.state = g_held;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = x - last_x;
    e.motion.yrel = y - last_y;
    return push(e);
}

bool inject_mouse_button(const window& w, mouse_button button, bool down, int x, int y) {
    if (!w.exists()) return false;
    const uint8_t index = button == mouse_button::left ? SDL_BUTTON_LEFT
                          : button == mouse_button::right ? SDL_BUTTON_RIGHT
                                                          : SDL_BUTTON_MIDDLE;
    g_held = down ? (g_held | SDL_BUTTON(index)) : (g_held & ~SDL_BUTTON(index));
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = w.id();
    e.button.button = index;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    return push(e);
}

bool inject_key(const window& w, const std::string& key_name, bool down) {
    if (!w.exists()) return false;
    const SDL_Scancode sc = SDL_GetScancodeFromName(key_name.c_str());
    if (sc == SDL_SCANCODE_UNKNOWN) return false;
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = w.id();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
    return push(e);
}

bool inject_focus(const window& w, bool gained) {
    return push_window_event(w, gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
}

bool inject_close(const window& w) { return push_window_event(w, SDL_WINDOWEVENT_CLOSE); }

void forget_injected_buttons() { g_held = 0; }

} // namespace pwin
