#include "platform/window/debug_window.h"
#include "platform/window/event_inject.h"
#include "platform/window/event_pump.h"
#include "platform/window/key_codes.h"
#include "platform/window/message_box.h"
#include "platform/window/window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A window's client width and height.
std::vector<int> ClientSize(const pwin::window& win) {
    int w = 0, h = 0;
    win.client_size(w, h);
    return {w, h};
}

TEST(Placement, WindowsAreCentredClampedAndNeverNegative) {
    struct Case {
        int cw, ch, sw, sh, fw, fh;
        bool windowed;
        pwin::placement want;
    } cases[] = {
        {1024, 768, 1920, 1080, 8, 30, true, {444, 141, 1024, 768}},
        {1024, 768, 1024, 768, 8, 30, true, {0, 0, 1016, 738}},  // frame and all kept on the screen
        {1024, 768, 800, 600, 0, 0, true, {0, 0, 800, 600}},
        {1024, 768, 800, 600, 0, 0, false, {0, 0, 1024, 768}},   // full screen keeps its size
        {1024, 768, 1025, 769, 0, 0, false, {0, 0, 1024, 768}},
        {1024, 768, 1027, 771, 0, 0, false, {1, 1, 1024, 768}},
    };
    for (const Case& c : cases) {
        const pwin::placement p = pwin::place_window(c.cw, c.ch, c.sw, c.sh, c.fw, c.fh, c.windowed);
        EXPECT_EQ(std::vector<int>({p.x, p.y, p.client_width, p.client_height}),
                  std::vector<int>({c.want.x, c.want.y, c.want.client_width, c.want.client_height}))
            << c.cw << "x" << c.ch << " on " << c.sw << "x" << c.sh << (c.windowed ? " windowed" : " full screen");
    }
}

TEST(KeyCodes, ScancodesMapToDeviceKeysAndVirtualKeys) {
    struct Case {
        SDL_Scancode sc;
        SDL_Keycode sym;
        uint8_t device_key, vk;
    } cases[] = {
        {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0x01, 0x1B},
        {SDL_SCANCODE_A, SDLK_a, 0x1E, 'A'},
        {SDL_SCANCODE_Q, SDLK_a, 0x10, 'A'},  // an AZERTY layout: the key types 'a'
        {SDL_SCANCODE_0, SDLK_0, 0x0B, '0'},
        {SDL_SCANCODE_RETURN, SDLK_RETURN, 0x1C, 0x0D},
        {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 0x9C, 0x0D},
        {SDL_SCANCODE_LCTRL, SDLK_LCTRL, 0x1D, 0x11},
        {SDL_SCANCODE_RCTRL, SDLK_RCTRL, 0x9D, 0x11},
        {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, 0x36, 0x10},
        {SDL_SCANCODE_UP, SDLK_UP, 0xC8, 0x26},
        {SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, 0xD1, 0x22},
        {SDL_SCANCODE_F5, SDLK_F5, 0x3F, 0x74},
        {SDL_SCANCODE_F13, SDLK_F13, 0x64, 0x7C},
        {SDL_SCANCODE_KP_8, SDLK_KP_8, 0x48, 0x68},
        {SDL_SCANCODE_KP_DIVIDE, SDLK_KP_DIVIDE, 0xB5, 0x6F},
        {SDL_SCANCODE_INTERNATIONAL1, SDLK_UNKNOWN, 0x73, 0xE2},  // ろ
        {SDL_SCANCODE_INTERNATIONAL2, SDLK_UNKNOWN, 0x70, 0x15},  // カタカナ/ひらがな
        {SDL_SCANCODE_INTERNATIONAL3, SDLK_UNKNOWN, 0x7D, 0xDC},  // ¥
        {SDL_SCANCODE_INTERNATIONAL4, SDLK_UNKNOWN, 0x79, 0x1C},  // 変換
        {SDL_SCANCODE_INTERNATIONAL5, SDLK_UNKNOWN, 0x7B, 0x1D},  // 無変換
        {SDL_SCANCODE_LANG5, SDLK_UNKNOWN, 0x94, 0x19},           // 半角/全角
        {SDL_SCANCODE_AUDIONEXT, SDLK_AUDIONEXT, 0x99, 0xB0},
        {SDL_SCANCODE_MEDIASELECT, SDLK_MEDIASELECT, 0xED, 0xB5},
        {SDL_SCANCODE_F20, SDLK_F20, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pwin::device_key_from_scancode(c.sc), c.device_key) << SDL_GetScancodeName(c.sc);
        EXPECT_EQ(pwin::virtual_key_from_scancode(c.sc, c.sym), c.vk) << SDL_GetScancodeName(c.sc);
    }
    EXPECT_EQ(pwin::device_key_from_scancode(SDL_Scancode(-1)), 0);
}

