#include "ui/GxUIText.h"

#include "base/GxLog.h"
#include "graphics/GxCharWidth.h"
#include "graphics/GxDraw.h"
#include "graphics/GxGlobalFonts.h"
#include "io/GxContentReaderBase.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"

#include <algorithm>
#include <limits>

const GxSystemConfig& GxUISystemConfig() {
    static const GxSystemConfig defaults;
    GxCoreBase* core = GxCoreBase::GetCoreBase();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    return config ? *config : defaults;
}

s32 GxUICheckFontIndex(s32 index, const GxChar* className) {
    if (index >= 0 && index <= kGxUIFontIndexMax) return index;
    const s32 used = std::clamp(index, 0, kGxUIFontIndexMax);
    GxWriteErrorLog(u"%s/フォント番号が範囲外です(%d)。%dを使います\n", className ? className : u"", index, used);
    return used;
}

s32 GxUIFontSize(s32 index) {
    return GxUISystemConfig().m_FontSize[std::clamp(index, 0, kGxUIFontIndexMax)];
}

GxGDIFontMap* GxUIFontMap(s32 index) { return GxGlobalFonts::GetFontMap(std::clamp(index, 0, kGxUIFontIndexMax)); }

bool GxUIInSet(const GxString& set, GxChar ch) { return ch != 0 && set.find(ch) != GxString::npos; }

s32 GxUICharWidth(GxChar ch, s32 fontSize) { return GxUIAddSat(0, s64(GxGetCharCellWidth(ch)) * fontSize / 2); }

s32 GxUIAddSat(s32 a, s64 b) {
    // b is at most 2^63 - 1 in size; the sum saturates before it could wrap.
    const s64 lo = std::numeric_limits<s32>::min(), hi = std::numeric_limits<s32>::max();
    const s64 clampedB = std::clamp<s64>(b, lo - hi, hi - lo);
    return s32(std::clamp<s64>(s64(a) + clampedB, lo, hi));
}

bool GxUIReadListCount(GxContentReaderBase* r, const char* name, const GxChar* className, u32 elementBytes,
                       u32* count) {
    *count = 0;
    r->ReadListBegin(name, count);
    if (r->GetErrorCount() != 0) {
        *count = 0;
        return false;
    }
    // Every stored element takes at least its values' bytes.
    if (r->CanHold(*count, std::max(elementBytes, 1u))) return true;
    r->ComplainAbout(GxFormat(u"%s::ReadContent/%Sの要素数が不正です(%u)\n", className ? className : u"", name, *count));
    *count = 0;
    return false;
}

u32 GxUIScaleAlpha(u32 argb, f32 alphaScale) {
    const f32 scale = std::clamp(alphaScale, 0.0f, 1.0f);
    const u32 alpha = u32(f32(argb >> 24) * scale);
    return (std::min(alpha, 255u) << 24) | (argb & 0x00FFFFFFu);
}

bool GxUIDrawGlyph(GxGDIFontMap* map, GxChar ch, f32 x, f32 y, const GxVector2& scale, const GxUIGlyphStyle& style) {
    if (!map) return false;
    const GxFontMapGlyph glyph = map->GetGlyph(ch);
    if (!glyph.m_Texture) return false;
    if (style.m_Shadow)
        GxDrawSpriteRect(&glyph, x + scale.x * style.m_ShadowOffset, y + scale.y * style.m_ShadowOffset, &scale,
                         nullptr, nullptr, style.m_ShadowColour, 0, style.m_BlendMode);
    if (style.m_Edge)
        GxDrawSpriteRectEdge(&glyph, x, y, 1.0f, &scale, nullptr, nullptr, style.m_EdgeColour, 0, style.m_BlendMode);
    GxDrawSpriteRect(&glyph, x, y, &scale, nullptr, nullptr, style.m_Colour, 0, style.m_BlendMode);
    return true;
}
