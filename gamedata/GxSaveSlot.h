#pragma once
// The save slots: files numbered 1 to 80, ten pages of eight slots, each a
// save game "gamedata%03d.gd" with its thumbnail "thumb%03d.png" beside it in
// the save folder, and the quick save, which has no thumbnail.
#include "base/GxTypes.h"
#include "platform/system/safe_file.h"

#include <vector>

class GxSystemConfig;
class GxTexture;
class GxUserData;

class GxSaveSlot {
public:
    static constexpr s32 kSlotsPerPage = 8;
    static constexpr s32 kPageCount = 10;
    static constexpr s32 kFileCount = kSlotsPerPage * kPageCount;
    static constexpr s32 kThumbnailWidth = 128;
    static constexpr s32 kThumbnailHeight = 96;
    // The largest thumbnail file read: 128 x 96 RGBA pixels take under 50 KiB
    // even stored uncompressed in a PNG, so 1 MiB is more than any can mean.
    static constexpr u32 kThumbnailFileSize = 1u << 20;

    // page 0 to 9, slot 0 to 7 -> 1 to 80.
    static s32 FileNumber(s32 page, s32 slot) { return page * kSlotsPerPage + slot + 1; }
    static GxString GameDataPath(const GxString& saveDir, s32 fileNumber);
    static GxString ThumbnailPath(const GxString& saveDir, s32 fileNumber);
    // The quick-save file name of the configuration in the save folder.
    static GxString QuickSavePath(const GxString& saveDir, const GxSystemConfig& config);

    // The save games of a save folder: the quick save and every slot's.
    static std::vector<GxString> GameDataPaths(const GxString& saveDir, const GxSystemConfig& config);

    // Whether anything stands at the path, readable or not: a slot whose file
    // cannot be read is not free.
    static bool HasFile(const GxString& path);

    // Whether the file is a thumbnail as the save writes them, a PNG of
    // 128 x 96 no longer than kThumbnailFileSize, told from its length and
    // header before anything is decoded; otherwise one line naming the file
    // says why not (for a longer file, with that limit).
    static bool IsThumbnailFile(const GxString& path);
    // A thumbnail file (as IsThumbnailFile tells) into the texture, read no
    // further than kThumbnailFileSize: a larger file is refused with one line
    // naming it, as is one whose header the read finds changed.
    static bool LoadThumbnail(const GxString& path, GxTexture* texture);

    // Settles what writes left in the save folder beside the settings, the
    // permanent data, the slots, their thumbnails, the quick save and the
    // variable dumps (platform/system/safe_file.h says how): for the start
    // of a copy, before it reads or writes anything there; locked says
    // whether this copy holds the save folder's lock (without it, only what
    // takes no running copy's work is done). The permanent data's files
    // that writes held are left for its load to merge, and returned.
    static std::vector<psys::held_file> RecoverLeftovers(const GxString& saveDir, const GxSystemConfig& config,
                                                        bool locked);

    // Writes the save game (binary form) and its thumbnail (RGBA PNG of
    // 4-byte 0xAARRGGBB pixels, naming the save it was made with by that
    // save's mark). False, said in error.log and by
    // GxPersistFile::FailureForPlayer, when either could not be written
    // whole and durably. Where that was before the save took its name, the
    // slot is as it was. Where after (GxPersistFile::FailedWriteStands), the
    // save stands: where its own write failed after it took its name, its
    // thumbnail is committed all the same; where the thumbnail's commit
    // failed, beside its own thumbnail if that took its name, else beside
    // the one that stood, its own waiting for a start. What either replaced
    // is kept or goes as GxPersistFile::Write says, the thumbnail with its
    // save.
    static bool Save(GxUserData& userData, const GxString& saveDir, s32 fileNumber, const u8* thumbnail, s32 width,
                     s32 height);
};
