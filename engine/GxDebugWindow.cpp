#include "engine/GxDebugWindow.h"

#include "platform/window/debug_window.h"

#include <memory>

namespace {
// Made by the core's start-up and ended by its shutdown, while the window
// system still runs.
std::unique_ptr<pwin::debug_window> g_Window;
} // namespace

pwin::debug_window* GxGetDebugWindow() { return g_Window.get(); }

bool GxCreateDebugWindow() {
    g_Window = std::make_unique<pwin::debug_window>();
    pwin::debug_window& w = *g_Window;
    for (int i = 0; i < pwin::debug_window::line_count; ++i) w.set_line(i, {});
    w.paint();
    return w.create();
}

void GxHideDebugWindow() {
    if (g_Window) g_Window->hide();
}

void GxDestroyDebugWindow() {
    if (!g_Window) return;
    g_Window->hide();
    g_Window.reset();
}

void GxRepaintDebugWindow() {
    if (g_Window && g_Window->exists() && g_Window->visible()) g_Window->paint();
}
