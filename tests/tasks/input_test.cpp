#include "tasks/GxInput.h"
#include "platform/input/input_devices.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace {

constexpr u8 kKeyA = 0x1E, kKeyS = 0x1F, kKeyUp = 0xC8, kKeyDown = 0xD0, kKeyLeft = 0xCB;

struct Input : testing::Test {
    void SetUp() override {
        ASSERT_TRUE(GxInitInput());
        pinput::clear_state();
    }
    void TearDown() override {
        pinput::clear_state();
        GxReleaseInput();
    }
    static const GxInputState& Keyboard() { return *GxGetInputState(0); }
    static const GxInputState& Mapped() { return *GxGetKeyMapInputState(); }
};

TEST_F(Input, AHeldKeyPressesOnceRepeatsFromStep31AndReleasesAfter) {
    std::vector<int> pressed, repeated;
    pinput::inject_key(kKeyA, true);
    for (int step = 1; step <= 36; ++step) {
        GxUpdateInput();
        if (Keyboard().IsPressed(kKeyA)) pressed.push_back(step);
        if (Keyboard().IsPressedOrRepeated(kKeyA)) repeated.push_back(step);
        EXPECT_FALSE(Keyboard().IsReleased(kKeyA));
    }
    EXPECT_EQ(pressed, (std::vector<int>{1}));
    EXPECT_EQ(repeated, (std::vector<int>{1, 31, 33, 35}));
    EXPECT_EQ(Keyboard().m_HoldFrames[kKeyA], 36u);
    pinput::inject_key(kKeyA, false);
    GxUpdateInput();
    EXPECT_TRUE(Keyboard().IsReleased(kKeyA));
    EXPECT_EQ(Keyboard().m_HoldFrames[kKeyA], 0u);
    EXPECT_EQ(Keyboard().m_ReleaseFrames[kKeyA], 1u);
    GxUpdateInput();
    EXPECT_FALSE(Keyboard().IsReleased(kKeyA));
}

TEST_F(Input, KeysBoundToOneActionShareIt) {
    GxSetKeyMap(kKeyA, 12, 1);
    GxSetKeyMap(kKeyS, 12, 7);
    GxSetKeyMap(kKeyLeft, 40, 0);  // column 0 is never combined
    GxSetKeyMap(KC_MOUSE_LEFT, 256 + 5, 2);  // an action above 255 acts as its low byte
    pinput::inject_key(kKeyA, true);
    pinput::inject_key(kKeyLeft, true);
    GxUpdateInput();
    EXPECT_TRUE(Mapped().IsPressed(12));
    EXPECT_FALSE(Mapped().IsDown(40));
    pinput::inject_key(kKeyS, true);
    GxUpdateInput();
    EXPECT_TRUE(Mapped().IsDown(12));
    EXPECT_FALSE(Mapped().IsPressed(12)) << "pressed only when the first of them went down";
    pinput::inject_key(kKeyA, false);
    GxUpdateInput();
    EXPECT_TRUE(Mapped().IsDown(12));
    pinput::inject_key(kKeyS, false);
    pinput::inject_mouse_button(0, true);
    GxUpdateInput();
    EXPECT_TRUE(Mapped().IsReleased(12));
    EXPECT_TRUE(Mapped().IsDown(5));
    EXPECT_TRUE(GxIsAnyInput());
}

TEST_F(Input, OutOfRangeMapValuesAreLoggedAndIgnored) {
    qtest::LogCapture log;
    struct Case {
        int code, action, column;
    } bad[] = {{608, 1, 1}, {-1, 1, 1}, {5, 1, 8}, {5, 1, -1}};
    for (const Case& c : bad) GxSetKeyMap(c.code, c.action, c.column);
    EXPECT_EQ(log.Lines().size(), 4u) << log.Text();
    EXPECT_TRUE(log.Contains("GxSetKeyMap/範囲外のキーマップを無視しました(KeyCode=608,Column=1,Action=1)\n"));
    GxSetKeyMap(kKeyA, -7, 1);  // a negative action still lands inside the state
    pinput::inject_key(kKeyA, true);
    GxUpdateInput();
    EXPECT_TRUE(Mapped().IsDown(0xF9));

    log.Clear();
    GxSetAnalogAssign(4, 0, 0);
    GxSetAnalogAssign(0, 4, 0);
    GxSetAnalogAssign(0, 0, 4);
    GxSetAnalogAssign(-1, 0, 0);
    EXPECT_EQ(log.Lines().size(), 4u) << log.Text();
    GxSetAnalogAssign(1, 0, 0);
    pinput::inject_key(kKeyUp, true);
    GxUpdateInput();
    EXPECT_EQ(Mapped().m_Sticks[1].y, -600.0f);
    EXPECT_TRUE(Mapped().m_StickActive[1]);
    EXPECT_FALSE(Mapped().m_StickActive[0]);
}

