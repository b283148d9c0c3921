#pragma once
// The sample's script bundle, compiled from its readable source (the test
// notation) by the builders' notation compiler.
#include "tools/SampleFiles.h"

#include <filesystem>
#include <string>

namespace qtools {

// Compiles every "*.txt" of the source folder, in name order, each a script
// named by its file name, into "bincode/moacode.mwb" (binary form), and lays
// the sources loose under "scripts/" for the debug scene's editor. False with
// the reason in error.
bool AddScripts(SampleFiles& files, const std::filesystem::path& source, std::string& error);

} // namespace qtools
