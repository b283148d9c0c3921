#include "game/scenes/SeqSave.h"

#include "game/GxGlobalRenderTargets.h"
#include "game/SeqSystem.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "io/GxBinBuffer.h"

#include <vector>

namespace {
constexpr SeqSaveLoadBase::Kind kSave{u"SeqSave", u"bg_save.png", u"SeqSave_SAVECONFIRM", u"セーブしますか？", false};
} // namespace

SeqSave::SeqSave(GxTaskBase* parent) : SeqSaveLoadBase(parent, kSave) {}

void SeqSave::OnConfirmed(s32 n, GxTaskBase*) {
    GxUserData* data = GxUserData::Get();
    if (!data) return;
    constexpr size_t kBytes = size_t(GxSaveSlot::kThumbnailWidth) * GxSaveSlot::kThumbnailHeight * 4;
    const GxBinBuffer& captured = GxGetThumbnailPixels();
    // Without a capture the slot gets a black thumbnail rather than none.
    std::vector<u8> black;
    const u8* pixels = captured.GetData();
    if (captured.GetSize() < kBytes) {
        black.assign(kBytes, 0);
        for (size_t i = 3; i < kBytes; i += 4) black[i] = 0xFF;
        pixels = black.data();
    }
    const bool saved = GxSaveSlot::Save(*data, GetSaveDir(), n, pixels, GxSaveSlot::kThumbnailWidth,
                                        GxSaveSlot::kThumbnailHeight);
    // A save that took its name but could not be made sure stands on the
    // page as the slot's: so it is told, and the play goes on from it.
    const bool stands = saved || GxPersistFile::FailedWriteStands();
    if (stands)
        if (GxUserConfig* settings = GxUserConfig::Get()) settings->m_LastGameDataFileNum = n;
    RefreshPage();
    if (!saved) GxAddSaveFailureNotice(u"セーブに失敗しました", u"セーブしました");
    if (!stands) return;
    // The slot stands; the settings and the permanent data that go with it
    // are told apart when they fail.
    GxUserConfig* settings = GxUserConfig::Get();
    if (settings && !settings->Save()) GxAddSaveFailureNotice(u"設定の保存に失敗しました", u"設定を保存しました");
    GxUserDataPerman* perman = GxUserDataPerman::Get();
    if (perman && !perman->Save(perman->GetFilePath(), true))
        GxAddSaveFailureNotice(u"プレイ記録の保存に失敗しました", u"プレイ記録を保存しました");
}
