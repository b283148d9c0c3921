#include "gamedata/GxSaveSlot.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxUserData.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxImageInfo.h"
#include "graphics/GxTexture.h"
#include "io/GxFileSystem.h"
#include "platform/image/image.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"
#include "tasks/GxSystemConfig.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

GxString GxSaveSlot::GameDataPath(const GxString& saveDir, s32 fileNumber) {
    return saveDir + GxFormat(u"gamedata%03d.gd", fileNumber);
}

GxString GxSaveSlot::ThumbnailPath(const GxString& saveDir, s32 fileNumber) {
    return saveDir + GxFormat(u"thumb%03d.png", fileNumber);
}

GxString GxSaveSlot::QuickSavePath(const GxString& saveDir, const GxSystemConfig& config) {
    return saveDir + config.m_QuickSaveFileName;
}

std::vector<GxString> GxSaveSlot::GameDataPaths(const GxString& saveDir, const GxSystemConfig& config) {
    std::vector<GxString> paths = {QuickSavePath(saveDir, config)};
    for (s32 n = 1; n <= kFileCount; ++n) paths.push_back(GameDataPath(saveDir, n));
    return paths;
}

bool GxSaveSlot::HasFile(const GxString& path) {
    psys::file_status status;
    return psys::status_of(GxToNativePath(path), &status);
}

namespace {

// True, with a line naming the file and its size, for a picture of any size
// but a thumbnail's.
bool RefuseOtherThanThumbnailSize(const GxString& path, u32 width, u32 height) {
    if (width == u32(GxSaveSlot::kThumbnailWidth) && height == u32(GxSaveSlot::kThumbnailHeight)) return false;
    GxWriteErrorLog(u"GxSaveSlot::IsThumbnailFile/サムネイルの大きさが%dx%dではありません(%s:%ux%u)\n",
                    GxSaveSlot::kThumbnailWidth, GxSaveSlot::kThumbnailHeight, path, width, height);
    return true;
}

} // namespace

bool GxSaveSlot::IsThumbnailFile(const GxString& path) {
    GxImageInfo info;
    // The probe reads the header only and says itself what it did not like;
    // a file longer than a thumbnail can mean is refused with that limit.
    return GxGetImageInfoFromFile(path.c_str(), &info, kThumbnailFileSize) &&
           !RefuseOtherThanThumbnailSize(path, info.m_Width, info.m_Height);
}

bool GxSaveSlot::LoadThumbnail(const GxString& path, GxTexture* texture) {
    // Another user's picture at a slot's name (planted in a shared folder)
    // is no picture of the player's save.
    GxUserData* data = GxUserData::Get();
    if (!GxPersistFile::RefuseStranger(path, u"GxSaveSlot::LoadThumbnail", data ? &data->GetKnownFiles() : nullptr,
                                       false))
        return false;
    GxBinBuffer bytes;
    if (!texture || !IsThumbnailFile(path) || !GxLoadFile(&bytes, path, true, false, kThumbnailFileSize)) return false;
    pimage::image_info header;
    pimage::probe_png_header(bytes.GetData(), bytes.GetSize(), header);
    return !RefuseOtherThanThumbnailSize(path, header.width, header.height) &&
           texture->CreateFromFileInMemory(path.c_str(), bytes.GetData(), bytes.GetSize(), kGxFmtA8R8G8B8, 1, 0,
                                           false);
}

