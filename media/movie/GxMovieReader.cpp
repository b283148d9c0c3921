#include "media/movie/GxMovieReader.h"

GxMovieReader::GxMovieReader(GxMovieSourceFilterFile* stream, const pmovie::media_type& type)
    : m_Stream(stream), m_MediaType(type), m_Pin(this, stream) {}

GxMovieReader::GxMovieReader(GxMovieSourceFilterFile* stream, const pmovie::media_type& type, pmovie::result* hr)
    : GxMovieReader(stream, type) {
    std::unique_ptr<pmovie::container> c;
    const pmovie::result r = pmovie::container::open(m_Pin, type.sub, &c);
    m_Container = std::move(c);
    if (hr) *hr = r;
}

GxMovieReader::~GxMovieReader() = default;

s32 GxMovieReader::GetPinCount() { return 1; }

GxMoviePinBase* GxMovieReader::GetPin(s32 n) { return n == 0 ? &m_Pin : nullptr; }
