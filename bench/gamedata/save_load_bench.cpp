// Saving and loading a save game with a 100-entry backlog and 3,000 script
// flags, the save with its 128 x 96 thumbnail, on one core, each save over
// the slot's last. The baseline
// writes and reads the same number of bytes the plainest way (one write of
// the bytes to a temporary file, synced and renamed; one read back), so the
// ratio shows what the stored form costs beyond the disk itself.
#include "bench/timing.h"
#include "base/GxStringUtil.h"
#include "gamedata/GxSaveSlot.h"
#include "gamedata/GxUserData.h"
#include "platform/system/safe_file.h"
#include "script/GxMoaDefs.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaVariableDefinition.h"
#include "script/GxMoaWorkerEx.h"
#include "support/StandInMainScene.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr int kFlags = 3000;
constexpr int kBacklog = 100;
constexpr int kRuns = 15;

void DefineFlags() {
    GxMoaStartup(nullptr);
    GxMoaVariableDefinition flags;
    flags.m_Name = u"flags";
    flags.m_Scope = kGxScopeGlobalInGame;
    flags.m_ArraySize = kFlags;
    g_pMoa()->AddVariableDefinition(flags);
    g_pMoa()->InitExternVariables();
    g_pMoaMainWorker()->InitGlobalVariables();
    GxMoaVariable& array = g_pMoaMainWorker()->FindVariable(u"flags")->m_Value;
    for (int i = 0; i < kFlags; ++i) array.SetElement(i, GxMoaVariable::OfInt(i % 3));
}

void FillBacklog(GxUserData& game) {
    for (int i = 0; i < kBacklog; ++i) {
        game.m_VoiceParam[0].m_FileName = u"voice/kana/k" + GxFromUtf8(std::to_string(1000 + i)) + u".ogg";
        game.AddMessageLog(u"かな", u"「今日はいい天気ですね。どこかへ出かけませんか？」と彼女は窓の外を見ながら言った。",
                           false, false);
    }
}

std::vector<char> ReadAll(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

} // namespace

int main() {
    char dirTemplate[] = "/tmp/quillon-bench-XXXXXX";
    if (!mkdtemp(dirTemplate)) return 1;
    const std::filesystem::path dir = dirTemplate;
    const GxString saveDir = GxFromUtf8(dir.string() + "/");

    qtest::StandInMainScene core(saveDir);
    DefineFlags();
    GxUserData game(&core);
    FillBacklog(game);
    std::vector<u32> thumbnail(GxSaveSlot::kThumbnailWidth * GxSaveSlot::kThumbnailHeight);
    for (size_t i = 0; i < thumbnail.size(); ++i) thumbnail[i] = 0xFF000000u | u32(i * 2654435761u >> 8);
    const u8* pixels = reinterpret_cast<const u8*>(thumbnail.data());

    bool ok = true;
    // Each save over the slot's last, of other bytes as a game's next save
    // is (its title), of the same length.
    int saves = 0;
    const double save = qbench::BestOf(kRuns, [&] {
        game.SetGameDataTitle(GxFromUtf8("第" + std::to_string(100 + saves++) + "話"));
        ok &= GxSaveSlot::Save(game, saveDir, 1, pixels, GxSaveSlot::kThumbnailWidth, GxSaveSlot::kThumbnailHeight);
    });
    const GxString path = GxSaveSlot::GameDataPath(saveDir, 1);
    const double load = qbench::BestOf(kRuns, [&] { ok &= game.LoadGameData(path, true); });
    // What was loaded is what was saved.
    GxMoaVariable& flags = g_pMoaMainWorker()->FindVariable(u"flags")->m_Value;
    ok &= flags.GetArraySize() == kFlags && flags.GetElement(kFlags - 1)->ToInt() == (kFlags - 1) % 3;
    ok &= game.m_MessageLog.size() == size_t(kBacklog);

    const std::vector<char> saved = ReadAll(dir / "gamedata001.gd");
    const std::vector<char> thumb = ReadAll(dir / "thumb001.png");
    const std::string raw = (dir / "raw.bin").string();
    const double rawWrite = qbench::BestOf(kRuns, [&] {
        ok &= psys::write_file_whole(raw, saved.data(), saved.size());
        ok &= psys::write_file_whole(raw + ".png", thumb.data(), thumb.size());
    });
    const double rawRead = qbench::BestOf(kRuns, [&] { ok &= ReadAll(raw).size() == saved.size(); });

    std::printf("save game: %zu bytes (%d backlog entries, %d flags), thumbnail %zu bytes\n", saved.size(), kBacklog,
                kFlags, thumb.size());
    std::printf("save + thumbnail: %.2f ms (target 20), %.1fx the plain write of the same bytes (%.2f ms)\n", save,
                save / rawWrite, rawWrite);
    std::printf("load:             %.2f ms (target 20), %.1fx the plain read of the same bytes (%.3f ms)\n", load,
                load / rawRead, rawRead);
    GxMoaShutdown();
    std::filesystem::remove_all(dir);
    if (!ok) std::printf("a save or load FAILED\n");
    return ok ? 0 : 1;
}
