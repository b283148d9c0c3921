// The sample game as the generator writes it, read back through the engine's
// own readers: the configuration, the pack and the loose files, the data
// tables and the images, sounds, fonts and script bundle they lead to. The
// scenes that show it are checked elsewhere; here every file they will look
// for must exist, parse and agree with the tables that name it.
#include "base/GxStringUtil.h"
#include "engine/GxProcessState.h"
#include "gamedata/DBAvgChar.h"
#include "graphics/GxCharWidth.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxUserConfig.h"
#include "io/GxFileSystem.h"
#include "layers/GxNcContentFile.h"
#include "layers/GxNcCrammedImageSet.h"
#include "media/sound/GxSoundLoaderBase.h"
#include "platform/image/image.h"
#include "script/GxMoa.h"
#include "script/GxMoaDefs.h"
#include "script/GxMoaScript.h"
#include "support/SampleGameCopy.h"
#include "support/TempDir.h"
#include "tasks/GxInput.h"
#include "tasks/GxSystemConfig.h"
#include "tools/SampleGame.h"
#include "tools/builders/SoundFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <memory>

namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::vector<unsigned char>>;

Tree ReadTree(const fs::path& root) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) tree[fs::relative(entry.path(), root).string()] = qtest::ReadBytes(entry.path());
    return tree;
}

std::string U8(const GxString& s) { return GxToUtf8(s); }
GxString U16(const std::string& s) { return GxFromUtf8(s); }

std::vector<u8> Load(const GxString& path) {
    GxBinBuffer buffer;
    if (!GxLoadFile(&buffer, path, false, true, kGxLoadFileAnySize)) return {};
    return std::vector<u8>(buffer.GetData(), buffer.GetData() + buffer.GetSize());
}

bool Decodes(const GxString& path, pimage::image& out) {
    const std::vector<u8> bytes = Load(path);
    return !bytes.empty() && pimage::decode(bytes.data(), bytes.size(), out);
}

// An image set read as the widgets read it; null where it does not.
std::unique_ptr<GxNcCrammedImageSet> ReadImageSet(const GxString& path) {
    GxNcContentFile file;
    auto set = std::make_unique<GxNcCrammedImageSet>();
    const bool read = file.Open(path, "GIMGSET", GxNcContentFile::OtherForms::Refuse, true, kGxImageSetMaxFileSize) &&
                      set->Read(file.GetReader());
    return read ? std::move(set) : nullptr;
}

// The most opaque pixel of a rectangle of the picture.
u32 MostAlpha(const pimage::image& a, s32 left, s32 top, s32 width, s32 height) {
    u32 alpha = 0;
    for (s32 y = top; y < top + height; ++y)
        for (s32 x = left; x < left + width; ++x) alpha = std::max(alpha, a.pixels[size_t(y) * a.width + size_t(x)] >> 24);
    return alpha;
}

// The sample as the build wrote it for every test, once more written here
// (to compare), and written without ffmpeg, each when a test first needs it.
class SampleGame : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        delete[] dirs_;
        dirs_ = nullptr;
        for (bool& w : written_) w = false;
    }
    static fs::path Game(int i) {
        if (!dirs_) dirs_ = new qtest::TempDir[3];
        const fs::path game = dirs_[i].path() / "game";
        if (!written_[i]) {
            qtools::SampleGameOptions options;
            if (i == 2) options.ffmpeg = "quillon-test-no-such-ffmpeg";
            written_[i] = true;
            ok_[i] = i == 0 ? qtest::CopySampleGame(game, true, &errors_[i])
                            : qtools::WriteSampleGame(game, options, errors_[i], &notes_[i]);
        }
        EXPECT_TRUE(ok_[i]) << errors_[i];
        return game;
    }
    static bool HasFfmpeg() { return qtest::RunIn(fs::temp_directory_path(), "ffmpeg -version"); }

    void SetUp() override {
        oldCwd_ = fs::current_path();
        Enter(0);
    }
    void TearDown() override {
        fs::current_path(oldCwd_);
        GxResetProcessState();
    }
    // Makes a sample the working folder with its pack mounted, as start-up
    // does.
    void Enter(int i) {
        GxResetFileSystem();
        const fs::path game = Game(i);
        ASSERT_TRUE(ok_[i]);
        fs::current_path(game);
        config_ = std::make_unique<GxSystemConfig>();
        ASSERT_TRUE(config_->LoadSystemConfig());
        ASSERT_TRUE(config_->LoadDeveloperSettings());
    }
    GxString Folder(int folder) const { return config_->m_FolderNames[folder]; }

    static inline qtest::TempDir* dirs_ = nullptr;
    static inline bool written_[3] = {}, ok_[3] = {};
    static inline std::string errors_[3];
    static inline std::vector<std::string> notes_[3];
    fs::path oldCwd_;
    std::unique_ptr<GxSystemConfig> config_;
};

