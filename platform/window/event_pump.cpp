#include "platform/window/event_pump.h"

#include "platform/window/key_codes.h"
#include "platform/window/window.h"

#include <SDL.h>
#include <atomic>
#include <cmath>
#include <csignal>
#include <deque>
#include <mutex>
#include <vector>

namespace pwin {
namespace {

struct attached {
    window* w;
    event_filter filter;
};

struct pump_state {
    std::mutex mutex;
    std::deque<window_event> queue;
    std::vector<attached> windows;
    uint32_t buttons = 0;    // mk_ button flags held
    uint32_t modifiers = 0;  // mk_shift, mk_control as seen in key events
    bool alt = false;
};

pump_state& state() {
    static pump_state s;
    return s;
}

// Set by the hang-up handler, taken by the pump.
std::atomic<bool> g_hung_up{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void on_hang_up(int) { g_hung_up.store(true); }

window* find_window(pump_state& s, uint32_t id) {
    for (attached& a : s.windows)
        if (a.w->id() == id) return a.w;
    return nullptr;
}

uint32_t sdl_modifier_flags() {
    uint32_t f = 0;
    SDL_Keymod m = SDL_GetModState();
    if (m & KMOD_SHIFT) f |= mk_shift;
    if (m & KMOD_CTRL) f |= mk_control;
    return f;
}

uint32_t button_flag(uint8_t sdl_button) {
    switch (sdl_button) {
    case SDL_BUTTON_LEFT: return mk_lbutton;
    case SDL_BUTTON_RIGHT: return mk_rbutton;
    case SDL_BUTTON_MIDDLE: return mk_mbutton;
    case SDL_BUTTON_X1: return mk_xbutton1;
    case SDL_BUTTON_X2: return mk_xbutton2;
    default: return 0;
    }
}

void track_modifier(pump_state& s, SDL_Scancode sc, bool down) {
    uint32_t flag = 0;
    if (sc == SDL_SCANCODE_LSHIFT || sc == SDL_SCANCODE_RSHIFT) flag = mk_shift;
    if (sc == SDL_SCANCODE_LCTRL || sc == SDL_SCANCODE_RCTRL) flag = mk_control;
    if (sc == SDL_SCANCODE_LALT || sc == SDL_SCANCODE_RALT) s.alt = down;
    if (flag) s.modifiers = down ? (s.modifiers | flag) : (s.modifiers & ~flag);
}

// Translates one SDL event; false when it means nothing to the engine.
bool translate(pump_state& s, const SDL_Event& e, window_event& out) {
    out = window_event{};
    switch (e.type) {
    case SDL_QUIT:
        // A signal or the session ending: nobody is there to answer a
        // question, so the window goes (the game still shuts down in order
        // and keeps its settings) rather than being offered the close box.
        out.kind = event_kind::destroy;
        // Addressed to the first window without a filter of its own: a
        // helper window made earlier (the debug window) would only hide.
        out.window_id = 0;
        for (const auto& a : s.windows)
            if (!a.filter) {
                out.window_id = a.w->id();
                break;
            }
        return true;
    case SDL_WINDOWEVENT: {
        if (!find_window(s, e.window.windowID)) return false;
        out.window_id = e.window.windowID;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out.kind = event_kind::activate;
            out.active = true;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys and buttons released elsewhere never reach us.
            s.buttons = 0;
            s.modifiers = 0;
            s.alt = false;
            out.kind = event_kind::activate;
            out.active = false;
            return true;
        case SDL_WINDOWEVENT_CLOSE:
            out.kind = event_kind::close_request;
            return true;
        case SDL_WINDOWEVENT_MOVED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.kind = event_kind::moved;
            return true;
        default:
            return false;
        }
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        if (!find_window(s, e.key.windowID) && e.key.windowID != 0) return false;
        const bool down = e.type == SDL_KEYDOWN;
        const SDL_Scancode sc = e.key.keysym.scancode;
        if (down) track_modifier(s, sc, true);
        const bool alt = s.alt;
        if (!down) track_modifier(s, sc, false);
        const uint8_t vk = virtual_key_from_scancode(sc, e.key.keysym.sym);
        if (vk == 0) return false;
        const bool sys = alt || vk == vk_menu || vk == vk_f10;
        out.window_id = e.key.windowID;
        out.kind = sys ? (down ? event_kind::sys_key_down : event_kind::sys_key_up)
                       : (down ? event_kind::key_down : event_kind::key_up);
        out.vk = vk;
        out.key_data = key_message_data(device_key_from_scancode(sc), down, down && e.key.repeat, sys && alt);
        return true;
    }
    case SDL_MOUSEMOTION: {
        window* w = find_window(s, e.motion.windowID);
        if (!w || e.motion.which == SDL_TOUCH_MOUSEID) return false;
        w->note_cursor_position(e.motion.x, e.motion.y);
        out.window_id = e.motion.windowID;
        out.kind = event_kind::mouse_move;
        out.x = e.motion.x;
        out.y = e.motion.y;
        out.buttons = s.buttons | s.modifiers | sdl_modifier_flags();
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        window* w = find_window(s, e.button.windowID);
        if (!w || e.button.which == SDL_TOUCH_MOUSEID) return false;
        const bool down = e.type == SDL_MOUSEBUTTONDOWN;
        const uint32_t flag = button_flag(e.button.button);
        s.buttons = down ? (s.buttons | flag) : (s.buttons & ~flag);
        w->note_cursor_position(e.button.x, e.button.y);
        switch (e.button.button) {
        case SDL_BUTTON_LEFT: out.button = mouse_button::left; break;
        case SDL_BUTTON_RIGHT: out.button = mouse_button::right; break;
        case SDL_BUTTON_MIDDLE: out.button = mouse_button::middle; break;
        default: return false;  // extra buttons send no button messages
        }
        out.window_id = e.button.windowID;
        if (!down)
            out.kind = event_kind::button_up;
        else if (w->wants_double_clicks() && e.button.clicks >= 2 && e.button.clicks % 2 == 0)
            out.kind = event_kind::button_dblclk;
        else
            out.kind = event_kind::button_down;
        out.x = e.button.x;
        out.y = e.button.y;
        out.buttons = s.buttons | s.modifiers | sdl_modifier_flags();
        return true;
    }
    case SDL_MOUSEWHEEL: {
        window* w = find_window(s, e.wheel.windowID);
        if (!w || e.wheel.which == SDL_TOUCH_MOUSEID) return false;
        float notches = e.wheel.preciseY;
        if (notches == 0.0f) notches = float(e.wheel.y);
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
        const int32_t delta = int32_t(std::lround(notches * float(wheel_delta)));
        if (delta == 0) return false;  // a horizontal wheel
        out.window_id = e.wheel.windowID;
        out.kind = event_kind::wheel;
        out.wheel = delta;
        w->cursor_position(out.x, out.y);
        out.buttons = s.buttons | s.modifiers | sdl_modifier_flags();
        return true;
    }
    default:
        return false;
    }
}

// Queues what an SDL event means, unless a window's filter takes it.
void deliver(pump_state& s, const SDL_Event& e) {
    window_event we;
    if (!translate(s, e, we)) return;
    for (attached& a : s.windows)
        if (a.filter && a.filter(we)) return;
    s.queue.push_back(we);
}

// Drains SDL's queue into ours. Called with the state's mutex held.
void pump_sdl(pump_state& s) {
    if (g_hung_up.exchange(false)) {
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        deliver(s, quit);
    }
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) return;
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) deliver(s, e);
}

} // namespace

