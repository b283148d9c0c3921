#pragma once
// The sample's pictures, all drawn by the generator: the title's background,
// the default black background, the error picture, the gallery's event
// pictures with the gallery's and the replay's thumbnail sets, and the three
// bitmap fonts.
#include "tools/SampleFiles.h"

#include <string>

namespace qtools {

// False with the reason in error when a set cannot be packed.
bool AddPictures(SampleFiles& files, std::string& error);
// "fonts/FONT16SYS.png", "fonts/FONT8NUM.png", "fonts/FONT22NUM.png": white
// glyphs on transparent cells in a uniform grid.
void AddBitmapFonts(SampleFiles& files);

} // namespace qtools