TEST_F(SampleGame, EveryRunWritesTheSameSmallFolder) {
    // The version names the program that wrote the folder, which differs.
    Tree first = ReadTree(Game(0)), second = ReadTree(Game(1));
    const std::string version = qtools::SampleVersion({}) + "\n";
    EXPECT_EQ(second.at(qtools::kSampleVersionFile), std::vector<unsigned char>(version.begin(), version.end()));
    first.erase(qtools::kSampleVersionFile);
    second.erase(qtools::kSampleVersionFile);
    ASSERT_EQ(first.size(), second.size());
    size_t total = 0;
    for (const auto& [path, bytes] : first) {
        ASSERT_TRUE(second.count(path)) << path;
        EXPECT_TRUE(bytes == second.at(path)) << path << " differs between two runs";
        total += bytes.size();
    }
    EXPECT_LT(total, 10u * 1024 * 1024);
    EXPECT_TRUE(notes_[1].empty() == HasFfmpeg());
}

TEST_F(SampleGame, ConfigurationNamesWhatTheScenesLookFor) {
    EXPECT_EQ(U8(config_->m_AppTitle), "Quillon Sample");
    EXPECT_FALSE(config_->m_SaveToMyDocuments);
    EXPECT_TRUE(config_->m_DebugModeFlag);
    EXPECT_FALSE(config_->m_DebugConsoleFlag) << "the overlay would cover the headings";
    const s32 sizes[] = {11, 15, 23, 24, 22, 38};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(config_->m_FontSize[i], sizes[i]);
    EXPECT_EQ(U8(config_->m_LabelNameExtra), "EXTRA");
    EXPECT_GT(config_->m_BGMLoopTitle, 0);
    EXPECT_EQ(GxFileExists(Folder(kGxFolderBGMs) + config_->m_BGMNameTitle), kGxFileOnDisk);
    EXPECT_EQ(GxFileExists(config_->m_FileCGBGDefault), kGxFileInPack) << "a CP932 name in the pack";
    EXPECT_EQ(GxFileExists(config_->m_FileCGError), kGxFileInPack);
    if (HasFfmpeg()) {
        ASSERT_FALSE(config_->m_MovNameOpening.empty());
        const GxString movie = Folder(kGxFolderMovies) + config_->m_MovNameOpening;
        EXPECT_EQ(GxFileExists(movie), kGxFileOnDisk);
        const std::vector<u8> bytes = Load(movie);
        const u8 asf[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
        ASSERT_GT(bytes.size(), 1000u);
        EXPECT_TRUE(std::equal(asf, asf + 8, bytes.begin())) << "an ASF (Windows Media) file";
    }

    // Without ffmpeg there is no opening, and the generator says so.
    Enter(2);
    EXPECT_TRUE(config_->m_MovNameOpening.empty());
    EXPECT_FALSE(fs::exists(Game(2) / "movies"));
    ASSERT_EQ(notes_[2].size(), 1u);
    EXPECT_NE(notes_[2][0].find("ffmpeg"), std::string::npos) << notes_[2][0];
}

TEST_F(SampleGame, FilesLieInThePackOrLooseAsTheLookUpOrderShows) {
    struct Row {
        std::string path;
        int where;
    };
    std::vector<Row> rows = {
        {"setting.ini", kGxFileOnDisk},          {"scripts/main.txt", kGxFileOnDisk},
        {"bincode/moacode.mwb", kGxFileInPack},  {"cg/ui/bg_title.png", kGxFileInPack},
        {"uigis/ui_common.gis", kGxFileInPack},  {"uigis/ui_avgmain.gis", kGxFileInPack},
        {"uigis/ui_iconpool.gis", kGxFileInPack}, {"uigis/ui_title.gis", kGxFileInPack},
        {"uigis/ui_debug.gis", kGxFileInPack},   {"fonts/FONT16SYS.png", kGxFileInPack},
        {"fonts/FONT8NUM.png", kGxFileInPack},   {"fonts/FONT22NUM.png", kGxFileInPack},
    };
    for (const char* table : {"keymap", "avgchar", "bgmmode", "cgmode", "rpmode", "uimodule", "uilayout",
                              "voicevolume", "systemvoice"})
        rows.push_back({std::string("data/db_") + table + ".txt", kGxFileInPack});
    for (int i = 0; i < 10; ++i) rows.push_back({U8(config_->m_SystemSoundFiles[i]), kGxFileInPack});
    for (const Row& r : rows) EXPECT_EQ(GxFileExists(U16(r.path)), r.where) << r.path;
    // Nothing is both: a loose copy would hide the packed one.
    const Tree loose = ReadTree(Game(0));
    for (const auto& [path, bytes] : loose) EXPECT_EQ(GxPackFindEntry(nullptr, nullptr, U16(path)), nullptr) << path;
}

// Every module's images exist where its widget looks for them: buttons four
// faces, toggles six, sliders six, panels and tips one image; Fx widgets a
// PNG file.
TEST_F(SampleGame, TablesReadBackAndEveryModuleFindsItsImages) {
    GxLoadDataTables();
    EXPECT_FALSE(g_DBUIModule.HasNameMapError());
    std::map<GxString, std::unique_ptr<GxNcCrammedImageSet>> sets;
    auto set = [&](const GxString& name) {
        auto& s = sets[name];
        if (!s) s = ReadImageSet(Folder(kGxFolderUIGis) + name + u".gis");
        return s.get();
    };
    int checked = 0;
    for (s32 id = 1; id <= g_DBUIModule.GetMaxID(); ++id) {
        const auto& m = *static_cast<DBUIModuleRecord*>(g_DBUIModule.GetRecord(id));
        SCOPED_TRACE(U8(m.Name));
        ASSERT_EQ(g_DBUIModule.FindNameMap(m.Name, 0), id);
        std::vector<const char16_t*> suffixes = {u".png"};
        if (m.UIType == 18 || m.UIType == 21) suffixes = {u"_off.png", u"_on.png", u"_over.png", u"_na.png"};
        if (m.UIType == 19 || m.UIType == 20)
            suffixes = {u"_off.png", u"_on.png", u"_over.png", u"_na.png", u"_onover.png", u"_onna.png"};
        if (m.UIType == 30 || m.UIType == 31)
            suffixes = {u"_off.png", u"_on.png", u"_over.png", u"_na.png", u"_back.png", u"_backna.png"};
        if (m.UIType == 8 || m.UIType == 9 || m.UIType == 10 || m.UIType == 11 || m.UIType == 13 || m.UIType == 50) {
            pimage::image png;
            EXPECT_TRUE(Decodes(m.ImageSetName + m.ImageName + u".png", png));
        } else {
            GxNcCrammedImageSet* s = set(m.ImageSetName);
            ASSERT_NE(s, nullptr) << "image set " << U8(m.ImageSetName);
            for (const char16_t* suffix : suffixes)
                EXPECT_NE(s->FindOriginImage(m.ImageName + suffix), nullptr) << U8(m.ImageName + suffix);
        }
        ++checked;
    }
    EXPECT_GE(checked, 30);

    // The screens: every widget's module exists, and the scenes find the
    // widgets they name (by local name; the index after '#' when it counts).
    std::map<GxString, std::set<GxString>> screens;
    for (s32 id = 1; id <= g_DBUILayout.GetMaxID(); ++id) {
        const auto& l = *static_cast<DBUILayoutRecord*>(g_DBUILayout.GetRecord(id));
        EXPECT_GT(g_DBUIModule.FindNameMap(l.ModuleName, 0), 0) << U8(l.ModuleName);
        EXPECT_NE(l.Create, 0);
        screens[l.ParentName].insert(l.TaskName);
        screens[l.ParentName].insert(l.TaskName + u"#" + GxFromUtf8(std::to_string(l.TaskIndex)));
    }
    const struct {
        const char16_t* parent;
        std::vector<const char16_t*> widgets;
    } kScreens[] = {
        {u"$UI:SeqTitle", {u"btn_title_start", u"btn_title_load", u"btn_title_visual", u"btn_title_event",
                           u"btn_title_music", u"btn_title_config", u"btn_title_extra", u"btn_title_exit"}},
        {u"$UI:SeqDebug", {u"txt_header", u"lbox_scriptselect", u"vsld_scriptselect", u"lbox_labelselect",
                           u"vsld_labelselect", u"btn_runlabel", u"btn_editlabel", u"btn_callfin", u"btn_back"}},
        {u"$UI:SeqAvgMain", {u"$MESWIN:SeqAvgMain", u"$NAMEWIN:SeqAvgMain"}},
        {u"$MESWIN:SeqAvgMain", {u"icon_wait", u"btn_auto", u"btn_skip", u"btn_log", u"btn_qsave", u"btn_qload",
                                 u"btn_save", u"btn_load", u"btn_config", u"btn_hide"}},
        {u"$UI:SeqAvgLog", {u"tip_logwindow#0", u"tip_logwindow#4", u"btn_voiceplay#0", u"btn_voiceplay#4", u"btn_b",
                            u"btn_bb", u"btn_f", u"btn_ff", u"btn_back"}},
        {u"$UI:SeqSave", {u"b01", u"b10", u"btn_fileplate#0", u"btn_fileplate#7", u"tip_new", u"btn_back"}},
        {u"$UI:SeqLoad", {u"b01", u"b10", u"btn_fileplate#0", u"btn_fileplate#7", u"tip_new", u"btn_back"}},
        {u"$UI:SeqConfig", {u"btn_tabconf_system", u"btn_tabconf_sound", u"btn_tabconf_voice", u"btn_tabconf_game",
                            u"btn_init", u"btn_title", u"btn_exit", u"btn_back"}},
        {u"$UI_SYSTEM:SeqConfig", {u"btn_window#1", u"btn_fullscreen#1", u"hsld_textspeed", u"hsld_autospeed",
                                   u"hsld_winalpha", u"btn_on#2", u"btn_off#7"}},
        {u"$UI_SOUND:SeqConfig", {u"hsld_vol_master", u"hsld_vol_bgm", u"hsld_vol_se", u"hsld_vol_movie",
                                  u"hsld_vol_rest", u"btn_nextvoice#1", u"btn_nexttext#1", u"btn_on#3", u"btn_test_se"}},
        {u"$UI_VOICE:SeqConfig", {u"hsld_vol_voicemaster", u"hsld_vol_systemvoice", u"hsld_vol_voice#5",
                                  u"btn_systemvoice#5", u"tip_voiceplate#5", u"btn_test_voice#5", u"hsld_scroll_voice",
                                  u"btn_scrollup_voice", u"btn_scrolldown_voice", u"btn_test_systemvoice"}},
        {u"$UI:SeqCGMode", {u"btn_pageselect#1", u"btn_prev", u"btn_next", u"btn_back", u"btn_cgselect#0",
                            u"btn_cgselect#24"}},
        {u"$UI:SeqRPMode", {u"btn_pageselect#1", u"btn_prev", u"btn_next", u"btn_back", u"btn_rpselect#0",
                            u"btn_rpselect#24"}},
        {u"$UI:SeqBGMMode", {u"btn_bgmselect#1", u"btn_bgmselect#2", u"btn_bgmplay", u"btn_bgmstop", u"btn_bgmprev",
                             u"btn_bgmnext", u"tip_playing", u"btn_back"}},
    };
    for (const auto& screen : kScreens)
        for (const char16_t* widget : screen.widgets)
            EXPECT_TRUE(screens[screen.parent].count(widget)) << U8(screen.parent) << " " << U8(widget);
    // A tool tip wraps its text wherever a line is full, inside a word too:
    // every line of every tip fits the tip's line width (320 pixels) in the
    // tip's font, so that only the text's own breaks ('|') start a line.
    const auto& tip = *static_cast<DBUIModuleRecord*>(g_DBUIModule.GetRecord(g_DBUIModule.FindNameMap(u"tip_help", 0)));
    const s32 size = config_->m_FontSize[tip.FontIndex];
    int tips = 0;
    for (s32 id = 1; id <= g_DBUILayout.GetMaxID(); ++id) {
        const auto& l = *static_cast<DBUILayoutRecord*>(g_DBUILayout.GetRecord(id));
        if (l.Descript.empty()) continue;
        ++tips;
        s32 pen = 0;
        for (GxChar ch : l.Descript + u"|") {
            if (ch == u'|') {
                EXPECT_LT(pen + size, 320) << U8(l.TaskName) << ": " << U8(l.Descript);
                pen = 0;
            } else {
                pen += GxGetCharCellWidth(ch) * size / 2;
            }
        }
    }
    EXPECT_EQ(tips, 9);
    // The main scene makes its choice buttons from this module.
    EXPECT_GT(g_DBUIModule.FindNameMap(u"btn_select0", 0), 0);
    // The system scene makes its widgets from these modules by name.
    for (const GxChar* name : {u"dlg_shutdown", u"btn_yes", u"btn_no", u"dlg_user", u"btn_ok", u"btn_cancel",
                               u"icon_asload", u"tip_help", u"tip_sysnotice", u"tip_usernotice"})
        EXPECT_GT(g_DBUIModule.FindNameMap(name, 0), 0) << U8(name);

    // The title music is in the music room with its loop. Every panel of the
    // voice page has a voice its test plays and system voices its switch
    // turns on and off: the title call and the end-game question of the
    // speaker of its slot. The other two tests resolve too.
    const auto& music = *static_cast<DBBGMModeRecord*>(g_DBBGMMode.GetRecord(1));
    EXPECT_EQ(music.FileName, config_->m_BGMNameTitle);
    EXPECT_EQ(s32(music.LoopPosTime), config_->m_BGMLoopTitle);
    EXPECT_EQ(g_DBVoiceVolume.GetMaxID(), 2);
    for (s32 id = 0; id <= g_DBVoiceVolume.GetMaxID(); ++id) {
        SCOPED_TRACE("voice slot " + std::to_string(id));
        const auto& volume = *static_cast<DBVoiceVolumeRecord*>(g_DBVoiceVolume.GetRecord(id));
        EXPECT_NE(volume.PanelVisible, 0);
        GxString test = Folder(kGxFolderSoundsTest) + volume.SoundTestFileName;
        EXPECT_TRUE(!volume.SoundTestFileName.empty() && GxResolveSoundFile(test)) << U8(test);
        EXPECT_TRUE(volume.SystemVoiceExist && volume.SystemVoiceEnabled);
        const auto& voices = *static_cast<DBSystemVoiceRecord*>(g_DBSystemVoice.GetRecord(id));
        for (int n : {1, 12}) {
            GxString file = voices.VoicePath + u"/" + voices.VoiceFileName[n];
            EXPECT_TRUE(!voices.VoiceFileName[n].empty() && GxResolveSoundFile(file)) << "system voice " << n;
        }
    }
    for (const GxChar* test : {u"test_se", u"test_sysvoice"}) {
        GxString file = Folder(kGxFolderSoundsTest) + test;
        EXPECT_TRUE(GxResolveSoundFile(file)) << U8(file);
    }
    // The gallery's pictures and the thumbnails of gallery and replay.
    for (s32 id = 0; id <= g_DBCGMode.GetMaxID(); ++id) {
        const auto& cg = *static_cast<DBCGModeRecord*>(g_DBCGMode.GetRecord(id));
        GxString picture = Folder(kGxFolderCGEV) + cg.FileName[0];
        EXPECT_TRUE(GxResolveImageFile(picture)) << U8(cg.FileName[0]);
        ASSERT_NE(set(u"th_cgmode"), nullptr);
        EXPECT_NE(set(u"th_cgmode")->FindOriginImage(cg.Thumbnail), nullptr) << U8(cg.Thumbnail);
    }
    const auto& replay = *static_cast<DBRPModeRecord*>(g_DBRPMode.GetRecord(0));
    ASSERT_NE(set(u"th_rpmode"), nullptr);
    EXPECT_NE(set(u"th_rpmode")->FindOriginImage(replay.Thumbnail), nullptr);
    EXPECT_GE(g_DBKeyMap.GetMaxID(), 0);
    EXPECT_GE(g_DBAvgChar.GetMaxID(), 1);
}

// The key map lists each key under what it does: the adventure screen's own
// keys (Return, Right and Down read on, Space hides the window, Control
// skips, the wheel away opens the backlog), Escape's end-game question, and
// the actions the screens read through the map. A key the engine does not
// answer is under none. Only the key map's columns from 1 on are read.
TEST_F(SampleGame, TheKeyMapListsEachKeyUnderWhatItDoes) {
    GxLoadDataTables();
    GxUserConfig settings;
    GxInitKeyConfig(settings);
    const struct {
        const char16_t *key, *action;
    } kKeys[] = {
        {u"KC_KEYB_RETURN", u"DECIDE"},   {u"KC_KEYB_DOWN", u"DECIDE"},   {u"KC_MOUSE_WHEEL_DOWN", u"DECIDE"},
        {u"KC_PAD_BTN01", u"DECIDE"},     {u"KC_KEYB_BACK", u"CANCEL"},   {u"KC_PAD_BTN02", u"CANCEL"},
        {u"KC_KEYB_RCONTROL", u"SKIP"},   {u"KC_KEYB_SPACE", u"HIDE"},    {u"KC_MOUSE_RIGHT", u"HIDE"},
        {u"KC_MOUSE_WHEEL_UP", u"LOG"},   {u"KC_KEYB_ESCAPE", u"EXIT"},   {u"KC_KEYB_UP", nullptr},
        {u"KC_KEYB_A", nullptr},
    };
    for (const auto& k : kKeys) {
        SCOPED_TRACE(U8(k.key));
        const int code = GxGetKeyCodeFromName(k.key);
        ASSERT_NE(code, 0);
        std::set<s32> actions;
        for (int column = 1; column < kGxKeyMapColumns; ++column)
            if (const s32 action = GxGetKeyMap(code, column)) actions.insert(action);
        EXPECT_EQ(actions, k.action ? std::set<s32>{g_DBKeyMap.FindNameMap(k.action, -1)} : std::set<s32>{});
    }
}

TEST_F(SampleGame, ImageSetAtlasesHoldEveryPattern) {
    int sets = 0;
    for (const GxChar* name : {u"ui_common", u"ui_avgmain", u"ui_iconpool", u"ui_title", u"ui_debug", u"th_cgmode",
                               u"th_rpmode"}) {
        SCOPED_TRACE(U8(name));
        const std::unique_ptr<GxNcCrammedImageSet> set = ReadImageSet(Folder(kGxFolderUIGis) + name + u".gis");
        ASSERT_NE(set, nullptr);
        ASSERT_FALSE(set->m_CrammedImageArray.empty());
        std::vector<pimage::image> atlases;
        for (const auto& atlas : set->m_CrammedImageArray) {
            atlases.emplace_back();
            ASSERT_TRUE(Decodes(Folder(kGxFolderUIGis) + atlas->m_FileName, atlases.back())) << U8(atlas->m_FileName);
            EXPECT_EQ(s32(atlases.back().width), atlas->m_ImageWidth);
            EXPECT_EQ(s32(atlases.back().height), atlas->m_ImageHeight);
        }
        for (const auto& origin : set->m_OriginImageArray) {
            EXPECT_EQ(origin->m_FileName, GxToLower(origin->m_FileName)) << "names are looked up exactly";
            ASSERT_FALSE(origin->m_PatternArray.empty());
            for (const GxNcCrammedPattern& p : origin->m_PatternArray) {
                ASSERT_GE(p.m_CrammedImageIndex, 0);
                ASSERT_LT(size_t(p.m_CrammedImageIndex), atlases.size());
                const pimage::image& a = atlases[size_t(p.m_CrammedImageIndex)];
                EXPECT_LE(u32(p.m_CrammedLeft + p.m_CrammedWidth), a.width) << U8(origin->m_FileName);
                EXPECT_LE(u32(p.m_CrammedTop + p.m_CrammedHeight), a.height) << U8(origin->m_FileName);
                EXPECT_GT(MostAlpha(a, p.m_CrammedLeft, p.m_CrammedTop, p.m_CrammedWidth, p.m_CrammedHeight), 0u)
                    << U8(origin->m_FileName) << ": drawn, not blank";
            }
        }
        ++sets;
    }
    EXPECT_EQ(sets, 7);
}

TEST_F(SampleGame, BitmapFontsAreUniformGridsWithAGlyphInEveryCell) {
    const struct {
        const char16_t* file;
        char16_t first, last;
        int cellWidth, cellHeight, columns;
    } fonts[] = {{u"FONT16SYS.png", 32, 126, 8, 16, 16}, {u"FONT8NUM.png", 32, 57, 8, 16, 7},
                 {u"FONT22NUM.png", 48, 57, 22, 32, 5}};
    for (const auto& f : fonts) {
        SCOPED_TRACE(U8(f.file));
        pimage::image png;
        ASSERT_TRUE(Decodes(Folder(kGxFolderFonts) + f.file, png));
        const int count = f.last - f.first + 1, rows = (count + f.columns - 1) / f.columns;
        EXPECT_EQ(png.width, u32(f.columns * f.cellWidth));
        EXPECT_EQ(png.height, u32(rows * f.cellHeight));
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(MostAlpha(png, i % f.columns * f.cellWidth, i / f.columns * f.cellHeight, f.cellWidth, f.cellHeight) > 0,
                      f.first + i != u' ')
                << "character " << int(f.first + i);
    }
}

TEST_F(SampleGame, SoundsOpenThroughTheLoaders) {
    struct Row {
        GxString path;
        u16 channels;
        u32 rate;
    };
    std::vector<Row> rows = {{Folder(kGxFolderBGMs) + config_->m_BGMNameTitle, 2, 44100},
                             {u"voices/sys/title_call.wav", 1, 22050},
                             {u"voices/sys/exit_call.wav", 1, 22050},
                             {u"voices/sys/aki_title_call.wav", 1, 22050},
                             {u"voices/sys/yu_exit_call.wav", 1, 22050},
                             {u"sounds/test/test_se.wav", 1, 22050},
                             {u"sounds/test/voice_aki.wav", 1, 22050}};
    for (int i = 0; i < 10; ++i) rows.push_back({config_->m_SystemSoundFiles[i], 1, 44100});
    for (const Row& r : rows) {
        SCOPED_TRACE(U8(r.path));
        std::unique_ptr<GxSoundLoaderBase> loader(GxSoundLoaderBase::OpenFile(r.path));
        ASSERT_NE(loader, nullptr);
        EXPECT_EQ(loader->GetFormat().channels, r.channels);
        EXPECT_EQ(loader->GetFormat().samples_per_sec, r.rate);
        EXPECT_GT(loader->GetLengthSamples(), r.rate / 50);
        std::vector<u8> pcm;
        ASSERT_TRUE(loader->ReadAll(pcm));
        EXPECT_EQ(pcm.size(), loader->GetLengthBytes());
        int peak = 0;
        for (size_t i = 0; i + 1 < pcm.size(); i += 2) peak = std::max(peak, std::abs(int(int16_t(pcm[i] | pcm[i + 1] << 8))));
        EXPECT_GT(peak, 8000) << "audible";
    }
    // The loop starts inside the music, well before its end.
    std::unique_ptr<GxSoundLoaderBase> music(GxSoundLoaderBase::OpenFile(rows[0].path));
    ASSERT_NE(music, nullptr);
    EXPECT_GT(music->GetLengthSamples(), MillisecondsToFrames(u32(config_->m_BGMLoopTitle), 44100) + 44100);
}

TEST_F(SampleGame, WritingAgainKeepsTheSavesAndRefusesForeignFolders) {
    qtest::TempDir dir;
    const fs::path game = dir.path() / "game";
    std::string error;
    ASSERT_TRUE(qtest::CopySampleGame(game, true, &error)) << error;
    fs::create_directories(game / "QuillonSample_SAVE");
    qtest::WriteText(game / "QuillonSample_SAVE" / "userconf.dat", "saved");
    qtest::WriteText(game / "stale.txt", "from an older generator");
    ASSERT_TRUE(qtools::WriteSampleGame(game, {}, error)) << error;
    EXPECT_FALSE(fs::exists(game / "stale.txt"));
    EXPECT_EQ(qtest::ReadBytes(game / "QuillonSample_SAVE" / "userconf.dat").size(), 5u);
    EXPECT_TRUE(fs::exists(game / "sample.gxp"));

    const fs::path foreign = dir.path() / "foreign";
    fs::create_directories(foreign);
    qtest::WriteText(foreign / "mine.txt", "not the generator's");
    EXPECT_FALSE(qtools::WriteSampleGame(foreign, {}, error));
    EXPECT_NE(error.find("did not write"), std::string::npos) << error;
    EXPECT_TRUE(fs::exists(foreign / "mine.txt"));

    // What generators before the version file wrote is taken as a sample.
    const fs::path old = dir.path() / "old";
    fs::create_directories(old / "system");
    fs::create_directories(old / "QuillonSample_SAVE");
    for (const char* file : {"system/sysconf.ini", "setting.ini", "sample.gxp"}) qtest::WriteText(old / file, "old");
    EXPECT_TRUE(qtools::WriteSampleGame(old, {}, error)) << error;
    EXPECT_TRUE(fs::exists(old / "QuillonSample_SAVE"));
}

} // namespace

