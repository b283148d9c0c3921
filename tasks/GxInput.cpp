#include "tasks/GxInput.h"

#include "base/GxAssert.h"
#include "base/GxLog.h"
#include "platform/input/input_devices.h"
#include "platform/window/keys.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct KeyName {
    const GxChar* m_Name;
    int m_Code;
    const GxChar* m_Display;
};

// Every KC_ name with its code and the name shown for it.
constexpr KeyName kKeyNames[] = {
    {u"KC_NONE", 0, u"無し"},
    {u"KC_KEYB_ESCAPE", 1, u"ESC"},
    {u"KC_KEYB_1", 2, u"1"},
    {u"KC_KEYB_2", 3, u"2"},
    {u"KC_KEYB_3", 4, u"3"},
    {u"KC_KEYB_4", 5, u"4"},
    {u"KC_KEYB_5", 6, u"5"},
    {u"KC_KEYB_6", 7, u"6"},
    {u"KC_KEYB_7", 8, u"7"},
    {u"KC_KEYB_8", 9, u"8"},
    {u"KC_KEYB_9", 10, u"9"},
    {u"KC_KEYB_0", 11, u"0"},
    {u"KC_KEYB_MINUS", 12, u"-"},
    {u"KC_KEYB_EQUALS", 13, u"="},
    {u"KC_KEYB_BACK", 14, u"BACKSPACE"},
    {u"KC_KEYB_TAB", 15, u"TAB"},
    {u"KC_KEYB_Q", 16, u"Q"},
    {u"KC_KEYB_W", 17, u"W"},
    {u"KC_KEYB_E", 18, u"E"},
    {u"KC_KEYB_R", 19, u"R"},
    {u"KC_KEYB_T", 20, u"T"},
    {u"KC_KEYB_Y", 21, u"Y"},
    {u"KC_KEYB_U", 22, u"U"},
    {u"KC_KEYB_I", 23, u"I"},
    {u"KC_KEYB_O", 24, u"O"},
    {u"KC_KEYB_P", 25, u"P"},
    {u"KC_KEYB_LBRACKET", 26, u"["},
    {u"KC_KEYB_RBRACKET", 27, u"]"},
    {u"KC_KEYB_RETURN", 28, u"ENTER"},
    {u"KC_KEYB_LCONTROL", 29, u"左CTRL"},
    {u"KC_KEYB_A", 30, u"A"},
    {u"KC_KEYB_S", 31, u"S"},
    {u"KC_KEYB_D", 32, u"D"},
    {u"KC_KEYB_F", 33, u"F"},
    {u"KC_KEYB_G", 34, u"G"},
    {u"KC_KEYB_H", 35, u"H"},
    {u"KC_KEYB_J", 36, u"J"},
    {u"KC_KEYB_K", 37, u"K"},
    {u"KC_KEYB_L", 38, u"L"},
    {u"KC_KEYB_SEMICOLON", 39, u";"},
    {u"KC_KEYB_APOSTROPHE", 40, u"'"},
    {u"KC_KEYB_GRAVE", 41, u"`"},
    {u"KC_KEYB_LSHIFT", 42, u"左SHIFT"},
    {u"KC_KEYB_BACKSLASH", 43, u"\\"},
    {u"KC_KEYB_Z", 44, u"Z"},
    {u"KC_KEYB_X", 45, u"X"},
    {u"KC_KEYB_C", 46, u"C"},
    {u"KC_KEYB_V", 47, u"V"},
    {u"KC_KEYB_B", 48, u"B"},
    {u"KC_KEYB_N", 49, u"N"},
    {u"KC_KEYB_M", 50, u"M"},
    {u"KC_KEYB_COMMA", 51, u","},
    {u"KC_KEYB_PERIOD", 52, u"."},
    {u"KC_KEYB_SLASH", 53, u"/"},
    {u"KC_KEYB_RSHIFT", 54, u"右SHIFT"},
    {u"KC_KEYB_MULTIPLY", 55, u"NUM*"},
    {u"KC_KEYB_LMENU", 56, u"左ALT"},
    {u"KC_KEYB_SPACE", 57, u"SPACE"},
    {u"KC_KEYB_CAPITAL", 58, u"CAPS"},
    {u"KC_KEYB_F1", 59, u"F1"},
    {u"KC_KEYB_F2", 60, u"F2"},
    {u"KC_KEYB_F3", 61, u"F3"},
    {u"KC_KEYB_F4", 62, u"F4"},
    {u"KC_KEYB_F5", 63, u"F5"},
    {u"KC_KEYB_F6", 64, u"F6"},
    {u"KC_KEYB_F7", 65, u"F7"},
    {u"KC_KEYB_F8", 66, u"F8"},
    {u"KC_KEYB_F9", 67, u"F9"},
    {u"KC_KEYB_F10", 68, u"F10"},
    {u"KC_KEYB_NUMLOCK", 69, u"NUMLOCK"},
    {u"KC_KEYB_SCROLL", 70, u"SCRLOCK"},
    {u"KC_KEYB_NUMPAD7", 71, u"NUM7"},
    {u"KC_KEYB_NUMPAD8", 72, u"NUM8"},
    {u"KC_KEYB_NUMPAD9", 73, u"NUM9"},
    {u"KC_KEYB_SUBTRACT", 74, u"NUM-"},
    {u"KC_KEYB_NUMPAD4", 75, u"NUM4"},
    {u"KC_KEYB_NUMPAD5", 76, u"NUM5"},
    {u"KC_KEYB_NUMPAD6", 77, u"NUM6"},
    {u"KC_KEYB_ADD", 78, u"NUM+"},
    {u"KC_KEYB_NUMPAD1", 79, u"NUM1"},
    {u"KC_KEYB_NUMPAD2", 80, u"NUM2"},
    {u"KC_KEYB_NUMPAD3", 81, u"NUM3"},
    {u"KC_KEYB_NUMPAD0", 82, u"NUM0"},
    {u"KC_KEYB_DECIMAL", 83, u"NUM."},
    {u"KC_KEYB_OEM_102", 86, u"OEM_102"},
    {u"KC_KEYB_F11", 87, u"F11"},
    {u"KC_KEYB_F12", 88, u"F12"},
    {u"KC_KEYB_F13", 100, u"F13"},
    {u"KC_KEYB_F14", 101, u"F14"},
    {u"KC_KEYB_F15", 102, u"F15"},
    {u"KC_KEYB_KANA", 112, u"カナ"},
    {u"KC_KEYB_ABNT_C1", 115, u"ABNT_C1"},
    {u"KC_KEYB_CONVERT", 121, u"変換"},
    {u"KC_KEYB_NOCONVERT", 123, u"無変換"},
    {u"KC_KEYB_YEN", 125, u"¥"},
    {u"KC_KEYB_ABNT_C2", 126, u"ABNT_C2"},
    {u"KC_KEYB_NUMPADEQUALS", 141, u"NUM="},
    {u"KC_KEYB_PREVTRACK", 144, u"^"},
    {u"KC_KEYB_AT", 145, u"@"},
    {u"KC_KEYB_COLON", 146, u":"},
    {u"KC_KEYB_UNDERLINE", 147, u"_"},
    {u"KC_KEYB_KANJI", 148, u"漢字"},
    {u"KC_KEYB_STOP", 149, u"STOP"},
    {u"KC_KEYB_AX", 150, u"AX"},
    {u"KC_KEYB_UNLABELED", 151, u"UNLABELED"},
    {u"KC_KEYB_NEXTTRACK", 153, u"NEXT"},
    {u"KC_KEYB_NUMPADENTER", 156, u"NUMENTER"},
    {u"KC_KEYB_RCONTROL", 157, u"右CTRL"},
    {u"KC_KEYB_MUTE", 160, u"MUTE"},
    {u"KC_KEYB_CALCULATOR", 161, u"CALCULATOR"},
    {u"KC_KEYB_PLAYPAUSE", 162, u"PLAYPAUSE"},
    {u"KC_KEYB_MEDIASTOP", 164, u"MEDIASTOP"},
    {u"KC_KEYB_VOLUMEDOWN", 174, u"VOLUMEDOWN"},
    {u"KC_KEYB_VOLUMEUP", 176, u"VOLUMEUP"},
    {u"KC_KEYB_WEBHOME", 178, u"WEBHOME"},
    {u"KC_KEYB_NUMPADCOMMA", 179, u"NUM,"},
    {u"KC_KEYB_DIVIDE", 181, u"NUM/"},
    {u"KC_KEYB_SYSRQ", 183, u"PRINTSCREEN"},
    {u"KC_KEYB_RMENU", 184, u"右ALT"},
    {u"KC_KEYB_PAUSE", 197, u"PAUSE"},
    {u"KC_KEYB_HOME", 199, u"HOME"},
    {u"KC_KEYB_UP", 200, u"↑"},
    {u"KC_KEYB_PRIOR", 201, u"PAGEUP"},
    {u"KC_KEYB_LEFT", 203, u"←"},
    {u"KC_KEYB_RIGHT", 205, u"→"},
    {u"KC_KEYB_END", 207, u"END"},
    {u"KC_KEYB_DOWN", 208, u"↓"},
    {u"KC_KEYB_NEXT", 209, u"PAGEDOWN"},
    {u"KC_KEYB_INSERT", 210, u"INSERT"},
    {u"KC_KEYB_DELETE", 211, u"DELETE"},
    {u"KC_KEYB_LWIN", 219, u"左WIN"},
    {u"KC_KEYB_RWIN", 220, u"右WIN"},
    {u"KC_KEYB_APPS", 221, u"APPMENU"},
    {u"KC_KEYB_POWER", 222, u"POWER"},
    {u"KC_KEYB_SLEEP", 223, u"SLEEP"},
    {u"KC_KEYB_WAKE", 227, u"WAKE"},
    {u"KC_KEYB_WEBSEARCH", 229, u"WEBSEARCH"},
    {u"KC_KEYB_WEBFAVORITES", 230, u"WEBFAVORITES"},
    {u"KC_KEYB_WEBREFRESH", 231, u"WEBREFRESH"},
    {u"KC_KEYB_WEBSTOP", 232, u"WEBSTOP"},
    {u"KC_KEYB_WEBFORWARD", 233, u"WEBFORWARD"},
    {u"KC_KEYB_WEBBACK", 234, u"WEBBACK"},
    {u"KC_KEYB_MYCOMPUTER", 235, u"MYCOMPUTER"},
    {u"KC_KEYB_MAIL", 236, u"MAIL"},
    {u"KC_KEYB_MEDIASELECT", 237, u"MEDIASELECT"},
    {u"KC_MOUSE_LEFT", 257, u"左ボタン"},
    {u"KC_MOUSE_RIGHT", 258, u"右ボタン"},
    {u"KC_MOUSE_MIDDLE", 259, u"中ボタン"},
    {u"KC_MOUSE_BTN4", 260, u"ボタン4"},
    {u"KC_MOUSE_BTN5", 261, u"ボタン5"},
    {u"KC_MOUSE_BTN6", 262, u"ボタン6"},
    {u"KC_MOUSE_BTN7", 263, u"ボタン7"},
    {u"KC_MOUSE_BTN8", 264, u"ボタン8"},
    {u"KC_MOUSE_WHEEL_UP", 289, u"ホイール↑"},
    {u"KC_MOUSE_WHEEL_DOWN", 290, u"ホイール↓"},
    {u"KC_PAD_BTN01", 513, u"ボタン1"},
    {u"KC_PAD_BTN02", 514, u"ボタン2"},
    {u"KC_PAD_BTN03", 515, u"ボタン3"},
    {u"KC_PAD_BTN04", 516, u"ボタン4"},
    {u"KC_PAD_BTN05", 517, u"ボタン5"},
    {u"KC_PAD_BTN06", 518, u"ボタン6"},
    {u"KC_PAD_BTN07", 519, u"ボタン7"},
    {u"KC_PAD_BTN08", 520, u"ボタン8"},
    {u"KC_PAD_BTN09", 521, u"ボタン9"},
    {u"KC_PAD_BTN10", 522, u"ボタン10"},
    {u"KC_PAD_BTN11", 523, u"ボタン11"},
    {u"KC_PAD_BTN12", 524, u"ボタン12"},
    {u"KC_PAD_BTN13", 525, u"ボタン13"},
    {u"KC_PAD_BTN14", 526, u"ボタン14"},
    {u"KC_PAD_BTN15", 527, u"ボタン15"},
    {u"KC_PAD_BTN16", 528, u"ボタン16"},
    {u"KC_PAD_DIR1_UP", 545, u"方向[1]↑"},
    {u"KC_PAD_DIR1_DOWN", 546, u"方向[1]↓"},
    {u"KC_PAD_DIR1_LEFT", 547, u"方向[1]←"},
    {u"KC_PAD_DIR1_RIGHT", 548, u"方向[1]→"},
    {u"KC_PAD_DIR2_UP", 561, u"方向[2]↑"},
    {u"KC_PAD_DIR2_DOWN", 562, u"方向[2]↓"},
    {u"KC_PAD_DIR2_LEFT", 563, u"方向[2]←"},
    {u"KC_PAD_DIR2_RIGHT", 564, u"方向[2]→"},
    {u"KC_PAD_POV1_UP", 577, u"方向[3]↑"},
    {u"KC_PAD_POV1_DOWN", 578, u"方向[3]↓"},
    {u"KC_PAD_POV1_LEFT", 579, u"方向[3]←"},
    {u"KC_PAD_POV1_RIGHT", 580, u"方向[3]→"},
    {u"KC_PAD_POV2_UP", 593, u"方向[4]↑"},
    {u"KC_PAD_POV2_DOWN", 594, u"方向[4]↓"},
    {u"KC_PAD_POV2_LEFT", 595, u"方向[4]←"},
    {u"KC_PAD_POV2_RIGHT", 596, u"方向[4]→"},
};

