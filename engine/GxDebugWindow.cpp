#include "engine/GxDebugWindow.h"

#include "platform/window/debug_window.h"

pwin::debug_window& GxGetDebugWindow() {
    // Never destroyed: the window system may be gone by the time statics are.
    static pwin::debug_window* window = new pwin::debug_window;
    return *window;
}

bool GxCreateDebugWindow() {
    pwin::debug_window& w = GxGetDebugWindow();
    w.destroy();
    for (int i = 0; i < pwin::debug_window::line_count; ++i) w.set_line(i, {});
    w.paint();
    return w.create();
}

void GxHideDebugWindow() { GxGetDebugWindow().hide(); }

void GxDestroyDebugWindow() {
    pwin::debug_window& w = GxGetDebugWindow();
    w.hide();
    w.destroy();
}

void GxRepaintDebugWindow() {
    pwin::debug_window& w = GxGetDebugWindow();
    if (w.exists() && w.visible()) w.paint();
}
