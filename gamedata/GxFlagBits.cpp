#include "gamedata/GxFlagBits.h"

void GxSetFlagBit(GxFlagWords& words, s32 flag) {
    if (flag < 0) return;
    const size_t word = size_t(flag) / 32;
    if (words.size() <= word) words.resize(word + 1, 0);
    words[word] |= u32(1) << (flag % 32);
}

bool GxTestFlagBit(const GxFlagWords& words, s32 flag) {
    if (flag < 0) return false;
    const size_t word = size_t(flag) / 32;
    return word < words.size() && (words[word] >> (flag % 32)) & 1;
}

bool GxMergeFlagWords(GxFlagWords& words, const GxFlagWords& other) {
    bool added = false;
    if (words.size() < other.size()) words.resize(other.size(), 0);
    for (size_t i = 0; i < other.size(); ++i) {
        added |= (other[i] & ~words[i]) != 0;
        words[i] |= other[i];
    }
    return added;
}
