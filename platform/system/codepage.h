#pragma once
// Conversions between the game data's narrow encodings (CP932, UTF-8) and
// UTF-16. Invalid input never fails a conversion: a byte that cannot be decoded
// becomes U+FFFD, a character CP932 cannot hold becomes '?'.
#include <string>
#include <string_view>

namespace psys {

std::u16string cp932_to_utf16(std::string_view s);
std::string utf16_to_cp932(std::u16string_view s);
std::u16string utf8_to_utf16(std::string_view s);
std::string utf16_to_utf8(std::u16string_view s);

// Paths as the file system holds them: bytes, normally UTF-8. A byte that is
// not part of valid UTF-8 (a folder unpacked from a Shift-JIS or Latin-1
// archive) becomes the unpaired surrogate U+DC80-U+DCFF and turns back into the
// same byte, so a path read from the system and given back names the same
// file. utf16_to_utf8 shows such a byte as U+FFFD.
std::u16string native_path_to_utf16(std::string_view s);
std::string utf16_to_native_path(std::u16string_view s);

} // namespace psys
