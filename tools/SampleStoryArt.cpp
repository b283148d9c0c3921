#include "tools/SampleStoryArt.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace qtools {
namespace {

// A tree: a trunk under three puffs of leaves.
void Tree(SampleCanvas& c, float x, float ground, float size, uint32_t leaves) {
    c.RoundRect(x - size * 0.08f, ground - size * 0.9f, size * 0.16f, size * 0.9f, 3, 0xFF5A3C24);
    c.Circle(x - size * 0.25f, ground - size * 0.95f, size * 0.35f, leaves);
    c.Circle(x + size * 0.25f, ground - size * 0.95f, size * 0.35f, leaves);
    c.Circle(x, ground - size * 1.25f, size * 0.4f, MixColour(leaves, 0xFFFFFFFF, 0.08f));
}

SampleCanvas Park() {
    SampleCanvas c(1024, 768);
    c.Gradient(0, 0, 1024, 460, 0xFF5A9EE0, 0xFFD8ECF8, true);
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 3; ++k) c.Glow(float(140 + i * 260 + k * 30), float(90 + (i % 2) * 50 - k % 2 * 12), 50, 0xA0FFFFFF);
    c.Hills(430, 20, 0.008f, 0.3f, 0xFF7CB86C);
    c.Gradient(0, 470, 1024, 298, 0xFF6CAE58, 0xFF3E7A34, true);
    // A path winding towards the viewer.
    for (int y = 470; y < 768; y += 2) {
        const float t = float(y - 470) / 298.0f, w = 40 + 360 * t, x = 560 + 120 * std::sin(t * 2.2f) - w / 2;
        c.FillRect(int(x), y, int(w), 2, MixColour(0xFFC8B48C, 0xFFE0D0A8, t));
    }
    for (int i = 0; i < 6; ++i) Tree(c, float(60 + i * 180 + (i % 2) * 40), float(500 + (i % 3) * 30), 120.0f + float(i % 2) * 40, 0xFF3C8A3C);
    // A bench.
    c.RoundRect(150, 600, 200, 16, 4, 0xFF8A5A34);
    c.RoundRect(150, 572, 200, 12, 4, 0xFF8A5A34);
    c.FillRect(166, 616, 10, 40, 0xFF3C3C3C);
    c.FillRect(324, 616, 10, 40, 0xFF3C3C3C);
    return c;
}

SampleCanvas Sea() {
    SampleCanvas c(1024, 768);
    c.Gradient(0, 0, 1024, 380, 0xFF3C88E0, 0xFFBCE0F8, true);
    c.Glow(820, 120, 160, 0x90FFFFE0);
    c.Circle(820, 120, 44, 0xFFFFFFF0);
    c.Gradient(0, 380, 1024, 388, 0xFF2C74C0, 0xFF1C4C8C, true);
    for (int i = 0; i < 40; ++i) {
        const float y = 390.0f + float(i * 37 % 210), x = float(i * 211 % 1024);
        c.RoundRect(x, y, 60 + float(i % 5) * 14, 3, 1.5f, 0x60FFFFFF);
    }
    c.Hills(640, 18, 0.01f, 0.7f, 0xFFE8D8A8);
    c.Gradient(0, 680, 1024, 88, 0xFFE8D8A8, 0xFFD0BC88, true);
    return c;
}

SampleCanvas Hill() {
    SampleCanvas c(1024, 768);
    c.Gradient(0, 0, 1024, 768, 0xFF4C8CD8, 0xFFE0F0FC, true);
    // The town far below.
    for (int i = 0; i < 30; ++i) {
        const int w = 14 + i * 7 % 20, h = 16 + i * 13 % 40;
        c.FillRect(40 + i * 32, 520 - h, w, h, MixColour(0xFF7C8CA8, 0xFF9CACC4, float(i % 4) / 4));
    }
    c.Hills(560, 40, 0.005f, 2.5f, 0xFF5C9C4C);
    c.Hills(640, 30, 0.009f, 0.4f, 0xFF4C8A3C);
    for (int i = 0; i < 3; ++i) Tree(c, float(760 + i * 90), float(600 + i * 16), 110, 0xFF2E6E2E);
    return c;
}

SampleCanvas Town() {
    SampleCanvas c(1024, 768);
    c.Gradient(0, 0, 1024, 400, 0xFF70A8E8, 0xFFF0E8D8, true);
    const uint32_t walls[] = {0xFFC8A080, 0xFFB0B8C8, 0xFFD8C8A8, 0xFF98A0B0, 0xFFC89888};
    for (int i = 0; i < 8; ++i) {
        const int x = i * 132 - 20, h = 260 + (i * 53 % 120), top = 560 - h;
        c.FillRect(x, top, 124, h, walls[i % 5]);
        c.FillRect(x, top, 124, 10, MixColour(walls[i % 5], 0xFF000000, 0.3f));
        for (int wy = top + 30; wy < 520; wy += 56)
            for (int wx = x + 14; wx < x + 110; wx += 36) c.FillRect(wx, wy, 22, 30, 0xFF506888);
        // An awning over each shop.
        c.RoundRect(float(x + 4), 500, 116, 24, 6, i % 2 ? 0xFFD04040 : 0xFF40A060);
    }
    c.Gradient(0, 560, 1024, 208, 0xFF8C8C8C, 0xFF5C5C64, true);
    for (int x = 0; x < 1024; x += 120) c.FillRect(x, 660, 60, 8, 0xFFE8E8E8);
    return c;
}

