#include "game/scenes/SeqCGMode.h"

#include "base/GxFormat.h"
#include "gamedata/DBCGMode.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxFontDataText.h"
#include "tasks/GxSystemConfig.h"
#include "ui/GxTaskUIBase.h"

#include <algorithm>

namespace {
constexpr SeqThumbnailPageBase::Look kLook = {u"btn_cgselect", u"bg_cgmode.png", u"th_cgmode.gis",
                                              u"tip_cgplate.png", 10000.0f};
// The count under a thumbnail: 8 pixels a character, right-aligned.
constexpr f32 kCountCharWidth = 8.0f;
constexpr u32 kWhite = 0xFFFFFFFFu;
constexpr u32 kBlendAlpha = 2;
} // namespace

SeqCGMode::SeqCGMode(GxTaskBase* parent)
    : SeqThumbnailPageBase(parent, u"SeqCGMode", kLook), m_ShownCounts(kRecordCount) {}

s32 SeqCGMode::GetShownCount(s32 id) const {
    return id >= 0 && id < kRecordCount ? m_ShownCounts[size_t(id)] : 0;
}

const GxString& SeqCGMode::ThumbnailName(s32 id) const { return g_DBCGMode.GetRecord(id)->Thumbnail; }

void SeqCGMode::OnStartSequence(int workerIndex) {
    GxCountCGModeFiles();
    SeqThumbnailPageBase::OnStartSequence(workerIndex);
    const GxSystemConfig& config = Config();
    PlaySceneMusic(config.m_BGMNameCGMode, config.m_BGMLoopCGMode);
}

void SeqCGMode::CountRecords() {
    ResetCounts();
    m_ShownCounts.assign(kRecordCount, 0);
    const GxUserDataPerman* perman = GxUserDataPerman::Get();
    for (s32 id = 0; id < kRecordCount; ++id) {
        const DBCGModeRecord& r = *g_DBCGMode.GetRecord(id);
        if (r.FileName[0].empty()) continue;
        m_LastPage = std::max(m_LastPage, r.Group);
        CheckThumbnail(id, u"CGモードサムネイル %s (ID=%d)が見つかりません\n");
        // A count from the file may claim more pictures than a record holds.
        const s32 count = std::min(r.Count, kPicturesPerRecord);
        for (s32 j = 0; j < count; ++j) {
            const GxString& file = r.FileName[j];
            if (file.empty()) continue;
            ++m_Total;
            if (!perman || !perman->m_ShowedCGFlags.count(file)) continue;
            GxSetFlagBit(m_RecordBits[size_t(id)], j);
            ++m_ShownCounts[size_t(id)];
            ++m_Unlocked;
        }
    }
}

bool SeqCGMode::IsListed(s32 id, s32 page) const {
    const DBCGModeRecord& r = *g_DBCGMode.GetRecord(id);
    return r.Group == page && r.Count != 0;
}

void SeqCGMode::DrawThumbnailExtra(GxTaskUIBase* button, s32 id) {
    const s32 count = g_DBCGMode.GetRecord(id)->Count;
    GxFontData* font = count > 0 ? FindFont(u"FONT8NUM") : nullptr;
    if (!font) return;
    const GxString text = GxFormat(u"%d/%d", GetShownCount(id), count);
    GxVector4 at;
    button->GetWorldPos(&at);
    const f32 x = at.x + f32(button->GetWidth()) - kCountCharWidth * f32(text.size());
    const f32 y = at.y + f32(button->GetHeight()) + 1.0f;
    GxDrawFontDataText(text.c_str(), font, x, y, nullptr, nullptr, nullptr, kWhite, 0, kBlendAlpha);
}

void SeqCGMode::OnBack() { ChangeSequence(u"SeqTitle", 0, 0); }

void SeqCGMode::OnThumbnail(s32 id) { ChangeSequence(u"SeqCGModeView", id, 0); }
