#include "ui/GxTextLayout.h"

#include "io/GxStringParse.h"
#include "layers/GxLerp.h"
#include "layers/GxTaskActor.h"
#include "tasks/GxSystemConfig.h"
#include "ui/GxUIText.h"

#include <algorithm>

namespace {

// The first index from `from` below `end` holding ch, else end.
s32 FindFrom(const GxString& text, s32 from, s32 end, GxChar ch) {
    for (s32 i = from; i < end; ++i)
        if (text[size_t(i)] == ch) return i;
    return end;
}

} // namespace

GxTextLayout::GxTextLayout() : m_TextFontSize(GxUIFontSize(2)), m_RubyFontSize(GxUIFontSize(0)) {}

s32 GxTextLayout::TextEnd(const GxString& text) {
    const size_t zero = text.find(GxChar(0));
    const size_t end = zero == GxString::npos ? text.size() : zero;
    return s32(std::min<size_t>(end, 0x7FFFFFFF));
}

GxString GxTextLayout::CutAtZero(const GxString& text) { return text.substr(0, size_t(TextEnd(text))); }

s32 GxTextLayout::GetRemainingChars(const GxString& text) const {
    const s64 remaining = s64(TextEnd(text)) - m_ProcessPos;
    return remaining > 0 ? s32(std::min<s64>(remaining, 0x7FFFFFFF)) : 0;
}

void GxTextLayout::NewLine(s32 pitch) {
    m_CursorY = GxUIAddSat(m_CursorY, pitch);
    m_CursorX = 0;
}

void GxTextLayout::NewPage() {
    m_ShowChars.clear();
    m_Rubies.clear();
    m_CursorX = m_CursorY = 0;
}

void GxTextLayout::Restart() {
    NewPage();
    m_ProcessPos = 0;
    m_RubyMode = false;
    m_ChangeColor = false;
}

void GxTextLayout::SetProcessPos(const GxString& text, s32 pos) { m_ProcessPos = std::clamp(pos, 0, TextEnd(text)); }

void GxTextLayout::SetTextFontIndex(s32 index, const GxChar* className) {
    m_TextFontIndex = GxUICheckFontIndex(index, className);
    m_TextFontSize = GxUIFontSize(m_TextFontIndex);
}

void GxTextLayout::SetRubyFontIndex(s32 index, const GxChar* className) {
    m_RubyFontIndex = GxUICheckFontIndex(index, className);
    m_RubyFontSize = GxUIFontSize(m_RubyFontIndex);
}

void GxTextLayout::SetTextRegion(s32 left, s32 top, s32 width, s32 height) {
    m_TextRegionLeft = left;
    m_TextRegionTop = top;
    m_TextRegionWidth = width;
    m_TextRegionHeight = height;
}

