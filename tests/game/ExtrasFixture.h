#pragma once
// The game started over the stand-in core with a small game of its own for
// the extras and configuration screens: the music-room, gallery, replay and
// voice-panel tables, the screens' UI modules and layouts, their image sets
// and backgrounds (drawn here, with windows left clear where the scenes draw
// thumbnails, faces and numbers under the background), the event pictures,
// the bitmap number fonts, music, test sounds and the interface sound, and
// a key map with pad buttons. Frames are run by hand on the manual clock,
// the null audio output pumped with them, and drawn into a 1024 x 768 target.
#include "GameFixture.h"

#include "game/GxGameSound.h"
#include "gamedata/DBUILayout.h"
#include "graphics/GxGraphicsTypes.h"
#include "graphics/GxSurface.h"
#include "media/sound/GxAudioPlayerStream.h"
#include "media/sound/GxSoundPlayerStream.h"
#include "graphics/graphics_fixture.h"
#include "layers/GxTaskLayer.h"
#include "support/LogCapture.h"
#include "support/FrameCapture.h"
#include "tasks/GxInput.h"
#include "tasks/GxTaskManage.h"
#include "tools/builders/FileBytes.h"
#include "tools/builders/ImageSetWriter.h"
#include "tools/builders/SoundFiles.h"
#include "ui/GxTaskUIBase.h"
#include "ui/GxUIManage.h"

#include <functional>
#include <sstream>

