#pragma once
// Shared pieces of the control tests: the image set "uigis/ctl.gis" with the
// faces of the buttons, the timer, the spin button, the menu and the tool
// tip's skin, scripted pointer, key and pad input with the events and faces
// it should give, and a frame drawn from the render lists.
#include "ui_fixture.h"

#include "graphics/GxGlobalFonts.h"
#include "support/FrameCapture.h"
#include "layers/GxNcCrammedImageSet.h"

#include <cmath>
#include <functional>
#include <string>

namespace uitest {

// One origin image of the set: a solid rectangle of the atlas, or with
// `corner` a clear one whose top-left pixel alone has the colour.
struct Face {
    const char16_t* name;
    s32 x, y, w, h;
    u32 argb;
    bool corner = false;
};
inline constexpr u32 kOff = 0xFF404040, kOn = 0xFF00C000, kOver = 0xFF0000C0, kNa = 0xFF800000;
inline constexpr u32 kOnOver = 0xFFC0C000, kOnNa = 0xFF400040, kMid = 0xFF20C040, kBack = 0xFF202020;
inline constexpr Face kFaces[] = {
    {u"btn_off.png", 0, 0, 16, 8, kOff},        {u"btn_on.png", 16, 0, 16, 8, kOn},
    {u"btn_over.png", 32, 0, 16, 8, kOver},     {u"btn_na.png", 48, 0, 16, 8, kNa},
    {u"btn_onover.png", 64, 0, 16, 8, kOnOver}, {u"btn_onna.png", 80, 0, 16, 8, kOnNa},
    {u"only_off.png", 96, 0, 16, 8, kOff},      {u"hov_off.png", 0, 8, 16, 8, kOff},
    {u"hov_over.png", 16, 8, 16, 8, kOver},     {u"tmr_off.png", 32, 8, 16, 8, kOff, true},
    {u"tmr_na.png", 48, 8, 16, 8, kNa, true},   {u"tmr_back.png", 64, 8, 16, 8, kBack},
    {u"tmr_backna.png", 80, 8, 16, 8, kNa},     {u"tmr_mid.png", 96, 8, 16, 8, kMid},
    {u"spin_down_off.png", 0, 16, 8, 8, kOff},  {u"spin_down_on.png", 8, 16, 8, 8, kOn},
    {u"spin_down_over.png", 16, 16, 8, 8, kOver}, {u"spin_up_off.png", 24, 16, 8, 8, kOff},
    {u"spin_up_on.png", 32, 16, 8, 8, kOn},     {u"spin_up_na.png", 40, 16, 8, 8, kNa},
    {u"spin_clear_off.png", 48, 16, 8, 8, kOff}, {u"spin_back.png", 56, 16, 24, 8, kBack},
    {u"menu_head.png", 64, 24, 60, 18, 0xFF303060}, {u"menu_body.png", 64, 42, 60, 18, 0xFF202040},
    {u"menu_foot.png", 64, 60, 60, 18, 0xFF303060},
};
// The tool tip's skin: a 64-pixel square of 16-pixel cells, each its own colour.
inline u32 SkinCellColour(s32 column, s32 row) { return 0xFF000000u | u32(40 + column * 60) << 16 | u32(40 + row * 60) << 8; }

// A scripted input or update and what it should give.
struct Act {
    enum Kind { Move, Down, Up, Update, Key, Pad, Wheel } kind;
    f32 x = 0, y = 0;
    std::vector<s32> events = {};  // the event types posted during the act
    int consumed = -1;             // the input's result; -1: not checked
    s32 face = -1;                 // GetImageIndex after the act; -1: not checked
    f64 value = NAN;               // the widget's value after the act; NaN: not checked
    s32 delta = 0;                 // wheel delta
};

inline std::vector<Act> Updates(int n, std::vector<s32> events = {}, s32 face = -1) {
    return std::vector<Act>(size_t(n), Act{Act::Update, 0, 0, events, -1, face});
}

inline std::vector<Act> Join(std::initializer_list<std::vector<Act>> parts) {
    std::vector<Act> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class ControlsTest : public UITest {
protected:
    void TearDown() override {
        GxGlobalFonts::ReleaseAll();
        if (GxNcImageSetPool::Get(u"uigis/ctl.gis")) GxNcImageSetPool::Release(u"uigis/ctl.gis");
        UITest::TearDown();
    }

    // Starts the device and pools "uigis/ctl.gis".
    void AddControlSet() {
        ASSERT_TRUE(Start());
        qtest::ImageSetSpec spec;
        std::vector<uint32_t> px(128 * 128, 0);
        auto fill = [&](s32 x0, s32 y0, s32 w, s32 h, u32 argb) {
            for (s32 y = y0; y < y0 + h; ++y)
                for (s32 x = x0; x < x0 + w; ++x) px[size_t(y) * 128 + size_t(x)] = argb;
        };
        for (const Face& f : kFaces) {
            if (f.corner)
                fill(f.x, f.y, 1, 1, f.argb);
            else
                fill(f.x, f.y, f.w, f.h, f.argb);
            spec.origins.push_back({f.name, -1, f.w, f.h, 0, {qtest::WholePattern(0, f.x, f.y, f.w, f.h)}});
        }
        for (s32 r = 0; r < 4; ++r)
            for (s32 c = 0; c < 4; ++c) fill(c * 16, 64 + r * 16, 16, 16, SkinCellColour(c, r));
        spec.origins.push_back({u"tip.png", -1, 64, 64, 0, {qtest::WholePattern(0, 0, 64, 64, 64)}});
        spec.atlases = {{u"ctl.png", 128, 128, 1, 0, px}};
        ASSERT_TRUE(qtest::WriteImageSetFiles(dir_.path(), "uigis/ctl", spec, false));
        ASSERT_NE(GxNcImageSetPool::Add(u"uigis/ctl.gis"), nullptr) << log.Text();
    }

    // A UI module record of "uigis/ctl.gis".
    static DBUIModuleRecord Ctl(s32 type, const GxString& image, s32 clientLeft = 0, s32 clientTop = 0) {
        DBUIModuleRecord m = Module(type, image);
        m.ImageSetName = u"ctl";
        m.ClientLeft = clientLeft, m.ClientTop = clientTop;
        return m;
    }

    // Plays the acts on the widget through the task manager, checking each.
    void Play(GxTaskUIBase* w, const std::vector<Act>& acts, const std::function<s32()>& face, const std::string& what) {
        for (size_t i = 0; i < acts.size(); ++i) {
            const Act& a = acts[i];
            scene->events.clear();
            const GxVector2 at(a.x, a.y);
            int result = 0;
            switch (a.kind) {
            case Act::Move: Point(a.x, a.y), result = m.OnMouseMove(at, 0); break;
            case Act::Down: Point(a.x, a.y), result = m.OnLButtonDown(at, 0, false); break;
            case Act::Up: Point(a.x, a.y), result = m.OnLButtonUp(at, 0); break;
            case Act::Update: Step(w); break;
            case Act::Key: result = m.OnKeyDown(0x0D, 0) | m.OnKeyUp(0x0D, 0); break;
            case Act::Pad: {
                const GxVector4 stick(0, 1, 0, 0);
                result = m.DispatchKeyAction(&stick, 0, 0, 0, 16000);
                break;
            }
            case Act::Wheel: Point(a.x, a.y), result = m.OnMouseWheel(at, a.delta, 0); break;
            }
            const std::string where = what + ", act " + std::to_string(i);
            EXPECT_EQ(scene->Types(), a.events) << where;
            if (a.consumed >= 0) {
                EXPECT_EQ(result, a.consumed) << where;
            }
            if (a.face >= 0 && face) {
                EXPECT_EQ(face(), a.face) << where;
            }
            if (!std::isnan(a.value)) {
                EXPECT_EQ(w->GetValue(), a.value) << where;
            }
        }
    }

    // The frame of the render lists, w x h from the top-left corner.
    std::vector<uint32_t> Frame(u32 w, u32 h) { return DrawWidgets(*core_, w, h); }
};

} // namespace uitest
