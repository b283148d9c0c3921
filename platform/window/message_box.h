#pragma once
// Modal message boxes. On a desktop they are dialogs of their own (zenity, or
// SDL's box where zenity is missing); with no display that anyone can see (no
// X11 or Wayland display reachable, or a headless SDL driver) the text goes to
// standard error, so that it is never lost.
#include <string>

namespace pwin {

// Result of a box that only has an OK button.
constexpr int message_box_ok = 1;

// Whether a display is reachable that a message box can be seen on.
bool display_available();

// Whether SDL's video driver of that name shows anything anyone can see: any
// driver but the headless ones ("offscreen", "dummy"), and those only when the
// user asked for them by name (SDL_VIDEODRIVER).
bool video_driver_usable(const char* driver);

// Shows an information box with an OK button; caption and text are UTF-8. A
// box counts as shown only when its dialog ran; the box's process ends with
// the engine.
int show_message_box(const std::string& caption, const std::string& text);

} // namespace pwin
