#pragma once
// The sample game folder: its system configuration, its developer settings
// and the pack archive the configuration names.
#include <filesystem>
#include <string>

namespace qtools {

struct SampleGameOptions {
    std::string title = "Quillon Sample";
    std::string saveDir = "QuillonSample_SAVE";
    bool debugMode = true;  // the frame rate in the window title
    bool debugConsole = true;  // the debug status overlay in the top-left corner
};

// Writes system/sysconf.ini, setting.ini and sample.gxp into folder (made
// when missing); false with the reason in error when something cannot be
// written.
bool WriteSampleGame(const std::filesystem::path& folder, const SampleGameOptions& options, std::string& error);

} // namespace qtools
