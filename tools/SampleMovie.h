#pragma once
// The sample's movies, the opening and the story's shooting star: frames drawn by the generator and a synthesised
// sound track, encoded by the ffmpeg command (WMV 8 video, WMA 2 sound, in an
// ASF file) with its output pinned to the same bytes on every run.
#include "tools/SampleFiles.h"

#include <string>

namespace qtools {

// "movies/" + the movie's name, loose on disk. False, with the reason in
// note, when ffmpeg cannot be run or fails; the sample then has no opening.
bool AddOpeningMovie(SampleFiles& files, const std::string& ffmpeg, std::string& note);
// The story's movie of a shooting star, made the same way; without it the
// story goes on without the movie.
bool AddStoryMovie(SampleFiles& files, const std::string& ffmpeg, std::string& note);

inline constexpr const char* kSampleOpeningMovie = "opening.wmv";

} // namespace qtools
