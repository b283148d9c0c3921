#pragma once
// Text files as lines. The wide reader decodes the file's bytes as every
// reader of text does (GxDecodeText); the narrow reader keeps the bytes as
// they are. A zero character ends the text.
#include "base/GxTypes.h"

#include <vector>

// What a text file's bytes hold, by the one rule of every reader of text
// (the data tables, the INI files): a file of no byte, or of no byte but its
// byte-order mark, is empty; one that begins with the UTF-16BE mark is not
// read.
enum class GxTextDecode { Text, Empty, BigEndianUtf16 };

// The text of a whole file's bytes: UTF-8 or UTF-16LE after their byte-order
// marks, the ANSI code page (Shift-JIS) without one. The text ends at the
// first zero character; a last odd byte of UTF-16 is no character. Empty
// and BigEndianUtf16 leave text empty.
GxTextDecode GxDecodeText(const u8* data, size_t size, GxString* text);

// The largest text file read whole as lines: a data table holds at most a
// thousand records of a few dozen fields, and sixteen times a megabyte is far
// more than any of them can mean.
inline constexpr u32 kGxTextFileMaxSize = 16u << 20;

// Appends the lines of the file; false when it cannot be loaded, is larger
// than maxSize, or its bytes decode as empty or big-endian UTF-16 (each said
// in a line that names the file).
bool ReadTextFileLines(std::vector<GxString>* lines, GxStringView path, bool skipEmpty,
                       u32 maxSize = kGxTextFileMaxSize);
// Replaces lines with the file's lines as narrow bytes; an empty file gives
// none and true.
bool ReadTextFileLinesSJIS(std::vector<GxStringA>* lines, GxStringView path, bool skipEmpty,
                           u32 maxSize = kGxTextFileMaxSize);
