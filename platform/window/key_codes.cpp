#include "platform/window/key_codes.h"

#include <array>

namespace pwin {
namespace {

struct key_row {
    SDL_Scancode sc;
    uint8_t device_key;
    uint8_t vk;
};

// Physical keys by position. Keys of Japanese keyboards: the ろ key (\ and _)
// is the ABNT_C1 position 0x73, the ¥ key 0x7D, 変換 0x79, 無変換 0x7B,
// カタカナ/ひらがな 0x70 and 半角/全角 the 漢字 key 0x94.
constexpr key_row kRows[] = {
    {SDL_SCANCODE_ESCAPE, 0x01, vk_escape},
    {SDL_SCANCODE_1, 0x02, '1'}, {SDL_SCANCODE_2, 0x03, '2'}, {SDL_SCANCODE_3, 0x04, '3'},
    {SDL_SCANCODE_4, 0x05, '4'}, {SDL_SCANCODE_5, 0x06, '5'}, {SDL_SCANCODE_6, 0x07, '6'},
    {SDL_SCANCODE_7, 0x08, '7'}, {SDL_SCANCODE_8, 0x09, '8'}, {SDL_SCANCODE_9, 0x0A, '9'},
    {SDL_SCANCODE_0, 0x0B, '0'},
    {SDL_SCANCODE_MINUS, 0x0C, 0xBD}, {SDL_SCANCODE_EQUALS, 0x0D, 0xBB},
    {SDL_SCANCODE_BACKSPACE, 0x0E, 0x08}, {SDL_SCANCODE_TAB, 0x0F, 0x09},
    {SDL_SCANCODE_Q, 0x10, 'Q'}, {SDL_SCANCODE_W, dk_w, 'W'}, {SDL_SCANCODE_E, 0x12, 'E'},
    {SDL_SCANCODE_R, 0x13, 'R'}, {SDL_SCANCODE_T, 0x14, 'T'}, {SDL_SCANCODE_Y, 0x15, 'Y'},
    {SDL_SCANCODE_U, 0x16, 'U'}, {SDL_SCANCODE_I, 0x17, 'I'}, {SDL_SCANCODE_O, 0x18, 'O'},
    {SDL_SCANCODE_P, 0x19, 'P'},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A, 0xDB}, {SDL_SCANCODE_RIGHTBRACKET, 0x1B, 0xDD},
    {SDL_SCANCODE_RETURN, 0x1C, vk_return}, {SDL_SCANCODE_LCTRL, 0x1D, vk_control},
    {SDL_SCANCODE_A, dk_a, 'A'}, {SDL_SCANCODE_S, dk_s, 'S'}, {SDL_SCANCODE_D, dk_d, 'D'},
    {SDL_SCANCODE_F, 0x21, 'F'}, {SDL_SCANCODE_G, 0x22, 'G'}, {SDL_SCANCODE_H, 0x23, 'H'},
    {SDL_SCANCODE_J, 0x24, 'J'}, {SDL_SCANCODE_K, 0x25, 'K'}, {SDL_SCANCODE_L, 0x26, 'L'},
    {SDL_SCANCODE_SEMICOLON, 0x27, 0xBA}, {SDL_SCANCODE_APOSTROPHE, 0x28, 0xDE},
    {SDL_SCANCODE_GRAVE, 0x29, 0xC0}, {SDL_SCANCODE_LSHIFT, 0x2A, vk_shift},
    {SDL_SCANCODE_BACKSLASH, 0x2B, 0xDC}, {SDL_SCANCODE_NONUSHASH, 0x2B, 0xDC},
    {SDL_SCANCODE_Z, 0x2C, 'Z'}, {SDL_SCANCODE_X, 0x2D, 'X'}, {SDL_SCANCODE_C, 0x2E, 'C'},
    {SDL_SCANCODE_V, 0x2F, 'V'}, {SDL_SCANCODE_B, 0x30, 'B'}, {SDL_SCANCODE_N, 0x31, 'N'},
    {SDL_SCANCODE_M, 0x32, 'M'},
    {SDL_SCANCODE_COMMA, 0x33, 0xBC}, {SDL_SCANCODE_PERIOD, 0x34, 0xBE}, {SDL_SCANCODE_SLASH, 0x35, 0xBF},
    {SDL_SCANCODE_RSHIFT, 0x36, vk_shift}, {SDL_SCANCODE_KP_MULTIPLY, 0x37, 0x6A},
    {SDL_SCANCODE_LALT, 0x38, vk_menu}, {SDL_SCANCODE_SPACE, 0x39, vk_space},
    {SDL_SCANCODE_CAPSLOCK, 0x3A, 0x14},
    {SDL_SCANCODE_F1, 0x3B, vk_f1}, {SDL_SCANCODE_F2, 0x3C, vk_f2}, {SDL_SCANCODE_F3, 0x3D, vk_f3},
    {SDL_SCANCODE_F4, 0x3E, vk_f4}, {SDL_SCANCODE_F5, 0x3F, vk_f5}, {SDL_SCANCODE_F6, 0x40, vk_f6},
    {SDL_SCANCODE_F7, 0x41, vk_f7}, {SDL_SCANCODE_F8, 0x42, vk_f8}, {SDL_SCANCODE_F9, 0x43, vk_f9},
    {SDL_SCANCODE_F10, 0x44, vk_f10},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45, 0x90}, {SDL_SCANCODE_SCROLLLOCK, 0x46, 0x91},
    {SDL_SCANCODE_KP_7, 0x47, 0x67}, {SDL_SCANCODE_KP_8, dk_numpad8, 0x68}, {SDL_SCANCODE_KP_9, 0x49, 0x69},
    {SDL_SCANCODE_KP_MINUS, 0x4A, 0x6D},
    {SDL_SCANCODE_KP_4, dk_numpad4, 0x64}, {SDL_SCANCODE_KP_5, 0x4C, 0x65}, {SDL_SCANCODE_KP_6, dk_numpad6, 0x66},
    {SDL_SCANCODE_KP_PLUS, 0x4E, 0x6B},
    {SDL_SCANCODE_KP_1, 0x4F, 0x61}, {SDL_SCANCODE_KP_2, dk_numpad2, 0x62}, {SDL_SCANCODE_KP_3, 0x51, 0x63},
    {SDL_SCANCODE_KP_0, 0x52, 0x60}, {SDL_SCANCODE_KP_PERIOD, 0x53, 0x6E},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56, 0xE2},
    {SDL_SCANCODE_F11, 0x57, vk_f11}, {SDL_SCANCODE_F12, 0x58, vk_f12},
    {SDL_SCANCODE_F13, 0x64, 0x7C}, {SDL_SCANCODE_F14, 0x65, 0x7D}, {SDL_SCANCODE_F15, 0x66, 0x7E},
    {SDL_SCANCODE_INTERNATIONAL2, 0x70, 0x15},   // カタカナ/ひらがな
    {SDL_SCANCODE_LANG3, 0x70, 0x15},            // カタカナ
    {SDL_SCANCODE_LANG4, 0x70, 0x15},            // ひらがな
    {SDL_SCANCODE_LANG1, 0x70, 0x15},            // かな (Apple keyboards)
    {SDL_SCANCODE_INTERNATIONAL1, 0x73, 0xE2},   // ろ
    {SDL_SCANCODE_INTERNATIONAL4, 0x79, 0x1C},   // 変換
    {SDL_SCANCODE_INTERNATIONAL5, 0x7B, 0x1D},   // 無変換
    {SDL_SCANCODE_LANG2, 0x7B, 0x1D},            // 英数 (Apple keyboards)
    {SDL_SCANCODE_INTERNATIONAL3, 0x7D, 0xDC},   // ¥
    {SDL_SCANCODE_KP_EQUALS, 0x8D, 0x92},
    {SDL_SCANCODE_AUDIOPREV, 0x90, 0xB1},
    {SDL_SCANCODE_LANG5, 0x94, 0x19},            // 半角/全角 (漢字)
    {SDL_SCANCODE_STOP, 0x95, 0},
    {SDL_SCANCODE_AUDIONEXT, 0x99, 0xB0},
    {SDL_SCANCODE_KP_ENTER, 0x9C, vk_return}, {SDL_SCANCODE_RCTRL, 0x9D, vk_control},
    {SDL_SCANCODE_MUTE, 0xA0, 0xAD}, {SDL_SCANCODE_AUDIOMUTE, 0xA0, 0xAD},
    {SDL_SCANCODE_CALCULATOR, 0xA1, 0xB7}, {SDL_SCANCODE_AUDIOPLAY, 0xA2, 0xB3},
    {SDL_SCANCODE_AUDIOSTOP, 0xA4, 0xB2},
    {SDL_SCANCODE_VOLUMEDOWN, 0xAE, 0xAE}, {SDL_SCANCODE_VOLUMEUP, 0xB0, 0xAF},
    {SDL_SCANCODE_AC_HOME, 0xB2, 0xAC},
    {SDL_SCANCODE_KP_COMMA, 0xB3, 0x6C}, {SDL_SCANCODE_INTERNATIONAL6, 0xB3, 0x6C},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5, 0x6F}, {SDL_SCANCODE_PRINTSCREEN, 0xB7, 0x2C},
    {SDL_SCANCODE_SYSREQ, 0xB7, 0x2C},
    {SDL_SCANCODE_RALT, 0xB8, vk_menu}, {SDL_SCANCODE_PAUSE, 0xC5, 0x13},
    {SDL_SCANCODE_HOME, 0xC7, 0x24}, {SDL_SCANCODE_UP, dk_up, vk_up}, {SDL_SCANCODE_PAGEUP, 0xC9, vk_prior},
    {SDL_SCANCODE_LEFT, dk_left, vk_left}, {SDL_SCANCODE_RIGHT, dk_right, vk_right}, {SDL_SCANCODE_END, 0xCF, 0x23},
    {SDL_SCANCODE_DOWN, dk_down, vk_down}, {SDL_SCANCODE_PAGEDOWN, 0xD1, vk_next},
    {SDL_SCANCODE_INSERT, 0xD2, 0x2D}, {SDL_SCANCODE_DELETE, 0xD3, 0x2E},
    {SDL_SCANCODE_LGUI, 0xDB, 0x5B}, {SDL_SCANCODE_RGUI, 0xDC, 0x5C},
    {SDL_SCANCODE_APPLICATION, 0xDD, 0x5D}, {SDL_SCANCODE_POWER, 0xDE, 0},
    {SDL_SCANCODE_SLEEP, 0xDF, 0x5F},
    {SDL_SCANCODE_AC_SEARCH, 0xE5, 0xAA}, {SDL_SCANCODE_AC_BOOKMARKS, 0xE6, 0xAB},
    {SDL_SCANCODE_AC_REFRESH, 0xE7, 0xA8}, {SDL_SCANCODE_AC_STOP, 0xE8, 0xA9},
    {SDL_SCANCODE_AC_FORWARD, 0xE9, 0xA7}, {SDL_SCANCODE_AC_BACK, 0xEA, 0xA6},
    {SDL_SCANCODE_COMPUTER, 0xEB, 0xB6}, {SDL_SCANCODE_MAIL, 0xEC, 0xB4},
    {SDL_SCANCODE_MEDIASELECT, 0xED, 0xB5},
};

