#pragma once
// The sample game written once for every test process of a build: under a
// root folder, "movie" with the opening and story movies (made with ffmpeg;
// without it there are none, as in the sample itself) and "still" without
// them. The build writes both (programs/write_test_sample.cpp); a test
// program run on its own writes what it finds missing. Each kind has a lock
// file beside its folder, so that no process copies half a game or two
// write one at once.
#include <filesystem>
#include <string>

namespace qtest {

// Writes the kind into root (made when missing), whatever is there already.
bool WriteSharedSample(const std::filesystem::path& root, bool withMovie, std::string* error);
// Copies the kind into `to` (made when missing), writing it first when no
// finished one lies under root; false with the reason in error.
bool CopySharedSample(const std::filesystem::path& root, bool withMovie, const std::filesystem::path& to,
                      std::string* error);

} // namespace qtest
