#include "media/movie/GxMovieStreamInputWMV.h"

#include "media/movie/GxMovieSourceFilterFile.h"

GxMovieStreamInputWMV::GxMovieStreamInputWMV(GxMovieSourceFilterFile* stream)
    : m_Stream(stream), m_Size(stream->Size(nullptr)) {}

pmovie::result GxMovieStreamInputWMV::Read(void* buffer, u32 bytes, u32* read) {
    u32 got = 0;
    m_Stream->Read(buffer, bytes, false, &got);
    m_Position += got;
    if (read) *read = got;
    return pmovie::s_ok;
}

pmovie::result GxMovieStreamInputWMV::Seek(s64 offset, u32 origin, s64* newPosition) {
    s64 target;
    switch (origin) {
    case kSeekBegin: target = offset; break;
    case kSeekCurrent: target = m_Position + offset; break;
    case kSeekEnd: target = m_Size + offset; break;
    default: return kInvalidFunction;
    }
    if (m_Stream->SetPointer(target) != pmovie::s_ok) return kInvalidFunction;
    m_Position = target;
    if (newPosition) *newPosition = m_Position;
    return pmovie::s_ok;
}

pmovie::result GxMovieStreamInputWMV::Stat(s64* size) {
    if (!size) return pmovie::e_pointer;
    *size = m_Size;
    return pmovie::s_ok;
}

int64_t GxMovieStreamInputWMV::read_at(int64_t pos, void* buffer, uint32_t bytes) {
    GxMutexScopedLock lock(&m_Stream->GetLock());
    if (pos >= m_Size) return 0;
    if (Seek(pos, kSeekBegin, nullptr) != pmovie::s_ok) return -1;
    u32 got = 0;
    Read(buffer, bytes, &got);
    return got;
}
