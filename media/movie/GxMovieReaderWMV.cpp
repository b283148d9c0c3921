#include "media/movie/GxMovieReaderWMV.h"

#include "base/GxStringUtil.h"

namespace {

pmovie::media_type AsfStream() {
    pmovie::media_type t;
    t.major = pmovie::major_type::stream;
    t.sub = pmovie::subtype::asf;
    return t;
}

} // namespace

GxMovieReaderWMV::GxMovieReaderWMV(GxMovieSourceFilterFile* stream, pmovie::result* hr)
    : GxMovieReader(stream, AsfStream()), m_StreamInput(stream) {
    std::unique_ptr<pmovie::container> c;
    const pmovie::result r = pmovie::container::open(m_StreamInput, pmovie::subtype::asf, &c);
    if (hr) *hr = r;
    if (pmovie::failed(r)) return;
    const std::vector<pmovie::stream_info>& streams = c->streams();
    for (size_t i = 0; i < streams.size(); ++i) {
        const pmovie::stream_info& s = streams[i];
        m_OutputPins[{u16(s.number), s32(i)}] =
            std::make_unique<GxMovieOutputPinWMV>(GxFromUtf8(s.name), s32(i), u16(s.number), s.kind);
    }
    m_PinCount = s32(m_OutputPins.size());
    m_Container = std::move(c);
}

GxMovieReaderWMV::~GxMovieReaderWMV() { StopReading(); }

GxMoviePinBase* GxMovieReaderWMV::GetPin(s32 n) {
    if (n < 0 || n >= m_PinCount) return nullptr;
    auto it = m_OutputPins.begin();
    std::advance(it, n);
    return it->second.get();
}

void GxMovieReaderWMV::StopReading() {
    m_Container.reset();
    m_OutputPins.clear();
    m_PinCount = 0;
}
