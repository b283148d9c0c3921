#pragma once
// A folder of the fuzz target's own for the files it hands the engine: made
// on first use, in memory where the system has such a folder (a save syncs
// its file, which on a disk costs more than the rest of an input), and
// removed with everything in it when the process exits.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>

namespace qfuzz {

// The folder's path; empty when none could be made.
inline const std::string& ScratchFolder() {
    static std::string dir = [] {
        for (const char* base : {"/dev/shm", "/tmp"}) {
            std::string path = std::string(base) + "/quillon-fuzz-XXXXXX";
            if (mkdtemp(path.data())) return path;
        }
        return std::string();
    }();
    static const bool removed = [] {
        if (!dir.empty()) std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        });
        return true;
    }();
    (void)removed;
    return dir;
}

// The path of a file in it.
inline std::string ScratchPath(const std::string& name) { return ScratchFolder() + "/" + name; }

} // namespace qfuzz