GxTextLayout::Stop GxTextLayout::Step(const GxString& text, const Rules& rules) {
    const s32 end = TextEnd(text);
    m_ProcessPos = std::clamp(m_ProcessPos, 0, end);
    if (m_ProcessPos >= end) {
        m_RubyMode = false;
        return Stop::Exhausted;
    }
    const GxSystemConfig& config = GxUISystemConfig();
    const auto at = [&](s32 i) -> GxChar { return i >= 0 && i < end ? text[size_t(i)] : GxChar(0); };
    for (;;) {
        if (m_RubyMode) {
            // Inside a ruby's base text only its separator means anything:
            // the reading after it was taken when the ruby started.
            if (at(m_ProcessPos) != config.m_RubySeparatorChar) return LayOut(text, end, rules);
            m_ProcessPos = FindFrom(text, m_ProcessPos, end, config.m_RubyCloseChar);
            if (m_ProcessPos < end) ++m_ProcessPos;
            m_RubyMode = false;
        }
        const GxChar ch = at(m_ProcessPos);
        if (m_ProcessPos < end && ch == config.m_RubyOpenChar) {
            ++m_ProcessPos;
            if (!StartRuby(text, end)) return Stop::None;
            return LayOut(text, end, rules);
        }
        if (ch != u'%') return LayOut(text, end, rules);
        ++m_ProcessPos;
        const GxChar command = at(m_ProcessPos);
        s32 value = 0;
        switch (command) {
        case u'r':
            ++m_ProcessPos;
            NewLine(rules.m_LinePitch);
            return Stop::None;
        case u'p':
            ++m_ProcessPos;
            NewPage();
            return Stop::None;
        case u'c':
            ++m_ProcessPos;
            return Stop::ClickWait;
        case u'w':
            ++m_ProcessPos;
            if (at(m_ProcessPos) != u'(') {
                if (rules.m_Timed) m_WaitTimeLeft = GxUIAddSat(m_WaitTimeLeft, rules.m_LongWaitTime);
            } else if (TakeNumber(text, end, &value) && rules.m_Timed) {
                m_WaitTimeLeft = GxUIAddSat(m_WaitTimeLeft, value);
            }
            return Stop::None;
        case u'a':
            ++m_ProcessPos;
            if (at(m_ProcessPos) != u'(') {
                m_ChangeColor = false;
                m_TextColor = rules.m_DefaultColor;
            } else if (TakeNumber(text, end, &value)) {
                m_TextColor = u32(value) | 0xFF000000u;
                m_ChangeColor = true;
            }
            if (m_ProcessPos >= end) {
                m_RubyMode = false;
                return Stop::End;
            }
            continue;
        default:
            // "%%" and any unknown command: the '%' goes, the character after
            // it shows.
            return LayOut(text, end, rules);
        }
    }
}

bool GxTextLayout::TakeNumber(const GxString& text, s32 end, s32* value) {
    ++m_ProcessPos;  // the '('
    const GxChar* start = text.data() + m_ProcessPos;
    u32 length = 0;
    const bool number = GxScanNumberLiteral(start, &length, text.data() + end) != 0;
    if (number) {
        // Base from the text as C's conversions pick it: "0x" hexadecimal, a
        // leading "0" octal, else decimal.
        const GxString literal(start, length);
        *value = ParseInteger(literal.c_str(), nullptr, 0, false);
    }
    m_ProcessPos += s32(length);
    if (m_ProcessPos < end && text[size_t(m_ProcessPos)] == u')') ++m_ProcessPos;
    return number;
}

bool GxTextLayout::StartRuby(const GxString& text, s32 end) {
    const GxSystemConfig& config = GxUISystemConfig();
    const s32 separator = FindFrom(text, m_ProcessPos, end, config.m_RubySeparatorChar);
    if (separator >= end) return false;
    const s32 close = FindFrom(text, separator + 1, end, config.m_RubyCloseChar);
    RubyRecord ruby;
    ruby.m_Text = text.substr(size_t(separator + 1), size_t(close - separator - 1));
    for (GxChar ch : ruby.m_Text) ruby.m_RubyCharWidth = GxUIAddSat(ruby.m_RubyCharWidth, GxUICharWidth(ch, m_RubyFontSize));
    for (s32 i = m_ProcessPos; i < separator; ++i)
        ruby.m_RubyUnderCharWidth =
            GxUIAddSat(ruby.m_RubyUnderCharWidth, GxUICharWidth(text[size_t(i)], m_TextFontSize));
    ruby.m_OffsetPos = GxVector3(f32(std::max(GxUIAddSat(m_CursorX, -s64(m_TextFontSize / 2)), 0)), f32(m_CursorY), 0);
    m_Rubies.push_back(std::move(ruby));
    m_RubyMode = true;
    return true;
}

