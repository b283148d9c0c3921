#include "game/scenes/SeqSaveLoadBase.h"

#include "base/GxFormat.h"
#include "base/GxStringUtil.h"
#include "game/GxGameSound.h"
#include "game/SeqSystem.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "graphics/GxDraw.h"
#include "graphics/GxFontMapText.h"
#include "graphics/GxGlobalFonts.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxRenderState.h"
#include "layers/GxNcImageSetPool.h"
#include "layers/GxTaskLayer.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskRenderManage.h"
#include "ui/GxTaskUIBase.h"

#include <algorithm>

namespace {

constexpr const GxChar* kImageSet = u"ui_saveload.gis";
constexpr u32 kVoiceFadeMs = 500;
constexpr int kSlotRenderList = 5;
constexpr s32 kSlotSortMode = 3;
constexpr f32 kSlotSortKey = 13000.0f;
constexpr int kSlotDrawParam = 2;
constexpr int kSlotFontMap = 1;
constexpr u32 kBlendAlpha = 2;
constexpr u32 kTextColor = 0xFFFFFFFF;

// Slot k's plate: two columns of four rows.
f32 SlotX(s32 slot) { return f32((slot / 4) * 484 + 52); }
f32 SlotY(s32 slot) { return f32((slot % 4) * 131 + 150); }
f32 BadgeX(s32 slot) { return f32((slot / 4) * 484 + 446); }
f32 BadgeY(s32 slot) { return f32((slot % 4) * 131 + 151); }

GxUserConfig* Settings() { return GxUserConfig::Get(); }

GxString UIGisFolder(GxCoreBase* core) {
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    return config ? config->m_FolderNames[kGxFolderUIGis] : GxString(u"uigis/");
}

// The page of a page button "b01" to "b10"; -1 for any other name.
s32 PageOfButton(const GxString& name) {
    for (s32 i = 1; i <= GxSaveSlot::kPageCount; ++i)
        if (name == GxFormat(u"b%02d", i)) return i - 1;
    return -1;
}

void DrawShadowedText(const GxString& text, f32 x, f32 y, u32 shadow) {
    GxGDIFontMap* font = GxGlobalFonts::GetFontMap(kSlotFontMap);
    if (!font || text.empty()) return;
    GxDrawFontMapText(font, text.c_str(), x + 2.0f, y + 2.0f, nullptr, shadow, 0, kBlendAlpha, u'\n');
    GxDrawFontMapText(font, text.c_str(), x, y, nullptr, kTextColor, 0, kBlendAlpha, u'\n');
}

} // namespace

SeqSaveLoadBase::SeqSaveLoadBase(GxTaskBase* parent, const Kind& kind) : GxSeqBackMenuBase(parent, kind.name), m_Kind(kind) {}

GxString SeqSaveLoadBase::GetSaveDir() const {
    GxCoreBase* core = GetCore();
    return core ? core->GetSaveDir() : GxString();
}

s32 SeqSaveLoadBase::GetPage() const {
    // The settings file is checked when it is read; the page is held here
    // too, since it names files and widgets.
    const GxUserConfig* settings = Settings();
    return settings ? std::clamp(settings->m_GameDataPage, 0, GxSaveSlot::kPageCount - 1) : 0;
}

void SeqSaveLoadBase::SetPage(s32 page) {
    if (GxUserConfig* settings = Settings()) settings->m_GameDataPage = std::clamp(page, 0, GxSaveSlot::kPageCount - 1);
    RefreshPage();
}

void SeqSaveLoadBase::RefreshPage() {
    const s32 page = GetPage();
    for (s32 i = 1; i <= GxSaveSlot::kPageCount; ++i)
        if (GxTaskUIBase* button = FindWidget(GxFormat(u"b%02d", i).c_str())) button->SetValueBool(i - 1 == page);
    const GxString dir = GetSaveDir();
    for (s32 k = 0; k < GxSaveSlot::kSlotsPerPage; ++k) {
        m_Thumbnails[k].Release();
        m_Headers[k] = GxGameDataHeader();
        const s32 n = GxSaveSlot::FileNumber(page, k);
        const GxString thumbnail = GxSaveSlot::ThumbnailPath(dir, n);
        if (GxCanOpenFile(thumbnail)) GxSaveSlot::LoadThumbnail(thumbnail, &m_Thumbnails[k]);
        const GxString file = GxSaveSlot::GameDataPath(dir, n);
        // A file that does not open is read too: the read names it and
        // marks it to be kept by the save over it.
        const bool exists = GxSaveSlot::HasFile(file);
        if (exists)
            if (GxUserData* data = GxUserData::Get()) data->ReadGameDataHeader(file, &m_Headers[k]);
        if (GxTaskUIBase* plate = FindWidget(u"btn_fileplate", k))
            if (m_Kind.platesNeedFile) plate->SetEnabled(exists);
    }
    GxTaskUIBase* badge = FindWidget(u"tip_new");
    if (!badge) return;
    const s32 last = Settings() ? Settings()->m_LastGameDataFileNum : 0;
    const s32 slot = (last - 1) % GxSaveSlot::kSlotsPerPage;
    if (last >= 1 && last <= GxSaveSlot::kFileCount && (last - 1) / GxSaveSlot::kSlotsPerPage == page &&
        m_Headers[slot].valid) {
        GxVector4 pos;
        badge->GetPos(&pos);
        badge->SetPos(BadgeX(slot), BadgeY(slot), pos.z, pos.w);
        badge->Show();
    } else {
        badge->Hide();
    }
}