// Device keys that move the keyboard's three sticks: up, down, left, right.
constexpr u8 kKeyboardStickKeys[3][4] = {
    {pwin::dk_up, pwin::dk_down, pwin::dk_left, pwin::dk_right},
    {pwin::dk_numpad8, pwin::dk_numpad2, pwin::dk_numpad4, pwin::dk_numpad6},
    {pwin::dk_w, pwin::dk_s, pwin::dk_a, pwin::dk_d},
};
constexpr f32 kDigitalStick = 600.0f;
// A device that fails to read is re-acquired at most this often per step.
constexpr int kReacquireAttempts = 3;

struct VirtualStick {
    int m_Slot = -1;
    int m_Stick = -1;
};

struct InputGlobals {
    bool m_Started = false;
    bool m_Active = true;
    bool m_Present[4] = {};
    int m_JoystickCount = 0;
    GxInputState m_States[kGxInputSlotCount];
    s32 m_KeyMap[kGxKeyCodeCount][kGxKeyMapColumns] = {};
    VirtualStick m_Assign[kGxVirtualStickCount];
};

InputGlobals& G() {
    static InputGlobals g;
    return g;
}

pinput::device DeviceOf(int slot) { return static_cast<pinput::device>(slot); }

// A read that failed: the device is acquired again (a bounded number of
// times, and only while the window is active) and reads as all up this step.
void Reacquire(int slot) {
    if (!G().m_Active) return;
    for (int i = 0; i < kReacquireAttempts; ++i)
        if (pinput::acquire(DeviceOf(slot))) return;
}

