#include "media/movie/GxMovieReaderOutputPin.h"

#include "media/movie/GxMovieReader.h"
#include "media/movie/GxMovieSourceFilterFile.h"
#include "platform/movie/movie_graph.h"

#include <algorithm>

GxMovieReaderOutputPin::GxMovieReaderOutputPin(GxMovieReader* filter, GxMovieSourceFilterFile* stream)
    : m_Filter(filter), m_Stream(stream) {}

pmovie::result GxMovieReaderOutputPin::GetMediaType(s32 position, pmovie::media_type* type) const {
    if (position < 0) return pmovie::e_invalidarg;
    if (position > 0) return pmovie::vfw_s_no_more_items;
    if (!type) return pmovie::e_pointer;
    *type = m_Filter->GetMediaType();
    return pmovie::s_ok;
}

pmovie::result GxMovieReaderOutputPin::CheckMediaType(const pmovie::media_type* type) const {
    const pmovie::media_type& own = m_Filter->GetMediaType();
    if (!type || type->major != own.major) return pmovie::s_false;
    return own.sub == pmovie::subtype::none || type->sub == own.sub ? pmovie::s_ok : pmovie::s_false;
}

pmovie::result GxMovieReaderOutputPin::SyncRead(s64 pos, s32 length, u8* buffer, s32* actual) {
    if (actual) *actual = 0;
    if (length < 0 || !buffer) return pmovie::e_invalidarg;
    GxMutexScopedLock lock(&m_Stream->GetLock());
    if (m_Stream->SetPointer(pos) != pmovie::s_ok) return pmovie::e_fail;
    u32 got = 0;
    m_Stream->Read(buffer, u32(length), false, &got);
    if (actual) *actual = s32(got);
    return got == u32(length) ? pmovie::s_ok : pmovie::s_false;
}

pmovie::result GxMovieReaderOutputPin::Length(s64* total, s64* available) {
    const s64 size = m_Stream->Size(available);
    if (total) *total = size;
    return pmovie::s_ok;
}

pmovie::result GxMovieReaderOutputPin::Render(pmovie::movie_graph& graph) {
    const std::shared_ptr<pmovie::container>& c = m_Filter->GetContainer();
    if (!c) return pmovie::vfw_e_not_found;
    // As a splitter behind the pin: every stream that connects is played;
    // the render fails only when none does.
    pmovie::result last = pmovie::vfw_e_cannot_render;
    bool any = false;
    for (size_t i = 0; i < c->streams().size(); ++i) {
        const pmovie::result r = graph.render(int(i));
        if (pmovie::failed(r))
            last = r;
        else
            any = true;
    }
    return any ? pmovie::s_ok : last;
}

int64_t GxMovieReaderOutputPin::size() { return m_Stream->Size(nullptr); }

int64_t GxMovieReaderOutputPin::read_at(int64_t pos, void* buffer, uint32_t bytes) {
    if (pos >= size()) return 0;
    s32 got = 0;
    const pmovie::result r = SyncRead(pos, s32(std::min<uint32_t>(bytes, 0x7FFFFFFF)), static_cast<u8*>(buffer), &got);
    return pmovie::failed(r) ? -1 : got;
}
