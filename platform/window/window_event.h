#pragma once
// What the main window's message pump delivers: the messages the engine's
// window procedure handles, already decoded. Positions are client pixels of
// the window that received them.
#include <cstdint>

namespace pwin {

enum class event_kind : uint8_t {
    activate,       // active: the window gained (true) or lost (false) the input focus
    close_request,  // the user asked to close the window (close box, Alt+F4, a signal)
    destroy,        // the window is to be destroyed (request_destroy)
    quit,           // the message loop ends (post_quit)
    key_down,       // vk, key_data
    key_up,
    sys_key_down,   // keys while Alt is held, Alt itself and F10
    sys_key_up,
    mouse_move,     // x, y, buttons
    button_down,    // button, x, y, buttons
    button_dblclk,  // the second press of a double click (windows that ask for them)
    button_up,
    wheel,          // wheel_delta (120 per notch, positive away from the user), buttons
    moved,          // the window moved or changed its size
};

enum class mouse_button : uint8_t { left, right, middle };

// Button and modifier flags of mouse events, as mouse messages carry them.
constexpr uint32_t mk_lbutton = 0x0001;
constexpr uint32_t mk_rbutton = 0x0002;
constexpr uint32_t mk_shift = 0x0004;
constexpr uint32_t mk_control = 0x0008;
constexpr uint32_t mk_mbutton = 0x0010;
constexpr uint32_t mk_xbutton1 = 0x0020;
constexpr uint32_t mk_xbutton2 = 0x0040;

// Units of one wheel notch.
constexpr int32_t wheel_delta = 120;

struct window_event {
    event_kind kind = event_kind::moved;
    uint32_t window_id = 0;  // SDL window id; 0 for events posted without a window
    bool active = false;
    uint32_t vk = 0;
    uint32_t key_data = 0;
    int32_t x = 0, y = 0;
    mouse_button button = mouse_button::left;
    uint32_t buttons = 0;
    int32_t wheel = 0;
};

} // namespace pwin