void ReadKeyboard(GxInputState& s) {
    u8 keys[256];
    if (pinput::read_keyboard(keys) != pinput::read_status::ok) {
        Reacquire(0);
        return;
    }
    for (int k = 1; k <= 237; ++k)
        if (keys[k] & 0x80) s.m_Down.Set(k);
    for (int stick = 0; stick < 3; ++stick) {
        const u8* key = kKeyboardStickKeys[stick];
        GxVector4& v = s.m_Sticks[stick];
        bool any = false;
        if (keys[key[0]] & 0x80) v.y -= kDigitalStick, any = true;
        if (keys[key[1]] & 0x80) v.y += kDigitalStick, any = true;
        if (keys[key[2]] & 0x80) v.x -= kDigitalStick, any = true;
        if (keys[key[3]] & 0x80) v.x += kDigitalStick, any = true;
        if (any) s.m_StickActive[stick] = true;
    }
}

void ReadMouse(GxInputState& s) {
    pinput::mouse_state m;
    if (pinput::read_mouse(m) != pinput::read_status::ok) {
        Reacquire(1);
        return;
    }
    for (int b = 0; b < 8; ++b)
        if (m.buttons[b] & 0x80) s.m_Down.Set(b + 1);
    s.m_Sticks[0].x = f32(m.x);
    s.m_Sticks[0].y = f32(m.y);
    if (m.x != 0 || m.y != 0) s.m_StickActive[0] = true;
    s.m_Sticks[1].y = f32(m.z);
    if (m.z > 1) s.m_Down.Set(33);
    if (m.z < -1) s.m_Down.Set(34);
    if (m.z > 1 || m.z < -1) s.m_StickActive[1] = true;
}

