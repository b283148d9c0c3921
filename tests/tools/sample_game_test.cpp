// The sample game as the generator writes it, read back through the engine's
// own readers: the configuration, the pack and the loose files, the data
// tables and the images, sounds, fonts and script bundle they lead to. The
// scenes that show it are checked elsewhere; here every file they will look
// for must exist, parse and agree with the tables that name it.
#include "base/GxStringUtil.h"
#include "gamedata/GxDataLookup.h"
#include "gamedata/GxDataTables.h"
#include "io/GxFileSystem.h"
#include "layers/GxNcContentFile.h"
#include "layers/GxNcCrammedImageSet.h"
#include "media/sound/GxSoundLoaderBase.h"
#include "platform/image/image.h"
#include "script/GxMoa.h"
#include "support/TempDir.h"
#include "tasks/GxSystemConfig.h"
#include "tools/SampleGame.h"
#include "tools/builders/SoundFiles.h"

#include <gtest/gtest.h>

#include <map>
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
    if (!GxLoadFile(&buffer, path, false, true)) return {};
    return std::vector<u8>(buffer.GetData(), buffer.GetData() + buffer.GetSize());
}

bool Decodes(const GxString& path, pimage::image& out) {
    const std::vector<u8> bytes = Load(path);
    return !bytes.empty() && pimage::decode(bytes.data(), bytes.size(), out);
}

// The sample, written twice (to compare) and once more without ffmpeg, each
// when a test first needs it.
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
            ok_[i] = qtools::WriteSampleGame(game, options, errors_[i], &notes_[i]);
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
        GxResetDataTables();
        GxResetFileSystem();
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
    const Tree first = ReadTree(Game(0)), second = ReadTree(Game(1));
    ASSERT_EQ(first.size(), second.size());
    size_t total = 0;
    for (const auto& [path, bytes] : first) {
        ASSERT_TRUE(second.count(path)) << path;
        EXPECT_TRUE(bytes == second.at(path)) << path << " differs between two runs";
        total += bytes.size();
    }
    EXPECT_LT(total, 10u * 1024 * 1024);
    const std::string version = qtools::SampleVersion({}) + "\n";
    EXPECT_EQ(first.at(qtools::kSampleVersionFile), std::vector<unsigned char>(version.begin(), version.end()));
    EXPECT_TRUE(notes_[0].empty() == HasFfmpeg());
}

