#pragma once
// The developer's separate text window: made hidden at start-up, shown and
// hidden with Alt+F11, closed at shutdown.
namespace pwin {
class debug_window;
}

// False when no window can be made; the rest then does nothing.
bool GxCreateDebugWindow();
void GxHideDebugWindow();
void GxDestroyDebugWindow();
// Redraws the window's text when it is shown.
void GxRepaintDebugWindow();
// The window GxCreateDebugWindow made; null before it and after
// GxDestroyDebugWindow.
pwin::debug_window* GxGetDebugWindow();
