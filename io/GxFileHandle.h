#pragma once
// An open game file for streaming reads, on disk or inside a mounted pack.
// Opened, read, moved and closed through the file system's free functions
// (GxFileOpen, GxFileRead, GxFileSeek, GxFileTell, GxFileClose). A handle
// belongs to one thread at a time.
#include "base/GxTypes.h"
#include "platform/system/file_system.h"

class GxPackFileHeaderCache;
struct GxPackEntry;

class GxFileHandle {
public:
    GxFileHandle() = default;
    virtual ~GxFileHandle();
    GxFileHandle(const GxFileHandle&) = delete;
    GxFileHandle& operator=(const GxFileHandle&) = delete;

    // Closes the file and returns every field to the closed state.
    void Close();
    // The file's last-write time (for a pack entry, the time stored with it).
    u64 GetFileTime() const { return m_FileTime; }
    u32 GetSize() const { return m_Size; }
    // The size before it was held to 32 bits: a disk file may be larger.
    u64 GetFullSize() const { return m_FullSize; }
    bool IsOpen() const { return m_Open; }
    bool IsEnd() const { return m_End; }
    s64 GetPosition() const { return m_Position; }
    // The pack and entry that hold the file, both null for a disk file.
    const GxPackFileHeaderCache* GetPack() const { return m_Pack; }
    const GxPackEntry* GetEntry() const { return m_Entry; }

private:
    friend bool GxFileOpen(GxFileHandle* file, GxStringView path);
    friend u32 GxFileRead(void* buffer, u32 count, GxFileHandle* file);
    friend bool GxFileSeek(GxFileHandle* file, s64 offset, u32 origin);

    u32 m_Size = 0;
    u64 m_FullSize = 0;
    psys::input_file m_File;
    bool m_Open = false;
    bool m_End = false;
    u64 m_FileTime = 0;
    s64 m_Position = 0;
    // Where the file's first byte lies in the opened file (0 on disk).
    u64 m_Base = 0;
    // Kept here so that reading never needs the pack object itself.
    bool m_Scrambled = false;
    const GxPackFileHeaderCache* m_Pack = nullptr;
    const GxPackEntry* m_Entry = nullptr;
};
