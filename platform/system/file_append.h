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
// or empty. A file of this user's standing there is narrowed to that reach
// (and, run as root, one of root's own is given to the folder's owner), one
// of another user's keeps its mode. A link standing at the path, symbolic or
// hard, is never written through: it is replaced by a file of its own, where
// this user may remove it (not another user's in a folder with the sticky
// bit). In a folder where users who are neither the player nor a sharer
// (owner_in_folder) may make files, a file of such a user's is never
// written. A FIFO, socket or folder there is never opened for writing nor
// replaced. "" on success, else why the bytes could not be written:
// "another user's file", "a link this user may not remove", "not a regular
// file", or the system's text for the error.
std::string append_to_file(const std::string& path, std::string_view prefix, std::string_view bytes);

// Writes bytes to the process's standard error and flushes it.
void write_to_standard_error(std::string_view bytes);

} // namespace psys
