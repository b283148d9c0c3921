#include "platform/window/message_box.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace pwin {

bool display_available() {
    const char* drv = std::getenv("SDL_VIDEODRIVER");
    if (drv && (std::strcmp(drv, "offscreen") == 0 || std::strcmp(drv, "dummy") == 0)) return false;
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

int show_message_box(const std::string& caption, const std::string& text) {
    if (display_available() &&
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(), nullptr) == 0)
        return message_box_ok;
    static std::mutex m;
    std::lock_guard<std::mutex> lock(m);
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    return message_box_ok;
}

} // namespace pwin
