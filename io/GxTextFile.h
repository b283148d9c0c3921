#pragma once
// Text files as lines. The wide reader tells the encoding by the byte-order
// mark (UTF-8, UTF-16LE; big-endian UTF-16 is refused; none means the ANSI
// code page, Shift-JIS); the narrow reader keeps the bytes as they are. A zero
// character ends the text.
#include "base/GxTypes.h"

#include <vector>

// The largest text file read whole as lines: a data table holds at most a
// thousand records of a few dozen fields, and sixteen times a megabyte is far
// more than any of them can mean.
inline constexpr u32 kGxTextFileMaxSize = 16u << 20;

// Appends the lines of the file; false when it cannot be loaded, is larger
// than maxSize, is empty or is big-endian UTF-16 (each said in a line that
// names the file).
bool ReadTextFileLines(std::vector<GxString>* lines, GxStringView path, bool skipEmpty,
                       u32 maxSize = kGxTextFileMaxSize);
// Replaces lines with the file's lines as narrow bytes; an empty file gives
// none and true.
bool ReadTextFileLinesSJIS(std::vector<GxStringA>* lines, GxStringView path, bool skipEmpty,
                           u32 maxSize = kGxTextFileMaxSize);