GxTextLayout::Stop GxTextLayout::LayOut(const GxString& text, s32 end, const Rules& rules) {
    const GxSystemConfig& config = GxUISystemConfig();
    const auto next = [&]() -> GxChar { return m_ProcessPos < end ? text[size_t(m_ProcessPos)] : GxChar(0); };
    const s64 width = m_TextRegionWidth;
    const s64 cell = s64(m_TextFontSize) + rules.m_LetterMargin;
    for (;;) {
        if (m_ProcessPos >= end) break;
        const GxChar ch = text[size_t(m_ProcessPos)];
        m_ShowChars.push_back(CharRecord{ch, GxVector3(f32(m_CursorX), f32(m_CursorY), 0), m_TextColor, m_ChangeColor});
        if (rules.m_Timed) m_WaitTimeLeft = GxUIAddSat(m_WaitTimeLeft, rules.m_CharWaitTime);
        ++m_ProcessPos;
        m_CursorX = GxUIAddSat(m_CursorX, s64(GxUICharWidth(ch, m_TextFontSize)) + rules.m_LetterMargin);
        // An opening character must not end a line: with room for fewer than
        // two more characters it starts the next one.
        if (m_CursorX + 2 * cell >= width && GxUIInSet(config.m_LineEndForbidden, next()) && !m_IgnoreKinsoku &&
            !m_DisenableAutoNewline)
            NewLine(rules.m_LinePitch);
        if (m_CursorX + cell >= width && !m_DisenableAutoNewline) {
            // A closing character must not start a line: it hangs at the end
            // of this one, and the test is made again after it.
            if (GxUIInSet(config.m_LineStartForbidden, next()) && !m_IgnoreKinsoku && m_CursorX < width) continue;
            NewLine(rules.m_LinePitch);
        }
        break;
    }
    if (m_ProcessPos < end) return Stop::None;
    m_RubyMode = false;
    return Stop::End;
}

void GxTextLayout::Draw(const GxTaskActor& actor, const DrawStyle& style,
                        const std::function<u32(const CharRecord&)>& colourOf) const {
    GxVector4 w;
    actor.GetWorldPos(&w);
    const GxActorVisualParam& visual = actor.GetVisualParam();
    const GxVector2 scale(visual.m_Scale.x, visual.m_Scale.y);
    const f32 alpha = f32(visual.m_Alpha) / 255.0f;
    GxUIGlyphStyle glyph;
    glyph.m_BlendMode = u32(visual.m_BlendMode);
    glyph.m_Shadow = style.m_Shadow;
    glyph.m_ShadowColour = GxUIScaleAlpha(style.m_ShadowColor, alpha);
    const auto at = [&](s64 x, s64 y, const auto& draw) {
        draw(w.x + scale.x * f32(m_TextRegionLeft + x), w.y + scale.y * f32(m_TextRegionTop + y));
    };
    if (style.m_Rubies) {
        GxGDIFontMap* map = GxUIFontMap(m_RubyFontIndex);
        glyph.m_Colour = GxUIScaleAlpha(m_TextColor, alpha);
        glyph.m_ShadowOffset = 1.0f;
        const s64 width = m_TextRegionWidth, size = m_RubyFontSize;
        for (const RubyRecord& ruby : m_Rubies) {
            s64 x = (s64(ruby.m_RubyUnderCharWidth) - ruby.m_RubyCharWidth) / 2 + GxTruncToS32(ruby.m_OffsetPos.x);
            s64 y = GxTruncToS32(ruby.m_OffsetPos.y);
            const auto wrap = [&] {
                if (x + size < width) return;
                x = 0;
                y += style.m_RubyWrapPitch;
            };
            wrap();
            for (GxChar ch : ruby.m_Text) {
                at(x + size, y, [&](f32 sx, f32 sy) { GxUIDrawGlyph(map, ch, sx, sy, scale, glyph); });
                x += GxUICharWidth(ch, m_RubyFontSize);
                wrap();
            }
        }
    }
    if (!style.m_Chars) return;
    GxGDIFontMap* map = GxUIFontMap(m_TextFontIndex);
    glyph.m_ShadowOffset = style.m_CharShadowOffset;
    glyph.m_Edge = style.m_EdgeColor != 0;
    glyph.m_EdgeColour = style.m_EdgeColor;
    for (const CharRecord& c : m_ShowChars) {
        glyph.m_Colour = GxUIScaleAlpha(colourOf(c), alpha);
        at(GxTruncToS32(c.m_OffsetPos.x), s64(GxTruncToS32(c.m_OffsetPos.y)) + style.m_CharTop,
           [&](f32 sx, f32 sy) { GxUIDrawGlyph(map, c.m_Char, sx, sy, scale, glyph); });
    }
}
