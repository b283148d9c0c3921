#pragma once
// The sample's interface art: the image sets of the title, the system scene's
// dialogs and tips, the debug scene, the adventure screen's controls and the
// notice icons, the pictures of the panels drawn from PNG files, and the UI
// module records that name them all.
#include "tools/SampleFiles.h"
#include "tools/SampleTables.h"

#include <string>
#include <vector>

namespace qtools {

// Adds the sets under "uigis/" and the panel pictures under "cg/ui/" to files
// and the module records to modules; false with the reason in error.
bool AddInterface(SampleFiles& files, std::vector<SampleModule>& modules, std::string& error);

} // namespace qtools
