#pragma once
// Process paths and the user's folders. Paths are UTF-8, as the file system
// takes them.
#include <string>

namespace psys {

// The current directory, "" on failure.
std::string current_directory();
// The absolute, lexically normalised form of a path ("" for an empty path).
std::string full_path(const std::string& path);
// The user's documents folder: XDG_DOCUMENTS_DIR from the XDG user-dirs file
// when that folder exists, else $HOME/Documents (made when missing), else the
// data folder ($XDG_DATA_HOME or ~/.local/share, made when missing); "" only
// when none of them can be had.
std::string documents_folder();

} // namespace psys
