// Any bytes as a save game (binary or text form), read as the game reads
// one: the script system holds the sample's compiled script, so that a real
// save is read in step through the script's variables and execution state,
// and the main scene's stored tasks are of the kinds the adventure scene
// stores (layers, the message and name windows, the stand layers of the
// sample's characters, the choice buttons). Checked (which changes
// nothing), the header alone, then everything; the script run on a few
// steps from where the save left it; and the game written as a save again,
// which must read back without an error.
#include "fuzz/io/memory_file.h"
#include "gamedata/GxUserData.h"
#include "io/GxContentBinaryReader.h"
#include "layers/GxTaskLayer.h"
#include "script/GxMoaEx.h"
#include "script/GxMoaFunctionBinder.h"
#include "script/GxMoaSystem.h"
#include "script/GxMoaWorkerEx.h"
#include "support/StandInMainScene.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskFolder.h"
#include "tasks/GxTaskManage.h"
#include "tools/SampleGame.h"
#include "tools/SampleScripts.h"
#include "ui/GxTaskUIMessageWindowFx.h"
#include "ui/GxTaskUITextButtonIs.h"
#include "ui/GxTaskUITextPanelFx.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// The adventure scene's stored tasks under their names, as the game makes
// them, and the script system with the sample's script.
class SavedScene final : public qtest::LeastCore {
public:
    SavedScene() {
        auto* top = new GxTaskBase(&m_TaskManage);
        auto* scene = new GxTaskFolder(top, u"SeqAvgMain");
        auto* visual = new GxTaskLayer(scene, u"$VISUAL:SeqAvgMain");
        auto* bg = new GxTaskLayer(visual, u"$BGLAYER:SeqAvgMain");
        new GxTaskLayer(bg, u"$BGWLAYER:SeqAvgMain");
        for (const GxChar* name : {u"$MOVIELAYER:SeqAvgMain", u"$GLOBALFLASH:SeqAvgMain", u"$GLOBALFADE:SeqAvgMain"})
            new GxTaskLayer(visual, name);
        auto* stand = new GxTaskFolder(visual, u"$STAND:SeqAvgMain");
        for (const GxChar* character : {u"aki", u"yu"}) new GxTaskLayer(stand, nullptr, character);
        auto* ui = new GxTaskFolder(scene, u"$UI:SeqAvgMain");
        new GxTaskUIMessageWindowFx(ui, u"$MESWIN:SeqAvgMain");
        auto* name = new GxTaskUITextPanelFx(ui, u"$NAMEWIN:SeqAvgMain");
        new GxTaskLayer(name, u"$NAMEIMAGE:SeqAvgMain");
        auto* select = new GxTaskFolder(ui, u"$SELECT:SeqAvgMain");
        for (s32 i = 1; i <= m_Config.m_ChoiceCount; ++i) new GxTaskUITextButtonIs(select, nullptr, u"btn_select", i);
        m_Ready = LoadScript();
    }
    ~SavedScene() override { GxMoaShutdown(); }
    bool Ready() const { return m_Ready; }

private:
    // The sample's script compiled as the sample's generator compiles it.
    bool LoadScript() {
        if (!GxMoaStartup(this)) return false;
        qtools::SampleFiles files;
        std::string error;
        if (!qtools::AddScripts(files, qtools::SampleGameOptions().scripts, error)) return false;
        const auto bundle = files.All().find("bincode/moacode.mwb");
        if (bundle == files.All().end()) return false;
        const std::vector<uint8_t>& bytes = bundle->second.bytes;
        GxContentBinaryReader r(bytes.data(), u32(bytes.size()), false);
        u32 version = 0;
        if (!r.ReadHeader("BMOA", &version) || !g_pMoa()->ReadBundle(&r)) return false;
        g_pMoa()->InitExternVariables();
        g_pMoaMainWorker()->InitGlobalVariables();
        return true;
    }

    bool m_Ready = false;
};

char g_Dir[] = "/tmp/quillon-fuzz-XXXXXX";
std::string g_Save;

void RemoveDir() {
    std::remove(g_Save.c_str());
    rmdir(g_Dir);
}

SavedScene* Scene() {
    static SavedScene* scene = [] {
        if (!mkdtemp(g_Dir)) return static_cast<SavedScene*>(nullptr);
        g_Save = std::string(g_Dir) + "/gamedata001.gd";
        std::atexit(RemoveDir);
        return new SavedScene();
    }();
    return scene && scene->Ready() ? scene : nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    SavedScene* scene = Scene();
    if (!scene) std::abort();
    qfuzz::MemoryFile file(data, size);
    if (!file.Ok()) return 0;
    // Every input starts from a new game's script state.
    g_pMoaMainWorker()->Reset();
    g_pMoaMainWorker()->ClearGameVariables();
    g_pMoa()->ClearGameVariables();

    GxUserData game(scene);
    game.CheckGameData(file.Path());
    if (!game.m_MessageLog.empty() || !game.m_GameDataTitle.empty()) std::abort();
    GxGameDataHeader header;
    game.ReadGameDataHeader(file.Path(), &header);
    game.LoadGameData(file.Path(), true);
    const GxSystemConfig& config = *scene->GetSystemConfig();
    if (game.m_SelectMenuItemList.size() != size_t(config.m_ChoiceCount) + 1) std::abort();
    if (game.m_MessageLog.size() > size_t(config.m_MessageLogLimit)) std::abort();

    for (int i = 0; i < 30 && g_pMoaMainWorker()->Step(g_pMoaFunctionBinder()); ++i) {
    }
    const GxString save(g_Save.begin(), g_Save.end());
    if (game.SaveGameData(save, true)) {
        GxUserData again(scene);
        if (!again.LoadGameData(save, true)) std::abort();
    }
    return 0;
}