TEST(KeyCodes, KeyMessageData) {
    EXPECT_EQ(pwin::key_message_data(0x1E, true, false, false), 0x001E0001u);
    EXPECT_EQ(pwin::key_message_data(0x1E, true, true, false), 0x401E0001u);
    EXPECT_EQ(pwin::key_message_data(0x1E, false, true, false), 0xC01E0001u);
    EXPECT_EQ(pwin::key_message_data(0xC8, true, false, false), 0x01480001u) << "extended keys";
    EXPECT_EQ(pwin::key_message_data(0x57, true, false, true), 0x20570001u) << "Alt held";
}

// The events SDL would queue for a window.
void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
void PushWindow(uint32_t window, Uint8 what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = window;
    e.window.event = what;
    Push(e);
}
void PushKey(uint32_t window, bool down, SDL_Scancode sc, SDL_Keycode sym, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = window;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = sym;
    e.key.repeat = repeat;
    Push(e);
}
void PushButton(uint32_t window, bool down, Uint8 button, Uint8 clicks, int x = 0, int y = 0) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = window;
    e.button.button = button;
    e.button.clicks = clicks;
    e.button.x = x;
    e.button.y = y;
    Push(e);
}
// The events the pump has, and their kinds.
std::vector<pwin::window_event> Drain() {
    std::vector<pwin::window_event> out;
    pwin::window_event e;
    while (pwin::next_event(e)) out.push_back(e);
    return out;
}
using K = pwin::event_kind;
std::vector<K> Kinds(const std::vector<pwin::window_event>& events) {
    std::vector<K> out;
    for (const pwin::window_event& e : events) out.push_back(e.kind);
    return out;
}

// A headless main window.
struct Pump : testing::Test {
    pwin::window win;
    void SetUp() override {
        pwin::window_config config;
        config.title = "テスト";
        config.width = 640;
        config.height = 480;
        ASSERT_TRUE(win.create(config)) << pwin::window::error();
        pwin::discard_events();
    }
    void TearDown() override {
        pwin::discard_events();
        win.destroy();
    }
};

TEST_F(Pump, TheWindowRunsHeadless) {
    EXPECT_EQ(ClientSize(win), (std::vector<int>{640, 480}));
    EXPECT_EQ(win.title(), "テスト");
    EXPECT_NE(win.sdl_window(), nullptr);
    win.set_title("別");
    EXPECT_EQ(win.title(), "別");
}

TEST_F(Pump, WindowStateEvents) {
    for (Uint8 what : {SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_CLOSE,
                       SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_EXPOSED})
        PushWindow(win.id(), what);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
    const auto ev = Drain();
    // A signal asks nobody: the window is to go.
    ASSERT_EQ(Kinds(ev), (std::vector<K>{K::activate, K::activate, K::close_request, K::moved, K::destroy}));
    EXPECT_TRUE(ev[0].active);
    EXPECT_FALSE(ev[1].active);
    EXPECT_EQ(ev[4].window_id, win.id());
}

TEST_F(Pump, InjectedInputArrivesAsTheDesktopWouldSendIt) {
    ASSERT_TRUE(pwin::inject_focus(win, true));
    ASSERT_TRUE(pwin::inject_mouse_move(win, 30, 40));
    ASSERT_TRUE(pwin::inject_mouse_button(win, pwin::mouse_button::right, true, 31, 41));
    ASSERT_TRUE(pwin::inject_mouse_move(win, 35, 45));
    ASSERT_TRUE(pwin::inject_mouse_button(win, pwin::mouse_button::right, false, 35, 45));
    ASSERT_TRUE(pwin::inject_key(win, "Left Ctrl", true));
    ASSERT_TRUE(pwin::inject_key(win, "Escape", true));
    EXPECT_FALSE(pwin::inject_key(win, "No Such Key", true));
    ASSERT_TRUE(pwin::inject_close(win));
    const auto ev = Drain();
    ASSERT_EQ(ev.size(), 8u);
    EXPECT_TRUE(ev[0].kind == pwin::event_kind::activate && ev[0].active);
    EXPECT_TRUE(ev[1].kind == pwin::event_kind::mouse_move && ev[1].x == 30 && ev[1].y == 40);
    EXPECT_TRUE(ev[2].kind == pwin::event_kind::button_down && ev[2].button == pwin::mouse_button::right);
    EXPECT_EQ(ev[3].buttons & pwin::mk_rbutton, pwin::mk_rbutton) << "the held button goes with the move";
    EXPECT_EQ(ev[4].kind, pwin::event_kind::button_up);
    EXPECT_EQ(ev[5].vk, 0x11u);
    EXPECT_EQ(ev[6].vk, 0x1Bu);
    EXPECT_EQ(ev[7].kind, pwin::event_kind::close_request);
    int x = 0, y = 0;
    win.cursor_position(x, y);
    EXPECT_EQ(x, 35);
    EXPECT_EQ(y, 45);
    ASSERT_TRUE(pwin::inject_key(win, "Left Ctrl", false));
    Drain();
}

