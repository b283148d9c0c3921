#pragma once
// The sample game as its generator writes it, for the tests that run scenes
// or the whole program on it: written once a build for every test process
// (SharedSampleGame.h) and copied into the test's own folder, where the test
// may change anything.
#include <filesystem>
#include <string>

namespace qtest {

// Copies the sample into `folder` (made when missing); false with the reason
// in error when it cannot be written. withMovie: the opening movie, made
// with ffmpeg (without ffmpeg there is none, as in the sample itself).
bool CopySampleGame(const std::filesystem::path& folder, bool withMovie, std::string* error);
// The same, with the movie, made quiet for runs that check frames and sound:
// no debug overlay (its figures change with every part of the engine; the
// debug mode stays) and no title call, so that the title is its music alone
// (settings written into the save folder "QuillonSample_SAVE").
bool CopyQuietSampleGame(const std::filesystem::path& folder, std::string* error);

} // namespace qtest
