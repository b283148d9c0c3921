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

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
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
// made with, as that file stands on the disk, so that the two stand and are
// kept together whoever wrote or moved either.
constexpr const char* kSaveKeyword = "save";

std::string SaveIdent(const psys::file_status& s) {
    char text[96];
    std::snprintf(text, sizeof text, "%llx:%llx:%llx:%lld.%09u", static_cast<unsigned long long>(s.device),
                  static_cast<unsigned long long>(s.inode), static_cast<unsigned long long>(s.size),
                  static_cast<long long>(s.modified_seconds), s.modified_nanoseconds);
    return text;
}

// The save a thumbnail file was made with; "" for none (an older thumbnail,
// or no thumbnail at all).
std::string ThumbnailSave(const std::string& path) {
    psys::input_file file;
    if (!file.open(path)) return {};
    std::vector<u8> head(4096);
    head.resize(file.read_at(head.data(), head.size(), 0));
    return pimage::read_png_text(head.data(), head.size(), kSaveKeyword);
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// One slot's files in the save folder: its save under the slot's name, the
// kept ones, those a write holds for a moment, and the thumbnail beside each.
//
// A thumbnail goes beside the save it names, wherever that save stands. Only
// a thumbnail in a writer's own hand (a held name of its own) is ever moved,
// and one in another writer's hand is first taken into one's own in a single
// step; so two copies settling thumbnails of one slot at once never move
// the same file on what they saw before. A thumbnail whose save another
// write holds stays in hand: the writer that keeps or drops that save
// settles it after (SettleHeld), and so does a start.
class SlotFiles {
public:
    SlotFiles(const GxString& saveDir, s32 number)
        : m_Dir(GxToNativePath(saveDir)),
          m_Save(GxToNativePath(GxSaveSlot::GameDataPath(GxString(), number))),
          m_Thumb(GxToNativePath(GxSaveSlot::ThumbnailPath(GxString(), number))) {}

    std::string Path(const std::string& name) const { return m_Dir + name; }

    // Puts the thumbnail in hand beside the save it names, exchanging it
    // with a thumbnail of another save standing there and going on with
    // that one; one whose save stands nowhere goes, as does one whose save
    // has its own beside it already. An older thumbnail that names no save
    // is kept under the first free kept name from the number unnamed, or
    // goes where that is 0.
    void Settle(const std::string& hand, u32 unnamed) const {
        for (int round = 0; round < 64 && psys::anything_at(hand); ++round) {
            const std::string save = ThumbnailSave(hand);
            if (save.empty()) {
                KeepUnnamed(hand, unnamed);
                return;
            }
            bool held = false;
            const std::string found = FindSave(save, &held);
            if (found.empty()) {
                psys::remove_name(hand);
                return;
            }
            if (held) return;
            const std::string target = Path(m_Thumb + found.substr(m_Save.size()));
            if (!psys::anything_at(target)) NoteKept(target, found);
            if (psys::move_without_replacing(hand, target) != EEXIST) return;
            if (ThumbnailSave(target) == save) {
                psys::remove_name(hand);
                return;
            }
            NoteKept(target, found);
            if (psys::exchange_names(hand, target) != 0) return;
        }
    }

    // Settles every thumbnail that writes hold (those left in hand for a
    // save held by another write), unless its save is still held.
    void SettleHeld() const {
        std::vector<std::string> entries;
        psys::list_folder(m_Dir.empty() ? "." : m_Dir, &entries);
        for (const std::string& entry : entries) {
            if (!IsHeldName(entry, m_Thumb)) continue;
            const std::string save = ThumbnailSave(Path(entry));
            bool held = false;
            if (save.empty() || (!FindSave(save, &held).empty() && held)) continue;
            const std::string hand = psys::safe_file_held_name(Path(m_Thumb));
            if (psys::move_without_replacing(Path(entry), hand) == 0) Settle(hand, 0);
        }
    }

private:
    // "<name>.<anything>.held".
    static bool IsHeldName(const std::string& entry, const std::string& name) {
        return entry.size() > name.size() + 6 && entry.compare(0, name.size() + 1, name + ".") == 0 &&
               entry.compare(entry.size() - 5, 5, ".held") == 0;
    }
    // ".changed", ".N.changed".
    static bool IsChangedEnding(const std::string& rest) {
        if (rest == ".changed") return true;
        if (rest.size() < 10 || rest[0] != '.' || rest.compare(rest.size() - 8, 8, ".changed") != 0) return false;
        return rest.find_first_not_of("0123456789", 1) == rest.size() - 8;
    }

    // The name the save the ident names stands under: the slot's, a kept
    // one, or one a write holds it under (*held); "" when it stands nowhere.
    std::string FindSave(const std::string& ident, bool* held) const {
        std::vector<std::string> entries;
        psys::list_folder(m_Dir.empty() ? "." : m_Dir, &entries);
        for (const std::string& entry : entries) {
            const bool heldName = IsHeldName(entry, m_Save);
            if (entry != m_Save && !heldName &&
                !(entry.compare(0, m_Save.size(), m_Save) == 0 && IsChangedEnding(entry.substr(m_Save.size()))))
                continue;
            psys::file_status status;
            if (!psys::status_of(Path(entry), &status) || SaveIdent(status) != ident) continue;
            *held = heldName;
            return entry;
        }
        return {};
    }

    // A thumbnail put beside a kept save is kept too, and says so.
    void NoteKept(const std::string& thumb, const std::string& save) const {
        if (save != m_Save)
            GxWriteErrorLog(u"GxSaveSlot::Save/読み込んだ後に書き換えられていたファイルを%sとして残しました\n", GxFromUtf8(thumb));
    }

    void KeepUnnamed(const std::string& hand, u32 from) const {
        if (from == 0) {
            psys::remove_name(hand);
            return;
        }
        const GxString thumb = GxFromUtf8(Path(m_Thumb));
        for (u32 n = from; n <= GxPersistFile::kMaxChangedFiles; ++n) {
            const std::string target = GxToNativePath(GxPersistFile::KeptFilePath(thumb, n, u"changed"));
            if (psys::anything_at(target)) continue;
            NoteKept(target, {});
            if (psys::move_without_replacing(hand, target) != EEXIST) return;
        }
    }

    std::string m_Dir;
    std::string m_Save;
    std::string m_Thumb;
};

// A slot's number from a final path of the save folder ("gamedataNNN.gd" or
// "thumbNNN.png"), or 0.
s32 SlotOf(const std::string& final, const char* prefix, const char* ending) {
    const size_t slash = final.find_last_of('/');
    const std::string name = slash == std::string::npos ? final : final.substr(slash + 1);
    const size_t p = std::strlen(prefix), e = std::strlen(ending);
    if (name.size() != p + 3 + e || !StartsWith(name, prefix) || name.compare(p + 3, e, ending) != 0) return 0;
    return s32(std::strtol(name.c_str() + p, nullptr, 10));
}

// A file a write held and its writer left: put back where nothing stands at
// its name, gone where the same bytes stand there or are kept already, else
// kept beside it as changed (a slot's save only under a number at which its
// thumbnail's kept name is free too, so that the two stay together).
void KeepLeftover(const std::string& held, const std::string& final) {
    const size_t slash = final.find_last_of('/') + 1;
    const s32 slot = SlotOf(final, "gamedata", ".gd");
    const GxString thumb =
        slot ? GxFromUtf8(final.substr(0, slash)) + GxSaveSlot::ThumbnailPath(GxString(), slot) : GxString();
    if (!psys::anything_at(final) && psys::move_without_replacing(held, final) == 0) {
        GxWriteErrorLog(u"GxSaveSlot::RecoverLeftovers/書き込みの途中で残されたファイルを%sに戻しました\n", GxFromUtf8(final));
        return;
    }
    bool same = psys::same_bytes(held, final);
    for (u32 n = 1; n <= GxPersistFile::kMaxChangedFiles && !same; ++n) {
        const std::string aside = GxToNativePath(GxPersistFile::KeptFilePath(GxFromUtf8(final), n, u"changed"));
        const bool free = !psys::anything_at(aside);
        if (free && slot && psys::anything_at(GxToNativePath(GxPersistFile::KeptFilePath(thumb, n, u"changed"))))
            continue;
        if (free) {
            GxWriteErrorLog(u"GxSaveSlot::RecoverLeftovers/書き込みの途中で残されたファイルを%sとして残しました\n",
                            GxFromUtf8(aside));
            const int err = psys::move_without_replacing(held, aside);
            if (err == 0) return;
            if (err != EEXIST && err != ENOTEMPTY) break;
        }
        same = psys::same_bytes(held, aside);
    }
    if (same) {
        psys::remove_name(held);
        return;
    }
    GxWriteErrorLog(u"GxSaveSlot::RecoverLeftovers/書き込みの途中で残されたファイルを残せないため、%sのまま残しました\n",
                    GxFromUtf8(held));
}

} // namespace

