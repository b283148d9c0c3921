#include "platform/input/input_devices.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Scaling, AxesAndHats) {
    struct Axis {
        int16_t raw;
        int32_t scaled;
    } axes[] = {{0, 0}, {32767, 1000}, {-32768, -1000}, {-32767, -1000}, {16384, 500}, {33, 1}, {16, 0}};
    for (const Axis& a : axes) EXPECT_EQ(pinput::scale_axis(a.raw), a.scaled) << a.raw;
    struct Hat {
        uint8_t hat;
        uint32_t pov;
    } hats[] = {{SDL_HAT_CENTERED, pinput::pov_centred}, {SDL_HAT_UP, 0},       {SDL_HAT_RIGHTUP, 4500},
                {SDL_HAT_RIGHT, 9000},                   {SDL_HAT_RIGHTDOWN, 13500}, {SDL_HAT_DOWN, 18000},
                {SDL_HAT_LEFTDOWN, 22500},               {SDL_HAT_LEFT, 27000},  {SDL_HAT_LEFTUP, 31500}};
    for (const Hat& h : hats) EXPECT_EQ(pinput::pov_from_hat(h.hat), h.pov);
}

struct Devices : testing::Test {
    void SetUp() override {
        ASSERT_TRUE(pinput::start());
        pinput::clear_state();
    }
    void TearDown() override { pinput::stop(); }
    static void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
};

TEST_F(Devices, KeyboardFollowsQueuedKeyEventsOnceAcquired) {
    uint8_t keys[256];
    EXPECT_EQ(pinput::read_keyboard(keys), pinput::read_status::not_acquired);
    ASSERT_TRUE(pinput::acquire(pinput::device::keyboard));
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = SDL_SCANCODE_INTERNATIONAL4;
    Push(e);
    e.type = SDL_KEYUP;
    Push(e);
    ASSERT_EQ(pinput::read_keyboard(keys), pinput::read_status::ok);
    EXPECT_EQ(keys[0x79], 0x80) << "変換, let go before the read: seen once";
    pinput::read_keyboard(keys);
    EXPECT_EQ(keys[0x79], 0);
    pinput::unacquire(pinput::device::keyboard);
    EXPECT_EQ(pinput::read_keyboard(keys), pinput::read_status::not_acquired);
}

TEST_F(Devices, AModifierTheDesktopHoldsAtAcquisitionIsDownUntilLetGo) {
    SDL_SetModState(KMOD_LCTRL);
    ASSERT_TRUE(pinput::acquire(pinput::device::keyboard));
    uint8_t keys[256];
    ASSERT_EQ(pinput::read_keyboard(keys), pinput::read_status::ok);
    EXPECT_EQ(keys[0x1D], 0x80) << "left Control";
    EXPECT_EQ(keys[0x9D], 0) << "right Control";
    SDL_SetModState(KMOD_NONE);
    pinput::read_keyboard(keys);
    EXPECT_EQ(keys[0x1D], 0);
}

TEST_F(Devices, MouseMotionIsCountedSinceTheLastRead) {
    ASSERT_TRUE(pinput::acquire(pinput::device::mouse));
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.xrel = 3;
    e.motion.yrel = -4;
    Push(e);
    Push(e);
    e = SDL_Event{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = 1;
    e.wheel.preciseY = 1.0f;
    Push(e);
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    Push(e);
    e.button.button = 8;
    Push(e);
    e.button.button = SDL_BUTTON_LEFT;
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) e.type = type, Push(e);
    pinput::mouse_state m;
    ASSERT_EQ(pinput::read_mouse(m), pinput::read_status::ok);
    EXPECT_EQ(std::vector<int32_t>({m.x, m.y, m.z}), std::vector<int32_t>({6, -8, 120}));
    EXPECT_EQ(m.buttons[1], 0x80);
    EXPECT_EQ(m.buttons[7], 0x80);
    EXPECT_EQ(m.buttons[0], 0x80) << "a click between two reads";
    pinput::read_mouse(m);
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.z, 0);
    EXPECT_EQ(m.buttons[1], 0x80) << "buttons stay down until released";

    // A click between two reads is one press of its own button, and a second
    // click a second press.
    e = SDL_Event{};
    e.type = SDL_MOUSEBUTTONUP;
    for (Uint8 button : {Uint8(SDL_BUTTON_RIGHT), Uint8(8)}) e.button.button = button, Push(e);
    pinput::read_mouse(m);
    const struct {
        Uint8 button;
        int index;
    } clicks[] = {{SDL_BUTTON_LEFT, 0}, {SDL_BUTTON_RIGHT, 1}, {SDL_BUTTON_MIDDLE, 2}, {SDL_BUTTON_X1, 3},
                  {SDL_BUTTON_X2, 4},   {6, 5},                {7, 6},                  {8, 7}};
    for (const auto& c : clicks) {
        for (int click = 0; click < 2; ++click) {
            SCOPED_TRACE(std::to_string(c.index) + ", click " + std::to_string(click));
            e.button.button = c.button;
            for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) e.type = type, Push(e);
            std::vector<int> down;
            for (const int reads : {0, 1}) {
                ASSERT_EQ(pinput::read_mouse(m), pinput::read_status::ok);
                for (int b = 0; b < 8; ++b)
                    if (m.buttons[b]) down.push_back(reads * 10 + b);
            }
            EXPECT_EQ(down, std::vector<int>{c.index}) << "down at the first read only, that button alone";
        }
    }
}