// The direction of an angle in whole degrees, clockwise from up.
struct Sector {
    bool up, down, left, right;
};

bool SectorOf(int angle, Sector& d) {
    d = Sector{};
    if ((angle >= 0 && angle <= 22) || (angle >= 337 && angle <= 365)) d.up = true;
    else if (angle >= 23 && angle <= 67) d.up = d.right = true;
    else if (angle >= 68 && angle <= 112) d.right = true;
    else if (angle >= 113 && angle <= 157) d.down = d.right = true;
    else if (angle >= 158 && angle <= 202) d.down = true;
    else if (angle >= 203 && angle <= 247) d.down = d.left = true;
    else if (angle >= 248 && angle <= 292) d.left = true;
    else if (angle >= 293 && angle <= 336) d.up = d.left = true;
    else return false;
    return true;
}

void SetDirectionBits(GxInputState& s, int firstBit, const Sector& d) {
    if (d.up) s.m_Down.Set(firstBit);
    if (d.down) s.m_Down.Set(firstBit + 1);
    if (d.left) s.m_Down.Set(firstBit + 2);
    if (d.right) s.m_Down.Set(firstBit + 3);
}

void ReadJoystick(int slot, GxInputState& s) {
    pinput::joystick_state j;
    if (pinput::read_joystick(slot - 2, j) != pinput::read_status::ok) {
        Reacquire(slot);
        return;
    }
    for (int b = 0; b < 16; ++b)
        if (j.buttons[b] & 0x80) s.m_Down.Set(b + 1);
    s.m_Sticks[0].x = f32(j.x);
    s.m_Sticks[0].y = f32(j.y);
    s.m_Sticks[1].x = f32(j.z);
    s.m_Sticks[1].y = f32(j.rz);
    for (int k = 0; k < 2; ++k) {
        const f32 x = s.m_Sticks[k].x, y = s.m_Sticks[k].y;
        if (std::sqrt(x * x + y * y) <= kDigitalStick) continue;
        const int angle = int(180.0f - std::atan2(x, y) * 57.2957763671875f);
        Sector d;
        if (!SectorOf(angle, d)) continue;
        SetDirectionBits(s, k == 0 ? 33 : 49, d);
        s.m_StickActive[k] = true;
    }
    for (int h = 0; h < 2; ++h) {
        if ((j.pov[h] & 0xFFFF) == 0xFFFF) continue;
        Sector d;
        if (!SectorOf(int(j.pov[h] / 100), d)) continue;
        GxVector4& v = s.m_Sticks[2 + h];
        v.x = d.left ? -kDigitalStick : d.right ? kDigitalStick : 0.0f;
        v.y = d.up ? -kDigitalStick : d.down ? kDigitalStick : 0.0f;
    }
    for (int h = 0; h < 2; ++h) {
        const GxVector4& v = s.m_Sticks[2 + h];
        Sector d{v.y < -1.0f, v.y > 1.0f, v.x < -1.0f, v.x > 1.0f};
        if (!(d.up || d.down || d.left || d.right)) continue;
        SetDirectionBits(s, h == 0 ? 65 : 81, d);
        s.m_StickActive[2 + h] = true;
    }
}