TEST_F(Pump, KeysAndSystemKeys) {
    PushKey(win.id(), true, SDL_SCANCODE_RETURN, SDLK_RETURN);
    PushKey(win.id(), true, SDL_SCANCODE_RETURN, SDLK_RETURN, true);
    PushKey(win.id(), false, SDL_SCANCODE_RETURN, SDLK_RETURN);
    PushKey(win.id(), true, SDL_SCANCODE_F10, SDLK_F10);
    PushKey(win.id(), true, SDL_SCANCODE_LALT, SDLK_LALT);
    PushKey(win.id(), true, SDL_SCANCODE_F4, SDLK_F4);
    PushKey(win.id(), false, SDL_SCANCODE_LALT, SDLK_LALT);
    PushKey(win.id(), true, SDL_SCANCODE_SPACE, SDLK_SPACE);
    const auto ev = Drain();
    // F10 is a system key; the space after Alt was let go is not.
    ASSERT_EQ(Kinds(ev), (std::vector<K>{K::key_down, K::key_down, K::key_up, K::sys_key_down, K::sys_key_down,
                                         K::sys_key_down, K::sys_key_up, K::key_down}));
    EXPECT_EQ(ev[0].vk, 0x0Du);
    EXPECT_EQ(ev[0].key_data, 0x001C0001u);
    EXPECT_EQ(ev[1].key_data, 0x401C0001u) << "auto-repeat has the previous-state bit";
    EXPECT_EQ(ev[5].vk, 0x73u);
    EXPECT_EQ(ev[5].key_data & (1u << 29), 1u << 29);
}

TEST_F(Pump, MouseButtonsCarryTheirFlags) {
    PushKey(win.id(), true, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT);
    PushButton(win.id(), true, SDL_BUTTON_LEFT, 1, 10, 20);
    PushButton(win.id(), true, SDL_BUTTON_RIGHT, 1, 11, 21);
    PushButton(win.id(), false, SDL_BUTTON_LEFT, 1, 12, 22);
    PushButton(win.id(), true, SDL_BUTTON_LEFT, 2, 12, 22);
    PushButton(win.id(), true, SDL_BUTTON_X1, 1, 12, 22);
    const auto ev = Drain();
    // Double clicks only for windows that ask; the side button says nothing.
    ASSERT_EQ(Kinds(ev), (std::vector<K>{K::key_down, K::button_down, K::button_down, K::button_up, K::button_down}));
    EXPECT_EQ(ev[1].button, pwin::mouse_button::left);
    EXPECT_EQ(ev[1].buttons, pwin::mk_lbutton | pwin::mk_shift);
    EXPECT_EQ(ev[1].x, 10);
    EXPECT_EQ(ev[2].buttons, pwin::mk_lbutton | pwin::mk_rbutton | pwin::mk_shift);
    EXPECT_EQ(ev[3].buttons, pwin::mk_rbutton | pwin::mk_shift) << "an up message no longer holds its button";
    int x = 0, y = 0;
    win.cursor_position(x, y);
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 22);
}

TEST_F(Pump, TheWheelCountsInUnitsOf120) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = win.id();
    e.wheel.y = -2;
    e.wheel.preciseY = -2.0f;
    Push(e);
    e.wheel.y = 0;
    e.wheel.preciseY = 0.0f;
    e.wheel.x = 1;
    Push(e);
    auto ev = Drain();
    ASSERT_EQ(ev.size(), 1u) << "a sideways wheel says nothing";
    EXPECT_EQ(ev[0].kind, pwin::event_kind::wheel);
    EXPECT_EQ(ev[0].wheel, -240);
}

TEST(PumpWithoutWindow, DestroyAndQuitArriveEvenWithoutAWindow) {
    pwin::discard_events();
    pwin::request_destroy(0);
    pwin::post_quit();
    EXPECT_EQ(Kinds(Drain()), (std::vector<K>{K::destroy, K::quit}));
}

TEST(DoubleClicks, ASecondPressIsADoubleClickWhenAsked) {
    pwin::window win;
    pwin::window_config config;
    config.double_clicks = true;
    config.hidden = true;
    ASSERT_TRUE(win.create(config));
    pwin::discard_events();
    for (Uint8 clicks : {1, 2, 3, 4}) PushButton(win.id(), true, SDL_BUTTON_MIDDLE, clicks);
    EXPECT_EQ(Kinds(Drain()), (std::vector<K>{K::button_down, K::button_dblclk, K::button_down, K::button_dblclk}));
}

