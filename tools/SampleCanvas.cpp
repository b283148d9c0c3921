#include "tools/SampleCanvas.h"

#include "platform/image/image.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace qtools {
namespace {

float Channel(uint32_t argb, int shift) { return float((argb >> shift) & 0xFF) / 255.0f; }
uint32_t Byte(float v) { return uint32_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); }

} // namespace

uint32_t BlendOver(uint32_t dst, uint32_t src, float coverage) {
    const float sa = Channel(src, 24) * std::clamp(coverage, 0.0f, 1.0f);
    if (sa <= 0.0f) return dst;
    // Opaque over anything is itself: the common case, and the same bytes.
    if (sa >= 1.0f) return src;
    const float da = Channel(dst, 24);
    const float oa = sa + da * (1.0f - sa);
    uint32_t out = Byte(oa) << 24;
    for (int shift : {16, 8, 0}) {
        const float c = (Channel(src, shift) * sa + Channel(dst, shift) * da * (1.0f - sa)) / oa;
        out |= Byte(c) << shift;
    }
    return out;
}

uint32_t MixColour(uint32_t a, uint32_t b, float t) {
    uint32_t out = 0;
    for (int shift : {24, 16, 8, 0}) out |= Byte(Channel(a, shift) + (Channel(b, shift) - Channel(a, shift)) * t) << shift;
    return out;
}

uint32_t WithAlpha(uint32_t rgb, uint32_t alpha) { return (rgb & 0xFFFFFF) | (std::min(alpha, 255u) << 24); }

const pglyph::font* SampleFont(int height, bool proportional) {
    // Kept to the end of the process: destroyed with the other statics, a
    // font could outlive the rasteriser's library it belongs to.
    static auto* fonts = new std::map<std::pair<int, bool>, std::unique_ptr<pglyph::font>>;
    auto& f = (*fonts)[{height, proportional}];
    if (!f) f = pglyph::font::create(height, proportional ? u"IPAPGothic" : u"");
    return f.get();
}

SampleCanvas::SampleCanvas(int width, int height, uint32_t fill)
    : m_Width(width), m_Height(height), m_Pixels(size_t(width) * size_t(height), fill) {}

void SampleCanvas::Blend(int x, int y, uint32_t argb, float coverage) {
    if (x < 0 || y < 0 || x >= m_Width || y >= m_Height) return;
    uint32_t& p = m_Pixels[size_t(y) * size_t(m_Width) + size_t(x)];
    p = BlendOver(p, argb, coverage);
}

void SampleCanvas::FillRect(int left, int top, int width, int height, uint32_t argb) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) Blend(x, y, argb);
}

void SampleCanvas::Gradient(int left, int top, int width, int height, uint32_t from, uint32_t to, bool vertical) {
    // One colour a row (or column), worked out once.
    const int steps = vertical ? height : width;
    std::vector<uint32_t> colours(size_t(std::max(steps, 0)));
    for (int i = 0; i < steps; ++i) colours[size_t(i)] = MixColour(from, to, float(i) / float(std::max(steps - 1, 1)));
    for (int y = std::max(top, 0); y < std::min(top + height, m_Height); ++y)
        for (int x = std::max(left, 0); x < std::min(left + width, m_Width); ++x)
            Set(x, y, colours[size_t(vertical ? y - top : x - left)]);
}

void SampleCanvas::Shape(float left, float top, float right, float bottom, uint32_t argb,
                         const std::function<float(float, float)>& distance) {
    const int x0 = std::max(0, int(std::floor(left)) - 1), x1 = std::min(m_Width, int(std::ceil(right)) + 1);
    const int y0 = std::max(0, int(std::floor(top)) - 1), y1 = std::min(m_Height, int(std::ceil(bottom)) + 1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float coverage = std::clamp(0.5f - distance(float(x) + 0.5f, float(y) + 0.5f), 0.0f, 1.0f);
            if (coverage > 0.0f) Blend(x, y, argb, coverage);
        }
}

void SampleCanvas::RoundRect(float left, float top, float width, float height, float radius, uint32_t argb,
                             float border) {
    const float hx = width / 2, hy = height / 2, cx = left + hx, cy = top + hy;
    radius = std::min({radius, hx, hy});
    Shape(left, top, left + width, top + height, argb, [=](float x, float y) {
        const float qx = std::fabs(x - cx) - (hx - radius), qy = std::fabs(y - cy) - (hy - radius);
        const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        const float d = outside + std::min(std::max(qx, qy), 0.0f) - radius;
        return border > 0 ? std::fabs(d + border / 2) - border / 2 : d;
    });
}

void SampleCanvas::Circle(float cx, float cy, float radius, uint32_t argb, float border) {
    Shape(cx - radius, cy - radius, cx + radius, cy + radius, argb, [=](float x, float y) {
        const float d = std::hypot(x - cx, y - cy) - radius;
        return border > 0 ? std::fabs(d + border / 2) - border / 2 : d;
    });
}

