#pragma once
// The player's settings that the message window reads while it reveals and
// draws text: the reveal delay per character, the delay of a time wait
// without a number, whether read text is shown whole at once and whether it
// takes the read-text colour. They belong to the user settings above this
// library, which install themselves here; without them the window uses the
// settings' defaults.
#include "base/GxTypes.h"

class GxMessageSettingsBase {
public:
    static constexpr s32 kDefaultTextWaitTime = 60;
    static constexpr s32 kDefaultTextLongWaitTime = 480;

    // The installed settings, or null.
    static GxMessageSettingsBase* Get();
    static void Set(GxMessageSettingsBase* settings);

    // The installed settings' values, or the defaults.
    static s32 TextWaitTime();
    static s32 TextLongWaitTime();
    static bool FastShowReadedText();
    static bool ChangeColorReadedText();

    virtual ~GxMessageSettingsBase() = default;
    // Milliseconds.
    virtual s32 GetTextWaitTime() const = 0;
    virtual s32 GetTextLongWaitTime() const = 0;
    virtual bool GetFastShowReadedText() const = 0;
    virtual bool GetChangeColorReadedText() const = 0;
};
