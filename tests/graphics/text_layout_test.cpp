// Glyph-map text drawn on screen and the text panels' layouts: the pen's
// advance by cells, line feeds, panel line breaks and out rectangles, and one
// golden picture of mixed Japanese and Latin text at two sizes.
#include "text_fixture.h"

#include "graphics/GxFontMapText.h"
#include "support/Golden.h"

using namespace gxtest;

namespace {

TEST_F(TextTest, MixedKanaKanjiAndLatinAtTwoSizesMatchTheGolden) {
    const std::string mismatch = GoldenFontMismatch();
    if (!mismatch.empty()) GTEST_SKIP() << mismatch;
    Begin(480, 72, 0xFF000000);
    GxGDIFontMap small, large;
    small.SetFont(16, nullptr);
    large.SetFont(24, nullptr);
    const GxChar* text = u"Quillonの物語、始まり。ｶﾀｶﾅ abc 123";
    GxDrawFontMapText(&small, text, 8, 8, nullptr, 0xFFFFFFFF, 0, 2, u'\n');
    GxDrawFontMapText(&large, text, 8, 32, nullptr, 0xFFFFFFFF, 0, 2, u'\n');
    std::vector<uint32_t> px = End();
    EXPECT_TRUE(MatchesGolden("text_mixed", px, 480, 72));
}

} // namespace