void GxSaveSlot::RecoverLeftovers(const GxString& saveDir, const GxSystemConfig& config) {
    std::set<std::string> names = {"userconf.dat", "permanent.dat", GxToNativePath(config.m_QuickSaveFileName)};
    for (s32 n = 1; n <= kFileCount; ++n) {
        names.insert(GxToNativePath(GameDataPath(GxString(), n)));
        names.insert(GxToNativePath(ThumbnailPath(GxString(), n)));
    }
    const psys::safe_file_leftovers left = psys::find_safe_file_leftovers(GxToNativePath(saveDir), names);
    for (const std::string& second : left.second_names) psys::remove_name(second);
    // The saves first: the thumbnails then follow them to their kept names.
    std::vector<std::pair<std::string, s32>> thumbnails;
    for (const auto& [held, final] : left.held) {
        if (const s32 slot = SlotOf(final, "thumb", ".png")) thumbnails.push_back({held, slot});
        else KeepLeftover(held, final);
    }
    for (const auto& [temp, final] : left.temporary) {
        // A thumbnail whose save stands was written whole before its save
        // replaced the old one: it goes beside its save, as its writer
        // would have put it.
        const s32 slot = SlotOf(final, "thumb", ".png");
        if (slot && !ThumbnailSave(temp).empty()) {
            thumbnails.push_back({temp, slot});
            continue;
        }
        if (psys::remove_name(temp) == 0)
            GxWriteDebugLog(u"GxSaveSlot::RecoverLeftovers/書きかけの一時ファイルを削除しました(%s)\n", GxFromUtf8(temp));
    }
    for (const auto& [hand, slot] : thumbnails) SlotFiles(saveDir, slot).Settle(hand, 1);
}