bool peek_event() {
    pump_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.queue.empty()) pump_sdl(s);
    return !s.queue.empty();
}

bool next_event(window_event& out) {
    pump_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.queue.empty()) pump_sdl(s);
    if (s.queue.empty()) return false;
    out = s.queue.front();
    s.queue.pop_front();
    return true;
}

void post_event(const window_event& e) {
    pump_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.queue.push_back(e);
}

void request_destroy(uint32_t window_id) {
    window_event e;
    e.kind = event_kind::destroy;
    e.window_id = window_id;
    post_event(e);
}

void post_quit() {
    window_event e;
    e.kind = event_kind::quit;
    post_event(e);
}

void discard_events() {
    pump_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.queue.clear();
    if (SDL_WasInit(SDL_INIT_EVENTS) != 0) {
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    s.buttons = 0;
    s.modifiers = 0;
    s.alt = false;
}

void quit_on_hang_up() {
    struct sigaction current {};
    if (::sigaction(SIGHUP, nullptr, &current) != 0) return;
    // Ignored (nohup), someone else's, or ours already.
    if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) return;
    struct sigaction handler {};
    handler.sa_handler = on_hang_up;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    ::sigaction(SIGHUP, &handler, nullptr);
}

void attach_window(window* w, event_filter filter) {
    pump_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (attached& a : s.windows)
        if (a.w == w) {
            if (filter) a.filter = std::move(filter);
            return;
        }
    s.windows.push_back({w, std::move(filter)});
}

void detach_window(window* w) {
    pump_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (size_t i = 0; i < s.windows.size(); ++i)
        if (s.windows[i].w == w) {
            s.windows.erase(s.windows.begin() + std::ptrdiff_t(i));
            return;
        }
}

} // namespace pwin
