#include "gamedata/GxSaveSlot.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "gamedata/GxUserData.h"
#include "graphics/GxImageInfo.h"
#include "graphics/GxPNG.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"
#include "tasks/GxSystemConfig.h"

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

bool GxSaveSlot::IsThumbnailFile(const GxString& path) {
    GxImageInfo info;
    // The probe reads the header only and says itself what it did not like.
    if (!GxGetImageInfoFromFile(path.c_str(), &info)) return false;
    if (info.m_Width == u32(kThumbnailWidth) && info.m_Height == u32(kThumbnailHeight)) return true;
    GxWriteErrorLog(u"GxSaveSlot/サムネイルの大きさが%dx%dではありません(%s:%ux%u)\n", kThumbnailWidth, kThumbnailHeight,
                    path, info.m_Width, info.m_Height);
    return false;
}

void GxSaveSlot::RemoveStaleTempFiles(const GxString& saveDir, const GxSystemConfig& config) {
    std::vector<GxString> names = {saveDir + u"userconf.dat", saveDir + u"permanent.dat", QuickSavePath(saveDir, config)};
    for (s32 n = 1; n <= kFileCount; ++n) {
        names.push_back(GameDataPath(saveDir, n));
        names.push_back(ThumbnailPath(saveDir, n));
    }
    for (const GxString& name : names) {
        const std::string temp = psys::safe_file_temp_path(GxToNativePath(name));
        if (psys::remove_file(temp)) GxWriteDebugLog(u"GxSaveSlot/書きかけの一時ファイルを削除しました(%s)\n", GxFromUtf8(temp));
    }
}

bool GxSaveSlot::Save(GxUserData& userData, const GxString& saveDir, s32 fileNumber, const u8* thumbnail, s32 width,
                      s32 height) {
    if (!userData.SaveGameData(GameDataPath(saveDir, fileNumber), true)) return false;
    const GxString thumbPath = ThumbnailPath(saveDir, fileNumber);
    if (!GxWritePNGFile(thumbPath.c_str(), width, height, thumbnail)) {
        GxWriteErrorLog(u"GxSaveSlot::Save/サムネイルを書き込めませんでした(%s)\n", thumbPath);
        return false;
    }
    return true;
}
