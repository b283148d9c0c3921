#pragma once
// The head of a save game, which the slot lists read without the rest.
#include "base/GxTypes.h"

struct GxGameDataHeader {
    bool valid = false;
    // A file stands there whose bytes could not be read: it does not open,
    // cannot be read or is too large to be a save.
    bool unreadable = false;
    GxString m_SaveTime;
    GxString m_GameDataTitle;
    GxString m_RestoreSequence;
    GxString m_RestoreSubParam;
    GxBit32 m_GameDataOption;
};