namespace {

// The thumbnail as an RGBA PNG naming its save, flushed and synced to its
// temporary file, which the commit renames into place.
bool PrepareThumbnail(psys::safe_file& file, const GxString& path, const u8* pixels, s32 width, s32 height,
                      const psys::file_status& save, std::string* error) {
    if (!pixels || width <= 0 || height <= 0 || !pimage::size_acceptable(u64(width), u64(height))) {
        *error = "no picture";
        return false;
    }
    std::vector<u32> words(size_t(width) * size_t(height));
    std::memcpy(words.data(), pixels, words.size() * 4);
    std::vector<u8> png;
    if (!pimage::encode_png(words.data(), u32(width), u32(height), size_t(width) * 4, png, kSaveKeyword,
                            SaveIdent(save))) {
        *error = "encode";
        return false;
    }
    bool ok = file.open(GxToNativePath(path));
    if (ok) std::fwrite(png.data(), 1, png.size(), file.stream());
    ok = ok && file.prepare();
    if (!ok) *error = file.error();
    return ok;
}

} // namespace

bool GxSaveSlot::Save(GxUserData& userData, const GxString& saveDir, s32 fileNumber, const u8* thumbnail, s32 width,
                      s32 height) {
    // The thumbnail's bytes reach the disk once the save's have, naming the
    // save as it will stand, and before the save replaces the old one; the
    // thumbnail replaces its own only after. Either failing before that
    // leaves the slot as it was.
    const GxString thumbPath = ThumbnailPath(saveDir, fileNumber);
    psys::safe_file thumb;
    u32 kept = 0;
    const bool saved = userData.SaveGameData(
        GameDataPath(saveDir, fileNumber), true, &kept, [&](const psys::file_status& save) {
            std::string error;
            if (PrepareThumbnail(thumb, thumbPath, thumbnail, width, height, save, &error)) return true;
            GxWriteErrorLog(u"GxSaveSlot::Save/サムネイルを書き込めませんでした(%s:%s)\n", thumbPath, GxFromUtf8(error));
            return false;
        }, thumbPath);
    if (!saved) return false;
    const SlotFiles files(saveDir, fileNumber);
    // The save this one replaced is kept or gone now: a thumbnail another
    // write left in hand for it goes with it.
    files.SettleHeld();
    // Renaming beside a file just renamed hardly fails; if it does, the game
    // is saved and only its picture is the old one.
    thumb.hold_replaced();
    userData.GetKnownFiles().Prepare(thumbPath, thumb);
    if (!thumb.commit()) {
        GxWriteErrorLog(u"GxSaveSlot::Save/サムネイルを書き込めませんでした(%s:%s)\n", thumbPath, GxFromUtf8(thumb.error()));
        return true;
    }
    userData.GetKnownFiles().Committed(thumbPath, thumb, u"GxSaveSlot::Save");
    // What the thumbnail replaced goes beside its own save; an older one
    // that names none goes with the save this one replaced.
    if (thumb.has_replaced()) files.Settle(thumb.take_replaced(), kept);
    return true;
}