TEST(DebugWindow, ClosingHidesItAndAltF11Toggles) {
    pwin::window main;
    pwin::window_config config;
    config.hidden = true;
    ASSERT_TRUE(main.create(config));
    pwin::debug_window debug;
    ASSERT_TRUE(debug.create());
    pwin::discard_events();
    EXPECT_FALSE(debug.visible());
    PushKey(main.id(), true, SDL_SCANCODE_LALT, SDLK_LALT);
    PushKey(main.id(), true, SDL_SCANCODE_F11, SDLK_F11);
    Drain();
    EXPECT_TRUE(debug.visible());

    PushWindow(debug.id(), SDL_WINDOWEVENT_CLOSE);
    EXPECT_TRUE(Drain().empty()) << "nothing of the debug window reaches the game";
    EXPECT_FALSE(debug.visible());
    EXPECT_TRUE(debug.exists());

    debug.set_line(3, std::string(300, 'x'));
    debug.set_line(4, "あいう");
    EXPECT_EQ(debug.line(3).size(), 261u);
    EXPECT_TRUE(debug.changed());
    std::string text = debug.paint();
    EXPECT_FALSE(debug.changed());
    EXPECT_NE(text.find("あいう\n"), std::string::npos);
    PushKey(main.id(), false, SDL_SCANCODE_LALT, SDLK_LALT);
    pwin::discard_events();
}

TEST(Cursor, ShapesByIndex) {
    pwin::set_cursor_shape(pwin::cursor_size_we);
    EXPECT_EQ(pwin::cursor_shape(), 4);
    pwin::set_cursor_shape(7);
    EXPECT_EQ(pwin::cursor_shape(), 4) << "unknown indexes change nothing";
    pwin::set_cursor_shape(pwin::cursor_none);
    EXPECT_EQ(pwin::cursor_shape(), 0);
    pwin::set_cursor_shape(pwin::cursor_arrow);
}

TEST(FullScreen, TheDisplayAtItsOwnMode) {
    pwin::window win;
    pwin::window_config config;
    config.hidden = true;
    ASSERT_TRUE(win.create(config));
    SDL_DisplayMode desktop{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0) << SDL_GetError();
    const bool entered = win.enter_fullscreen(640, 480, 75);
    EXPECT_EQ(win.is_fullscreen(), entered) << pwin::window::error();
    if (entered) {
        EXPECT_EQ(ClientSize(win), (std::vector<int>{desktop.w, desktop.h})) << "not a mode of the picture's size";
    }
    EXPECT_TRUE(win.leave_fullscreen());
    EXPECT_FALSE(win.is_fullscreen());
    EXPECT_EQ(ClientSize(win), (std::vector<int>{1024, 768}));
}

TEST(NoDisplay, CreationFailsCleanly) {
    const char* old = std::getenv("SDL_VIDEODRIVER");
    const std::string saved = old ? old : "";
    const char* oldDisplay = std::getenv("DISPLAY");
    const std::string savedDisplay = oldDisplay ? oldDisplay : "";
    struct Case {
        const char* what;
        const char* driver;  // SDL_VIDEODRIVER, null for none
        const char* display;
        const char* error;   // a piece of the reason
    };
    // Without a display SDL would fall back to a headless driver unasked.
    for (const Case& c : {Case{"an unknown driver", "no-such-driver", nullptr, ""},
                          Case{"no display", nullptr, nullptr, "no usable display"},
                          Case{"a display nobody answers", nullptr, ":1097", "no usable display"}}) {
        SCOPED_TRACE(c.what);
        c.driver ? setenv("SDL_VIDEODRIVER", c.driver, 1) : unsetenv("SDL_VIDEODRIVER");
        c.display ? setenv("DISPLAY", c.display, 1) : unsetenv("DISPLAY");
        pwin::window win;
        pwin::window_config config;
        EXPECT_FALSE(win.create(config));
        EXPECT_FALSE(win.exists());
        EXPECT_FALSE(pwin::window::error().empty());
        EXPECT_NE(pwin::window::error().find(c.error), std::string::npos) << pwin::window::error();
        EXPECT_FALSE(pwin::display_available()) << "a box shown there would be lost";
        win.set_capture();
        EXPECT_FALSE(win.has_capture());
        EXPECT_EQ(ClientSize(win), (std::vector<int>{1024, 768})) << "the configured size stands in";
    }
    setenv("SDL_VIDEODRIVER", "x11,offscreen", 1);
    EXPECT_TRUE(pwin::video_driver_usable("offscreen")) << "asked for by name";
    EXPECT_FALSE(pwin::video_driver_usable("dummy"));
    EXPECT_TRUE(pwin::video_driver_usable("x11"));
    setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
    oldDisplay ? setenv("DISPLAY", savedDisplay.c_str(), 1) : unsetenv("DISPLAY");
}

} // namespace
