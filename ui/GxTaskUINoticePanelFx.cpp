#include "ui/GxTaskUINoticePanelFx.h"

#include "graphics/GxGraphics.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcCrammedPattern.h"
#include "layers/GxNcOriginImage.h"
#include "tasks/GxSystemConfig.h"
#include "ui/GxUIText.h"

#include <algorithm>
#include <limits>
#include <string_view>

GxTaskUINoticePanelFx::GxTaskUINoticePanelFx(GxTaskBase* parent, const GxChar* name, const GxChar* localName,
                                             s32 localIndex)
    : GxTaskUITextPanelFx(parent, name, localName, localIndex) {
    SetTaskTag(kTypeCode);
}

namespace {

bool IsLatin(GxChar c) { return c > u' ' && c < 0x7F; }
bool IsHiragana(GxChar c) { return c >= 0x3041 && c <= 0x309F; }
bool IsWordStart(GxChar c) { return (c >= 0x30A1 && c <= 0x30FA) || (c >= 0x3400 && c <= 0x9FFF); }

// Breaks that cost nothing, and those no line takes unless it must.
constexpr double kPause = 0, kParticle = 2, kNewWord = 16, kAnywhere = 32, kBeforeSmallKana = 128;
constexpr double kNoBreak = -1;

// What breaking before the character at k costs a reader, in squared font
// sizes; kNoBreak where the rules keep the line whole.
double BreakCost(const GxString& text, size_t k, const GxSystemConfig& config) {
    const GxChar before = text[k - 1], after = text[k];
    if (after == u' ' || (IsLatin(before) && IsLatin(after)) || GxUIInSet(config.m_LineStartForbidden, after) ||
        GxUIInSet(config.m_LineEndForbidden, before))
        return kNoBreak;
    if (before == u' ' || GxUIInSet(config.m_LineStartForbidden, before) || GxUIInSet(config.m_LineEndForbidden, after) ||
        after == u'(')
        return kPause;
    if (std::u16string_view(u"ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶー").find(after) != std::u16string_view::npos)
        return kBeforeSmallKana;
    if (IsHiragana(before) && IsWordStart(after))
        return std::u16string_view(u"はがをにへでとものや").find(before) != std::u16string_view::npos ? kParticle
                                                                                                        : kNewWord;
    return kAnywhere;
}

// Longer paragraphs, or ones of more lines, than a notice shows are broken
// where each line fills.
constexpr size_t kMaxEvenChars = 512;
constexpr size_t kMaxEvenLines = 8;

} // namespace

std::vector<std::pair<size_t, size_t>> GxTaskUINoticePanelFx::LayOutLines(s32 areaWidth) const {
    const GxSystemConfig& config = GxUISystemConfig();
    const s32 size = m_PanelText.m_TextFontSize;
    std::vector<std::pair<size_t, size_t>> lines;
    size_t from = 0;
    for (;;) {
        const size_t feed = m_Text.find(config.m_VerticalBarChar, from);
        const size_t to = feed == GxString::npos ? m_Text.size() : feed;
        const size_t n = to - from;
        // Starts of the characters, what each break costs, and one past the
        // last character before each that is not a space.
        std::vector<s64> x(n + 1, 0);
        std::vector<double> cost(n + 1, kPause);
        std::vector<size_t> solid(n + 1, 0);
        for (size_t i = 0; i < n; ++i) {
            x[i + 1] = x[i] + GxUICharWidth(m_Text[from + i], size);
            if (i > 0) cost[i] = BreakCost(m_Text, from + i, config);
            solid[i + 1] = m_Text[from + i] == u' ' ? solid[i] : i + 1;
        }
        // Characters i to j on one line: the last of them but trailing spaces.
        const auto last = [&](size_t i, size_t j) { return solid[j] > i + 1 ? solid[j] - 1 : i; };
        const auto width = [&](size_t i, size_t j) { return x[last(i, j)] - x[i] + size; };
        const auto fits = [&](size_t i, size_t j) { return j - i == 1 || width(i, j) < areaWidth; };
        // As few lines as the rules allow, each filled; a line with no place
        // to break is broken where it fills.
        std::vector<size_t> ends;
        for (size_t i = 0; i < n;) {
            size_t j = i + 1, end = 0;
            for (; j <= n && fits(i, j); ++j)
                if (j == n || cost[j] != kNoBreak) end = j;
            ends.push_back(i = end ? end : j - 1);
        }
        // The same number of lines, as even as they can be, at the breaks
        // that cost the reader least.
        if (ends.size() > 1 && ends.size() <= kMaxEvenLines && n <= kMaxEvenChars) {
            const double unit = double(size) * double(size);
            constexpr double kUnreached = std::numeric_limits<double>::infinity();
            std::vector<std::vector<double>> least(ends.size() + 1, std::vector<double>(n + 1, kUnreached));
            std::vector<std::vector<size_t>> start(ends.size() + 1, std::vector<size_t>(n + 1, 0));
            least[0][0] = 0;
            for (size_t k = 1; k <= ends.size(); ++k)
                for (size_t j = 1; j <= n; ++j) {
                    if (j < n && cost[j] == kNoBreak) continue;
                    for (size_t i = j; i-- > 0 && fits(i, j);) {
                        if (least[k - 1][i] == kUnreached) continue;
                        const double slack = double(areaWidth) - double(width(i, j));
                        const double c = least[k - 1][i] + slack * slack + (j < n ? cost[j] * unit : 0);
                        if (c < least[k][j]) least[k][j] = c, start[k][j] = i;
                    }
                }
            if (least[ends.size()][n] != kUnreached)
                for (size_t k = ends.size(), j = n; k > 0; j = start[k][j], --k) ends[k - 1] = j;
        }
        size_t begin = 0;
        for (size_t end : ends) {
            lines.emplace_back(from + begin, from + last(begin, end) + 1);
            begin = end;
        }
        if (n == 0) lines.emplace_back(from, from);
        if (feed == GxString::npos) return lines;
        from = feed + 1;
    }
}