// A grey ramp from the left edge to the right with a ripple along it: the
// darker a point, the sooner a wipe through it reaches it.
SampleCanvas WipeRule() {
    SampleCanvas c(1024, 768);
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) {
            const float t = (float(x) + 60.0f * std::sin(float(y) * 0.025f)) / 1144.0f + 0.05f;
            const uint32_t v = uint32_t(std::lround(std::clamp(t, 0.0f, 1.0f) * 255));
            c.Set(x, y, 0xFF000000 | v << 16 | v << 8 | v);
        }
    return c;
}

struct Looks {
    uint32_t hair, skin, cloth, eyes;
    bool longHair;
};
const Looks kAki{0xFF6A3A20, 0xFFF8DCC4, 0xFFE08A40, 0xFF5A3010, true};
const Looks kYu{0xFF22283A, 0xFFF0D4BC, 0xFF4A78C0, 0xFF202840, false};

constexpr int kStandW = 400, kStandH = 640;
constexpr float kHeadX = 200, kHeadY = 160, kHeadR = 78;

// The figure with open eyes and a quiet mouth.
SampleCanvas Body(const Looks& l) {
    SampleCanvas c(kStandW, kStandH);
    if (l.longHair) c.RoundRect(kHeadX - 96, kHeadY - 70, 192, 260, 60, l.hair);
    c.RoundRect(kHeadX - 120, 300, 240, 360, 70, l.cloth);
    c.RoundRect(kHeadX - 150, 320, 60, 240, 28, MixColour(l.cloth, 0xFF000000, 0.15f));
    c.RoundRect(kHeadX + 90, 320, 60, 240, 28, MixColour(l.cloth, 0xFF000000, 0.15f));
    c.RoundRect(kHeadX - 24, 220, 48, 100, 16, l.skin);
    c.Circle(kHeadX, kHeadY, kHeadR, l.skin);
    c.RoundRect(kHeadX - 84, kHeadY - 96, 168, 70, 34, l.hair);
    c.Circle(kHeadX - 70, kHeadY - 30, 24, l.hair);
    c.Circle(kHeadX + 70, kHeadY - 30, 24, l.hair);
    for (float dx : {-28.0f, 28.0f}) {
        c.Circle(kHeadX + dx, kHeadY + 4, 9, l.eyes);
        c.Circle(kHeadX + dx + 3, kHeadY + 1, 3, 0xFFFFFFFF);
    }
    c.RoundRect(kHeadX - 12, kHeadY + 40, 24, 4, 2, 0xFFB05050);
    return c;
}

// The smile laid over the body: cheeks, closed happy eyes, an open smile.
SampleCanvas Smile(const Looks& l) {
    SampleCanvas c(kStandW, kStandH);
    for (float dx : {-28.0f, 28.0f}) {
        c.Circle(kHeadX + dx, kHeadY + 4, 13, l.skin);
        c.Circle(kHeadX + dx, kHeadY + 10, 10, l.eyes, 3);
        c.FillRect(int(kHeadX + dx) - 14, int(kHeadY) + 8, 28, 14, l.skin);
        c.Glow(kHeadX + dx * 1.7f, kHeadY + 30, 16, 0x80FF8080);
    }
    c.FillRect(int(kHeadX) - 16, int(kHeadY) + 36, 32, 12, l.skin);
    c.Circle(kHeadX, kHeadY + 38, 14, 0xFFB04050);
    c.FillRect(int(kHeadX) - 16, int(kHeadY) + 22, 32, 16, l.skin);
    return c;
}

// The whole worried picture: raised inner brows and a small round mouth.
SampleCanvas Worried(const Looks& l) {
    SampleCanvas c = Body(l);
    c.FillRect(int(kHeadX) - 16, int(kHeadY) + 36, 32, 12, l.skin);
    c.Circle(kHeadX, kHeadY + 44, 7, 0xFFA04040);
    c.RoundRect(kHeadX - 46, kHeadY - 20, 30, 5, 2.5f, l.hair);
    c.RoundRect(kHeadX + 16, kHeadY - 20, 30, 5, 2.5f, l.hair);
    c.Circle(kHeadX - 18, kHeadY - 22, 4, l.hair);
    c.Circle(kHeadX + 18, kHeadY - 22, 4, l.hair);
    return c;
}

} // namespace

SampleCanvas NightBackground() {
    SampleCanvas c(1024, 768);
    c.Gradient(0, 0, 1024, 768, 0xFF04061A, 0xFF262A60, true);
    c.Stars(260, 520, 77);
    c.Glow(220, 150, 120, 0x60FFF0C0);
    c.Circle(220, 150, 40, 0xFFFFF4D8);
    c.Circle(236, 142, 36, 0xFF0A0E2C);  // a crescent
    c.Hills(540, 40, 0.006f, 1.2f, 0xFF10142C);
    c.Hills(600, 16, 0.013f, 0.2f, 0xFF080A1E);
    return c;
}

void AddStoryArt(SampleFiles& files) {
    files.Add("cg/bg/park.png", Park().Png());
    files.Add("cg/bg/sea.png", Sea().Png());
    files.Add("cg/bg/hill.png", Hill().Png());
    files.Add("cg/bg/town.png", Town().Png());
    files.Add("cg/bg/night.png", NightBackground().Png());
    files.Add("cg/tr/wipe.png", WipeRule().Png());
    const struct {
        const char* folder;
        const Looks& looks;
    } people[] = {{"cg/stand/aki/", kAki}, {"cg/stand/yu/", kYu}};
    for (const auto& p : people) {
        files.Add(std::string(p.folder) + "body.png", Body(p.looks).Png());
        files.Add(std::string(p.folder) + "smile.png", Smile(p.looks).Png());
        files.Add(std::string(p.folder) + "worried.png", Worried(p.looks).Png());
    }
}

} // namespace qtools