void LogJoystick(int slot) {
    pinput::joystick_caps caps;
    if (!G().m_Present[slot] || !pinput::get_joystick_caps(slot - 2, caps)) {
        GxWriteDeviceLog(u"\t・PAD%d スキップ\n", slot - 1);
        return;
    }
    GxWriteDeviceLog(u"\t・PAD%d 初期化成功\n", slot - 1);
    GxWriteDeviceLog(u"\t\t・タイプ:0x%08X\n", caps.device_type);
    GxWriteDeviceLog(u"\t\t・フラグ:0x%08X\n", caps.flags);
    GxWriteDeviceLog(u"\t\t・軸の数:%u\n", caps.axes);
    GxWriteDeviceLog(u"\t\t・ボタンの数:%u\n", caps.buttons);
    GxWriteDeviceLog(u"\t\t・ハットスイッチの数:%u\n", caps.povs);
}

} // namespace

bool GxInitInput() {
    InputGlobals& g = G();
    for (GxInputState& s : g.m_States) {
        s.Clear();
        s.m_StickLayout = 0;
    }
    for (bool& p : g.m_Present) p = false;
    g.m_JoystickCount = 0;
    g.m_Active = true;
    GxClearKeyMapTable();
    GxClearAnalogAssign();

    if (!pinput::start()) {
        GxWriteDeviceLog(u"DirectInput8の初期化に失敗しました\n");
        g.m_Started = false;
        return false;
    }
    g.m_Started = true;
    GxWriteDeviceLog(u"DirectInput8の初期化を開始します\n");
    g.m_Present[0] = pinput::present(pinput::device::keyboard);
    if (!g.m_Present[0]) GxWriteDeviceLog(u"\t・KEYBOARD スキップ\n");
    g.m_Present[1] = pinput::present(pinput::device::mouse);
    if (!g.m_Present[1]) GxWriteDeviceLog(u"\t・MOUSE スキップ\n");
    g.m_JoystickCount = pinput::open_joysticks();
    for (int slot = 2; slot < 4; ++slot) g.m_Present[slot] = pinput::present(DeviceOf(slot));

    if (g.m_Present[0]) {
        pinput::acquire(pinput::device::keyboard);
        GxWriteDeviceLog(u"\t・KEYBOARD 初期化成功\n");
    }
    if (g.m_Present[1]) {
        pinput::acquire(pinput::device::mouse);
        GxWriteDeviceLog(u"\t・MOUSE 初期化成功\n");
    }
    for (int slot = 2; slot < 4; ++slot) {
        if (g.m_Present[slot]) pinput::acquire(DeviceOf(slot));
        LogJoystick(slot);
    }
    GxWriteDeviceLog(u"DirectInput8の初期化完了\n");
    return true;
}

