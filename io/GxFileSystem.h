#pragma once
// The process-wide file system: game files named by relative paths, found on
// disk first (without regard to case, '\' or '/' as separator) and then in
// the mounted packs in mounting order, loaded whole (through the whole-file
// cache when asked) or streamed through a GxFileHandle.
//
// Lock order: the file system's mutex before the cache's.
#include "io/GxBinBuffer.h"
#include "io/GxFileCache.h"
#include "io/GxFileHandle.h"
#include "io/GxPackFileHeaderCache.h"

// GxFileExists results.
enum : int { kGxFileNotFound = 0, kGxFileOnDisk = 1, kGxFileInPack = 2 };
// GxFileSeek origins.
enum : u32 { kGxSeekBegin = 0, kGxSeekCurrent = 1, kGxSeekEnd = 2 };

// 1 on disk (a folder counts), else 2 when a mounted pack holds the name, else 0.
int GxFileExists(GxStringView path);
// The size of the disk file, else of the pack entry, else 0.
u32 GxGetFileSize(GxStringView path);

bool GxFileOpen(GxFileHandle* file, GxStringView path);
// Reads up to count bytes at the position; the bytes read.
u32 GxFileRead(void* buffer, u32 count, GxFileHandle* file);
// Moves the position, clamped to 0..size; false for an unknown origin or a
// closed handle, with nothing changed.
bool GxFileSeek(GxFileHandle* file, s64 offset, u32 origin);
s64 GxFileTell(const GxFileHandle* file);
void GxFileClose(GxFileHandle* file);

// The limit of a whole-file load whose caller means any size at all (that
// 32 bits can count). Every load names its limit: one left out would let the
// next reader allocate whatever size a file claims.
inline constexpr u32 kGxLoadFileAnySize = 0xFFFFFFFFu;

// Refuses an open file larger than maxSize (the largest its kind can mean),
// or than 32 bits can count: true when refused, with the one "File too large"
// line naming it unless silent.
bool GxRefuseTooLargeFile(const GxFileHandle& file, u32 maxSize, GxStringView path, bool silent);

// Loads a whole file into out (exactly its size). Logs "File open error or not
// exist:" or "File read error:" unless silent. A file larger than maxSize is
// refused (GxRefuseTooLargeFile) before anything is allocated.
bool GxLoadFile(GxBinBuffer* out, GxStringView path, bool useCache, bool silent, u32 maxSize);
// Loads a whole file followed by two zero bytes, never through the cache.
bool GxLoadFileNoCache(GxBinBuffer* out, GxStringView path, u32 unused, bool silent, u32 maxSize);

// The first mounted pack that holds path; pack and entry (either may be null)
// receive it.
const GxPackEntry* GxPackFindEntry(const GxPackFileHeaderCache** pack, const GxPackEntry** entry, GxStringView path);
bool GxMountPackFile(GxStringView path);
// Mounts a pack the game names, with an error line when it cannot be mounted:
// a damaged pack, a FIFO, or a missing one unless the pack is optional.
bool GxMountPackFileReported(GxStringView path, bool optional);
void GxUnmountAllPackFiles();

void GxSetFileCacheCapacity(u32 bytes);
void GxSetFileCacheMaxFileSize(u32 bytes);
void GxSetFileCacheEnable(bool enable);
void GxClearFileCache();
GxFileCache& GxGetFileCache();

// The program entry's last step, whether or not the core started: the file
// cache emptied and every pack unmounted.
void GxEndFileSystem();
// Back to the state before the program entry ran: GxEndFileSystem, and the
// cache disabled without capacity.
void GxResetFileSystem();
