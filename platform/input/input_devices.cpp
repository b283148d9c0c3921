#include "platform/input/input_devices.h"

#include "platform/window/key_codes.h"

#include <SDL.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace pinput {
namespace {

struct joystick_slot {
    SDL_Joystick* joystick = nullptr;
    SDL_GameController* controller = nullptr;
    int axis_index[4] = {0, 1, 2, 3};  // raw axes that stand for X, Y, Z, Rz (-1: none)
    joystick_caps caps;
};

struct input_state {
    std::mutex mutex;
    bool started = false;
    uint8_t keys[256] = {};
    // Keys found held when the keyboard was acquired rather than told by a
    // key event; they follow the desktop's state until an event of their own.
    bool seeded[256] = {};
    // What the tests say the desktop holds, beside SDL's own state.
    bool desktop[256] = {};
    mouse_state mouse;  // accumulated since the last read
    // Keys and buttons that went down since the last read. The engine reads
    // once per update step; a tap let go before the next read must still
    // read as down once, or it is never seen at all.
    bool keys_unread[256] = {};
    bool buttons_unread[8] = {};
    bool acquired[4] = {};
    joystick_slot joysticks[max_joysticks];
};

input_state& state() {
    static input_state s;
    return s;
}

// The keys the desktop reports held: SDL's keyboard state (filled once the
// window has the focus), the modifiers it reports (some desktops tell those
// alone when the focus arrives) and what the tests injected. Caller holds
// the mutex.
void desktop_held(const input_state& s, bool out[256]) {
    std::copy(std::begin(s.desktop), std::end(s.desktop), out);
    int count = 0;
    const Uint8* sdl = SDL_GetKeyboardState(&count);
    for (int sc = 0; sdl && sc < count; ++sc)
        if (sdl[sc])
            if (uint8_t key = pwin::device_key_from_scancode(SDL_Scancode(sc))) out[key] = true;
    static constexpr struct {
        SDL_Keymod mod;
        SDL_Scancode sc;
    } modifiers[] = {{KMOD_LCTRL, SDL_SCANCODE_LCTRL},   {KMOD_RCTRL, SDL_SCANCODE_RCTRL},
                     {KMOD_LSHIFT, SDL_SCANCODE_LSHIFT}, {KMOD_RSHIFT, SDL_SCANCODE_RSHIFT},
                     {KMOD_LALT, SDL_SCANCODE_LALT},     {KMOD_RALT, SDL_SCANCODE_RALT}};
    const SDL_Keymod mod = SDL_GetModState();
    for (const auto& m : modifiers)
        if (mod & m.mod)
            if (uint8_t key = pwin::device_key_from_scancode(m.sc)) out[key] = true;
}

// A key held before the window had the focus sent no event here: the
// keyboard takes what the desktop holds when it is acquired. Caller holds
// the mutex.
void seed_from_desktop(input_state& s) {
    bool held[256];
    desktop_held(s, held);
    for (int k = 1; k < 256; ++k)
        if (held[k] && !s.keys[k]) {
            s.keys[k] = 0x80;
            s.seeded[k] = true;
        }
}

// A key or button going down is also kept for the next read. Caller holds
// the mutex.
void set_key(input_state& s, uint8_t key, bool down) {
    s.keys[key] = down ? 0x80 : 0;
    s.seeded[key] = false;
    if (down) s.keys_unread[key] = true;
}

void set_button(input_state& s, int index, bool down) {
    s.mouse.buttons[index] = down ? 0x80 : 0;
    if (down) s.buttons_unread[index] = true;
}

// Everything up, nothing pending. Caller holds the mutex.
void release_all(input_state& s) {
    std::memset(s.keys, 0, sizeof s.keys);
    std::memset(s.seeded, 0, sizeof s.seeded);
    std::memset(s.keys_unread, 0, sizeof s.keys_unread);
    std::memset(s.mouse.buttons, 0, sizeof s.mouse.buttons);
    std::memset(s.buttons_unread, 0, sizeof s.buttons_unread);
}

int mouse_button_index(uint8_t sdl_button) {
    switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return sdl_button >= 4 && sdl_button <= 8 ? sdl_button - 1 : -1;
    }
}

