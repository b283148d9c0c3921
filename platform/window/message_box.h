#pragma once
// Modal message boxes. With a display they are real windows; without one (no
// X11/Wayland display, or SDL's offscreen/dummy driver chosen) the text goes to
// standard error so that headless runs still report it.
#include <string>

namespace pwin {

// Result of a box that only has an OK button.
constexpr int message_box_ok = 1;

// Whether a real display is available to show windows on.
bool display_available();

// Shows an information box with an OK button; caption and text are UTF-8.
int show_message_box(const std::string& caption, const std::string& text);

} // namespace pwin
