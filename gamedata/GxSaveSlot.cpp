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

#include <cstdio>
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

void GxSaveSlot::RemoveStaleTempFiles(const GxString& saveDir, const GxSystemConfig& config) {
    std::set<std::string> names = {"userconf.dat", "permanent.dat", GxToNativePath(config.m_QuickSaveFileName)};
    for (s32 n = 1; n <= kFileCount; ++n) {
        names.insert(GxToNativePath(GameDataPath(GxString(), n)));
        names.insert(GxToNativePath(ThumbnailPath(GxString(), n)));
    }
    for (const std::string& temp : psys::safe_file_leftovers(GxToNativePath(saveDir), names))
        if (psys::remove_file(temp))
            GxWriteDebugLog(u"GxSaveSlot::RemoveStaleTempFiles/書きかけの一時ファイルを削除しました(%s)\n", GxFromUtf8(temp));
}

namespace {

// The thumbnail as an RGBA PNG, flushed and synced to its temporary file,
// which the commit renames into place.
bool PrepareThumbnail(psys::safe_file& file, const GxString& path, const u8* pixels, s32 width, s32 height,
                      std::string* error) {
    if (!pixels || width <= 0 || height <= 0 || !pimage::size_acceptable(u64(width), u64(height))) {
        *error = "no picture";
        return false;
    }
    std::vector<u32> words(size_t(width) * size_t(height));
    std::memcpy(words.data(), pixels, words.size() * 4);
    std::vector<u8> png;
    if (!pimage::encode_png(words.data(), u32(width), u32(height), size_t(width) * 4, png)) {
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
    // The thumbnail's bytes reach the disk first, beside its old file; only
    // once the save game has replaced its own does the thumbnail replace
    // its. Either failing before that leaves the slot as it was.
    const GxString thumbPath = ThumbnailPath(saveDir, fileNumber);
    psys::safe_file thumb;
    std::string error;
    if (!PrepareThumbnail(thumb, thumbPath, thumbnail, width, height, &error)) {
        GxWriteErrorLog(u"GxSaveSlot::Save/サムネイルを書き込めませんでした(%s:%s)\n", thumbPath, GxFromUtf8(error));
        return false;
    }
    u32 kept = 0;
    if (!userData.SaveGameData(GameDataPath(saveDir, fileNumber), true, &kept)) return false;
    if (kept) thumb.hold_replaced();
    // Renaming beside a file just renamed hardly fails; if it does, the game
    // is saved and only its picture is the old one.
    if (!thumb.commit()) {
        GxWriteErrorLog(u"GxSaveSlot::Save/サムネイルを書き込めませんでした(%s:%s)\n", thumbPath, GxFromUtf8(thumb.error()));
    } else if (thumb.has_replaced()) {
        // Under its save's number, or the first free one after it.
        const std::string aside = thumb.keep_replaced(
            [&](unsigned n) { return GxToNativePath(GxPersistFile::KeptFilePath(thumbPath, kept + n - 1, u"changed")); },
            GxPersistFile::kMaxChangedFiles);
        if (!aside.empty())
            GxWriteErrorLog(u"GxSaveSlot::Save/読み込んだ後に書き換えられていたファイルを%sとして残しました\n", GxFromUtf8(aside));
    }
    return true;
}
