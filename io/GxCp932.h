#pragma once
// CP932 (Shift-JIS) text to UTF-16 from tables of our own, generated from
// glibc's converter (io/make_cp932_table.py): the same characters as the
// engine's iconv-based GxFromAnsi, at a table look-up per character, for the
// many names of a pack's directory. A byte that cannot be decoded becomes
// U+FFFD, as there.
#include "base/GxTypes.h"

#include <string_view>

// Appends the decoded text to out.
void GxAppendCp932(std::string_view text, GxString* out);