void GxReleaseInput() {
    InputGlobals& g = G();
    // Released devices read as all up, whatever they held when they went.
    for (GxInputState& s : g.m_States) s.Clear();
    if (!g.m_Started) return;
    for (int slot = 0; slot < 4; ++slot) {
        if (g.m_Present[slot]) pinput::unacquire(DeviceOf(slot));
        g.m_Present[slot] = false;
    }
    pinput::stop();
    g.m_Started = false;
    g.m_JoystickCount = 0;
}

void GxResetInput() {
    GX_ASSERT(!G().m_Started);
    G() = InputGlobals();
    pinput::clear_state();
}

void GxAcquireInput(bool acquire) {
    InputGlobals& g = G();
    g.m_Active = acquire;
    if (!g.m_Started) return;
    for (int slot = 0; slot < 4; ++slot) {
        if (!g.m_Present[slot]) continue;
        if (acquire)
            pinput::acquire(DeviceOf(slot));
        else
            pinput::unacquire(DeviceOf(slot));
    }
}

void GxUpdateInput() {
    InputGlobals& g = G();
    for (int slot = 0; slot < 4; ++slot) {
        if (!g.m_Present[slot]) continue;
        GxInputState& s = g.m_States[slot];
        s.ClearCurrent();
        if (slot == 0) ReadKeyboard(s);
        else if (slot == 1) ReadMouse(s);
        else ReadJoystick(slot, s);
        s.UpdateEdges();
    }

    GxInputState& combined = g.m_States[kGxKeyMapSlot];
    combined.m_Down.Reset();
    for (int column = 1; column < kGxKeyMapColumns; ++column)
        for (int code = 0; code < kGxKeyCodeCount; ++code) {
            const s32 action = g.m_KeyMap[code][column];
            if (action != 0 && g.m_States[code / 256].IsDown(code % 256)) combined.m_Down.Set(int(u32(action) & 0xFF));
        }
    for (int k = 0; k < kGxVirtualStickCount; ++k) {
        combined.m_Sticks[k] = GxVector4();
        combined.m_StickActive[k] = false;
    }
    for (int k = 0; k < kGxVirtualStickCount; ++k) {
        const VirtualStick& a = g.m_Assign[k];
        if (a.m_Slot == -1 || a.m_Stick == -1) continue;
        combined.m_Sticks[k] = g.m_States[a.m_Slot].m_Sticks[a.m_Stick];
        combined.m_StickActive[k] = g.m_States[a.m_Slot].m_StickActive[a.m_Stick];
    }
    combined.UpdateEdges();
}

