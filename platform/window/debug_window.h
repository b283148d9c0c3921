#pragma once
// The developer's text window: a small second window, created hidden.
// Closing it only hides it; Alt+F11 (pressed over either window) shows it
// without taking the focus, or hides it. It draws no text of its own; the
// lines it holds are kept for whoever shows them.
#include "platform/window/window.h"

#include <string>
#include <vector>

namespace pwin {

class debug_window {
public:
    static constexpr int line_count = 32;
    static constexpr int line_length = 261;

    debug_window() = default;
    ~debug_window() { destroy(); }
    debug_window(const debug_window&) = delete;
    debug_window& operator=(const debug_window&) = delete;

    // "DebugWindow" at (0, 0), 240 x 320, not shown. False when no window
    // can be made (headless without a video driver); the rest then does nothing.
    bool create();
    void destroy();
    bool exists() const { return window_.exists(); }
    uint32_t id() const { return window_.id(); }

    void show();
    void hide();
    bool visible() const { return visible_; }
    // Set when the text changed since the last paint() (see set_line).
    bool changed() const { return changed_; }

    // Line i (0-31), cut to 261 characters (UTF-8 text, cut at characters).
    void set_line(int i, const std::string& text);
    const std::string& line(int i) const;
    // The lines as one text, one per line; clears the changed flag.
    std::string paint();

private:
    bool filter(const window_event& e);

    window window_;
    bool visible_ = false;
    bool changed_ = false;
    std::vector<std::string> lines_ = std::vector<std::string>(line_count);
};

} // namespace pwin