void SeqSaveLoadBase::OnStartSequence(int workerIndex) {
    GxSeqBackMenuBase::OnStartSequence(workerIndex);
    ShowBackground(m_Kind.background);
    GxNcImageSetPool::Add(UIGisFolder(GetCore()) + kImageSet);
    GxFadeOutVoices(kVoiceFadeMs);
    m_PendingFileNumber = -1;
    RefreshPage();
    CancelPlayModes();
    if (SeqSystem* system = SeqSystem::Get()) system->SetUserNoticesHeld(true);
}

void SeqSaveLoadBase::OnEndSequence(int workerIndex) {
    GxSeqBackMenuBase::OnEndSequence(workerIndex);
    if (SeqSystem* system = SeqSystem::Get()) system->SetUserNoticesHeld(false);
    if (GxTaskLayer* background = GetBackgroundLayer()) background->ClearContent();
    GxNcImageSetPool::Release(UIGisFolder(GetCore()) + kImageSet);
    // The thumbnails are read again when the scene opens.
    for (GxTexture& t : m_Thumbnails) t.Release();
}

int SeqSaveLoadBase::EnqueueRender(int step, s64 elapsed) {
    GxSeqBackMenuBase::EnqueueRender(step, elapsed);
    GxCoreBase* core = GetCore();
    if (GxTaskRenderManage* list = core ? core->GetRenderList(kSlotRenderList) : nullptr)
        list->AddTask(kSlotSortMode, this, kSlotSortKey, kSlotDrawParam);
    return 0;
}

int SeqSaveLoadBase::Render(int drawParam, int listIndex) {
    if (drawParam != kSlotDrawParam) return GxSeqBackMenuBase::Render(drawParam, listIndex);
    if (!GxGraphics::BeginScene()) return 0;
    GxSetDefaultRenderStates();
    for (s32 k = 0; k < GxSaveSlot::kSlotsPerPage; ++k) DrawSlot(k);
    GxGraphics::EndScene();
    return 0;
}

void SeqSaveLoadBase::DrawSlot(s32 k) {
    const f32 x = SlotX(k), y = SlotY(k);
    GxTexture& thumbnail = m_Thumbnails[k];
    if (thumbnail.HasTexture()) {
        const f32 source[4] = {0.0f, 0.0f, f32(thumbnail.GetImageWidth()), f32(thumbnail.GetImageHeight())};
        GxDrawSprite(&thumbnail, x, y, source, nullptr, nullptr, nullptr, nullptr, kTextColor, 0, kBlendAlpha);
    }
    const s32 n = GxSaveSlot::FileNumber(GetPage(), k);
    const GxGameDataHeader& header = m_Headers[k];
    const GxString first = header.valid        ? GxFormat(u"%s    No.%03d", header.m_SaveTime, n)
                           : header.unreadable ? GxFormat(u"データを読み込めません    No.%03d", n)
                                               : GxFormat(u"データがありません    No.%03d", n);
    GxCoreBase* core = GetCore();
    const u32 shadow = core && core->GetSystemConfig() ? core->GetSystemConfig()->m_SystemShadowColor : 0x80000000u;
    DrawShadowedText(first, x + 152.0f, y + 4.0f, shadow);
    DrawShadowedText(header.m_GameDataTitle, x + 152.0f, y + 34.0f, shadow);
}

void SeqSaveLoadBase::OnPlate(s32 slot) {
    SeqSystem* system = SeqSystem::Get();
    if (!system || system->IsUserDialogOpen()) return;
    // The index comes from the layout table: only the page's eight slots.
    if (slot < 0 || slot >= GxSaveSlot::kSlotsPerPage) return;
    system->OpenUserDialog(m_Kind.dialogKey, this, m_Kind.question, 3);
    m_PendingFileNumber = GxSaveSlot::FileNumber(GetPage(), slot);
}

int SeqSaveLoadBase::OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) {
    if (!sender) return 0;
    if (GxSeqBackMenuBase::OnUIEventDecide(sender, ev)) return 1;
    PlayButtonSound(sender);
    const GxString& name = sender->GetTaskLocalName();
    SeqSystem* system = SeqSystem::Get();
    const bool ours = system && system->GetPendingDialogRequest() == m_Kind.dialogKey;
    if (const s32 page = PageOfButton(name); page >= 0) {
        SetPage(page);
    } else if (name == u"btn_fileplate") {
        OnPlate(sender->GetTaskLocalIndex());
    } else if (name == u"btn_dlguser_yes" && ours) {
        GxCloseUserDialog(true);
        const s32 n = m_PendingFileNumber;
        m_PendingFileNumber = -1;
        if (n >= 1 && n <= GxSaveSlot::kFileCount) OnConfirmed(n, sender);
    } else if (name == u"btn_dlguser_no" && ours) {
        GxCloseUserDialog(true);
        m_PendingFileNumber = -1;
    } else if (name == u"btn_back") {
        return GoBack();
    } else {
        return 0;
    }
    return 1;
}