TEST_F(Devices, LosingTheFocusReleasesEverythingThePointerLeavingNothing) {
    pinput::acquire(pinput::device::keyboard);
    pinput::acquire(pinput::device::mouse);
    // Held, or let go since the last read: nothing of it is told after the
    // focus went, as the release may have happened in another window. The
    // pointer leaving the window keeps all: Control held to skip, or a
    // slider dragged past the window's edge, goes on.
    const struct {
        Uint8 event;
        uint8_t told;
    } cases[] = {{SDL_WINDOWEVENT_LEAVE, 0x80}, {SDL_WINDOWEVENT_FOCUS_LOST, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.event));
        pinput::inject_key(0x1E, true);
        pinput::inject_key(0x1F, true);
        pinput::inject_key(0x1F, false);
        pinput::inject_mouse_button(1, true);
        for (int button : {0, 3})
            for (bool down : {true, false}) pinput::inject_mouse_button(button, down);
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = c.event;
        Push(e);
        uint8_t keys[256];
        pinput::read_keyboard(keys);
        EXPECT_EQ(keys[0x1E], c.told) << "held";
        EXPECT_EQ(keys[0x1F], c.told) << "tapped";
        pinput::mouse_state m;
        ASSERT_EQ(pinput::read_mouse(m), pinput::read_status::ok);
        EXPECT_EQ(std::vector<uint8_t>(m.buttons, m.buttons + 8),
                  std::vector<uint8_t>({c.told, c.told, 0, c.told, 0, 0, 0, 0}))
            << "the right button held, the left and a side button clicked";
    }
}

TEST_F(Devices, VirtualJoysticksAreReadAndLost) {
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 4, 20, 1);
    ASSERT_GE(index, 0) << SDL_GetError();
    ASSERT_EQ(pinput::open_joysticks(), 1);
    pinput::joystick_caps caps;
    ASSERT_TRUE(pinput::get_joystick_caps(0, caps));
    EXPECT_EQ(std::vector<uint32_t>({caps.axes, caps.buttons, caps.povs, caps.device_type}),
              std::vector<uint32_t>({4, 20, 1, 0x14}));
    EXPECT_FALSE(pinput::get_joystick_caps(1, caps));

    SDL_Joystick* j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_NE(j, nullptr);
    SDL_JoystickSetVirtualAxis(j, 2, 32767);
    SDL_JoystickSetVirtualAxis(j, 3, -16384);
    SDL_JoystickSetVirtualButton(j, 15, 1);
    SDL_JoystickSetVirtualButton(j, 16, 1);
    SDL_JoystickSetVirtualHat(j, 0, SDL_HAT_DOWN);
    pinput::joystick_state s;
    EXPECT_EQ(pinput::read_joystick(0, s), pinput::read_status::not_acquired);
    ASSERT_TRUE(pinput::acquire(pinput::device::joystick1));
    ASSERT_EQ(pinput::read_joystick(0, s), pinput::read_status::ok);
    EXPECT_EQ(s.z, 1000);
    EXPECT_EQ(s.rz, -500);
    EXPECT_EQ(s.buttons[15], 0x80);
    EXPECT_EQ(s.pov[0], 18000u);
    EXPECT_EQ(s.pov[1], pinput::pov_centred) << "a hat the pad lacks stays centred";
    EXPECT_EQ(pinput::read_joystick(1, s), pinput::read_status::absent);

    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
    EXPECT_EQ(pinput::read_joystick(0, s), pinput::read_status::lost);
    EXPECT_FALSE(pinput::acquire(pinput::device::joystick1));
    EXPECT_FALSE(pinput::present(pinput::device::joystick1));
}

} // namespace
