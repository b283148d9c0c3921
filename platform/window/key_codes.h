#pragma once
// The keyboard as the engine sees it: every physical key has a device key
// number (the PC set-1 scan code, 0x80 added for the E0-prefixed keys; the
// numbers the key map and the keyboard state are indexed by) and a virtual-key
// code (what key messages carry). Both are looked up from SDL's scancodes,
// which name physical key positions.
#include "platform/window/keys.h"

#include <SDL_keycode.h>
#include <cstdint>

namespace pwin {

// 0 when the key has no device key number.
uint8_t device_key_from_scancode(SDL_Scancode sc);
// The virtual-key code of a key message; 0 when the key sends none. Letters
// and digits follow the keyboard layout (the key's character), everything
// else the key's position.
uint8_t virtual_key_from_scancode(SDL_Scancode sc, SDL_Keycode layout_key = SDLK_UNKNOWN);
// The key-message data word: repeat count 1, scan code in bits 16-23, the
// extended-key bit 24, the context bit 29 (Alt held), the previous-state bit 30
// and the transition bit 31.
uint32_t key_message_data(uint8_t device_key, bool down, bool was_down, bool alt_held);

} // namespace pwin
