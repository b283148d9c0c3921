#pragma once
// Shared pieces of the text-widget tests: the player's message settings set
// by hand, the six glyph maps at their configured sizes on a started device,
// laid-out characters grouped into lines, and golden frames guarded by the
// font they were drawn with.
#include "graphics/GxGlobalFonts.h"
#include "graphics/text_fixture.h"
#include "ui/GxMessageSettingsBase.h"
#include "ui/GxTextLayout.h"
#include "ui_fixture.h"

#include <map>

namespace uitest {

struct ManualSettings : GxMessageSettingsBase {
    s32 GetTextWaitTime() const override { return wait; }
    s32 GetTextLongWaitTime() const override { return longWait; }
    bool GetFastShowReadedText() const override { return fastShow; }
    bool GetChangeColorReadedText() const override { return readColour; }
    s32 wait = 0;
    s32 longWait = 480;
    bool fastShow = true;
    bool readColour = true;
};

// The laid-out characters, one string per line (by the records' y), top
// first.
inline std::vector<GxString> Lines(const GxTextLayout& layout) {
    std::map<f32, GxString> byY;
    for (const GxTextLayout::CharRecord& c : layout.m_ShowChars) byY[c.m_OffsetPos.y].push_back(GxChar(c.m_Char));
    std::vector<GxString> out;
    for (auto& [y, line] : byY) out.push_back(line);
    return out;
}

// Every laid-out character in order, as UTF-8.
inline std::string Shown(const GxTextLayout& layout) {
    GxString shown;
    for (const GxTextLayout::CharRecord& c : layout.m_ShowChars) shown.push_back(GxChar(c.m_Char));
    return GxToUtf8(shown);
}

inline std::string Utf8(const std::vector<GxString>& lines) {
    std::string s;
    for (const GxString& l : lines) s += "[" + GxToUtf8(l) + "]";
    return s;
}

using gxtest::Lit;
using gxtest::LitArea;

class TextUITest : public UITest {
protected:
    void SetUp() override {
        UITest::SetUp();
        GxMessageSettingsBase::Set(&settings);
    }
    void TearDown() override {
        GxMessageSettingsBase::Set(nullptr);
        // The glyph pages go back before the device checks that nothing is
        // left.
        GxGlobalFonts::ReleaseAll();
        UITest::TearDown();
    }
    // Starts the device and sizes the glyph maps as the game's start-up does.
    void StartFonts() {
        ASSERT_TRUE(Start());
        for (int i = 0; i < GxGlobalFonts::kFontMapCount; ++i)
            GxGlobalFonts::GetFontMap(i)->SetFont(core_->m_Config->m_FontSize[i], nullptr);
    }
    ManualSettings settings;
};

} // namespace uitest