// The bundle holds the labels the title starts. Every file the story names
// lies in the sample where its command looks:
// the pictures, the rule picture of a wipe, the standing pictures of the
// STAND blocks and layer commands, the music, the background voice, the
// effects, the voices and the movie (when ffmpeg made it).
TEST_F(SampleGame, TheStoryHoldsItsLabelsAndFindsEveryFileItNames) {
    GxLoadDataTables();
    const std::vector<u8> bytes = Load(u"bincode/moacode.mwb");
    GxNcContentFile file;
    ASSERT_TRUE(file.OpenBytes(bytes.data(), u32(bytes.size()), "MOA", GxNcContentFile::OtherForms::Refuse));
    GxMoa moa;
    ASSERT_TRUE(moa.ReadBundle(file.GetReader()));
    const GxMoaScript* story = moa.FindScript(u"main.txt");
    ASSERT_NE(story, nullptr);
    // The labels the title starts, and the replay's.
    for (const GxString& label : {GxString(u"MAIN"), config_->m_LabelNameExtra}) {
        const GxMoaLabelDefinition* l = moa.FindLabel(label);
        ASSERT_NE(l, nullptr) << U8(label);
        EXPECT_EQ(l->m_Pos.m_ScriptName, u"main.txt");
    }
    EXPECT_NE(moa.FindLabel(static_cast<DBRPModeRecord*>(g_DBRPMode.GetRecord(0))->Label), nullptr);

    enum Kind { Image, Sound, Movie, Voice, Stand };
    const struct {
        const char16_t* command;
        int arg;
        Kind kind;
        const char16_t* folder;  // the character's own folder for Stand
    } kNames[] = {
        {u"bg", 0, Image, u"cg/bg/"},         {u"bg.sw", 0, Image, u"cg/bg/"}, {u"bg.sw", 2, Image, u"cg/tr/"},
        {u"ev", 0, Image, u"cg/ev/"},         {u"ev.sw", 2, Image, u"cg/tr/"}, {u"bgm", 0, Sound, u"bgms/"},
        {u"bgv", 0, Sound, u"sounds/bgvs/"},  {u"se", 0, Sound, u"sounds/se/"}, {u"se_1", 0, Sound, u"sounds/se/"},
        {u"mv", 0, Movie, u"movies/"},        {u"vo", 0, Voice, u""},          {u"vo_1", 0, Voice, u""},
        {u"text", 1, Voice, u""},             {u"sp.lcg", 1, Stand, u""},
    };
    std::set<GxString> commands;
    int named = 0;
    std::vector<GxString> block;  // the STAND block being read: its character first
    for (int line = 0; line < story->GetLineCount(); ++line) {
        std::vector<const GxMoaToken*> t;
        for (int pos = 0; story->CheckRunPos(line, pos) == 1; ++pos) t.push_back(story->GetToken(line, pos));
        if (t.empty()) continue;
        GxString command;
        std::vector<GxString> args;
        if (!block.empty()) {
            if (t[0]->GetType() == kGxTokBuiltin && t[0]->GetStrView() == u"endstand") {
                block.clear();
                continue;
            }
            // A line of the block names a picture of its character, as a layer command does.
            command = u"sp.lcg";
            args = {block[0], GxString(t[0]->GetStrView())};
        } else {
            // The string arguments of a call: its name, then one entry an argument.
            if (t.size() < 2 || t[1]->GetType() != kGxTokParenOpen) continue;
            command = GxToLower(GxString(t[0]->GetStrView()));
            if (t[0]->GetType() == kGxTokUnknownWord) {
                args.push_back(command);  // a layer command: the character, then its picture
                command = u"sp.lcg";
            }
            args.emplace_back();
            for (size_t k = 2; k < t.size(); ++k) {
                if (t[k]->GetType() == kGxTokComma) args.emplace_back();
                if (t[k]->GetType() == kGxTokString) args.back() = GxString(t[k]->GetStrView());
            }
            commands.insert(command);
            if (command == u"stand") block = {args[0]};
        }
        for (const auto& n : kNames) {
            if (command != n.command || size_t(n.arg) >= args.size() || args[size_t(n.arg)].empty()) continue;
            SCOPED_TRACE("line " + std::to_string(line + 1) + ": " + U8(command));
            GxString path = n.folder + args[size_t(n.arg)];
            bool found = true;
            switch (n.kind) {
            case Image: found = GxResolveImageFile(path); break;
            case Sound: found = GxResolveSoundFile(path); break;
            case Movie: found = !HasFfmpeg() || GxResolveMovieFile(path); break;
            case Voice: found = GxFindVoiceCharID(path) > 0; break;
            case Stand: {
                const s32 id = GxFindAvgCharIDByName(args[0].c_str());
                ASSERT_GE(id, 0) << U8(args[0]);
                path = static_cast<DBAvgCharRecord*>(g_DBAvgChar.GetRecord(id))->StandPath + args[1];
                found = GxResolveImageFile(path);
                break;
            }
            }
            EXPECT_TRUE(found) << U8(path);
            ++named;
        }
    }
    EXPECT_GE(named, 25);
    // Every family of the game's commands is called at least once.
    for (const GxChar* family : {u"msgn", u"text", u"stand", u"sp.wa", u"bg.sw", u"ev", u"flash", u"shake", u"mv", u"bgm",
                                 u"bgv", u"se", u"vo", u"sel", u"sel.go", u"wa.layer", u"wa.time", u"rp.set",
                                 u"notice.user", u"setextraoption", u"jumptotitle", u"setnameidentifymode"})
        EXPECT_TRUE(commands.count(family)) << U8(family);
}