GxInputState* GxGetInputState(int slot) {
    return (slot >= 0 && slot < kGxInputSlotCount) ? &G().m_States[slot] : nullptr;
}

GxInputState* GxGetKeyMapInputState() { return &G().m_States[kGxKeyMapSlot]; }

bool GxIsAnyInput() {
    const GxInputState& s = G().m_States[kGxKeyMapSlot];
    return s.m_Down.Any() || s.m_Pressed.Any() || s.m_Released.Any() || s.m_PressedOrRepeated.Any();
}

int GxGetKeyCodeFromName(const GxString& name) {
    for (const KeyName& k : kKeyNames)
        if (name == k.m_Name) return k.m_Code;
    return 0;
}

const GxString& GxGetKeyCodeDisplayName(int keyCode) {
    static const std::vector<GxString> names = [] {
        std::vector<GxString> v(kGxKeyCodeCount);
        for (const KeyName& k : kKeyNames) v[size_t(k.m_Code)] = k.m_Display;
        return v;
    }();
    static const GxString empty;
    return (keyCode < 0 || keyCode >= kGxKeyCodeCount) ? empty : names[size_t(keyCode)];
}

void GxClearKeyMapTable() { std::memset(G().m_KeyMap, 0, sizeof G().m_KeyMap); }

void GxSetKeyMap(int keyCode, int actionId, int column) {
    if (keyCode < 0 || keyCode >= kGxKeyCodeCount || column < 0 || column >= kGxKeyMapColumns) {
        GxWriteErrorLog(u"GxSetKeyMap/範囲外のキーマップを無視しました(KeyCode=%d,Column=%d,Action=%d)\n", keyCode, column,
                        actionId);
        return;
    }
    G().m_KeyMap[keyCode][column] = actionId;
}

s32 GxGetKeyMap(int keyCode, int column) {
    if (keyCode < 0 || keyCode >= kGxKeyCodeCount || column < 0 || column >= kGxKeyMapColumns) return 0;
    return G().m_KeyMap[keyCode][column];
}

void GxClearAnalogAssign() {
    for (VirtualStick& a : G().m_Assign) a = VirtualStick{};
}

void GxSetAnalogAssign(int index, int deviceSlot, int stickIndex) {
    const bool slotOk = deviceSlot == -1 || (deviceSlot >= 0 && deviceSlot < 4);
    const bool stickOk = stickIndex == -1 || (stickIndex >= 0 && stickIndex < GxInputState::kStickCount);
    if (index < 0 || index >= kGxVirtualStickCount || !slotOk || !stickOk) {
        GxWriteErrorLog(u"GxSetAnalogAssign/範囲外のアナログ割り当てを無視しました(Index=%d,Device=%d,Stick=%d)\n", index,
                        deviceSlot, stickIndex);
        return;
    }
    G().m_Assign[index].m_Slot = deviceSlot;
    G().m_Assign[index].m_Stick = stickIndex;
}
