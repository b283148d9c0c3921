#pragma once
// The renderer at the end of a graph's video path. The graph offers the
// decoded pictures first and 24-bit rows when they are refused. Frames are
// written ahead of their time on the graph's decoding thread, where nothing
// shows them yet, and shown by the per-frame service when their time comes.
#include "platform/movie/media_type.h"

namespace pmovie {

class video_sink {
public:
    virtual ~video_sink() = default;
    virtual result check_media_type(const media_type* type) = 0;
    virtual result set_media_type(const media_type& type) = 0;
    // Writes the frame where it is not shown yet; a failure leaves nothing to show.
    virtual result render_sample(const sample* s) = 0;
    // Shows the frame the last successful render_sample wrote.
    virtual void show_sample() = 0;
};

} // namespace pmovie