namespace {

// The text a thumbnail carries under this keyword names the save it was
// made with by that save's mark, so that the two stand and are kept
// together whoever wrote, moved or copied either.
constexpr const char* kSaveKeyword = "save";

// The mark of the save a thumbnail file names; "" for none (an older
// thumbnail), and for a file that is not a whole PNG (one a write cut
// short), which names nothing it could be trusted for; where a read
// failed (the file stands, but what it names cannot be told), why.
psys::mark_read ThumbnailMark(const std::string& path) {
    // The reader stops short only where the file ends or a read fails, and
    // opens nothing where no regular file stands: errno tells which.
    psys::input_file file;
    errno = 0;
    if (!file.open(path)) return psys::mark_read::after(errno);
    const u64 size = file.status().size;
    if (size < 12 || size > GxSaveSlot::kThumbnailFileSize) return {};
    static const u8 kEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    u8 tail[sizeof kEnd];
    std::vector<u8> head(size_t(std::min<u64>(size, 4096)));
    errno = 0;
    if (file.read_at(tail, sizeof tail, size - sizeof tail) != sizeof tail ||
        file.read_at(head.data(), head.size(), 0) != head.size())
        return psys::mark_read::after(errno);
    if (std::memcmp(tail, kEnd, sizeof kEnd) != 0) return {};
    return pimage::read_png_text(head.data(), head.size(), kSaveKeyword);
}

// A slot's save and its thumbnail, as the files the protocol keeps together.
psys::file_pair SlotPair(const GxString& saveDir, s32 number) {
    return {GxToNativePath(GxSaveSlot::GameDataPath(saveDir, number)),
            GxToNativePath(GxSaveSlot::ThumbnailPath(saveDir, number)), ThumbnailMark};
}

// The thumbnail as an RGBA PNG naming its save, flushed and synced to its
// temporary file, which the commit renames into place.
bool PrepareThumbnail(psys::safe_file& file, const GxString& path, const u8* pixels, s32 width, s32 height,
                      const std::string& saveMark, std::string* error) {
    if (!pixels || width <= 0 || height <= 0 || !pimage::size_acceptable(u64(width), u64(height))) {
        *error = "no picture";
        return false;
    }
    std::vector<u32> words(size_t(width) * size_t(height));
    std::memcpy(words.data(), pixels, words.size() * 4);
    std::vector<u8> png;
    if (!pimage::encode_png(words.data(), u32(width), u32(height), size_t(width) * 4, png, kSaveKeyword, saveMark)) {
        *error = "encode";
        return false;
    }
    bool ok = file.open(GxToNativePath(path), true);
    if (ok) std::fwrite(png.data(), 1, png.size(), file.stream());
    // Its name too: were the save to stand after a power cut without it, the
    // save would stand beside the old picture.
    ok = ok && file.prepare(true);
    if (!ok) *error = file.error();
    return ok;
}

} // namespace

std::vector<psys::held_file> GxSaveSlot::RecoverLeftovers(const GxString& saveDir, const GxSystemConfig& config,
                                                          bool locked) {
    psys::folder_files files;
    files.names = {"userconf.dat", "permanent.dat", GxToNativePath(config.m_QuickSaveFileName), "vardump.txt",
                   "vardump_extern.txt"};
    for (s32 n = 1; n <= kFileCount; ++n) {
        const std::string save = GxToNativePath(GameDataPath(GxString(), n));
        const std::string thumb = GxToNativePath(ThumbnailPath(GxString(), n));
        files.names.insert(save);
        files.names.insert(thumb);
        files.pairs.push_back({thumb, save});
    }
    files.mark_of = ThumbnailMark;
    files.merged = {"permanent.dat"};
    files.compared = GxPersistFile::kMaxFileBytes;
    return psys::settle_folder(GxToNativePath(saveDir), files, locked,
                               GxPersistFile::Notes(u"GxSaveSlot::RecoverLeftovers"));
}

