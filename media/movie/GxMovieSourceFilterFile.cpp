#include "media/movie/GxMovieSourceFilterFile.h"

#include "base/GxLog.h"
#include "io/GxFileSystem.h"
#include "platform/system/clock.h"

#include <algorithm>

GxMovieSourceFilterFile::GxMovieSourceFilterFile(GxStringView file, u32 bandwidth)
    : m_FileName(file), m_Bandwidth(std::max<u32>(bandwidth, 1)), m_StartTime(psys::now_ms()) {
    GxFileOpen(&m_File, file);
}

GxMovieSourceFilterFile::~GxMovieSourceFilterFile() { GxFileClose(&m_File); }

pmovie::result GxMovieSourceFilterFile::SetPointer(s64 pos) {
    GxMutexScopedLock lock(&m_Lock);
    if (!m_File.IsOpen() || pos < 0 || pos > s64(0xFFFFFFFFu) || pos > s64(m_File.GetSize())) return pmovie::s_false;
    if (!GxFileSeek(&m_File, pos, kGxSeekBegin)) return pmovie::s_false;
    m_Position = pos;
    return pmovie::s_ok;
}

pmovie::result GxMovieSourceFilterFile::Read(void* buffer, u32 bytes, bool, u32* read) {
    GxMutexScopedLock lock(&m_Lock);
    if (read) *read = 0;
    if (!m_File.IsOpen() || !buffer) return pmovie::s_false;
    bytes = u32(std::clamp<s64>(s64(m_File.GetSize()) - m_Position, 0, bytes));
    // The clock is read only when the limit can matter.
    const u64 dueMs = u64(m_Position + bytes) / m_Bandwidth;
    if (dueMs > 0) {
        const u64 passed = psys::now_ms() - m_StartTime;
        if (passed < dueMs) psys::sleep_ms(u32(std::min<u64>(dueMs - passed, 0xFFFFFFFFu)));
    }
    const u32 got = GxFileRead(buffer, bytes, &m_File);
    if (got != bytes) {
        // The file holds less than it says (a pack cut short, a failing
        // disk): the movie ends here as if complete, and this is said once.
        if (!m_ReadFailed)
            GxWriteErrorLog(u"Error/GxMovieSourceFilterFile Read Failed(File=%s Pos=%I64d Size=%u)\n", m_FileName,
                            m_Position + s64(got), m_File.GetSize());
        m_ReadFailed = true;
        m_Position = GxFileTell(&m_File);
        return pmovie::s_false;
    }
    m_Position += got;
    if (read) *read = got;
    return pmovie::s_ok;
}

s64 GxMovieSourceFilterFile::Size(s64* available) {
    GxMutexScopedLock lock(&m_Lock);
    const s64 size = s64(m_File.GetSize());
    if (available) {
        const u64 passed = psys::now_ms() - m_StartTime;
        // Saturating: the product passes 2^64 only for absurd times.
        const u64 let = passed > (~u64(0)) / m_Bandwidth ? ~u64(0) : passed * m_Bandwidth;
        *available = s64(std::min<u64>(u64(size), let));
    }
    return size;
}
