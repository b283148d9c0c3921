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

} // namespace psys
