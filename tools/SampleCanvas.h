#pragma once
// A picture in memory that the sample's art is drawn on: fills, gradients and
// anti-aliased shapes blended over what is there, and text rendered with the
// engine's own glyph rasteriser. Pixels are 0xAARRGGBB, straight alpha, rows
// top first.
#include "platform/glyph/font.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace qtools {

// Blends src over dst (straight alpha), src's alpha scaled by coverage
// (0 to 1).
uint32_t BlendOver(uint32_t dst, uint32_t src, float coverage);
// a to b by t (0 to 1), every channel alpha included.
uint32_t MixColour(uint32_t a, uint32_t b, float t);
uint32_t WithAlpha(uint32_t rgb, uint32_t alpha);

// The engine's default face (the Japanese gothic, fixed pitch) at a cell
// height, or its proportional sibling for display text; made once each, null
// when no face can be opened at all.
const pglyph::font* SampleFont(int height, bool proportional = false);

class SampleCanvas {
public:
    SampleCanvas(int width, int height, uint32_t fill = 0);

    int Width() const { return m_Width; }
    int Height() const { return m_Height; }
    const std::vector<uint32_t>& Pixels() const { return m_Pixels; }
    uint32_t At(int x, int y) const { return m_Pixels[size_t(y) * size_t(m_Width) + size_t(x)]; }
    void Set(int x, int y, uint32_t argb) { m_Pixels[size_t(y) * size_t(m_Width) + size_t(x)] = argb; }

    // Blends one pixel; outside the picture nothing happens.
    void Blend(int x, int y, uint32_t argb, float coverage = 1.0f);
    void FillRect(int left, int top, int width, int height, uint32_t argb);
    // Replaces the pixels of a rectangle with a gradient from top to bottom
    // (vertical) or left to right.
    void Gradient(int left, int top, int width, int height, uint32_t from, uint32_t to, bool vertical);
    // A rectangle with rounded corners, its edge anti-aliased; border > 0
    // draws only a ring of that width.
    void RoundRect(float left, float top, float width, float height, float radius, uint32_t argb, float border = 0);
    // A disc, or a ring of that width.
    void Circle(float cx, float cy, float radius, uint32_t argb, float border = 0);
    // A disc fading from argb at the centre to nothing at the radius.
    void Glow(float cx, float cy, float radius, uint32_t argb);
    // Everything below y(x) = base + amplitude × sin(x × frequency + phase)
    // down to the bottom edge: a line of hills.
    void Hills(float base, float amplitude, float frequency, float phase, uint32_t argb);
    // Stars strewn above bottom from a fixed seed, so that every run draws
    // the same sky.
    void Stars(int count, int bottom, uint32_t seed);

    // One line of text whose cell's top-left corner is (x, y); a non-zero
    // edge colour draws a one-pixel outline first. Returns the pen's x after
    // the last character.
    int Text(const pglyph::font& font, int x, int y, std::u16string_view text, uint32_t argb, uint32_t edge = 0);
    // The same centred on the line at cx.
    void TextCentred(const pglyph::font& font, int cx, int y, std::u16string_view text, uint32_t argb,
                     uint32_t edge = 0);
    static int TextWidth(const pglyph::font& font, std::u16string_view text);

    // Copies another picture's pixels in, unblended.
    void Paste(const SampleCanvas& from, int x, int y);
    // Box-filtered copy at a smaller size.
    SampleCanvas Reduced(int width, int height) const;
    std::vector<uint8_t> Png() const;

private:
    // Fills the pixels of the box whose centres lie within one pixel of the
    // shape, by the shape's signed distance (negative inside) at each centre.
    void Shape(float left, float top, float right, float bottom, uint32_t argb,
               const std::function<float(float, float)>& distance);

    int m_Width, m_Height;
    std::vector<uint32_t> m_Pixels;
};

} // namespace qtools
