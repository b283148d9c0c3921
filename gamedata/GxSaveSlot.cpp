#include "gamedata/GxSaveSlot.h"

#include "base/GxFormat.h"
#include "base/GxLog.h"
#include "gamedata/GxUserData.h"
#include "graphics/GxPNG.h"
#include "tasks/GxSystemConfig.h"

GxString GxSaveSlot::GameDataPath(const GxString& saveDir, s32 fileNumber) {
    return saveDir + GxFormat(u"gamedata%03d.gd", fileNumber);
}

GxString GxSaveSlot::ThumbnailPath(const GxString& saveDir, s32 fileNumber) {
    return saveDir + GxFormat(u"thumb%03d.png", fileNumber);
}

GxString GxSaveSlot::QuickSavePath(const GxString& saveDir, const GxSystemConfig& config) {
    return saveDir + config.m_QuickSaveFileName;
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
