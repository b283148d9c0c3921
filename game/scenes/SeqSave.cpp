#include "game/scenes/SeqSave.h"

#include "game/GxGlobalRenderTargets.h"
#include "game/SeqSystem.h"
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
    if (saved)
        if (GxUserConfig* settings = GxUserConfig::Get()) settings->m_LastGameDataFileNum = n;
    RefreshPage();
    if (!saved) {
        GxAddSaveFailureNotice(u"セーブに失敗しました");
        return;
    }
    // The slot stands; the settings and the permanent data that go with it
    // are told apart when they fail.
    GxUserConfig* settings = GxUserConfig::Get();
    if (settings && !settings->Save()) GxAddSaveFailureNotice(u"設定の保存に失敗しました");
    GxUserDataPerman* perman = GxUserDataPerman::Get();
    if (perman && !perman->Save(perman->GetFilePath(), true)) GxAddSaveFailureNotice(u"プレイ記録の保存に失敗しました");
}
