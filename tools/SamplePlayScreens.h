#pragma once
// The screens the story is played on and the menus over it: the adventure
// screen (message and name windows, the choice buttons, the row of play
// buttons), the backlog, the save and load screens, the four configuration
// pages, the picture gallery, the scene replay and the music room. Their
// pictures go under "cg/ui/", their image sets under "uigis/", their module
// records to modules and their layouts to layouts.
#include "tools/SampleFiles.h"
#include "tools/SampleTables.h"

#include <string>
#include <vector>

namespace qtools {

// False with the reason in error when an image set cannot be packed.
bool AddPlayScreens(SampleFiles& files, std::vector<SampleModule>& modules, std::vector<SampleLayout>& layouts,
                    std::string& error);

} // namespace qtools
