#pragma once
// The sample's interface art: the image sets of the title, the system scene's
// dialogs and tips, the debug scene and the notice icons, the pictures of the panels drawn from PNG files, and the UI
// module records that name them all.
#include "tools/SampleCanvas.h"
#include "tools/SampleFiles.h"
#include "tools/SampleImageSet.h"
#include "tools/SampleTables.h"

#include <string>
#include <vector>

namespace qtools {

// Adds the sets under "uigis/" and the panel pictures under "cg/ui/" to files
// and the module records to modules; false with the reason in error.
bool AddInterface(SampleFiles& files, std::vector<SampleModule>& modules, std::string& error);

// A button's colours: its plate, hovered and pressed plates, rim and label.
struct SamplePalette {
    uint32_t face, hover, press, border, text;
};
// Adds the faces of a labelled button to the set (four; six for a toggle or
// radio button) and its module record, named name, of the widget type given.
void AddSampleButton(SampleImageSet& set, std::vector<SampleModule>& modules, const std::string& name, int w, int h,
                     const std::string& label, const std::string& sub, const SamplePalette& p,
                     int type = kWidgetButtonIs);
// A translucent plate with a rim: dialogs, windows, list boxes, notices.
SampleCanvas SamplePlate(int w, int h, uint32_t fill, uint32_t rim, float radius);

} // namespace qtools
