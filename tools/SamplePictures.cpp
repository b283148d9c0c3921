#include "tools/SamplePictures.h"

#include "tools/SampleCanvas.h"
#include "tools/SampleImageSet.h"
#include "tools/SampleStoryArt.h"
#include "tools/SampleTables.h"

#include <cmath>
#include <cstdint>

namespace qtools {
namespace {

SampleCanvas TitleBackground() {
    SampleCanvas c(1024, 768);
    c.Gradient(0, 0, 1024, 420, 0xFF080C28, 0xFF2A2560, true);
    c.Gradient(0, 420, 1024, 348, 0xFF2A2560, 0xFF7A4E8C, true);
    c.Stars(180, 460, 19);
    c.Glow(800, 170, 180, 0x70FFF0C0);
    c.Circle(800, 170, 58, 0xFFFFF4D8);
    c.Circle(780, 150, 10, 0x30A09070);
    c.Circle(818, 190, 7, 0x30A09070);
    c.Hills(560, 30, 0.006f, 0.0f, 0xFF2A2050);
    c.Hills(612, 24, 0.011f, 1.0f, 0xFF1C1838);
    c.Hills(664, 14, 0.02f, 2.0f, 0xFF120F24);
    // Behind the buttons, a darker glass.
    c.RoundRect(700, 284, 280, 436, 16, 0x40000000);
    c.Text(*SampleFont(120, true), 84, 133, u"Quillon", 0x80000000);
    c.Text(*SampleFont(120, true), 80, 129, u"Quillon", 0xFFFFFFFF);
    c.Text(*SampleFont(36, true), 90, 272, u"サンプルゲーム", 0xFFD8D0FF);
    c.Text(*SampleFont(20, true), 92, 322, u"A short sample of the Quillon engine", 0xFFB0A8E0);
    return c;
}

// The sea at sunset, with a lighthouse.
SampleCanvas Sunset() {
    SampleCanvas c(1024, 768);
    c.Gradient(0, 0, 1024, 300, 0xFF2A1850, 0xFFD0607A, true);
    c.Gradient(0, 300, 1024, 170, 0xFFD0607A, 0xFFFFB060, true);
    c.Glow(512, 440, 260, 0x80FFD080);
    c.Circle(512, 440, 90, 0xFFFFE0A0);
    c.Gradient(0, 470, 1024, 298, 0xFF283060, 0xFF0C1028, true);
    for (int i = 0; i < 14; ++i) {
        const int w = 180 - i * 11, y = 480 + i * 18;
        c.RoundRect(float(512 - w / 2), float(y), float(w), 4, 2, WithAlpha(0xFFD890, 200 - i * 12));
    }
    c.FillRect(840, 250, 36, 230, 0xFFE8E0D8);
    for (int y = 280; y < 470; y += 48) c.FillRect(840, y, 36, 20, 0xFFB03030);
    c.FillRect(832, 236, 52, 16, 0xFF302828);
    c.Glow(858, 226, 40, 0xC0FFF0A0);
    return c;
}

// Mountains under a day sky, twice the screen's width: the viewer pans it.
SampleCanvas Panorama() {
    SampleCanvas c(2048, 768);
    c.Gradient(0, 0, 2048, 500, 0xFF3C78C8, 0xFFB8DCF4, true);
    c.Gradient(0, 500, 2048, 268, 0xFF68A060, 0xFF305828, true);
    // Clouds: a few soft puffs each.
    for (int i = 0; i < 7; ++i)
        for (int k = 0; k < 4; ++k)
            c.Glow(float(170 + i * 290 + k * 26), float(110 + (i % 3) * 40 - (k % 2) * 14), 56, 0x90FFFFFF);
    c.Hills(360, 90, 0.004f, 0.5f, 0xFF6C7C9C);
    c.Hills(420, 60, 0.007f, 2.0f, 0xFF4C6080);
    c.Hills(520, 30, 0.012f, 1.0f, 0xFF40703C);
    c.Hills(600, 20, 0.02f, 3.0f, 0xFF2C5028);
    for (int x = 0; x < 2048; x += 8) c.Circle(float(x), float(700 + 30 * std::sin(float(x) * 0.004f)), 6, 0xFFC8B078);
    return c;
}

SampleCanvas ErrorPicture() {
    SampleCanvas c(256, 128, 0xFF200810);
    for (int y = 0; y < 128; y += 16)
        for (int x = (y / 16) % 2 * 16; x < 256; x += 32) c.FillRect(x, y, 16, 16, 0xFF401020);
    c.RoundRect(2, 2, 252, 124, 6, 0xFFE04060, 3);
    c.TextCentred(*SampleFont(24, true), 128, 36, u"NO PICTURE", 0xFFFFFFFF, 0xFF000000);
    c.TextCentred(*SampleFont(16, true), 128, 72, u"画像がありません", 0xFFFFC0C8, 0xFF000000);
    return c;
}

// The first screen-sized part of a picture, reduced to a thumbnail.
SampleCanvas Thumbnail(const SampleCanvas& picture) {
    SampleCanvas screen(1024, 768);
    screen.Paste(picture, 0, 0);
    return screen.Reduced(160, 120);
}

// One glyph a cell, each cell drawn on its own so that nothing spills over.
SampleCanvas FontSheet(char16_t first, char16_t last, int cellWidth, int cellHeight, int columns, int fontHeight,
                       bool bold) {
    const int count = last - first + 1, rows = (count + columns - 1) / columns;
    SampleCanvas sheet(columns * cellWidth, rows * cellHeight);
    const pglyph::font& font = *SampleFont(fontHeight);
    for (int i = 0; i < count; ++i) {
        SampleCanvas cell(cellWidth, cellHeight);
        const std::u16string ch(1, char16_t(first + i));
        const int x = (cellWidth - SampleCanvas::TextWidth(font, ch)) / 2, y = (cellHeight - fontHeight) / 2;
        if (bold) {
            cell.Text(font, x, y, ch, 0xFFFFFFFF, 0xC0000000);
            cell.Text(font, x + 1, y, ch, 0xFFFFFFFF);
        } else {
            cell.Text(font, x, y, ch, 0xFFFFFFFF);
        }
        sheet.Paste(cell, i % columns * cellWidth, i / columns * cellHeight);
    }
    return sheet;
}

} // namespace

bool AddPictures(SampleFiles& files, std::string& error) {
    const SampleCanvas title = TitleBackground();
    files.Add("cg/ui/bg_title.png", title.Png());
    files.Add("cg/bg/黒.png", SampleCanvas(1024, 768, 0xFF000000).Png());
    files.Add("cg/error.png", ErrorPicture().Png());

    SampleImageSet gallery("th_cgmode"), replay("th_rpmode");
    const SampleCanvas pictures[] = {Sunset(), Panorama()};
    for (size_t i = 0; i < 2; ++i) {
        files.Add(std::string("cg/ev/") + kSampleEventPictures[i] + ".png", pictures[i].Png());
        gallery.Add(std::string("th_") + kSampleEventPictures[i] + ".png", Thumbnail(pictures[i]));
    }
    replay.Add("th_rp01.png", Thumbnail(NightBackground()));
    return gallery.AddTo(files, "uigis/", error) && replay.AddTo(files, "uigis/", error);
}

void AddBitmapFonts(SampleFiles& files) {
    files.Add("fonts/FONT16SYS.png", FontSheet(32, 126, 8, 16, 16, 16, false).Png());
    files.Add("fonts/FONT8NUM.png", FontSheet(32, 57, 8, 16, 7, 16, false).Png());
    files.Add("fonts/FONT22NUM.png", FontSheet(48, 57, 22, 32, 5, 32, true).Png());
}

} // namespace qtools
