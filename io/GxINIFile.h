#pragma once
// A bare key=value file: no sections, no comments; a line that holds '=' is an
// entry (key before the first '=', value after it, both trimmed of characters
// up to code 32); the first occurrence of a key wins; keys are case-sensitive.
// The bytes are decoded as every text file's are (GxDecodeText): the ANSI
// code page unless a UTF-8 or UTF-16LE byte-order mark says otherwise.
#include "base/GxTypes.h"

#include <map>

// The largest INI file read: a configuration of a few hundred keys is a few
// kilobytes.
inline constexpr u32 kGxINIFileMaxSize = 1u << 20;

// Why the last load gave no key, for a caller that cannot go on without one
// and must say why.
enum class GxINIFileNoKey {
    None,            // at least one key was read
    NotRead,         // the file could not be read (the file layer says why unless silent)
    Empty,           // its bytes decode as an empty file (GxTextDecode::Empty)
    BigEndianUtf16,  // its byte-order mark names an encoding that is not read
    NoEntry,         // text without a line that holds '='
};

class GxINIFile {
public:
    GxINIFile() = default;
    virtual ~GxINIFile() = default;

    // Replaces the content with the file's; false (and empty) when the file
    // cannot be read or is larger than kGxINIFileMaxSize.
    bool Load(GxStringView path, bool silent);
    // The value, or def when the key is absent (an empty value is a value).
    GxString& GetString(GxString* out, GxStringView key, GxStringView def) const;
    // Automatic radix ("0x", "0b"), no octal; def when the key is absent.
    int GetInt(GxStringView key, int def) const;
    s64 GetInt64(GxStringView key, s64 def) const;
    // True when the value, read as a signed decimal integer, is above 0.
    bool GetBool(GxStringView key, bool def) const;
    // Why the last Load left no key; None when it left one or more.
    GxINIFileNoKey GetNoKeyReason() const { return m_NoKey; }

private:
    const GxString* Find(GxStringView key) const;

    std::map<GxString, GxString, std::less<>> m_Values;
    GxINIFileNoKey m_NoKey = GxINIFileNoKey::NotRead;
};
