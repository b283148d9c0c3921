#pragma once
// Input for a window as if it came from the desktop: SDL events pushed into
// SDL's own queue, so that the message pump translates them like real ones
// (the pointer position noted, buttons and modifiers followed) and the input
// devices' event watch sees them. Scripted runs and tests use them; nothing
// else does. Main thread only.
#include "platform/window/window_event.h"

#include <string>

namespace pwin {

class window;

bool inject_mouse_move(const window& w, int x, int y);
bool inject_mouse_button(const window& w, mouse_button button, bool down, int x, int y);
// A key by SDL's name of its position ("Escape", "Left Ctrl", "F1", "A");
// false for a name SDL does not know.
bool inject_key(const window& w, const std::string& key_name, bool down);
// The window gains (true) or loses the input focus.
bool inject_focus(const window& w, bool gained);
// The close box.
bool inject_close(const window& w);
// Forgets the buttons injected as held, which the next motion would report.
void forget_injected_buttons();

} // namespace pwin
