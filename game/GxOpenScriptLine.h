#pragma once
// Opening a script of the game at a line for the developer: the file under
// the configured scripts folder, in the editor "setting.ini" names
// (TextEditorCommand with its %file, %line and %pos placeholders) or else in
// the desktop's editor for text files; started, not waited for.
#include "base/GxTypes.h"

// The 1-based line; false when no editor could be started.
bool GxOpenScriptLine(const GxString& scriptName, int line);
