#pragma once
// Keyboard, mouse and joystick state on SDL2, shaped like the immediate device
// state the engine polls once per update step: the keyboard as 256 device-key
// bytes, the mouse as motion since the last read with eight buttons, up to two
// joysticks with X, Y, Z and Rz axes scaled to -1000..+1000, 16 buttons and two
// hat switches. Keyboard and mouse follow the events SDL queues (an SDL event
// watch), so events pushed by tests drive them like real ones; the inject_
// functions change the same state directly. A key or button that went down
// since the previous read reads as down in this one even when it was let go
// again: a tap shorter than the time between two reads is seen once, not
// lost. A key already held when the keyboard is acquired (at start and each
// time the window gets the focus) sends no event: the keyboard then takes the
// keys the desktop reports held (SDL's keyboard and modifier state), and each
// follows that state until a key event of its own arrives.
#include <cstdint>
#include <string>

namespace pinput {

enum class device : uint8_t { keyboard, mouse, joystick1, joystick2 };

enum class read_status : uint8_t {
    ok,
    not_acquired,  // acquire the device first
    lost,          // the device went away (a joystick unplugged)
    absent,        // there is no such device
};

constexpr int max_joysticks = 2;
constexpr int axis_range = 1000;
constexpr uint32_t pov_centred = 0xFFFFFFFFu;

struct mouse_state {
    int32_t x = 0, y = 0;  // motion since the previous read
    int32_t z = 0;         // wheel since the previous read, 120 per notch
    uint8_t buttons[8] = {};  // 0x80 while down: left, right, middle, then the extra buttons
};

struct joystick_state {
    int32_t x = 0, y = 0, z = 0, rz = 0;  // -1000..+1000
    uint32_t pov[2] = {pov_centred, pov_centred};  // hundredths of a degree clockwise from up
    uint8_t buttons[16] = {};  // 0x80 while down
};

struct joystick_caps {
    uint32_t device_type = 0;  // 0x14 joystick, 0x15 gamepad, 0x16 wheel, 0x17 flight stick
    uint32_t flags = 0;        // 0x1 attached
    uint32_t axes = 0, buttons = 0, povs = 0;
    std::string name;
};

// Starts SDL's event and joystick systems and begins following events.
bool start();
void stop();
bool started();

// Opens the attached joysticks into slots 0 and 1, in SDL's order, skipping
// any that fail to open; returns how many are open.
int open_joysticks();
int joystick_count();
bool get_joystick_caps(int slot, joystick_caps& caps);

// A device reads only while acquired. Acquiring fails for an absent device.
bool acquire(device d);
void unacquire(device d);
bool acquired(device d);
bool present(device d);

read_status read_keyboard(uint8_t keys[256]);
read_status read_mouse(mouse_state& out);
// Polls the joystick first.
read_status read_joystick(int slot, joystick_state& out);

// Scales an SDL axis value into -1000..+1000.
int32_t scale_axis(int16_t value);
// The hat position of SDL's hat bit mask.
uint32_t pov_from_hat(uint8_t hat);

// Direct changes of the keyboard and mouse state, for tests.
void inject_key(uint8_t device_key, bool down);
void inject_mouse_motion(int32_t dx, int32_t dy);
void inject_mouse_wheel(int32_t delta);
void inject_mouse_button(int index, bool down);
// A key the desktop reports held (true) or no longer held, as a key held
// before the window appeared, for tests: SDL's own keyboard state only a
// real keyboard changes. Read when the keyboard is acquired and, for the
// keys taken then, at each read.
void inject_desktop_key(uint8_t device_key, bool held);
// Releases every key and button, forgets pending motion and the injected
// desktop keys.
void clear_state();

} // namespace pinput
