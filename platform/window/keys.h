#pragma once
// The key numbers the engine tests by name, in both of the keyboard's code
// spaces: the virtual-key codes that key messages carry, and the device key
// numbers (PC set-1 scan codes, 0x80 added for the E0-prefixed keys) that the
// keyboard state and the key map are indexed by. Free of SDL, so that any
// library may name a key.
#include <cstdint>

namespace pwin {

// Virtual-key codes.
constexpr uint8_t vk_return = 0x0D;
constexpr uint8_t vk_shift = 0x10;
constexpr uint8_t vk_control = 0x11;
constexpr uint8_t vk_menu = 0x12;
constexpr uint8_t vk_escape = 0x1B;
constexpr uint8_t vk_space = 0x20;
constexpr uint8_t vk_prior = 0x21;  // page up
constexpr uint8_t vk_next = 0x22;   // page down
constexpr uint8_t vk_left = 0x25;
constexpr uint8_t vk_up = 0x26;
constexpr uint8_t vk_right = 0x27;
constexpr uint8_t vk_down = 0x28;
constexpr uint8_t vk_f1 = 0x70;
constexpr uint8_t vk_f2 = 0x71;
constexpr uint8_t vk_f3 = 0x72;
constexpr uint8_t vk_f4 = 0x73;
constexpr uint8_t vk_f5 = 0x74;
constexpr uint8_t vk_f6 = 0x75;
constexpr uint8_t vk_f7 = 0x76;
constexpr uint8_t vk_f8 = 0x77;
constexpr uint8_t vk_f9 = 0x78;
constexpr uint8_t vk_f10 = 0x79;
constexpr uint8_t vk_f11 = 0x7A;
constexpr uint8_t vk_f12 = 0x7B;

// Device key numbers.
constexpr uint8_t dk_w = 0x11;
constexpr uint8_t dk_a = 0x1E;
constexpr uint8_t dk_s = 0x1F;
constexpr uint8_t dk_d = 0x20;
constexpr uint8_t dk_numpad8 = 0x48;
constexpr uint8_t dk_numpad4 = 0x4B;
constexpr uint8_t dk_numpad6 = 0x4D;
constexpr uint8_t dk_numpad2 = 0x50;
constexpr uint8_t dk_up = 0xC8;
constexpr uint8_t dk_left = 0xCB;
constexpr uint8_t dk_right = 0xCD;
constexpr uint8_t dk_down = 0xD0;

} // namespace pwin
