#include "platform/window/message_box.h"

#include "platform/system/process_launch.h"

#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <strings.h>

namespace pwin {
namespace {

bool is_headless(const char* driver) {
    return driver && (::strcasecmp(driver, "offscreen") == 0 || ::strcasecmp(driver, "dummy") == 0);
}

// Whether SDL_VIDEODRIVER (a name or a comma-separated list) names the driver.
bool requested(const char* driver) {
    const char* hint = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (!hint) return false;
    const std::string list = hint, want = driver;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(',', start), list.size());
        if (end - start == want.size() && ::strncasecmp(list.c_str() + start, driver, want.size()) == 0) return true;
        start = end + 1;
    }
    return false;
}

// The video driver SDL runs with, or the one it would start now; "" when none
// starts.
std::string current_or_probed_driver() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        const char* d = SDL_GetCurrentVideoDriver();
        return d ? d : "";
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return {};
    const char* d = SDL_GetCurrentVideoDriver();
    const std::string name = d ? d : "";
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return name;
}

enum class shown { yes, no, no_dialog_program };

// zenity in a process tied to this one: SIGTERM to the engine while the box is
// up takes the box down too. Status 0 is OK, 1 the box closed by its frame.
shown show_with_zenity(const std::string& caption, const std::string& text) {
    const int status =
        psys::run_tied({"zenity", "--info", "--no-markup", "--title=" + caption, "--text=" + text});
    if (status < 0) return shown::no_dialog_program;
    return status == 0 || status == 1 ? shown::yes : shown::no;
}

} // namespace

bool video_driver_usable(const char* driver) {
    return driver && *driver && (!is_headless(driver) || requested(driver));
}

bool display_available() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    if (!(x && *x) && !(w && *w)) return false;
    // A display named but not reachable leaves SDL on a headless driver.
    const std::string driver = current_or_probed_driver();
    return !driver.empty() && !is_headless(driver.c_str());
}

int show_message_box(const std::string& caption, const std::string& text) {
    if (display_available()) {
        const shown s = show_with_zenity(caption, text);
        if (s == shown::yes) return message_box_ok;
        // SDL's own box draws itself where there is no dialog program.
        if (s == shown::no_dialog_program &&
            SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption.c_str(), text.c_str(), nullptr) == 0)
            return message_box_ok;
    }
    static std::mutex m;
    std::lock_guard<std::mutex> lock(m);
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    return message_box_ok;
}

} // namespace pwin
