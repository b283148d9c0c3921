// Resource files found by name on disk and in packs, and the look-ups over
// the data tables.
#include "base/GxStringUtil.h"
#include "engine/GxProcessState.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxUserConfig.h"
#include "io/GxFileSystem.h"
#include "tasks/GxInput.h"
#include "support/LogCapture.h"
#include "tools/builders/PackWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class Lookup : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
        GxResetProcessState();
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        GxResetProcessState();
    }
    void Touch(const std::string& name) {
        std::filesystem::create_directories((dir_.path() / name).parent_path());
        qtest::WriteText(dir_.path() / name, "x");
    }
    void Table(GxDBBase& table, const std::string& text) {
        qtest::WriteText(dir_.path() / "table.txt", text);
        ASSERT_TRUE(table.Load(u"table.txt"));
    }

    qtest::TempDir dir_;
    std::filesystem::path old_;
};

TEST_F(Lookup, ResourceNamesResolveByTheirExtensionLists) {
    Touch("bg/bg01.jpg");
    Touch("bg/bg02.png");
    Touch("bg/bg02.jpg");
    Touch("bg/bg03");
    Touch("bg/a.png.png");
    Touch("se/door.wav");
    Touch("mv/op.avi");
    Touch("gnc/title.gnc");
    qtest::WritePack(dir_.path() / "p.gxp", {{"se/bell.ogg", {'x'}}, {"se/door.ogg", {'x'}}});
    ASSERT_TRUE(GxMountPackFile(u"p.gxp"));
    struct Case {
        bool (*resolve)(GxString&);
        const GxChar* in;
        bool found;
        const GxChar* out;
    } cases[] = {
        {GxResolveImageFile, u"bg/bg01", true, u"bg/bg01.jpg"},
        {GxResolveImageFile, u"bg/bg02", true, u"bg/bg02.png"},
        {GxResolveImageFile, u"bg/bg03", true, u"bg/bg03"},
        {GxResolveImageFile, u"BG/BG01", true, u"BG/BG01.jpg"},
        // An extension already given is not taken off.
        {GxResolveImageFile, u"bg/a.png", true, u"bg/a.png.png"},
        {GxResolveImageFile, u"bg/none", false, u"bg/none"},
        // A pack's ".ogg" comes before the disk's ".wav": extensions first, then places.
        {GxResolveSoundFile, u"se/door", true, u"se/door.ogg"},
        {GxResolveSoundFile, u"se/bell", true, u"se/bell.ogg"},
        {GxResolveMovieFile, u"mv/op", true, u"mv/op.avi"},
        {GxResolveMovieFile, u"mv/ed", false, u"mv/ed"},
        {GxResolveProjectFile, u"gnc/title", true, u"gnc/title.gnc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(GxToUtf8(c.in));
        GxString path = c.in;
        EXPECT_EQ(c.resolve(path), c.found);
        EXPECT_EQ(path, c.out);
    }
}

TEST_F(Lookup, VoicesBelongToTheFirstCharacterWhoseFolderHasThem) {
    Table(g_DBAvgChar,
          "0\tnarrator\t0\t\t\tvoice/\n"
          "1\tstar\t0\t\t\t*\n"
          "2\tnone\n"
          "3\tkana\t0\t\t\tvoice/kana/\n"
          "4\tkana2\t0\t\t\tvoice/kana/\n"
          "5\trin\t0\t\t\tvoice/rin/\n");
    Touch("voice/kana/k001.ogg");
    Touch("voice/kana/k002");
    Touch("voice/rin/r001.wav");
    Touch("voice/n001.ogg");
    struct Case {
        const GxChar* in;
        s32 id;
        const GxChar* out;
    } cases[] = {
        {u"k001", 3, u"voice/kana/k001.ogg"}, {u"k002", 3, u"voice/kana/k002"},
        {u"r001", 5, u"voice/rin/r001.wav"},  {u"n001", 0, u"n001"},  // character 0 owns no voice
        {u"zzz", 0, u"zzz"},
    };
    for (const Case& c : cases) {
        GxString file = c.in;
        EXPECT_EQ(GxFindVoiceCharID(file), c.id) << GxToUtf8(c.in);
        EXPECT_EQ(file, c.out);
    }
    EXPECT_EQ(GxFindAvgCharIDByName(u"kana"), 3);
    EXPECT_EQ(GxFindAvgCharIDByName(u"KANA"), -1);
    EXPECT_EQ(GxFindAvgCharIDByName(u""), -1);
}

TEST_F(Lookup, NameLookupsOverTheTables) {
    qtest::LogCapture log;
    Table(g_DBUILayout, "0\t\t0\tmod\t\n1\troot\t0\tmod\tbtn_a\n2\troot\t0\tmod\tbtn_a\n");
    EXPECT_EQ(GxFindUILayoutByTaskName(u"btn_a"), g_DBUILayout.GetRecord(1));
    EXPECT_EQ(GxFindUILayoutByTaskName(u""), nullptr);
    EXPECT_TRUE(log.Contains("UIレイアウトデータ[]が見つかりません:SeqAvgMain")) << log.Text();

    Table(g_DBBGMMode, "0\tOne\tbgm01.ogg\t1234\n1\tTwo\tbgm02.ogg\t99\n");
    EXPECT_EQ(GxGetBGMLoopPosTime(u"bgm/BGM01.OGG"), 1234u);
    EXPECT_EQ(GxGetBGMLoopPosTime(u"c:\\x\\bgm02.ogg"), 99u);
    EXPECT_EQ(GxGetBGMLoopPosTime(u"bgm03.ogg"), 0u);
    EXPECT_EQ(g_DBBGMMode.FindNameMap(u"Two", -1), 1);

    Table(g_DBRPMode, "0\t0\tth\t\n5\t0\tth\t*ep1\n");
    EXPECT_TRUE(GxIsReplayLabel(u"*ep1"));
    EXPECT_FALSE(GxIsReplayLabel(u""));
    EXPECT_FALSE(GxIsReplayLabel(u"*EP1"));
}

TEST_F(Lookup, GalleryEntriesAreFoundCountedAndSplit) {
    std::string line0 = "0\t1\tth\tEV001A";
    std::string line1 = "1\t1\tth\t\tev002a\tev002b|v|w\t\tev002c";
    std::string line2 = "2\t1\tth\tev003\tev004";
    for (int i = 0; i < 30; ++i) line2 += "\t";
    line2 += "\t7";
    Table(g_DBCGMode, line0 + "\n" + line1 + "\n" + line2 + "\n");
    Table(g_DBCGModeView, line0 + "\n" + line1 + "\n" + line2 + "\n");
    GxSplitCGModeFileNames();
    EXPECT_EQ(g_DBCGMode.GetRecord(1)->FileName[2], u"ev002b");
    EXPECT_EQ(g_DBCGModeView.GetRecord(1)->FileName[2], u"v|w");
    EXPECT_EQ(g_DBCGModeView.GetRecord(1)->FileName[1], u"|");
    EXPECT_TRUE(g_DBCGModeView.GetRecord(1)->FileName[0].empty());

    s32 r = -1, f = -1;
    EXPECT_TRUE(GxFindCGModeFile(r, f, u"ev/ev001a.png"));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(f, 0);
    EXPECT_TRUE(GxFindCGModeFile(r, f, u"EV002C"));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(f, 4);
    EXPECT_FALSE(GxFindCGModeFile(r, f, u"ev999"));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(f, 0);

    GxCountCGModeFiles();
    EXPECT_EQ(g_DBCGMode.GetRecord(0)->Count, 1);
    // No first picture: the count stays 0 even with later pictures.
    EXPECT_EQ(g_DBCGMode.GetRecord(1)->Count, 0);
    // A count from the file stays.
    EXPECT_EQ(g_DBCGMode.GetRecord(2)->Count, 7);
}

TEST_F(Lookup, KeyActionsReachTheSettingsAndTheInputKeyMap) {
    qtest::LogCapture log;
    Table(g_DBKeyMap,
          "4\tdecide\tDecide\t1\t0\t0\t0\tKC_PAD_BTN01\t\tKC_MOUSE_LEFT\n"
          "1\tcancel\tCancel\t1\t3\t0\t0\tKC_MOUSE_RIGHT\n"
          // A column the key map does not have is refused, naming the action.
          "2\tbroken\tBroken\t0\t9\t0\t0\tKC_PAD_DIR1_UP\n"
          "3\tnegative\tNeg\t0\t-1\t0\t0\tKC_PAD_POV1_UP\n");
    GxUserConfig config;
    config.m_KeyConfig[63 * 6] = 77;
    config.m_InputWord[0] = 3;
    config.m_InputWord[1] = 1;
    GxInitKeyConfig(config);
    EXPECT_EQ(config.m_KeyConfig[24], KC_PAD_BTN01);
    EXPECT_EQ(config.m_KeyConfig[25], 0);
    EXPECT_EQ(config.m_KeyConfig[26], KC_MOUSE_LEFT);
    EXPECT_EQ(config.m_KeyConfig[6], KC_MOUSE_RIGHT);
    EXPECT_EQ(config.m_KeyConfig[12], KC_PAD_DIR1_UP);
    EXPECT_EQ(config.m_KeyConfig[63 * 6], 0);
    EXPECT_EQ(GxGetKeyMap(KC_PAD_BTN01, 0), 4);
    EXPECT_EQ(GxGetKeyMap(KC_MOUSE_LEFT, 0), 4);
    EXPECT_EQ(GxGetKeyMap(KC_MOUSE_RIGHT, 3), 1);
    for (int column = 0; column < kGxKeyMapColumns; ++column) {
        EXPECT_EQ(GxGetKeyMap(KC_PAD_DIR1_UP, column), 0);
        EXPECT_EQ(GxGetKeyMap(KC_PAD_POV1_UP, column), 0);
    }
    EXPECT_TRUE(log.Contains("DBKeyMap/Groupが範囲外です[table.txt/ID=2/Group=9]")) << log.Text();
    EXPECT_TRUE(log.Contains("DBKeyMap/Groupが範囲外です[table.txt/ID=3/Group=-1]")) << log.Text();
    EXPECT_EQ(GxGetInputState(2)->m_StickLayout, 3);

    // The settings' own table, as a changed configuration leaves it.
    config.m_KeyConfig[6] = KC_MOUSE_MIDDLE;
    GxApplyKeyConfig(config);
    EXPECT_EQ(GxGetKeyMap(KC_MOUSE_RIGHT, 3), 0);
    EXPECT_EQ(GxGetKeyMap(KC_MOUSE_MIDDLE, 3), 1);
}

TEST_F(Lookup, SystemVoicesFollowTheVoicePanels) {
    Table(g_DBVoiceVolume, "0\t1\t0\tf\ts\t1\t1\n1\t1\t1\tf\ts\t1\t0\n2\t1\t2\tf\ts\t0\t1\n3\t1\t3\tf\ts\t1\t1\n");
    GxUserConfig config;
    GxInitSystemVoiceActivated(config);
    const bool expected[] = {true, false, false, true, false};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(config.m_SystemVoice_Activated[i], expected[i]) << i;
    EXPECT_FALSE(config.m_SystemVoice_Activated[31]);
}

} // namespace
