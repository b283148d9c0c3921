#pragma once
// Finding game files on disk the way the game data names them: '\' and '/'
// both separate, and a component that is not present as written is matched
// without regard to case ("BG/Title.PNG" finds "bg/title.png"), as the
// original platform's file system did.
#include "base/GxTypes.h"

#include <string>

// The native (UTF-8) path of the file or folder, or false when none matches.
// Relative paths are taken from the working folder.
bool GxResolveDiskPath(GxStringView path, std::string* native);
// Forgets every folder listing kept.
void GxClearDiskPathCache();