TEST_F(SampleGame, ConfigurationNamesWhatTheScenesLookFor) {
    EXPECT_EQ(U8(config_->m_AppTitle), "Quillon Sample");
    EXPECT_FALSE(config_->m_SaveToMyDocuments);
    EXPECT_TRUE(config_->m_DebugModeFlag);
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
    auto set = [&](const GxString& name) -> GxNcCrammedImageSet* {
        auto& s = sets[name];
        if (!s) {
            GxNcContentFile file;
            if (!file.Open(Folder(kGxFolderUIGis) + name + u".gis", "GIMGSET", GxNcContentFile::OtherForms::Refuse, true))
                return nullptr;
            s = std::make_unique<GxNcCrammedImageSet>();
            if (!s->Read(file.GetReader())) return nullptr;
        }
        return s.get();
    };
    int checked = 0;
    for (s32 id = 1; id <= g_DBUIModule.GetMaxID(); ++id) {
        const auto& m = *static_cast<DBUIModuleRecord*>(g_DBUIModule.GetRecord(id));
        SCOPED_TRACE(U8(m.Name));
        ASSERT_EQ(g_DBUIModule.FindNameMap(m.Name, 0), id);
        std::vector<const char16_t*> suffixes = {u".png"};
        if (m.UIType == 18) suffixes = {u"_off.png", u"_on.png", u"_over.png", u"_na.png"};
        if (m.UIType == 19) suffixes = {u"_off.png", u"_on.png", u"_over.png", u"_na.png", u"_onover.png", u"_onna.png"};
        if (m.UIType == 31) suffixes = {u"_off.png", u"_on.png", u"_over.png", u"_na.png", u"_back.png", u"_backna.png"};
        if (m.UIType == 11 || m.UIType == 13 || m.UIType == 50) {
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
    // widgets they name.
    std::map<GxString, std::vector<GxString>> screens;
    for (s32 id = 1; id <= g_DBUILayout.GetMaxID(); ++id) {
        const auto& l = *static_cast<DBUILayoutRecord*>(g_DBUILayout.GetRecord(id));
        EXPECT_GT(g_DBUIModule.FindNameMap(l.ModuleName, 0), 0) << U8(l.ModuleName);
        EXPECT_NE(l.Create, 0);
        screens[l.ParentName].push_back(l.TaskName);
    }
    const std::map<GxString, std::vector<GxString>> expected = {
        {u"$UI:SeqTitle",
         {u"btn_title_start", u"btn_title_load", u"btn_title_visual", u"btn_title_event", u"btn_title_music",
          u"btn_title_config", u"btn_title_extra", u"btn_title_exit"}},
        {u"$UI:SeqDebug",
         {u"txt_header", u"lbox_scriptselect", u"vsld_scriptselect", u"lbox_labelselect", u"vsld_labelselect",
          u"btn_runlabel", u"btn_editlabel", u"btn_callfin", u"btn_back"}},
    };
    EXPECT_EQ(screens, expected);
    // The system scene makes its widgets from these modules by name.
    for (const GxChar* name : {u"dlg_shutdown", u"btn_yes", u"btn_no", u"dlg_user", u"btn_ok", u"btn_cancel",
                               u"icon_asload", u"tip_help", u"tip_sysnotice", u"tip_usernotice"})
        EXPECT_GT(g_DBUIModule.FindNameMap(name, 0), 0) << U8(name);

    // The title music is in the music room with its loop; the title call
    // resolves for an active system-voice set.
    const auto& music = *static_cast<DBBGMModeRecord*>(g_DBBGMMode.GetRecord(0));
    EXPECT_EQ(music.FileName, config_->m_BGMNameTitle);
    EXPECT_EQ(s32(music.LoopPosTime), config_->m_BGMLoopTitle);
    const auto& voices = *static_cast<DBSystemVoiceRecord*>(g_DBSystemVoice.GetRecord(0));
    const auto& volume = *static_cast<DBVoiceVolumeRecord*>(g_DBVoiceVolume.GetRecord(0));
    EXPECT_TRUE(volume.SystemVoiceExist && volume.SystemVoiceEnabled);
    for (int n : {1, 12}) {
        GxString file = voices.VoicePath + u"/" + voices.VoiceFileName[n];
        EXPECT_TRUE(GxResolveSoundFile(file)) << "system voice " << n;
    }
    // The gallery's pictures and the thumbnails of gallery and replay.
    for (s32 id = 0; id <= g_DBCGMode.GetMaxID(); ++id) {
        const auto& cg = *static_cast<DBCGModeRecord*>(g_DBCGMode.GetRecord(id));
        GxString picture = Folder(kGxFolderCGEV) + cg.FileName[0];
        EXPECT_TRUE(GxResolveImageFile(picture)) << U8(cg.FileName[0]);
        ASSERT_NE(set(u"th_cgmode"), nullptr);
        EXPECT_NE(set(u"th_cgmode")->FindOriginImage(cg.Thumbnail + u".png"), nullptr) << U8(cg.Thumbnail);
    }
    const auto& replay = *static_cast<DBRPModeRecord*>(g_DBRPMode.GetRecord(0));
    ASSERT_NE(set(u"th_rpmode"), nullptr);
    EXPECT_NE(set(u"th_rpmode")->FindOriginImage(replay.Thumbnail + u".png"), nullptr);
    EXPECT_GE(g_DBKeyMap.GetMaxID(), 0);
    EXPECT_GE(g_DBAvgChar.GetMaxID(), 1);
}

TEST_F(SampleGame, ImageSetAtlasesHoldEveryPattern) {
    int sets = 0;
    for (const GxChar* name : {u"ui_common", u"ui_avgmain", u"ui_iconpool", u"ui_title", u"ui_debug", u"th_cgmode",
                               u"th_rpmode"}) {
        SCOPED_TRACE(U8(name));
        GxNcContentFile file;
        ASSERT_TRUE(file.Open(Folder(kGxFolderUIGis) + name + u".gis", "GIMGSET", GxNcContentFile::OtherForms::Refuse, true));
        GxNcCrammedImageSet set;
        ASSERT_TRUE(set.Read(file.GetReader()));
        ASSERT_FALSE(set.m_CrammedImageArray.empty());
        std::vector<pimage::image> atlases;
        for (const auto& atlas : set.m_CrammedImageArray) {
            atlases.emplace_back();
            ASSERT_TRUE(Decodes(Folder(kGxFolderUIGis) + atlas->m_FileName, atlases.back())) << U8(atlas->m_FileName);
            EXPECT_EQ(s32(atlases.back().width), atlas->m_ImageWidth);
            EXPECT_EQ(s32(atlases.back().height), atlas->m_ImageHeight);
        }
        for (const auto& origin : set.m_OriginImageArray) {
            EXPECT_EQ(origin->m_FileName, GxToLower(origin->m_FileName)) << "names are looked up exactly";
            ASSERT_FALSE(origin->m_PatternArray.empty());
            for (const GxNcCrammedPattern& p : origin->m_PatternArray) {
                ASSERT_GE(p.m_CrammedImageIndex, 0);
                ASSERT_LT(size_t(p.m_CrammedImageIndex), atlases.size());
                const pimage::image& a = atlases[size_t(p.m_CrammedImageIndex)];
                EXPECT_LE(u32(p.m_CrammedLeft + p.m_CrammedWidth), a.width) << U8(origin->m_FileName);
                EXPECT_LE(u32(p.m_CrammedTop + p.m_CrammedHeight), a.height) << U8(origin->m_FileName);
                // Drawn, not blank.
                u32 alpha = 0;
                for (s32 y = p.m_CrammedTop; y < p.m_CrammedTop + p.m_CrammedHeight; ++y)
                    for (s32 x = p.m_CrammedLeft; x < p.m_CrammedLeft + p.m_CrammedWidth; ++x)
                        alpha = std::max(alpha, a.pixels[size_t(y) * a.width + size_t(x)] >> 24);
                EXPECT_GT(alpha, 0u) << U8(origin->m_FileName);
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
        for (int i = 0; i < count; ++i) {
            u32 alpha = 0;
            for (int y = 0; y < f.cellHeight; ++y)
                for (int x = 0; x < f.cellWidth; ++x)
                    alpha = std::max(alpha, png.pixels[size_t(i / f.columns * f.cellHeight + y) * png.width +
                                                       size_t(i % f.columns * f.cellWidth + x)] >> 24);
            EXPECT_EQ(alpha > 0, f.first + i != u' ') << "character " << int(f.first + i);
        }
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
                             {u"voices/sys/exit_call.wav", 1, 22050}};
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

TEST_F(SampleGame, ScriptBundleHoldsTheLabelsTheTitleStarts) {
    const std::vector<u8> bytes = Load(u"bincode/moacode.mwb");
    GxNcContentFile file;
    ASSERT_TRUE(file.OpenBytes(bytes.data(), u32(bytes.size()), "MOA", GxNcContentFile::OtherForms::Refuse));
    GxMoa moa;
    ASSERT_TRUE(moa.ReadBundle(file.GetReader()));
    EXPECT_NE(moa.FindScript(u"main.txt"), nullptr);
    for (const GxString& label : {GxString(u"MAIN"), config_->m_LabelNameExtra}) {
        const GxMoaLabelDefinition* l = moa.FindLabel(label);
        ASSERT_NE(l, nullptr) << U8(label);
        EXPECT_EQ(l->m_Pos.m_ScriptName, u"main.txt");
    }
    GxLoadDataTables();
    EXPECT_NE(moa.FindLabel(static_cast<DBRPModeRecord*>(g_DBRPMode.GetRecord(0))->Label), nullptr);
}

TEST_F(SampleGame, WritingAgainKeepsTheSavesAndRefusesForeignFolders) {
    qtest::TempDir dir;
    const fs::path game = dir.path() / "game";
    std::string error;
    ASSERT_TRUE(qtools::WriteSampleGame(game, {}, error)) << error;
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