TEST_F(Input, KeyboardSticksCancelButStayActive) {
    pinput::inject_key(kKeyUp, true);
    pinput::inject_key(kKeyDown, true);
    pinput::inject_key(kKeyLeft, true);
    pinput::inject_key(0x11, true);  // W
    GxUpdateInput();
    EXPECT_EQ(Keyboard().m_Sticks[0].y, 0.0f);
    EXPECT_EQ(Keyboard().m_Sticks[0].x, -600.0f);
    EXPECT_TRUE(Keyboard().m_StickActive[0]);
    EXPECT_FALSE(Keyboard().m_StickActive[1]);
    EXPECT_EQ(Keyboard().m_Sticks[2].y, -600.0f);
}

TEST_F(Input, MouseMotionAndWheel) {
    const GxInputState& mouse = *GxGetInputState(1);
    pinput::inject_mouse_motion(5, -3);
    pinput::inject_mouse_wheel(120);
    pinput::inject_mouse_button(7, true);
    GxUpdateInput();
    EXPECT_EQ(mouse.m_Sticks[0].x, 5.0f);
    EXPECT_EQ(mouse.m_Sticks[0].y, -3.0f);
    EXPECT_TRUE(mouse.m_StickActive[0]);
    EXPECT_EQ(mouse.m_Sticks[1].y, 120.0f);
    EXPECT_TRUE(mouse.IsDown(33));
    EXPECT_FALSE(mouse.IsDown(34));
    EXPECT_TRUE(mouse.IsDown(8));
    pinput::inject_mouse_wheel(-240);
    GxUpdateInput();
    EXPECT_FALSE(mouse.m_StickActive[0]) << "motion is counted once";
    EXPECT_TRUE(mouse.IsDown(34));
}

TEST_F(Input, NothingIsReadWhileTheWindowIsInactive) {
    GxAcquireInput(false);
    pinput::inject_key(kKeyA, true);
    GxUpdateInput();
    EXPECT_FALSE(Keyboard().IsDown(kKeyA));
    GxAcquireInput(true);
    GxUpdateInput();
    EXPECT_TRUE(Keyboard().IsPressed(kKeyA));
}

// Keys held before the window had the focus send no event: the desktop's
// state is taken when the keyboard is acquired, at start and at each
// activation, and followed until a key event of the key's own.
TEST_F(Input, KeysHeldBeforeTheFocusAreTakenFromTheDesktop) {
    constexpr u8 kLeftControl = 0x1D, kRightControl = 0x9D;
    GxReleaseInput();
    pinput::inject_desktop_key(kLeftControl, true);
    ASSERT_TRUE(GxInitInput());
    struct Step {
        const char* what;
        std::function<void()> act;
        bool left, right;
    } steps[] = {
        {"held at start", [] {}, true, false},
        {"still held", [] {}, true, false},
        {"let go on the desktop", [] { pinput::inject_desktop_key(kLeftControl, false); }, false, false},
        {"held while inactive",
         [] { GxAcquireInput(false), pinput::inject_desktop_key(kRightControl, true); }, false, false},
        {"the window active again", [] { GxAcquireInput(true); }, false, true},
        {"its own release event", [] { pinput::inject_key(kRightControl, false); }, false, false},
        {"an event's key stays", [] { pinput::inject_key(kLeftControl, true); }, true, false},
    };
    for (const Step& st : steps) {
        st.act();
        GxUpdateInput();
        EXPECT_EQ(Keyboard().IsDown(kLeftControl), st.left) << st.what;
        EXPECT_EQ(Keyboard().IsDown(kRightControl), st.right) << st.what;
    }
    EXPECT_TRUE(Keyboard().IsPressed(kLeftControl));
}

