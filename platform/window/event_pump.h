#pragma once
// The message pump of the engine's windows. SDL's event queue is drained and
// translated into window_events; events posted by the engine (destroy, quit)
// or injected by tests join the same queue, in order. The pump never blocks.
#include "platform/window/window_event.h"

#include <functional>

namespace pwin {

class window;

// Translates what SDL has waiting; true when an event is ready.
bool peek_event();
// Removes the next event into out; false when none is waiting.
bool next_event(window_event& out);

// Appends an event to the queue (from any thread). Tests inject the events a
// window procedure handles this way.
void post_event(const window_event& e);
// Asks for the window to be destroyed: queues a destroy event. It is queued
// even when the window does not exist, so a loop waiting for it always ends.
void request_destroy(uint32_t window_id);
// Ends the message loop: queues the quit event.
void post_quit();
// Empties the queue (and SDL's) without delivering anything.
void discard_events();
// From now on a hang-up (the terminal the program was started from closed, an
// ssh session dropped) reaches the pump as the quit SDL makes of SIGTERM and
// SIGINT, instead of ending the process where it stands. A hang-up the
// process was started ignoring (nohup) stays ignored.
void quit_on_hang_up();

// Windows whose SDL events the pump translates; window::create and
// window::destroy do this. A filter sees every translated event first and
// returns true to consume it.
using event_filter = std::function<bool(const window_event&)>;
void attach_window(window* w, event_filter filter = nullptr);
void detach_window(window* w);

} // namespace pwin
