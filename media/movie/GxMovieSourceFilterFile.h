#pragma once
// A movie file read through the file layer (on disk or in a pack), as the
// movie sources read it: positioned reads under the stream's own lock, with
// an optional limit on how fast the bytes become available.
#include "base/GxMutex.h"
#include "base/GxTypes.h"
#include "io/GxFileHandle.h"
#include "platform/movie/media_type.h"

class GxMovieSourceFilterFile : public GxObjectNotCopyable {
public:
    // Opens the file; bandwidth is in bytes per millisecond (the player
    // passes the largest, 4294967295: no limit).
    GxMovieSourceFilterFile(GxStringView file, u32 bandwidth);
    ~GxMovieSourceFilterFile() override;

    bool IsOpen() const { return m_File.IsOpen(); }
    // s_ok; s_false when the file is not open, pos lies outside 0 to the
    // size (at most 4294967295), or the seek fails.
    pmovie::result SetPointer(s64 pos);
    // Up to bytes from the position (fewer at the end): s_ok and the bytes
    // read, s_false when the file layer read less than that (the first time
    // with a log line: the file holds less than its size).
    pmovie::result Read(void* buffer, u32 bytes, bool aligned, u32* read);
    // The size; available receives how much of it the bandwidth has let
    // through since the file was opened.
    s64 Size(s64* available);
    u32 Alignment() const { return 1; }
    void Lock() { m_Lock.Lock(); }
    void Unlock() { m_Lock.Unlock(); }
    GxMutex& GetLock() { return m_Lock; }

private:
    GxMutex m_Lock;
    GxString m_FileName;
    GxFileHandle m_File;
    s64 m_Position = 0;
    u32 m_Bandwidth;
    u64 m_StartTime;
    bool m_ReadFailed = false;
};