struct tables {
    std::array<uint8_t, SDL_NUM_SCANCODES> device_key{};
    std::array<uint8_t, SDL_NUM_SCANCODES> vk{};
    tables() {
        for (const key_row& r : kRows) {
            device_key[size_t(r.sc)] = r.device_key;
            vk[size_t(r.sc)] = r.vk;
        }
    }
};

const tables& get_tables() {
    static const tables t;
    return t;
}

} // namespace

uint8_t device_key_from_scancode(SDL_Scancode sc) {
    if (int(sc) < 0 || int(sc) >= SDL_NUM_SCANCODES) return 0;
    return get_tables().device_key[size_t(sc)];
}

uint8_t virtual_key_from_scancode(SDL_Scancode sc, SDL_Keycode layout_key) {
    if (int(sc) < 0 || int(sc) >= SDL_NUM_SCANCODES) return 0;
    // Letter and digit keys send the character the layout puts on them.
    if (layout_key >= SDLK_a && layout_key <= SDLK_z) return uint8_t('A' + (layout_key - SDLK_a));
    if (layout_key >= SDLK_0 && layout_key <= SDLK_9 && sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_0)
        return uint8_t('0' + (layout_key - SDLK_0));
    return get_tables().vk[size_t(sc)];
}

uint32_t key_message_data(uint8_t device_key, bool down, bool was_down, bool alt_held) {
    uint32_t data = 1;
    data |= uint32_t(device_key & 0x7F) << 16;
    if (device_key & 0x80) data |= 1u << 24;
    if (alt_held) data |= 1u << 29;
    if (!down || was_down) data |= 1u << 30;
    if (!down) data |= 1u << 31;
    return data;
}

} // namespace pwin
