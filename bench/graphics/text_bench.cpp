// Glyph-map text on the headless device, on one raster thread:
// - first-time rasterisation: distinct kanji asked of an empty glyph map
//   (rasterised into its pages), against the rasteriser alone writing the
//   same glyphs into a buffer;
// - cached drawing of a 40-character line, against the same 40 glyph quads
//   handed to the sprite routine from records looked up beforehand;
// - a full 1024 × 768 frame with two paragraphs of text (about 200 glyph
//   quads) against the same frame without text; the text's share must stay
//   under a quarter of a 60 Hz frame budget.
#include "bench/graphics/headless_graphics.h"
#include "bench/timing.h"
#include "graphics/GxFontMapText.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxRenderState.h"
#include "platform/glyph/font.h"

#include <cstdio>
#include <vector>

namespace {

constexpr u32 W = 1024, H = 768;
constexpr int kFirstGlyphs = 600;
constexpr double kFrameBudgetMs = 1000.0 / 60.0;

const GxChar* kLine = u"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじ";
const GxChar* kParagraphs[] = {
    u"吾輩はここで始めて人間というものを見た。しかもあとで聞くとそれは書生という人間中で一番獰悪な種族であったそう"
    u"だ。この書生というのは時々我々を捕えて煮て食うという話である。",
    u"しかしその当時は何という考もなかったから別段恐しいとも思わなかった。ただ彼の掌に載せられてスーと持ち上げられ"
    u"た時何だかフワフワした感じがあったばかりである。掌の上で少し落ちついて書生の顔を見たのがいわゆる人間というものの"
    u"見始であろう。",
};

void Frame(GxGDIFontMap* map, bool text) {
    GxGraphics::Clear(kGxClearTarget, 0xFF000000u, 1.0f, 0);
    GxGraphics::BeginScene();
    GxSetDefaultRenderStates();
    if (text) {
        f32 y = 500;
        for (const GxChar* paragraph : kParagraphs) {
            for (const GxString& line : GxSplitPanelText(paragraph, map->GetFontHeight(), 896, u'\n').m_Lines) {
                GxDrawFontMapText(map, line.c_str(), 64, y, nullptr, 0xFFFFFFFF, 0, 2, u'\n');
                y += f32(map->GetFontHeight());
            }
            y += f32(map->GetFontHeight());
        }
    }
    GxGraphics::EndScene();
    GxGraphics::Present();
}

} // namespace

int main() {
    if (!qbench::StartHeadlessGraphics("text_bench", W, H)) return 1;
    GxGraphics::GetDevice()->set_raster_threads(1);
    {
        GxGDIFontMap map;
        map.SetFont(24, nullptr);
        std::printf("text_bench: glyph maps at 24 pixels, %s, one raster thread\n",
                    pglyph::rasteriser_version().c_str());

        // First-time rasterisation.
        const double mapped = qbench::BestOf(5, [&] {
            map.Clear();
            for (int i = 0; i < kFirstGlyphs; ++i) map.GetGlyph(GxChar(0x4E00 + i * 7));
        });
        auto font = pglyph::font::create(24, u"");
        std::vector<uint8_t> buffer(8192);
        const double bare = qbench::BestOf(5, [&] {
            pglyph::glyph_metrics gm;
            for (int i = 0; i < kFirstGlyphs; ++i)
                font->glyph(char16_t(0x4E00 + i * 7), gm, buffer.data(), buffer.size());
        });
        std::printf("  first-time rasterisation: %.0f glyphs/s into the map's pages, %.0f glyphs/s by the "
                    "rasteriser alone; ratio %.2f\n",
                    kFirstGlyphs * 1000.0 / mapped, kFirstGlyphs * 1000.0 / bare, mapped / bare);

        // Cached drawing of a 40-character line.
        map.Clear();
        std::vector<GxFontMapGlyph> records;
        for (const GxChar* p = kLine; *p; ++p) records.push_back(map.GetGlyph(*p));
        GxGraphics::BeginScene();
        GxSetDefaultRenderStates();
        constexpr int kLines = 200;
        const double drawn = qbench::BestOf(5, [&] {
            for (int i = 0; i < kLines; ++i)
                GxDrawFontMapText(&map, kLine, 16, f32(i % 30) * 24, nullptr, 0xFFFFFFFF, 0, 2, u'\n');
            GxGraphics::GetDevice()->get_render_target(0)->finish_drawing();
        });
        const double quads = qbench::BestOf(5, [&] {
            for (int i = 0; i < kLines; ++i) {
                f32 x = 16;
                for (const GxFontMapGlyph& g : records) {
                    GxDrawSpriteRect(&g, x, f32(i % 30) * 24, nullptr, nullptr, nullptr, 0xFFFFFFFF, 0, 2);
                    x += f32(g.m_Width);
                }
            }
            GxGraphics::GetDevice()->get_render_target(0)->finish_drawing();
        });
        GxGraphics::EndScene();
        std::printf("  cached 40-character line: %.0f lines/s (%.1f us each), %.0f lines/s as bare quads; "
                    "ratio %.2f\n",
                    kLines * 1000.0 / drawn, drawn * 1000.0 / kLines, kLines * 1000.0 / quads, drawn / quads);

        // A whole frame.
        size_t glyphs = 0;
        for (const GxChar* paragraph : kParagraphs) glyphs += GxString(paragraph).size();
        Frame(&map, true);
        const double withText = qbench::BestOf(15, [&] { Frame(&map, true); });
        const double without = qbench::BestOf(15, [&] { Frame(&map, false); });
        const double cost = withText - without;
        std::printf("  1024 x 768 frame with two paragraphs (%zu glyph quads): %.2f ms, without text %.2f ms; the text "
                    "costs %.2f ms, %.2f of a quarter frame budget (%.2f ms)%s\n",
                    glyphs, withText, without, cost, cost / (kFrameBudgetMs / 4), kFrameBudgetMs / 4,
                    cost <= kFrameBudgetMs / 4 ? "" : "  ** over budget **");
        map.Clear();
    }
    GxGraphics::Finalize();
    return 0;
}