std::vector<GxString> GxTaskUINoticePanelFx::BreakLines(s32 areaWidth) const {
    std::vector<GxString> lines;
    for (const auto& [begin, end] : LayOutLines(areaWidth)) lines.push_back(m_Text.substr(begin, end - begin));
    return lines;
}

template <class F>
void GxTaskUINoticePanelFx::ForEachPlace(const std::vector<std::pair<size_t, size_t>>& lines, F&& f) const {
    const s32 size = m_PanelText.m_TextFontSize;
    s32 y = 0;
    for (const auto& [begin, end] : lines) {
        s32 x = 0;
        for (size_t i = begin; i < end; ++i) {
            f(m_Text[i], x, y);
            x = GxUIAddSat(x, GxUICharWidth(m_Text[i], size));
        }
        y = GxUIAddSat(y, size);
    }
}

GxPoint2 GxTaskUINoticePanelFx::MeasureText(s32 areaWidth) const { return MeasureLines(LayOutLines(areaWidth), areaWidth); }

GxPoint2 GxTaskUINoticePanelFx::MeasureLines(const std::vector<std::pair<size_t, size_t>>& lines, s32 areaWidth) const {
    s32 right = 0, bottom = 0;
    ForEachPlace(lines, [&](GxChar, s32 x, s32 y) {
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    });
    const s32 size = m_PanelText.m_TextFontSize;
    return GxPoint2{std::min(GxUIAddSat(right, size), areaWidth), GxUIAddSat(bottom, size)};
}

int GxTaskUINoticePanelFx::Render(int drawParam, int listIndex) {
    GxTaskUIPanelFx::Render(drawParam, listIndex);
    if (!IsActiveInScene()) return 0;
    BeginWidgetDraw();
    GxVector4 w;
    GetWorldPos(&w);
    const f32 alpha = GetAlphaScale();
    // Wide enough for any rectangle a save may hold.
    s64 left = m_ClientLeft, top = m_ClientTop, width = m_ClientWidth, height = m_ClientHeight;
    const GxNcCrammedPattern* icon = m_pIcon ? m_pIcon->GetPattern(0) : nullptr;
    if (icon) {
        s64 x = left + (width - icon->m_Width) / 2, y = top + (height - icon->m_Height) / 2;
        if (m_IconPlacement == kIconLeft) {
            x = left;
            left += icon->m_Width;
            width -= icon->m_Width;
        } else if (m_IconPlacement == kIconTop) {
            y = top;
            top += icon->m_Height;
            height -= icon->m_Height;
        }
        GxMatrix at;
        at.SetTranslationV(GxVector3(w.x + f32(x), w.y + f32(y), 0));
        DrawCrammedPattern(0, m_pIcon, at, alpha, GxFColor(1, 1, 1, 1), GxFColor(0, 0, 0, 0), 2);
    }
    const s32 areaWidth = GxUIAddSat(0, width);
    const std::vector<std::pair<size_t, size_t>> lines = LayOutLines(areaWidth);
    const GxPoint2 block = MeasureLines(lines, areaWidth);
    const f32 x0 = w.x + f32(left + (width - block.x) / 2), y0 = w.y + f32(top + (height - block.y) / 2);
    GxUIGlyphStyle style;
    style.m_Colour = GxUIScaleAlpha(m_PanelText.m_TextColor, alpha);
    style.m_BlendMode = u32(m_Visual.m_BlendMode);
    style.m_Edge = m_PanelText.m_UseEdge;
    style.m_EdgeColour = GxUIScaleAlpha(m_PanelText.m_EdgeColor, alpha);
    GxGDIFontMap* map = GxUIFontMap(m_PanelText.m_TextFontIndex);
    ForEachPlace(lines, [&](GxChar ch, s32 x, s32 y) {
        GxUIDrawGlyph(map, ch, x0 + f32(x), y0 + f32(y), kGxVector2One, style);
    });
    GxGraphics::EndScene();
    return 0;
}
