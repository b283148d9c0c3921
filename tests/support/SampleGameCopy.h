#pragma once
// The sample game as its generator writes it, for the tests that run scenes
// or the whole program on it: written once per build of the test program
// (kept beside the other test data made by outside tools) and copied into
// the test's own folder, where the test may change anything.
#include <filesystem>
#include <string>

namespace qtest {

// Copies the sample into `folder` (made when missing); false with the reason
// in error when it cannot be written. withMovie: the opening movie, made
// with ffmpeg (without ffmpeg there is none, as in the sample itself).
bool CopySampleGame(const std::filesystem::path& folder, bool withMovie, std::string* error);

} // namespace qtest
