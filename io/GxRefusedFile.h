#pragma once
// The one line error.log gets for a file at a game file's name that is not
// the player's to read or replace (another user's, or one the player may
// not read): whose it is, and the command that gives it back.
#include "base/GxTypes.h"
#include "platform/system/safe_file.h"

// Written by who (the writer or reader that refused it) for the file at path.
void GxLogRefusedFile(const GxChar* who, const GxString& path, const psys::stranger& refused);
