#pragma once
// An image file name completed to a file that exists: the name as given, or
// with ".png", ".dds", ".tga", ".jpg" or ".bmp" appended, on disk or in a
// pack; the first that exists is written back. False, with the name
// unchanged, when none does.
#include "base/GxTypes.h"

bool GxResolveImageFile(GxString* path);
