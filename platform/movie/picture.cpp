#include "platform/movie/picture.h"

#include "platform/movie/picture_converter.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace pmovie {

int32_t picture::width() const { return m_frame->width; }
int32_t picture::height() const { return m_frame->height; }
bool picture::convert_to(const frame_target& target) const { return m_converter.convert(m_frame, target); }

} // namespace pmovie