int SDLCALL watch(void*, SDL_Event* e) {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    switch (e->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        if (uint8_t key = pwin::device_key_from_scancode(e->key.keysym.scancode))
            set_key(s, key, e->type == SDL_KEYDOWN);
        break;
    }
    case SDL_MOUSEMOTION:
        if (e->motion.which != SDL_TOUCH_MOUSEID) {
            s.mouse.x += e->motion.xrel;
            s.mouse.y += e->motion.yrel;
        }
        break;
    case SDL_MOUSEWHEEL:
        if (e->wheel.which != SDL_TOUCH_MOUSEID) {
            float notches = e->wheel.preciseY != 0.0f ? e->wheel.preciseY : float(e->wheel.y);
            if (e->wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
            s.mouse.z += int32_t(std::lround(notches * 120.0f));
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (e->button.which != SDL_TOUCH_MOUSEID) {
            int i = mouse_button_index(e->button.button);
            if (i >= 0) set_button(s, i, e->type == SDL_MOUSEBUTTONDOWN);
        }
        break;
    case SDL_WINDOWEVENT:
        // Releases that happen in another window never arrive.
        if (e->window.event == SDL_WINDOWEVENT_FOCUS_LOST) release_all(s);
        break;
    default:
        break;
    }
    return 1;
}

void close_joystick(joystick_slot& j) {
    if (j.controller) SDL_GameControllerClose(j.controller);
    else if (j.joystick) SDL_JoystickClose(j.joystick);
    j = joystick_slot{};
}

uint32_t device_type_of(SDL_JoystickType t) {
    switch (t) {
    case SDL_JOYSTICK_TYPE_GAMECONTROLLER: return 0x15;
    case SDL_JOYSTICK_TYPE_WHEEL: return 0x16;
    case SDL_JOYSTICK_TYPE_FLIGHT_STICK: return 0x17;
    default: return 0x14;
    }
}

int device_index(device d) { return int(d); }

} // namespace

int32_t scale_axis(int16_t value) {
    long v = std::lround(double(value) * double(axis_range) / 32767.0);
    return int32_t(std::clamp<long>(v, -axis_range, axis_range));
}

uint32_t pov_from_hat(uint8_t hat) {
    switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return pov_centred;
    }
}

bool start() {
    input_state& s = state();
    if (s.started) return true;
    if (SDL_InitSubSystem(SDL_INIT_EVENTS | SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) return false;
    // Joysticks are read when polled, also while the window is in the background.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_AddEventWatch(watch, nullptr);
    std::lock_guard<std::mutex> lock(s.mutex);
    s.started = true;
    release_all(s);
    s.mouse = mouse_state{};
    std::fill(std::begin(s.acquired), std::end(s.acquired), false);
    return true;
}

void stop() {
    input_state& s = state();
    if (!s.started) return;
    SDL_DelEventWatch(watch, nullptr);
    for (joystick_slot& j : s.joysticks) close_joystick(j);
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.started = false;
        std::fill(std::begin(s.acquired), std::end(s.acquired), false);
    }
    // Not under our lock: SDL takes its event lock here, and any thread that
    // pushes an event (SDL's own, for device changes) calls watch under that
    // lock, which then takes ours.
    SDL_QuitSubSystem(SDL_INIT_EVENTS | SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
}

bool started() { return state().started; }

int open_joysticks() {
    input_state& s = state();
    if (!s.started) return 0;
    for (joystick_slot& j : s.joysticks) close_joystick(j);
    int taken = 0;
    const int n = SDL_NumJoysticks();
    for (int i = 0; i < n && taken < max_joysticks; ++i) {
        joystick_slot& j = s.joysticks[taken];
        if (SDL_IsGameController(i)) {
            // The controller mapping says which raw axes are the two sticks.
            j.controller = SDL_GameControllerOpen(i);
            if (j.controller) {
                j.joystick = SDL_GameControllerGetJoystick(j.controller);
                const SDL_GameControllerAxis axes[4] = {SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY,
                                                        SDL_CONTROLLER_AXIS_RIGHTX, SDL_CONTROLLER_AXIS_RIGHTY};
                for (int a = 0; a < 4; ++a) {
                    SDL_GameControllerButtonBind b = SDL_GameControllerGetBindForAxis(j.controller, axes[a]);
                    j.axis_index[a] = b.bindType == SDL_CONTROLLER_BINDTYPE_AXIS ? b.value.axis : -1;
                }
            }
        }
        if (!j.joystick) j.joystick = SDL_JoystickOpen(i);
        if (!j.joystick) {
            close_joystick(j);
            continue;
        }
        j.caps.device_type = device_type_of(SDL_JoystickGetType(j.joystick));
        j.caps.flags = 0x1;
        j.caps.axes = uint32_t(std::max(SDL_JoystickNumAxes(j.joystick), 0));
        j.caps.buttons = uint32_t(std::max(SDL_JoystickNumButtons(j.joystick), 0));
        j.caps.povs = uint32_t(std::max(SDL_JoystickNumHats(j.joystick), 0));
        const char* name = SDL_JoystickName(j.joystick);
        j.caps.name = name ? name : "";
        ++taken;
    }
    return taken;
}

int joystick_count() {
    int n = 0;
    for (const joystick_slot& j : state().joysticks)
        if (j.joystick) ++n;
    return n;
}

bool get_joystick_caps(int slot, joystick_caps& caps) {
    if (slot < 0 || slot >= max_joysticks || !state().joysticks[slot].joystick) return false;
    caps = state().joysticks[slot].caps;
    return true;
}

bool present(device d) {
    input_state& s = state();
    if (!s.started) return false;
    if (d == device::keyboard || d == device::mouse) return true;
    const joystick_slot& j = s.joysticks[device_index(d) - 2];
    return j.joystick && SDL_JoystickGetAttached(j.joystick);
}

bool acquire(device d) {
    input_state& s = state();
    const bool ok = present(d);
    std::lock_guard<std::mutex> lock(s.mutex);
    s.acquired[device_index(d)] = ok;
    if (ok && d == device::keyboard) seed_from_desktop(s);
    return ok;
}

void unacquire(device d) {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.acquired[device_index(d)] = false;
}

bool acquired(device d) {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.acquired[device_index(d)];
}

read_status read_keyboard(uint8_t keys[256]) {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.started) return read_status::absent;
    if (!s.acquired[0]) return read_status::not_acquired;
    if (std::find(std::begin(s.seeded), std::end(s.seeded), true) != std::end(s.seeded)) {
        bool held[256];
        desktop_held(s, held);
        for (int k = 0; k < 256; ++k)
            if (s.seeded[k] && !held[k]) s.keys[k] = 0, s.seeded[k] = false;
    }
    for (int k = 0; k < 256; ++k) keys[k] = s.keys_unread[k] ? 0x80 : s.keys[k];
    std::memset(s.keys_unread, 0, sizeof s.keys_unread);
    return read_status::ok;
}