TEST(InputNames, KeyCodesByNameAreExact) {
    struct Case {
        std::u16string name;
        int code;
    } cases[] = {
        {u"KC_KEYB_ESCAPE", 1},     {u"kc_keyb_escape", 0},       {u"KC_KEYB_MEDIASELECT", 237},
        {u"KC_KEYB_PREVTRACK", 144}, {u"KC_KEYB_NEXTTRACK", 153},  {u"KC_KEYB_KANJI", 0x94},
        {u"KC_MOUSE_BTN8", 264},    {u"KC_MOUSE_WHEEL_DOWN", 290}, {u"KC_PAD_BTN16", 528},
        {u"KC_PAD_DIR2_LEFT", 563}, {u"KC_PAD_POV2_RIGHT", 596},  {u"KC_NONE", 0},
        {u"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(GxGetKeyCodeFromName(c.name), c.code);
    for (const auto& [code, name] : {std::pair{0, u"無し"}, {144, u"^"}, {153, u"NEXT"}, {546, u"方向[1]↓"},
                                      {596, u"方向[4]→"}, {300, u""}, {608, u""}})
        EXPECT_EQ(GxGetKeyCodeDisplayName(code), name) << code;
}

TEST(InputWithoutDevices, ReadsAsAllUp) {
    GxReleaseInput();
    pinput::inject_key(kKeyA, true);
    GxUpdateInput();
    EXPECT_FALSE(GxIsAnyInput());
    EXPECT_FALSE(GxGetInputState(0)->IsDown(kKeyA));
    EXPECT_EQ(GxGetInputState(5), nullptr);
    pinput::clear_state();
}

// A virtual joystick attached before the input starts.
struct Joystick : testing::Test {
    int index = -1;
    SDL_Joystick* handle = nullptr;
    qtest::TempDir dir;
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
        index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 16, 2);
        ASSERT_GE(index, 0) << SDL_GetError();
        handle = SDL_JoystickOpen(index);
        ASSERT_NE(handle, nullptr);
        GxSetDeviceLogPath(dir.u16("device.log"));
        ASSERT_TRUE(GxInitInput());
        GxSetDeviceLogPath(u"");
    }
    void TearDown() override {
        GxReleaseInput();
        if (handle) SDL_JoystickClose(handle);
        if (index >= 0) SDL_JoystickDetachVirtual(index);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
    // Raw values that scale to exactly v.
    static Sint16 Raw(int v) { return Sint16(std::lround(v * 32767.0 / 1000.0)); }
    const GxInputState& Pad() { return *GxGetInputState(2); }
    std::vector<int> DirectionBits(int first) {
        std::vector<int> bits;
        for (int b = first; b < first + 4; ++b)
            if (Pad().IsDown(b)) bits.push_back(b);
        return bits;
    }
};

TEST_F(Joystick, TheDeviceReportNamesThePads) {
    std::vector<unsigned char> bytes = qtest::ReadBytes(dir.path() / "device.log");
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) text.push_back(char16_t(bytes[i] | bytes[i + 1] << 8));
    for (const char16_t* line :
         {u"DirectInput8の初期化を開始します\r\n", u"\t・KEYBOARD 初期化成功\r\n", u"\t・PAD1 初期化成功\r\n",
          u"\t\t・ボタンの数:16\r\n", u"\t\t・ハットスイッチの数:2\r\n", u"\t・PAD2 スキップ\r\n", u"DirectInput8の初期化完了\r\n"})
        EXPECT_NE(text.find(line), std::u16string::npos) << "missing line";
}

TEST_F(Joystick, StickSectorsSetDirectionBits) {
    struct Case {
        int x, y;
        std::vector<int> bits;  // of 33 up, 34 down, 35 left, 36 right
    } cases[] = {
        {0, -599, {}},       {0, -601, {33}},     {500, -500, {33, 36}}, {1000, 0, {36}},
        {600, -100, {36}},   {0, 1000, {34}},     {-707, 707, {34, 35}}, {-1000, 0, {35}},
        {-700, -700, {33, 35}}, {-1, -1000, {33}}, {400, 500, {34, 36}},
    };
    for (const Case& c : cases) {
        SDL_JoystickSetVirtualAxis(handle, 0, Raw(c.x));
        SDL_JoystickSetVirtualAxis(handle, 1, Raw(c.y));
        GxUpdateInput();
        EXPECT_EQ(Pad().m_Sticks[0].x, float(c.x));
        EXPECT_EQ(DirectionBits(33), c.bits) << c.x << "," << c.y;
        EXPECT_EQ(Pad().m_StickActive[0], !c.bits.empty());
    }
    SDL_JoystickSetVirtualAxis(handle, 0, 0);
    SDL_JoystickSetVirtualAxis(handle, 1, 0);
    SDL_JoystickSetVirtualAxis(handle, 2, Raw(-1000));
    SDL_JoystickSetVirtualAxis(handle, 3, Raw(-1000));
    GxUpdateInput();
    EXPECT_EQ(DirectionBits(49), (std::vector<int>{49, 51})) << "the second stick is Z and Z rotation";
}

TEST_F(Joystick, ButtonsAndHats) {
    SDL_JoystickSetVirtualButton(handle, 0, 1);
    SDL_JoystickSetVirtualButton(handle, 15, 1);
    SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_RIGHTUP);
    SDL_JoystickSetVirtualHat(handle, 1, SDL_HAT_LEFT);
    GxUpdateInput();
    EXPECT_TRUE(Pad().IsDown(1));
    EXPECT_TRUE(Pad().IsDown(16));
    EXPECT_FALSE(Pad().IsDown(2));
    EXPECT_EQ(DirectionBits(65), (std::vector<int>{65, 68}));
    EXPECT_EQ(Pad().m_Sticks[2].x, 600.0f);
    EXPECT_EQ(Pad().m_Sticks[2].y, -600.0f);
    EXPECT_EQ(DirectionBits(81), (std::vector<int>{83}));
    EXPECT_TRUE(Pad().m_StickActive[3]);
}

TEST_F(Joystick, AnUnpluggedPadReadsAsAllUp) {
    SDL_JoystickSetVirtualButton(handle, 2, 1);
    GxUpdateInput();
    EXPECT_TRUE(Pad().IsDown(3));
    SDL_JoystickClose(handle);
    handle = nullptr;
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
    index = -1;
    GxUpdateInput();
    EXPECT_FALSE(Pad().IsDown(3));
    EXPECT_TRUE(Pad().IsReleased(3));
    GxUpdateInput();
    EXPECT_FALSE(Pad().IsReleased(3));
}

} // namespace
