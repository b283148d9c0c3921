// A 200-character message revealed by the message window at 60 frames a
// second, one character per 30 ms, on the headless device with one raster
// thread:
// - the reveal: the window's update every frame until the message is shown
//   (laying out each character as it comes), against the same layout done as
//   a plain loop over the same characters;
// - the frame: the update and the drawing of everything laid out so far
//   (shadow, outline and glyph per character), against the same glyph quads
//   handed to the sprite routine from records looked up beforehand.
// The budget: the window's own work per frame (the reveal) under 0.5 ms.
#include "bench/graphics/headless_graphics.h"
#include "bench/timing.h"
#include "graphics/GxCharWidth.h"
#include "graphics/GxDraw.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxRenderState.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxMessageSettingsBase.h"
#include "ui/GxTaskUIMessageWindowFx.h"

#include <cstdio>
#include <vector>

namespace {

constexpr u32 W = 1024, H = 768;
constexpr s64 kFrameMicros = 16667;
constexpr double kBudgetMs = 0.5;
const s32 kFontSizes[] = {11, 15, 23, 24, 22, 38};

struct Settings : GxMessageSettingsBase {
    s32 GetTextWaitTime() const override { return 30; }
    s32 GetTextLongWaitTime() const override { return 480; }
    bool GetFastShowReadedText() const override { return true; }
    bool GetChangeColorReadedText() const override { return true; }
};

// 200 laid-out characters with a ruby, a colour change and a new line.
GxString Message() {
    GxString text = u"吾輩は≪猫／ねこ≫である。名前はまだ無い。%a(0xFFC040)どこで生れたか%aとんと見当がつかぬ。%r";
    const GxString filler = u"何でも薄暗いじめじめした所でニャーニャー泣いていた事だけは記憶している。";
    while (text.size() < 230) text += filler;
    return text;
}

void Clear() {
    GxGraphics::Clear(kGxClearTarget, 0xFF000000u, 1.0f, 0);
}

} // namespace

int main() {
    if (!qbench::StartHeadlessGraphics("message_bench", W, H)) return 1;
    GxGraphics::GetDevice()->set_raster_threads(1);
    for (int i = 0; i < GxGlobalFonts::kFontMapCount; ++i) GxGlobalFonts::GetFontMap(i)->SetFont(kFontSizes[i], nullptr);
    Settings settings;
    GxMessageSettingsBase::Set(&settings);
    {
        GxTaskManage manager;
        auto* top = new GxTaskBase(&manager);
        auto* w = new GxTaskUIMessageWindowFx(top, u"mes");
        w->SetPos(64, 500, 0, 0);
        w->SetTextRegion(16, 16, 896, 240);
        const GxString text = Message();

        // Cuts the message at 200 laid-out characters.
        w->SetMessage(text, true, false, false, false);
        w->RevealAll(true, false);
        size_t cut = text.size();
        while (w->GetCharCount() > 200) {
            w->SetMessage(text.substr(0, --cut), true, false, false, false);
            w->RevealAll(true, false);
        }
        const GxString message = text.substr(0, cut);
        std::printf("message_bench: %u characters laid out, %d to a line, 30 ms each, %zu-unit text\n",
                    w->GetCharCount(), 896 / 27, message.size());

        // The reveal alone, frame by frame.
        int frames = 0;
        const double reveal = qbench::BestOf(20, [&] {
            w->SetMessage(message, true, false, false, false);
            frames = 0;
            while (!w->IsClickWaiting()) {
                manager.m_StopUpdateFlag = false;
                w->Update(0, kFrameMicros);
                ++frames;
            }
        });
        // The same layout as a plain loop: advance, test, record.
        struct Rec {
            GxChar ch;
            s32 x, y;
        };
        std::vector<Rec> plain;
        const double plainLayout = qbench::BestOf(20, [&] {
            plain.clear();
            s32 x = 0, y = 0;
            for (GxChar ch : message) {
                plain.push_back({ch, x, y});
                x += GxGetCharCellWidth(ch) * 23 / 2 + 4;
                if (x + 27 >= 896) x = 0, y += 35;
            }
        });
        const double perFrame = reveal / frames;
        std::printf("  reveal: %d frames, %.4f ms per frame (%.2f of the %.1f ms budget)%s; the whole layout %.4f ms, "
                    "as a plain loop %.4f ms, ratio %.1f\n",
                    frames, perFrame, perFrame / kBudgetMs, kBudgetMs, perFrame <= kBudgetMs ? "" : "  ** over budget **",
                    reveal, plainLayout, reveal / plainLayout);

        // Frames during the reveal: the update and the drawing.
        const double withDraw = qbench::BestOf(5, [&] {
            w->SetMessage(message, true, false, false, false);
            frames = 0;
            while (!w->IsClickWaiting()) {
                Clear();
                w->Update(0, kFrameMicros);
                w->Render(0, 5);
                GxGraphics::GetDevice()->get_render_target(0)->finish_drawing();
                ++frames;
            }
        });
        // The same quads from records looked up beforehand.
        GxGDIFontMap* map = GxGlobalFonts::GetFontMap(2);
        std::vector<GxFontMapGlyph> glyphs;
        for (const GxTextLayout::CharRecord& c : w->GetLayout().m_ShowChars) glyphs.push_back(map->GetGlyph(c.m_Char));
        const double quads = qbench::BestOf(5, [&] {
            for (int f = 0; f < frames; ++f) {
                Clear();
                GxGraphics::BeginScene();
                GxSetDefaultRenderStates();
                const size_t shown = glyphs.size() * size_t(f + 1) / size_t(frames);
                for (size_t i = 0; i < shown; ++i) {
                    const auto& c = w->GetLayout().m_ShowChars[i];
                    const f32 x = 80 + c.m_OffsetPos.x, y = 527 + c.m_OffsetPos.y;
                    GxDrawSpriteRect(&glyphs[i], x + 3, y + 3, nullptr, nullptr, nullptr, 0x80000000, 0, 2);
                    GxDrawSpriteRectEdge(&glyphs[i], x, y, 1, nullptr, nullptr, nullptr, 0x80000000, 0, 2);
                    GxDrawSpriteRect(&glyphs[i], x, y, nullptr, nullptr, nullptr, 0xFFFFFFFF, 0, 2);
                }
                GxGraphics::EndScene();
                GxGraphics::GetDevice()->get_render_target(0)->finish_drawing();
            }
        });
        std::printf("  frames with drawing: %.3f ms per frame (10 quads a character), the same quads alone %.3f ms; "
                    "ratio %.2f\n",
                    withDraw / frames, quads / frames, withDraw / quads);
    }
    GxMessageSettingsBase::Set(nullptr);
    GxGlobalFonts::ReleaseAll();
    GxGraphics::Finalize();
    return 0;
}