void SampleCanvas::Glow(float cx, float cy, float radius, uint32_t argb) {
    for (int y = std::max(0, int(cy - radius)); y < std::min(m_Height, int(cy + radius) + 1); ++y)
        for (int x = std::max(0, int(cx - radius)); x < std::min(m_Width, int(cx + radius) + 1); ++x) {
            const float t = 1.0f - std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy) / radius;
            if (t > 0) Blend(x, y, argb, t * t);
        }
}

void SampleCanvas::Hills(float base, float amplitude, float frequency, float phase, uint32_t argb) {
    for (int x = 0; x < m_Width; ++x) {
        const float top = base + amplitude * std::sin(float(x) * frequency + phase);
        const int y0 = std::max(0, int(std::floor(top)));
        // The crest's pixel is covered by the part of it below the curve.
        if (y0 < m_Height) Blend(x, y0, argb, float(y0 + 1) - top);
        for (int y = y0 + 1; y < m_Height; ++y) Blend(x, y, argb);
    }
}

void SampleCanvas::Stars(int count, int bottom, uint32_t seed) {
    for (int i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float x = float(seed >> 8 & 0xFFFF) / 65536.0f * float(m_Width);
        seed = seed * 1664525u + 1013904223u;
        const float y = float(seed >> 8 & 0xFFFF) / 65536.0f * float(bottom);
        seed = seed * 1664525u + 1013904223u;
        const float size = 0.6f + float(seed >> 24) / 255.0f;
        Circle(x, y, size, WithAlpha(0xFFF4E0, 120 + (seed >> 16 & 0x7F)));
    }
}

int SampleCanvas::Text(const pglyph::font& font, int x, int y, std::u16string_view text, uint32_t argb, uint32_t edge) {
    if (edge)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy) Text(font, x + dx, y + dy, text, edge);
    std::vector<uint8_t> grey;
    const int baseline = y + font.metrics().ascent;
    for (char16_t unit : text) {
        pglyph::glyph_metrics gm;
        int64_t bytes = font.glyph(unit, gm, grey.data(), grey.size());
        if (bytes > int64_t(grey.size())) {
            grey.resize(size_t(bytes));
            bytes = font.glyph(unit, gm, grey.data(), grey.size());
        }
        if (bytes > 0) {
            const size_t pitch = pglyph::grey_pitch(gm.black_box_width);
            for (uint32_t r = 0; r < gm.black_box_height; ++r)
                for (uint32_t c = 0; c < gm.black_box_width; ++c) {
                    const uint8_t level = std::min<uint8_t>(grey[r * pitch + c], 64);
                    if (level)
                        Blend(x + gm.origin_x + int(c), baseline - gm.origin_y + int(r), argb, float(level) / 64.0f);
                }
        }
        if (bytes >= 0) x += gm.advance;
    }
    return x;
}

int SampleCanvas::TextWidth(const pglyph::font& font, std::u16string_view text) {
    int width = 0;
    for (char16_t unit : text) {
        pglyph::glyph_metrics gm;
        if (font.glyph(unit, gm, nullptr, 0) >= 0) width += gm.advance;
    }
    return width;
}

void SampleCanvas::TextCentred(const pglyph::font& font, int cx, int y, std::u16string_view text, uint32_t argb,
                               uint32_t edge) {
    Text(font, cx - TextWidth(font, text) / 2, y, text, argb, edge);
}

void SampleCanvas::Paste(const SampleCanvas& from, int x, int y) {
    for (int r = 0; r < from.m_Height; ++r)
        for (int c = 0; c < from.m_Width; ++c)
            if (x + c >= 0 && y + r >= 0 && x + c < m_Width && y + r < m_Height) Set(x + c, y + r, from.At(c, r));
}

SampleCanvas SampleCanvas::Reduced(int width, int height) const {
    SampleCanvas out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int sx0 = x * m_Width / width, sx1 = std::max(sx0 + 1, (x + 1) * m_Width / width);
            const int sy0 = y * m_Height / height, sy1 = std::max(sy0 + 1, (y + 1) * m_Height / height);
            double sum[4] = {0, 0, 0, 0};
            for (int sy = sy0; sy < sy1; ++sy)
                for (int sx = sx0; sx < sx1; ++sx)
                    for (int k = 0; k < 4; ++k) sum[k] += double((At(sx, sy) >> (8 * k)) & 0xFF);
            const double n = double((sx1 - sx0) * (sy1 - sy0));
            uint32_t p = 0;
            for (int k = 0; k < 4; ++k) p |= uint32_t(std::lround(sum[k] / n)) << (8 * k);
            out.Set(x, y, p);
        }
    return out;
}

std::vector<uint8_t> SampleCanvas::Png() const {
    std::vector<uint8_t> out;
    pimage::encode_png(m_Pixels.data(), uint32_t(m_Width), uint32_t(m_Height), size_t(m_Width) * 4, out);
    return out;
}

} // namespace qtools
