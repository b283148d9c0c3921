#pragma once
// The sample game folder: its system configuration and developer settings,
// the pack archive the configuration names, and the few files that lie loose
// beside it (the configuration, the title music, the opening movie, the
// script sources). Everything is drawn, synthesised and compiled by the
// generator, the same bytes on every run.
#include <filesystem>
#include <string>
#include <vector>

namespace qtools {

struct SampleGameOptions {
    std::string title = "Quillon Sample";
    std::string saveDir = "QuillonSample_SAVE";
    bool debugMode = true;  // the frame rate in the window title, the debug scene
    // The debug status overlay in the top-left corner covers every screen's
    // heading and the save thumbnails: off until a developer asks for it.
    bool debugConsole = false;
    // The command that makes the opening movie; the sample has no opening
    // when it cannot be run.
    std::string ffmpeg = "ffmpeg";
    // The readable script sources.
    std::filesystem::path scripts = std::filesystem::path(QUILLON_SAMPLE_SOURCE) / "scripts";
};

// The name of the file in which the generator records the version that wrote
// the folder; a folder without it is never written into.
inline constexpr const char* kSampleVersionFile = ".sample-version";
inline constexpr const char* kSamplePack = "sample.gxp";

// The generator's version: a digest of its own program and the script
// sources, so that a changed generator writes the sample anew.
std::string SampleVersion(const SampleGameOptions& options);

// Writes the sample into folder (made when missing). A folder the generator
// wrote before is emptied first, except for the save folder; any other
// folder that is not empty is refused. False with the reason in error; notes
// says what the sample lacks (no ffmpeg: no opening movie).
bool WriteSampleGame(const std::filesystem::path& folder, const SampleGameOptions& options, std::string& error,
                     std::vector<std::string>* notes = nullptr);

} // namespace qtools
