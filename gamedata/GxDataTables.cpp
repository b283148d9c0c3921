#include "gamedata/GxDataTables.h"

#include "gamedata/GxDataLookup.h"
#include "io/GxFileSystem.h"

namespace {
constexpr const GxChar* kKeyMapFile = u"data/db_keymap.txt";
constexpr const GxChar* kCGModeFile = u"data/db_cgmode.txt";
} // namespace

void GxLoadDataTables() {
    // A load adds to what a table holds; a second start-up in one process
    // (as the tests make) must begin from empty tables.
    GxResetDataTables();
    if (GxFileExists(kKeyMapFile) != kGxFileNotFound) g_DBKeyMap.Load(kKeyMapFile);
    g_DBAvgChar.Load(u"data/db_avgchar.txt");
    g_DBBGMMode.Load(u"data/db_bgmmode.txt");
    g_DBCGMode.Load(kCGModeFile);
    // The viewer's table is the gallery's file too: read once, said once.
    g_DBCGModeView.CopyLoaded(g_DBCGMode);
    g_DBRPMode.Load(u"data/db_rpmode.txt");
    g_DBUIModule.Load(u"data/db_uimodule.txt");
    g_DBUILayout.Load(u"data/db_uilayout.txt");
    g_DBVoiceVolume.Load(u"data/db_voicevolume.txt");
    g_DBSystemVoice.Load(u"data/db_systemvoice.txt");
    GxSplitCGModeFileNames();
}

void GxResetDataTables() {
    GxDBBase* const tables[] = {&g_DBKeyMap, &g_DBAvgChar, &g_DBBGMMode, &g_DBCGMode, &g_DBCGModeView,
                                &g_DBRPMode, &g_DBUIModule, &g_DBUILayout, &g_DBVoiceVolume, &g_DBSystemVoice};
    for (GxDBBase* t : tables) t->Clear();
}