namespace extrastest {

namespace fs = std::filesystem;
using qtest::Framed;
using qtest::Paint;
using Origin = qtest::SetImage;
using ModuleRow = qtest::UIModuleRow;
using LayoutRow = qtest::UILayoutRow;

// Widget kinds of the test game's modules.
constexpr int kPush = 18;
constexpr int kToggle = 19;
constexpr int kRadio = 20;
constexpr int kPanel = 15;
constexpr int kTextPanel = 17;
constexpr int kHSlider = 30;
constexpr int kVSlider = 31;

// The gallery's and replay's thumbnail grid: 5 x 5 buttons of 120 x 90.
constexpr int kThumbX = 60, kThumbY = 110, kThumbW = 120, kThumbH = 90, kThumbStepX = 150, kThumbStepY = 122;
inline int ThumbX(int i) { return kThumbX + (i % 5) * kThumbStepX; }
inline int ThumbY(int i) { return kThumbY + (i / 5) * kThumbStepY; }
// The voice page's plates: two a row, three rows.
constexpr int kPlateX = 60, kPlateY = 150, kPlateW = 200, kPlateH = 70, kPlateStepX = 440, kPlateStepY = 150;
inline int PlateX(int i) { return kPlateX + (i % 2) * kPlateStepX; }
inline int PlateY(int i) { return kPlateY + (i / 2) * kPlateStepY; }

// The seven segments of a digit in a cell, as a stand-in for a number font.
inline bool Segment(int digit, int x, int y, int w, int h) {
    static const char* kSegments[10] = {"abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc", "abcdefg", "abcdfg"};
    const int t = std::max(1, w / 6), l = 1, r = w - 2, top = 1, mid = h / 2, bottom = h - 2;
    const auto has = [&](char s) { return std::string(kSegments[digit]).find(s) != std::string::npos; };
    const bool horiz = x >= l && x <= r;
    if (has('a') && horiz && y >= top && y < top + t) return true;
    if (has('g') && horiz && y >= mid - t / 2 && y <= mid + t / 2) return true;
    if (has('d') && horiz && y > bottom - t && y <= bottom) return true;
    if (has('f') && x >= l && x < l + t && y >= top && y <= mid) return true;
    if (has('e') && x >= l && x < l + t && y >= mid && y <= bottom) return true;
    if (has('b') && x > r - t && x <= r && y >= top && y <= mid) return true;
    if (has('c') && x > r - t && x <= r && y >= mid && y <= bottom) return true;
    return false;
}

class ExtrasTest : public gametest::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        ui_.SetLayoutTable(g_DBUILayout.GetRecords());
        WriteGame();
        ASSERT_TRUE(StartDevice());
        StartAudio();
        Initialize();
    }
    void TearDown() override {
        StopGame();
        GameTest::TearDown();
    }

    // ---- the game's files ------------------------------------------------

    // The four faces of a button image.
    static void AddFaces(std::vector<Origin>& o, const std::string& image, int w, int h, u32 off, u32 on) {
        o.push_back({image + "_off.png", w, h, Framed(w, h, off, 0xFFC0C0C0)});
        o.push_back({image + "_on.png", w, h, Framed(w, h, on, 0xFFFFFFFF)});
        o.push_back({image + "_over.png", w, h, Framed(w, h, off + 0x00202020, 0xFFFFFFFF)});
        o.push_back({image + "_na.png", w, h, Framed(w, h, 0xFF404040, 0xFF606060)});
    }
    void WriteGame() {
        WriteFonts();
        WriteArt();
        WriteSounds();
        WriteTables();
    }

    void WriteFonts() {
        // FONT22NUM: the digits in cells of 22 x 32, five a row.
        WritePicture("fonts/FONT22NUM.png", 110, 64, [](int x, int y) {
            const int digit = (y / 32) * 5 + x / 22;
            return Segment(digit, x % 22, y % 32, 22, 32) ? 0xFFFFE080u : 0x00000000u;
        });
        // FONT8NUM: from the space to '9' in cells of 8 x 16, seven a row.
        WritePicture("fonts/FONT8NUM.png", 56, 64, [](int x, int y) {
            const int ch = 32 + (y / 16) * 7 + x / 8, cx = x % 8, cy = y % 16;
            if (ch == '/') return (cx == 7 - cy / 2) ? 0xFFFFFFFFu : 0x00000000u;
            if (ch < '0' || ch > '9') return 0x00000000u;
            return Segment(ch - '0', cx, cy, 8, 16) ? 0xFFFFFFFFu : 0x00000000u;
        });
    }

    // Backgrounds: a dark pattern with clear windows where the scene draws
    // below the background.
    static Paint Backdrop(u32 base, const std::vector<std::array<int, 4>>& windows) {
        return [=](int x, int y) {
            for (const auto& r : windows)
                if (x >= r[0] && x < r[0] + r[2] && y >= r[1] && y < r[1] + r[3]) return 0x00000000u;
            return base + u32(((x / 32 + y / 32) % 2) * 0x00080808);
        };
    }
    static std::vector<std::array<int, 4>> ThumbWindows() {
        std::vector<std::array<int, 4>> w = {{860, 50, 80, 40}};
        for (int i = 0; i < 25; ++i) w.push_back({ThumbX(i), ThumbY(i), kThumbW, kThumbH + 20});
        return w;
    }
    void WriteArt() {
        WritePicture("cg/ui/bg_bgmmode.png", 1024, 768, Backdrop(0xFF182030, {}));
        WritePicture("cg/ui/bg_cgmode.png", 1024, 768, Backdrop(0xFF301820, ThumbWindows()));
        WritePicture("cg/ui/bg_rpmode.png", 1024, 768, Backdrop(0xFF183020, ThumbWindows()));
        WritePicture("cg/ui/bg_config_system.png", 1024, 768, Backdrop(0xFF202028, {}));
        WritePicture("cg/ui/bg_config_sound.png", 1024, 768, Backdrop(0xFF202820, {}));
        std::vector<std::array<int, 4>> faces;
        for (int i = 0; i < 6; ++i) faces.push_back({PlateX(i), PlateY(i), 70, 70});
        WritePicture("cg/ui/bg_config_voice.png", 1024, 768, Backdrop(0xFF282020, faces));
        WritePicture("cg/ui/bg_config_game.png", 1024, 768, Backdrop(0xFF282828, {}));
        // Event pictures: a wide one, a tall one, one the screen's size and a small one.
        WritePicture("cg/ev/ev_wide.png", 2048, 768, [](int x, int y) { return 0xFF000000u | u32(x / 8) << 16 | u32(y / 4) << 8 | 0x40u; });
        WritePicture("cg/ev/ev_tall.png", 1024, 1536, [](int x, int y) { return 0xFF400000u | u32(x / 4) << 8 | u32(y / 8); });
        WritePicture("cg/ev/ev_one.png", 1024, 768, [](int x, int y) { return ((x / 64 + y / 64) % 2) ? 0xFFE0C060u : 0xFF6080E0u; });
        WritePicture("cg/ev/ev_small.png", 640, 480, [](int, int) { return 0xFF30A040u; });

        std::vector<Origin> extra;
        AddFaces(extra, "btn", 80, 32, 0xFF304870, 0xFFD08030);
        AddFaces(extra, "piece", 200, 28, 0xFF283848, 0xFF60A0D0);
        extra.push_back({"thumb_off.png", kThumbW, kThumbH, [](int, int) { return 0x00000000u; }});
        extra.push_back({"thumb_over.png", kThumbW, kThumbH, Framed(kThumbW, kThumbH, 0x00000000, 0xFFFFFFFF)});
        extra.push_back({"tip.png", 30, 28, [](int x, int y) { return (x < 15 + (y < 14 ? y : 27 - y)) ? 0xFFFFD040u : 0u; }});
        extra.push_back({"tip_cgplate.png", kThumbW, kThumbH, Framed(kThumbW, kThumbH, 0xFF505050, 0xFF808080)});
        extra.push_back({"tip_rpplate.png", kThumbW, kThumbH, Framed(kThumbW, kThumbH, 0xFF504050, 0xFF807080)});
        WriteSet("ui_extra", extra);
        WriteSet("ui_bgmname", {{"name.png", 4, 4, [](int, int) { return 0xFFFFFFFFu; }}});
        const auto thumbnail = [](u32 c) { return Framed(kThumbW, kThumbH, c, 0xFFFFFFFF); };
        WriteSet("th_cgmode", {{"th_sea.png", kThumbW, kThumbH, thumbnail(0xFF2060C0)},
                               {"th_hill.png", kThumbW, kThumbH, thumbnail(0xFF30A040)},
                               {"th_town.png", kThumbW, kThumbH, thumbnail(0xFFC06030)}});
        WriteSet("th_rpmode", {{"th_r1.png", kThumbW, kThumbH, thumbnail(0xFF8040C0)},
                               {"th_r2.png", kThumbW, kThumbH, thumbnail(0xFFC0C040)}});
        std::vector<Origin> config;
        AddFaces(config, "cbtn", 100, 32, 0xFF384058, 0xFF50A060);
        config.push_back({"sld_off.png", 12, 24, Framed(12, 24, 0xFFE0E0E0, 0xFF808080)});
        config.push_back({"sld_back.png", 220, 24, [](int, int y) { return (y >= 10 && y < 14) ? 0xFF8090A0u : 0x00000000u; }});
        config.push_back({"vsld_off.png", 24, 12, Framed(24, 12, 0xFFE0E0E0, 0xFF808080)});
        config.push_back({"vsld_back.png", 24, 200, [](int x, int) { return (x >= 10 && x < 14) ? 0xFF8090A0u : 0x00000000u; }});
        config.push_back({"plate.png", kPlateW, kPlateH, [](int x, int y) {
                              return x < 70 ? 0x00000000u : Framed(kPlateW, kPlateH, 0xFF303848, 0xFF7080A0)(x, y);
                          }});
        WriteSet("ui_config", config);
        const auto face = [](u32 c) {
            return [c](int x, int y) {
                const int dx = x - 35, dy = y - 35;
                return dx * dx + dy * dy < 30 * 30 ? c : 0xFF101010u;
            };
        };
        // The system scene's dialogs, in the set the game loads at start-up.
        std::vector<Origin> common;
        AddFaces(common, "dbtn", 100, 32, 0xFF404860, 0xFF6080C0);
        common.push_back({"dlg.png", 280, 140, Framed(280, 140, 0xF0182030, 0xFFC0C8E0)});
        WriteSet("ui_common", common);
        WriteSet("ui_facepanel", {{"face_aki.png", 70, 70, face(0xFFE0A040)}, {"face_yu.png", 70, 70, face(0xFF60B0E0)}});
    }

    void WriteSounds() {
        // The pieces' levels tell them apart in the output.
        for (int i = 1; i <= 4; ++i) WriteWav("bgms/m" + std::to_string(i) + ".wav", 48000, int16_t(4000 * i));
        WriteWav("bgms/gallery.wav", 48000, 6000);
        WriteWav("bgms/replay.wav", 48000, 7000);
        WriteWav("sounds/sys/push.wav", 480, 1000);
        for (const std::string test : {"test_se", "test_sysvoice", "aki"}) WriteWav("sounds/test/" + test + ".wav", 48000, 9000);
    }

    void WriteTables() {
        WriteTable("data/db_keymap.txt", "ID\tName\tShowName\tEssential\tGroup\tNotChange\tAllowDevice\tKeyCodeStr x6\tHelp",
                   {"0\tDECIDE\t決定\t1\t0\t0\t7\tKC_KEYB_RETURN\tKC_PAD_BTN01\t\t\t\t\t",
                    "1\tCANCEL\tキャンセル\t1\t0\t0\t7\tKC_KEYB_BACK\tKC_PAD_BTN02\t\t\t\t\t"});
        // Pieces 1 to 4; piece 3 has no button of its own; record 6 lies past
        // the gap at 5 and is no piece.
        WriteTable("data/db_bgmmode.txt", "ID\tName\tFileName\tLoopPosTime\tButtonIndex",
                   {"1\tOne\tm1.wav\t0\t1", "2\tTwo\tm2.wav\t0\t2", "3\tThree\tm3.wav\t0\t0", "4\tFour\tm4.wav\t0\t4",
                    "6\tSix\tm1.wav\t0\t6"});
        WriteTable("data/db_cgmode.txt", "ID\tGroup\tThumbnail\tFileName x32\tCount", {CGRow(1, 1, "th_sea.png", {"ev_wide|LT|RT", "ev_tall|LT|LB", "ev_one", "ev_small|MM"}),
                                                                                      CGRow(2, 1, "th_hill.png", {"ev_one"}),
                                                                                      CGRow(3, 2, "th_town.png", {"ev_small"}),
                                                                                      CGRow(4, 3, "th_missing.png", {"ev_one"}),
                                                                                      CGRow(5, 3, "th_town.png", {"ev_gone"}, 40)});
        WriteTable("data/db_rpmode.txt", "ID\tGroup\tThumbnail\tLabel\tHelp",
                   {"1\t1\tth_r1.png\tscene1\t", "2\t1\tth_r2.png\tscene2\t", "3\t2\tth_r1.png\t\t"});
        // Slot 3 first by its order; slots 1 and 2 keep the table's order.
        WriteTable("data/db_voicevolume.txt", "ID\tPanelVisible\tPanelOrder\tFacePanelFileName\tSoundTestFileName\tSystemVoiceExist\tSystemVoiceEnabled\tComment",
                   {"1\t1\t5\tFACE_AKI.png\taki\t1\t1\t", "2\t1\t5\tface_yu.png\t\t0\t0\t", "3\t1\t1\tface_none.png\taki\t1\t0\t",
                    "4\t0\t0\t\t\t0\t0\t"});
        WriteScreens();
    }

    void WriteScreens() {
        const std::vector<ModuleRow> modules = {
            {kPush, "m_button", "ui_extra", "btn"},
            {kRadio, "m_radio", "ui_extra", "btn"},
            {kRadio, "m_piece", "ui_extra", "piece"},
            {kPanel, "m_tip", "ui_extra", "tip"},
            {kPush, "m_thumb", "ui_extra", "thumb"},
            {kPush, "m_cbutton", "ui_config", "cbtn"},
            {kRadio, "m_cradio", "ui_config", "cbtn"},
            {kToggle, "m_ctoggle", "ui_config", "cbtn"},
            {kHSlider, "m_hslider", "ui_config", "sld", 10, 0, 200, 24},
            {kVSlider, "m_vslider", "ui_config", "vsld", 0, 10, 24, 180},
            {kPanel, "m_plate", "ui_config", "plate"},
            // The system scene's dialogs, for the configuration's questions.
            {kTextPanel, "dlg_user", "ui_common", "dlg", 0, 0, 280, 60},
            {kTextPanel, "dlg_shutdown", "ui_common", "dlg", 0, 0, 280, 60},
            {kPush, "btn_yes", "ui_common", "dbtn"},
            {kPush, "btn_no", "ui_common", "dbtn"},
            {kPush, "btn_ok", "ui_common", "dbtn"},
            {kPush, "btn_cancel", "ui_common", "dbtn"},
        };
        std::vector<LayoutRow> l;
        // The music room.
        for (int i = 1; i <= 6; ++i) l.push_back({"$UI:SeqBGMMode", "m_piece", "btn_bgmselect", i, 120, 80.0f + 40 * i, 1});
        l.push_back({"$UI:SeqBGMMode", "m_piece", "btn_bgmselect", 70, 120, 360, 1});
        l.push_back({"$UI:SeqBGMMode", "m_tip", "tip_playing", 0, 0, 0});
        l.push_back({"$UI:SeqBGMMode", "m_radio", "btn_bgmplay", 0, 400, 600, 2});
        l.push_back({"$UI:SeqBGMMode", "m_radio", "btn_bgmstop", 0, 500, 600, 2});
        l.push_back({"$UI:SeqBGMMode", "m_button", "btn_bgmprev", 0, 300, 600});
        l.push_back({"$UI:SeqBGMMode", "m_button", "btn_bgmnext", 0, 600, 600});
        l.push_back({"$UI:SeqBGMMode", "m_button", "btn_back", 0, 900, 700});
        // The gallery and the replay.
        for (const auto& [scene, thumb] : {std::pair{"$UI:SeqCGMode", "btn_cgselect"}, std::pair{"$UI:SeqRPMode", "btn_rpselect"}}) {
            for (int p = 1; p <= 3; ++p) l.push_back({scene, "m_radio", "btn_pageselect", p, 300.0f + 90 * p, 50, 3});
            l.push_back({scene, "m_button", "btn_prev", 0, 60, 50});
            l.push_back({scene, "m_button", "btn_next", 0, 160, 50});
            l.push_back({scene, "m_button", "btn_back", 0, 900, 700});
            for (int i = 0; i < 25; ++i) l.push_back({scene, "m_thumb", thumb, i, float(ThumbX(i)), float(ThumbY(i))});
        }
        // The configuration: the tabs and common buttons, then the pages.
        const char* tabs[] = {"btn_tabconf_system", "btn_tabconf_sound", "btn_tabconf_voice", "btn_tabconf_game"};
        for (int i = 0; i < 4; ++i) l.push_back({"$UI:SeqConfig", "m_cradio", tabs[i], 0, 60.0f + 110 * i, 30, 10, i == 0});
        float bx = 480;
        for (const char* b : {"btn_init", "btn_title", "btn_exit", "btn_back"}) l.push_back({"$UI:SeqConfig", "m_cbutton", b, 0, bx += 110, 700});
        // A group's radio buttons in a row, 110 apart from x 100.
        const auto radios = [&](const char* page, std::initializer_list<const char*> names, int index, float y, int group) {
            float x = 100;
            for (const char* name : names) l.push_back({page, "m_cradio", name, index, x, y, group}), x += 110;
        };
        const char* sys = "$UI_SYSTEM:SeqConfig";
        radios(sys, {"btn_window", "btn_fullscreen"}, 1, 100, 20);
        l.push_back({sys, "m_hslider", "hsld_textspeed", 0, 100, 160, 0, -60, -100, 0});
        l.push_back({sys, "m_hslider", "hsld_autospeed", 0, 100, 200, 0, -3000, -6000, -500});
        l.push_back({sys, "m_hslider", "hsld_winalpha", 0, 100, 240, 0, -255, -255, 0});
        for (int i = 2; i <= 7; ++i) radios(sys, {"btn_on", "btn_off"}, i, 260.0f + 50 * i, 30 + i);
        const char* snd = "$UI_SOUND:SeqConfig";
        float y = 100;
        for (const char* s : {"hsld_vol_master", "hsld_vol_bgm", "hsld_vol_se", "hsld_vol_movie", "hsld_vol_rest"})
            l.push_back({snd, "m_hslider", s, 0, 100, y += 40, 0, 100, 0, 100});
        radios(snd, {"btn_nextvoice", "btn_nexttext"}, 1, 400, 41);
        for (int i = 2; i <= 3; ++i) radios(snd, {"btn_on", "btn_off"}, i, 350.0f + 50 * i, 40 + i);
        radios(snd, {"btn_soundauto", "btn_directsound", "btn_xaudio2"}, 4, 560, 44);
        l.push_back({snd, "m_cbutton", "btn_test_se", 0, 360, 180});
        const char* voc = "$UI_VOICE:SeqConfig";
        l.push_back({voc, "m_hslider", "hsld_vol_voicemaster", 0, 100, 80, 0, 100, 0, 100});
        l.push_back({voc, "m_hslider", "hsld_vol_systemvoice", 0, 500, 80, 0, 100, 0, 100});
        l.push_back({voc, "m_cbutton", "btn_test_systemvoice", 0, 760, 80});
        for (int i = 0; i < 6; ++i) {
            l.push_back({voc, "m_plate", "tip_voiceplate", i, float(PlateX(i)), float(PlateY(i))});
            l.push_back({voc, "m_hslider", "hsld_vol_voice", i, float(PlateX(i) + 200), float(PlateY(i) + 4), 0, 100, 0, 100});
            l.push_back({voc, "m_cbutton", "btn_test_voice", i, float(PlateX(i) + 200), float(PlateY(i) + 36)});
            l.push_back({voc, "m_ctoggle", "btn_systemvoice", i, float(PlateX(i) + 310), float(PlateY(i) + 36)});
        }
        l.push_back({voc, "m_vslider", "hsld_scroll_voice", 0, 960, 180});
        l.push_back({voc, "m_cbutton", "btn_scrollup_voice", 0, 920, 140});
        l.push_back({voc, "m_cbutton", "btn_scrolldown_voice", 0, 920, 390});

        WriteUITables(modules, l);
    }

    // ---- running the game -------------------------------------------------

    template <class T>
    static T* Scene(const GxChar* name) {
        return dynamic_cast<T*>(Task(name));
    }
    // A scene the game has no more: found by no name.
    static void Unname(const GxChar* name) {
        GxTaskBase* scene = Task(name);
        ASSERT_NE(scene, nullptr) << GxToUtf8(name);
        ASSERT_TRUE(scene->SetTaskName(GxString(name) + u"(gone)"));
    }

    // Enters a scene on worker 0 and runs frames until its fade-in is over.
    void Enter(const GxChar* scene, s32 param0 = 0, s32 param1 = 0) {
        ASSERT_TRUE(Tasks().ChangeSequenceByName(scene, 0, param0, param1)) << GxToUtf8(scene);
        Frames(40);
        ASSERT_EQ(Worker().m_CurrentName, GxString(scene));
    }

    ::testing::AssertionResult MatchesGolden(const std::string& name) {
        return gxtest::MatchesGolden(name, Draw(), 1024, 768, "game");
    }

    // The pointer to a place, then a press and a release there, with two
    // frames after it, so that the widget's queued click is handled; moves
    // between them make a drag.
    void MoveTo(f32 x, f32 y) {
        core_.m_Cursor = GxPoint2{s32(x), s32(y)};
        Tasks().OnMouseMove(GxVector2(x, y), 0);
    }
    void Press(f32 x, f32 y) {
        MoveTo(x, y);
        Tasks().OnLButtonDown(GxVector2(x, y), 0, false);
    }
    void Release(f32 x, f32 y) {
        Tasks().OnLButtonUp(GxVector2(x, y), 0);
        Frames(2);
    }
    void ClickAt(f32 x, f32 y) {
        Press(x, y);
        Release(x, y);
    }
    // A click in the middle of a widget.
    void Click(const GxString& folder, const GxChar* name, s32 index = 0) {
        GxTaskUIBase* w = Widget(folder, name, index);
        ASSERT_NE(w, nullptr) << GxToUtf8(folder) << " " << GxToUtf8(name) << "[" << index << "]";
        GxVector4 at;
        w->GetWorldPos(&at);
        ClickAt(at.x + f32(w->GetWidth()) / 2, at.y + f32(w->GetHeight()) / 2);
    }
    void RightClick() {
        Tasks().OnRButtonDown(GxVector2(512, 384), 0, false);
        Frames(2);
    }
    void Wheel(s32 delta) {
        Tasks().OnMouseWheel(GxVector2(512, 384), delta, 0);
        Frames(2);
    }
    void Key(u32 vk) {
        Tasks().OnKeyDown(vk, 0);
        Frames(2);
    }
    // A key-map action pressed in one step; with pad, a joystick button
    // went down with it.
    void Action(const GxChar* name, bool pad) {
        GxInputState actions;
        actions.m_Pressed.Set(g_DBKeyMap.FindNameMap(name, -1));
        GxInputState* joystick = GxGetInputState(2);
        if (pad) joystick->m_Pressed.Set(1);
        Tasks().DispatchKeyActionUpdate(&actions, 0, 0);
        joystick->m_Pressed.Reset();
        Frames(2);
    }

    bool BgmPlaying() { return Playing(0) || Playing(1); }
    // When the music on the channel started.
    u32 StartTime(u32 channel) {
        return core_.m_Config->m_UseXAudio2 ? GxAudio::GetStreamPlayer(channel)->GetStartTime()
                                            : GxSound::GetStreamPlayer(channel)->GetStartTime();
    }
    // The level heard once the output ran a while, as a share of full scale
    // (the last left sample).
    float Heard() { return Frames(3); }

    GxUIManage ui_;
    qtest::LogCapture log_;
};

} // namespace extrastest
