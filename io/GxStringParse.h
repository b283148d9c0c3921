#pragma once
// Lines, quoted strings, fields and numbers out of text. Narrow text is taken
// as Shift-JIS: a lead byte and the byte after it always travel together, so a
// trail byte that happens to equal '\\' or a control code is never mistaken
// for one. None of these functions keeps state or fails: each returns what it
// could read. Every scan is bounded by the end pointer it is given.
#include "base/GxTypes.h"

#include <vector>

// Whether a byte opens a two-byte Shift-JIS character.
inline bool GxIsSjisLeadByte(u8 c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Reads one line from pos (the start) up to a line feed, a zero character or
// end. Carriage returns and form feeds are dropped wherever they stand; a line
// feed is consumed with the carriage returns and form feeds directly after it
// and counts one on lineCounter. *posOut is left on the next line.
GxStringA& ReadTextLine(GxStringA* out, const char* start, const char** posOut, u32* lineCounter, const char* end);
GxString& ReadTextLineW(GxString* out, const GxChar* start, const GxChar** posOut, u32* lineCounter,
                        const GxChar* end);
void SkipTextLine(const char* start, const char** posOut, u32* lineCounter, const char* end);

// Reads a double-quoted string at start; empty when the first character is no
// double quote. Backslash escapes \f \n \r \t \v; any other escaped character
// stands for itself. Unescaped line feeds are dropped and counted, unescaped
// carriage returns and form feeds dropped.
GxStringA& ParseQuotedString(GxStringA* out, const char* start, const char** posOut, u32* lineCounter,
                             const char* end);
GxString& ParseQuotedStringW(GxString* out, const GxChar* start, const GxChar** posOut, u32* lineCounter,
                             const GxChar* end);

// Splits text at delimiter into exactly count fields: the rest after count
// fields is dropped, missing fields are empty. A count of 0 takes every field.
u32 GxSplitString(std::vector<GxString>* out, GxStringView text, GxStringView delimiter, u32 count);
// Every field; an empty delimiter gives the whole text as one field.
u32 GxSplitStringAll(std::vector<GxString>* out, GxStringView text, GxStringView delimiter);
GxString& GxJoinStrings(GxString* out, const std::vector<GxString>& parts, GxStringView separator);
void GxTrimEach(std::vector<GxString>* lines, int mode);

// Integer parsing over a zero-terminated wide string. Radix 0 picks it from
// the text ("0x" hex, "0b" binary, a leading 0 octal unless noOctal); the
// signs may be full-width. Digits stop at the first character that is not one
// or at the radix's digit limit. *end (when not null) receives the first
// character not read.
s32 ParseInteger(const GxChar* text, const GxChar** end, u32 radix, bool noOctal);
s64 ParseInteger64(const GxChar* text, const GxChar** end, u32 radix, bool noOctal);

// Whether a numeric literal starts at text (not reaching end): 0 none,
// 1 decimal, 2 hexadecimal; *length receives its length, sign included.
int GxScanNumberLiteral(const GxChar* text, u32* length, const GxChar* end);

// Compares with ASCII letters folded to lower case; the terminators take part,
// so a string and a longer one that starts with it differ.
int GxWcsICmp(const GxChar* a, const GxChar* b);
GxChar* GxWcsCpy(GxChar* dest, const GxChar* src);
