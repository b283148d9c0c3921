#pragma once
// Appending to a log file without ever blocking: a FIFO, a device or a folder
// standing where the file should be is refused instead of waited on. And
// standard error, where a log that cannot be written is told of.
#include <string>
#include <string_view>

namespace psys {

// Appends bytes to the regular file at path (UTF-8 or native bytes), creating
// it with its folder's reach (give_folder_reach; made by root in a folder of
// another user's, it is that user's); prefix goes first when the file is new
// or empty. A log that stands there is narrowed to that reach where this
// user may change its mode. What is not a log of the game's is never written
// into: a link (symbolic, or a second name of another file) or a file of
// someone who does not count in the folder (counts_in_folder) is replaced by
// a log of its own where this user may remove it (not another user's in a
// folder with the sticky bit); a FIFO, socket or folder there is never
// opened for writing nor replaced. Where the file system refuses to append
// (fusefat), the bytes are written at the file's end all the same. "" on
// success, else why the bytes could not be written: "another user's file",
// "a link this user may not remove", "not a regular file", or the system's
// text for the error.
std::string append_to_file(const std::string& path, std::string_view prefix, std::string_view bytes);

// Writes bytes to the process's standard error and flushes it.
void write_to_standard_error(std::string_view bytes);

} // namespace psys
