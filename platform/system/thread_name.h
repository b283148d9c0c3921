#pragma once
// The name a thread shows in debuggers, profilers and the system's process lists.
#include <string_view>

namespace psys {

// Names the calling thread; a name longer than the system holds (15 bytes of
// UTF-8) is cut.
void name_current_thread(std::string_view name_utf8);

} // namespace psys