read_status read_mouse(mouse_state& out) {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.started) return read_status::absent;
    if (!s.acquired[1]) return read_status::not_acquired;
    out = s.mouse;
    for (int b = 0; b < 8; ++b)
        if (s.buttons_unread[b]) out.buttons[b] = 0x80;
    std::memset(s.buttons_unread, 0, sizeof s.buttons_unread);
    s.mouse.x = s.mouse.y = s.mouse.z = 0;
    return read_status::ok;
}

read_status read_joystick(int slot, joystick_state& out) {
    input_state& s = state();
    if (!s.started || slot < 0 || slot >= max_joysticks || !s.joysticks[slot].joystick) return read_status::absent;
    joystick_slot& j = s.joysticks[slot];
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.acquired[2 + slot]) return read_status::not_acquired;
    }
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(j.joystick)) {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.acquired[2 + slot] = false;
        return read_status::lost;
    }
    out = joystick_state{};
    const int naxes = SDL_JoystickNumAxes(j.joystick);
    int32_t* axes[4] = {&out.x, &out.y, &out.z, &out.rz};
    for (int a = 0; a < 4; ++a)
        if (j.axis_index[a] >= 0 && j.axis_index[a] < naxes)
            *axes[a] = scale_axis(SDL_JoystickGetAxis(j.joystick, j.axis_index[a]));
    const int nhats = std::min(SDL_JoystickNumHats(j.joystick), 2);
    for (int h = 0; h < nhats; ++h) out.pov[h] = pov_from_hat(SDL_JoystickGetHat(j.joystick, h));
    const int nbuttons = std::min(SDL_JoystickNumButtons(j.joystick), 16);
    for (int b = 0; b < nbuttons; ++b) out.buttons[b] = SDL_JoystickGetButton(j.joystick, b) ? 0x80 : 0;
    return read_status::ok;
}

void inject_key(uint8_t device_key, bool down) {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    set_key(s, device_key, down);
}

void inject_desktop_key(uint8_t device_key, bool held) {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.desktop[device_key] = held;
}

void inject_mouse_motion(int32_t dx, int32_t dy) {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.mouse.x += dx;
    s.mouse.y += dy;
}

void inject_mouse_wheel(int32_t delta) {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.mouse.z += delta;
}

void inject_mouse_button(int index, bool down) {
    if (index < 0 || index >= 8) return;
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    set_button(s, index, down);
}

void clear_state() {
    input_state& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    release_all(s);
    std::memset(s.desktop, 0, sizeof s.desktop);
    s.mouse = mouse_state{};
}

} // namespace pinput