bool GxSaveSlot::Save(GxUserData& userData, const GxString& saveDir, s32 fileNumber, const u8* thumbnail, s32 width,
                      s32 height) {
    // The thumbnail's bytes reach the disk once the save's have, naming the
    // save's mark, and before the save replaces the old one; the thumbnail
    // replaces its own only after. Either failing before that leaves the
    // slot as it was.
    const GxString thumbPath = ThumbnailPath(saveDir, fileNumber);
    GxPersistFile::KnownFiles& known = userData.GetKnownFiles();
    psys::safe_file thumb;
    GxPersistFile::Outcome outcome;
    psys::known_mark newSave;
    const bool saved = userData.SaveGameData(
        GameDataPath(saveDir, fileNumber), true, &outcome, [&](const psys::safe_file& save) {
            // The new save, as its write knows it: not read again to tell
            // which thumbnails name it.
            newSave = {save.written(), save.mark()};
            std::string error;
            if (PrepareThumbnail(thumb, thumbPath, thumbnail, width, height, save.mark(), &error)) {
                known.ClearRefusal(thumbPath);
                return true;
            }
            // What is not the player's at the thumbnail's name is neither
            // read nor taken: the slot stays as it was.
            if (thumb.found().refused.what != psys::stranger::kind::none) {
                GxPersistFile::SayRefused(thumbPath, thumb.found().refused, u"GxSaveSlot::Save", &known, true);
                GxWriteErrorLog(u"GxSaveSlot::Save/サムネイルを書き込めませんでした(%s:%s)\n", thumbPath,
                                GxPersistFile::FailureForPlayer());
                return false;
            }
            GxWriteErrorLog(u"GxSaveSlot::Save/サムネイルを書き込めませんでした(%s:%s)\n", thumbPath, GxFromUtf8(error));
            GxPersistFile::SetFailureForPlayer(thumb.error().empty()
                                                   ? GxString(u"サムネイルを作れませんでした")
                                                   : GxPersistFile::ReasonForPlayer(thumb.failed_step(),
                                                                                    thumb.error_number()));
            return false;
        }, thumbPath);
    // A save that took its name, though its write failed after, still goes
    // with its own thumbnail.
    if (!saved && !outcome.placed) return false;
    const GxString failure = GxPersistFile::FailureForPlayer();
    const bool stands = GxPersistFile::FailedWriteStands();
    // The thumbnail as it stood when its file was made, before the save's
    // commit: one put there since (by a copy that does not see this one's
    // lock, or by hand) is held, not replaced.
    const bool thumbStood = thumb.found().present;
    const psys::file_status thumbWas = thumb.found().status;
    // Where the save replaced its own older one in one step, so does its
    // thumbnail; where it held what it replaced, the thumbnail holds too.
    thumb.hold_replaced([&](const psys::file_status* now) {
        return !outcome.held && (now ? thumbStood && psys::same_file(thumbWas, *now) : !thumbStood);
    });
    if (!thumb.commit()) {
        if (thumb.placed()) GxPersistFile::LogFailedWrite(u"GxSaveSlot::Save", thumbPath, thumb);
        else
            GxWriteErrorLog(u"GxSaveSlot::Save/サムネイルを書き込めませんでした(%s:%s)\n", thumbPath,
                            GxFromUtf8(thumb.error()));
        for (const psys::held_file& h : thumb.take_held())
            GxWriteErrorLog(u"GxSaveSlot::Save/置き換えるはずだったファイルを%sのまま残しました\n", GxFromUtf8(h.path));
        // The save stands all the same: beside its own thumbnail, whose name
        // may not outlive a power cut, or beside the one that stood, its own
        // waiting for a start.
        GxPersistFile::SetFailureForPlayer(
            thumb.placed() ? GxPersistFile::ReasonForPlayer(thumb.failed_step(), thumb.error_number(), true)
                           : GxString(u"サムネイルを書き込めませんでした"),
            true);
        return false;
    }
    // What the thumbnail replaced goes beside the save it names; so do those
    // other writes left in hand for the save this one replaced. One that
    // names none it finds and stood when this save began went with the save
    // that stood then: where this write dropped that (as the one it saw
    // last) or kept it, it goes with it.
    std::vector<psys::companion_hand> hands;
    for (psys::held_file& held : thumb.take_held()) {
        using was = psys::companion_hand::main_was;
        const bool stoodWithIt = thumbStood && psys::same_file(thumbWas, held.status);
        const was main = !stoodWithIt          ? was::not_known
                         : outcome.dropped    ? was::dropped
                         : outcome.keptNumber ? was::kept
                                              : was::not_known;
        hands.push_back({std::move(held), main, outcome.keptNumber, outcome.keptDamaged ? "damaged" : "changed"});
    }
    if (const int err = psys::settle_companions(SlotPair(saveDir, fileNumber), std::move(hands),
                                                GxPersistFile::Notes(u"GxSaveSlot::Save"), newSave)) {
        GxPersistFile::SetFailureForPlayer(GxPersistFile::ReasonForPlayer("settle", err), true);
        return false;
    }
    GxPersistFile::SetFailureForPlayer(failure, stands);
    return saved;
}
