#pragma once
// A decoded video frame as a renderer sees it: its size, and a conversion
// into the renderer's destination through the graph's converter.
#include "platform/movie/media_type.h"

struct AVFrame;

namespace pmovie {

class picture_converter;

class picture {
public:
    picture(const AVFrame* frame, picture_converter& converter) : m_frame(frame), m_converter(converter) {}
    int32_t width() const;
    int32_t height() const;
    bool convert_to(const frame_target& target) const;

private:
    const AVFrame* m_frame;
    picture_converter& m_converter;
};

} // namespace pmovie
