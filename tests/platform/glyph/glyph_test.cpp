// The glyph rasteriser stand-in: grey levels, half-width classes, finding
// faces by name, font metrics and glyph bitmaps, and the drawing context.
#include "platform/glyph/drawing_context.h"
#include "platform/glyph/face_finder.h"
#include "platform/glyph/font.h"
#include "platform/glyph/half_width.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

TEST(GreyLevels, CoverageBecomesSixtyFiveLevelsRoundedToNearest) {
    const struct {
        uint8_t coverage, level;
    } rows[] = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {128, 32}, {129, 32}, {130, 33}, {253, 63}, {254, 64}, {255, 64}};
    for (const auto& r : rows) EXPECT_EQ(pglyph::coverage_to_level(r.coverage), r.level) << int(r.coverage);
    for (const auto& [width, pitch] : {std::pair{0u, 0u}, {1u, 4u}, {8u, 8u}, {9u, 12u}})
        EXPECT_EQ(pglyph::grey_pitch(width), pitch) << width;
}

TEST(HalfWidth, ClassesOfCodeUnits) {
    const struct {
        char16_t unit;
        bool half;
    } rows[] = {
        {u'A', true},     {0x7F, true},     {0xFF61, true},  {0xFF71, true},  {0xFF9F, true},   {0xFFE8, true},
        {0x20A9, true},   {0x00E9, true},   {0x0430, false},  // Cyrillic, held by CP932
        {0x3042, false},  {0x30A2, false},  {0x4E00, false}, {0xFF21, false}, {0xFFE5, false},  {0x3000, false},
        {0x203B, false},  {0x03B1, false},  {0x00D7, false}, {0xE000, false}, {0xF8FF, false},  {0xD800, true},
        {0xAC00, false},  {0x0E01, true},
    };
    for (const auto& r : rows) EXPECT_EQ(pglyph::is_half_width(r.unit), r.half) << std::hex << int(r.unit);
}

TEST(FaceFinder, TheSystemGothicAndUnknownNamesMapToTheDefaultFace) {
    const pglyph::face_lookup def = pglyph::find_face(u"");
    ASSERT_TRUE(def.found) << "no font installed (scripts/setup-deps installs IPAGothic)";
    EXPECT_FALSE(def.choice.substituted);
    for (std::u16string_view alias : {u"ＭＳ ゴシック", u"MS Gothic", u"ＭＳ Ｐゴシック"}) {
        const pglyph::face_lookup a = pglyph::find_face(alias);
        EXPECT_TRUE(pglyph::is_default_face_name(alias));
        EXPECT_EQ(a.choice.file, def.choice.file);
        EXPECT_FALSE(a.choice.substituted);
    }
    const pglyph::face_lookup first = pglyph::find_face(u"No Such Face 7Q");
    EXPECT_TRUE(first.first);
    EXPECT_TRUE(first.choice.substituted);
    EXPECT_EQ(first.choice.file, def.choice.file);
    EXPECT_FALSE(pglyph::find_face(u"No Such Face 7Q").first) << "a name is reported once";
    // The installed gothic by its own name is no substitute.
    const pglyph::face_lookup named = pglyph::find_face(u"IPAGothic");
    if (named.found && !named.choice.substituted) {
        EXPECT_EQ(named.choice.file, def.choice.file);
    }
}

TEST(Font, MetricsFollowTheCellHeight) {
    for (const int32_t h : {0, -3}) EXPECT_EQ(pglyph::font::create(h, u""), nullptr) << h;
    for (int32_t h : {11, 16, 24, 64}) {
        auto f = pglyph::font::create(h, u"");
        ASSERT_NE(f, nullptr);
        const pglyph::text_metrics& m = f->metrics();
        EXPECT_EQ(m.height, h);
        EXPECT_EQ(m.ascent + m.descent, h);
        EXPECT_GT(m.ascent, m.descent);
        EXPECT_GT(m.descent, 0);
        EXPECT_GT(m.average_width, 0);
        EXPECT_GE(m.maximum_width, m.average_width);
    }
}

TEST(Font, GlyphsArePaddedGreyBitmapsWithTheirBoxes) {
    auto f = pglyph::font::create(16, u"");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> buf(4096, 0xEE);
    pglyph::glyph_metrics gm;
    const int64_t n = f->glyph(u'あ', gm, buf.data(), buf.size());
    ASSERT_GT(n, 0);
    EXPECT_EQ(size_t(n), pglyph::grey_pitch(gm.black_box_width) * gm.black_box_height);
    EXPECT_GT(gm.black_box_width, 8u);
    EXPECT_LE(gm.origin_y, f->metrics().ascent);
    EXPECT_GT(gm.advance, 12);
    const auto levels = std::vector<uint8_t>(buf.begin(), buf.begin() + n);
    EXPECT_LE(*std::max_element(levels.begin(), levels.end()), 64);
    EXPECT_GE(*std::max_element(levels.begin(), levels.end()), 48) << "a stroke covers whole pixels";
    // Row padding is zero.
    const size_t pitch = pglyph::grey_pitch(gm.black_box_width);
    for (uint32_t r = 0; r < gm.black_box_height; ++r)
        for (size_t c = gm.black_box_width; c < pitch; ++c) EXPECT_EQ(buf[r * pitch + c], 0);

    // Too small a buffer: the size needed, nothing written.
    std::vector<uint8_t> tiny(8, 0xEE);
    EXPECT_EQ(f->glyph(u'あ', gm, tiny.data(), tiny.size()), n);
    EXPECT_EQ(tiny, std::vector<uint8_t>(8, 0xEE));

    // The same character in code page 932.
    std::vector<uint8_t> narrow(4096, 0);
    EXPECT_EQ(f->glyph_cp932(0x82A0, gm, narrow.data(), narrow.size()), n);
    EXPECT_TRUE(std::equal(narrow.begin(), narrow.begin() + n, buf.begin()));

    // A space has no bitmap but an advance; a lone surrogate has neither.
    EXPECT_EQ(f->glyph(u' ', gm, buf.data(), buf.size()), 0);
    EXPECT_GT(gm.advance, 0);
    EXPECT_EQ(f->glyph(char16_t(0xD800), gm, buf.data(), buf.size()), 0);
    EXPECT_EQ(gm.advance, 0);
}

TEST(DrawingContext, FillsAreClippedAndTextBlendsOverThePixels) {
    pglyph::drawing_context dc(32, 20);
    dc.fill_rect(-5, -5, 3, 2, 0xFF112233);
    EXPECT_EQ(dc.pixel(0, 0), 0xFF112233u);
    EXPECT_EQ(dc.pixel(2, 1), 0xFF112233u);
    EXPECT_EQ(dc.pixel(3, 1), 0u);
    EXPECT_EQ(dc.pixel(-1, 0), 0u);
    dc.fill_rect(0, 0, 32, 20, 0x80000000);
    auto f = pglyph::font::create(16, u"");
    ASSERT_NE(f, nullptr);
    const int32_t end = dc.text_out(*f, 2, 2, u"漢A", 0xFFFFFFFF);
    EXPECT_GT(end, 2 + 16);
    size_t bright = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 32; ++x) {
            EXPECT_EQ(dc.pixel(x, y) >> 24, 0x80u) << "alpha is kept";
            bright += ((dc.pixel(x, y) >> 16) & 255) > 0xC0;
        }
    EXPECT_GT(bright, 20u);
    // Text off the picture draws nothing and does not fail.
    dc.text_out(*f, -100, 500, u"漢", 0xFFFF0000);
}

} // namespace
