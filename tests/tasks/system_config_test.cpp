#include "tasks/GxSystemConfig.h"
#include "io/GxFileSystem.h"
#include "support/LogCapture.h"
#include "tools/builders/PackWriter.h"
#include "tests/io/fs_fixture.h"

namespace {

using Config = iotest::FsTest;

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(ConfigDefaults, EveryFieldStartsAtItsDefault) {
    GxSystemConfig c;
    EXPECT_EQ(c.m_AppTitle, u"Quillon");
    EXPECT_EQ(c.m_AppSaveDir, u"Quillon_SAVE");
    EXPECT_EQ(std::vector<s32>(c.m_FontSize, c.m_FontSize + 6), (std::vector<s32>{11, 15, 23, 24, 22, 38}));
    EXPECT_TRUE(c.m_SaveToMyDocuments);
    EXPECT_TRUE(c.m_SkipSlightError);
    EXPECT_EQ(c.m_SceneTransitTime, 400);
    EXPECT_EQ(c.m_CharEffectTime, 800);
    EXPECT_EQ(c.m_ScreenEffectTime, 1000);
    EXPECT_EQ(c.m_SelectEdgeColorNA, 0xFF808080u);
    EXPECT_EQ(c.m_AvgLogTextColor1, 0x80000000u);
    EXPECT_EQ(c.m_LineStartForbidden.size(), 47u);
    EXPECT_EQ(c.m_LineEndForbidden.size(), 12u);
    EXPECT_EQ(c.m_LineEndForbidden.front(), u'‘');
    EXPECT_EQ(c.m_RubySeparatorChar, u'／');
    EXPECT_EQ(c.m_FolderNames[kGxFolderUIGis], u"uigis/");
    EXPECT_EQ(c.m_FolderNames[kGxFolderMovies], u"movies/");
    EXPECT_EQ(c.m_SystemSoundFiles[0], u"sounds/sys/push.wav");
    EXPECT_EQ(c.m_SystemSoundFiles[9], u"sounds/sys/direct.wav");
    EXPECT_EQ(c.m_SystemSoundFiles[10], u"");
    EXPECT_EQ(c.m_FileCGBGDefault, u"cg/bg/黒.png");
    EXPECT_EQ(c.m_QuickSaveFileName, u"gamedata_quick.gd");
}

TEST_F(Config, AMissingSystemConfigFailsSilentlyAndANearlyEmptyOneKeepsTheDefaults) {
    qtest::LogCapture log;
    GxSystemConfig c;
    EXPECT_FALSE(c.LoadSystemConfig());
    EXPECT_TRUE(log.Lines().empty()) << log.Text();
    EXPECT_FALSE(c.LoadDeveloperSettings());
    EXPECT_TRUE(c.m_SkipSlightError);
    Put("system/sysconf.ini", "UNRELATED=1\n");
    ASSERT_TRUE(c.LoadSystemConfig());
    EXPECT_EQ(c.m_AppTitle, u"Quillon");
    EXPECT_EQ(c.m_FontSize[5], 38);
    EXPECT_EQ(c.m_SystemTextColor1, 0xFFAAEEFFu);
}

TEST_F(Config, SystemConfigValues) {
    Put("system/sysconf.ini",
        "APP_TITLE=\x83\x65\x83\x58\x83\x67\r\n"  // テスト in CP932
        "APP_SAVEDIR=MySave\n"
        "FONTSIZE_0=0x10\n"
        "FONTSIZE_5=40\n"
        "SYSTEM_TEXT_COLOR0=0xFF00FF00\n"
        "SYSTEM_TEXT_COLOR1=4278190335\n"
        "MESWIN_EDGE_COLOR=0x1FFFFFFFF\n"
        "MESWIN_LETTER_MARGINWIDTH=-2\n"
        "BGM_NAME_TITLE=title\n"
        "BGM_LOOP_TITLE=3\n"
        "FILE_CG_ERROR=cg/err.png\n"
        "SAVE_TO_MYDOCUMENTS=0\n");
    GxSystemConfig c;
    ASSERT_TRUE(c.LoadSystemConfig());
    EXPECT_EQ(c.m_AppTitle, u"テスト");
    EXPECT_EQ(c.m_AppSaveDir, u"MySave");
    EXPECT_EQ(c.m_FontSize[0], 16);
    EXPECT_EQ(c.m_FontSize[1], 15);
    EXPECT_EQ(c.m_FontSize[5], 40);
    EXPECT_EQ(c.m_SystemTextColor0, 0xFF00FF00u);
    EXPECT_EQ(c.m_SystemTextColor1, 0xFF0000FFu) << "a decimal colour is taken as written";
    EXPECT_EQ(c.m_MesWinEdgeColor, 0xFFFFFFFFu) << "the low 32 bits";
    EXPECT_EQ(c.m_MesWinLetterMarginWidth, -2);
    EXPECT_EQ(c.m_BGMNameTitle, u"title");
    EXPECT_EQ(c.m_BGMLoopTitle, 3);
    EXPECT_EQ(c.m_FileCGError, u"cg/err.png");
    EXPECT_FALSE(c.m_SaveToMyDocuments);

    EXPECT_FALSE(c.LoadDeveloperSettings()) << "no setting.ini";
    EXPECT_FALSE(c.m_SaveToMyDocuments) << "the game's choice stands";
    Put("setting.ini", "DebugModeFlag=1\nSkipSlightError=0\nTextEditorCommand=ed %file\nErrorStopNotFound_SE=2\n");
    ASSERT_TRUE(c.LoadDeveloperSettings());
    EXPECT_TRUE(c.m_DebugModeFlag);
    EXPECT_FALSE(c.m_SkipSlightError);
    EXPECT_EQ(c.m_TextEditorCommand, u"ed %file");
    EXPECT_TRUE(c.m_ErrorStopNotFound_SE);
    EXPECT_FALSE(c.m_ErrorStopNotFound_BG);
    EXPECT_FALSE(c.m_SaveToMyDocuments);
    Put("setting.ini", "SaveToMyDocuments=1\n");
    ASSERT_TRUE(c.LoadDeveloperSettings());
    EXPECT_TRUE(c.m_SaveToMyDocuments) << "the developer file overrides when it names the key";
    EXPECT_TRUE(c.m_SkipSlightError) << "warnings stay off unless named";
    EXPECT_FALSE(c.m_DebugModeFlag);
}

TEST_F(Config, PackKeysMountInKeyOrderWithGaps) {
    qtest::WritePack(m_Dir.path() / "a.gxp", {{"x.txt", Bytes("from a")}, {"setting.ini", Bytes("DebugModeFlag=1\n")}});
    qtest::WritePack(m_Dir.path() / "b.gxp", {{"x.txt", Bytes("from b")}, {"only_b.txt", Bytes("b")}});
    qtest::WritePack(m_Dir.path() / "c.gxp", {{"only_c.txt", Bytes("c")}});
    qtest::WritePack(m_Dir.path() / "d.gxp", {{"only_d.txt", Bytes("d")}});
    Put("system/sysconf.ini", "PACK_FILE_05=b.gxp\nPACK_FILE_00=a.gxp\nPACK_FILE_32=c.gxp\nPACK_FILE_3=d.gxp\n"
                              "PACK_FILE_07=missing.gxp\n");
    GxSystemConfig c;
    ASSERT_TRUE(c.LoadSystemConfig());
    GxBinBuffer x;
    ASSERT_TRUE(GxLoadFile(&x, u"x.txt", false, false, kGxLoadFileAnySize));
    EXPECT_EQ(Str(x), "from a") << "key 00 is mounted before key 05";
    EXPECT_EQ(GxFileExists(u"only_b.txt"), kGxFileInPack);
    EXPECT_EQ(GxFileExists(u"only_c.txt"), kGxFileNotFound) << "key 32 is never read";
    EXPECT_EQ(GxFileExists(u"only_d.txt"), kGxFileNotFound) << "keys have two digits";
    ASSERT_TRUE(c.LoadDeveloperSettings()) << "setting.ini may come from a pack";
    EXPECT_TRUE(c.m_DebugModeFlag);
}

} // namespace
