#include "io/GxWideCase.h"

GxChar GxWideToLower(GxChar c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? GxChar(c + 0x20) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return GxChar(c + 0x20);
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130) return u'i';
        if (c == 0x178) return 0xFF;
        const bool evenUpper = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (evenUpper && (c % 2) == 0) return GxChar(c + 1);
        if (oddUpper && (c % 2) == 1) return GxChar(c + 1);
        return c;
    }
    if (c >= 0x386 && c <= 0x3A9) {
        if (c >= 0x391 && c != 0x3A2) return GxChar(c + 0x20);
        if (c == 0x386) return 0x3AC;
        if (c >= 0x388 && c <= 0x38A) return GxChar(c + 0x25);
        if (c == 0x38C) return 0x3CC;
        if (c == 0x38E || c == 0x38F) return GxChar(c + 0x3F);
        return c;
    }
    if (c >= 0x400 && c <= 0x40F) return GxChar(c + 0x50);
    if (c >= 0x410 && c <= 0x42F) return GxChar(c + 0x20);
    if (c >= 0x2160 && c <= 0x216F) return GxChar(c + 0x10);
    if (c >= 0x24B6 && c <= 0x24CF) return GxChar(c + 0x1A);
    if (c >= 0xFF21 && c <= 0xFF3A) return GxChar(c + 0x20);
    return c;
}

GxString GxToLowerWide(GxStringView s) {
    GxString out(s);
    for (auto& c : out) c = GxWideToLower(c);
    return out;
}
