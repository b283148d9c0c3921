#include "tools/SamplePlayScreens.h"

#include "tools/SampleCanvas.h"
#include "tools/SampleImageSet.h"
#include "tools/SampleInterface.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace qtools {
namespace {

// Each screen's buttons in the colours of its page: night blue for play,
// wine for the settings and the save page, steel blue for the load page,
// moss for the gallery, navy for the replay, plum for the music room.
const SamplePalette kPlay{0xC0182850, 0xE0304E96, 0xF0101A38, 0xFF9AB8FF, 0xFFFFFFFF};
const SamplePalette kMenu{0xD0402030, 0xF0704060, 0xF0201018, 0xFFF0B8C8, 0xFFFFFFFF};
const SamplePalette kLoad{0xD0203850, 0xF0406890, 0xF0101C2C, 0xFFB8D8F0, 0xFFFFFFFF};
const SamplePalette kExtra{0xD0203828, 0xF0406850, 0xF0102018, 0xFFB8E8C0, 0xFFFFFFFF};
const SamplePalette kReplay{0xD0282848, 0xF0484C80, 0xF0141424, 0xFFC4C8F0, 0xFFFFFFFF};
const SamplePalette kMusic{0xD0402850, 0xF0684888, 0xF0201428, 0xFFDCC0F0, 0xFFFFFFFF};

// Every screen's way back is one button of one size, where the hand finds
// it: the bottom right corner.
constexpr int kBackW = 130, kBackH = 40;
constexpr float kBackX = 860, kBackY = 700;
void AddBackButton(SampleImageSet& set, std::vector<SampleModule>& modules, const std::string& name,
                   const SamplePalette& p) {
    AddSampleButton(set, modules, name, kBackW, kBackH, "Back", "戻る", p);
}

// The widget's module is named after its task unless a screen shares it.
struct Screen {
    std::vector<SampleModule>& modules;
    std::vector<SampleLayout>& layouts;
    std::string parent;

    SampleLayout& Put(const std::string& module, const std::string& task, float left, float top, int index = 0,
                      int group = 0) {
        SampleLayout l;
        l.parent = parent, l.module = module, l.task = task, l.index = index, l.group = group;
        l.left = left, l.top = top, l.orderZ = 100;
        layouts.push_back(l);
        return layouts.back();
    }
};

void AddModule(std::vector<SampleModule>& modules, int type, const std::string& name, const std::string& set,
               const std::string& image, int font = 0) {
    SampleModule m;
    m.type = type, m.name = name, m.imageSet = set, m.image = image, m.font = font;
    modules.push_back(m);
}

// A screen's backdrop: a gradient with a heading, and labels at their places.
struct Label {
    int x, y;
    const char16_t* text;
};
SampleCanvas Backdrop(uint32_t top, uint32_t bottom, const char16_t* heading, std::initializer_list<Label> labels = {}) {
    SampleCanvas c(1024, 768);
    c.Gradient(0, 0, 1024, 768, top, bottom, true);
    for (int i = 0; i < 12; ++i) c.Glow(float(90 * i + 40), float(700 - (i % 3) * 30), 120, 0x10FFFFFF);
    c.Text(*SampleFont(36, true), 40, 20, heading, 0xFFFFFFFF, 0x80000000);
    for (const Label& l : labels) c.Text(*SampleFont(22, true), l.x, l.y, l.text, 0xFFE8E8F0, 0x80000000);
    return c;
}

// Makes a picture drawn over another one leave room for what the scene draws
// under it: each pixel keeps of its alpha what the shape at (x, y) does not
// cover, so that the shape shows as if it lay on top.
void LeaveRoomFor(SampleCanvas& c, const SampleCanvas& shape, int x, int y) {
    for (int j = 0; j < shape.Height(); ++j)
        for (int i = 0; i < shape.Width(); ++i) {
            if (x + i < 0 || y + j < 0 || x + i >= c.Width() || y + j >= c.Height()) continue;
            const uint32_t p = c.At(x + i, y + j), cover = shape.At(i, j) >> 24;
            c.Set(x + i, y + j, WithAlpha(p, (p >> 24) * (255 - cover) / 255));
        }
}

// The knob and the track of a horizontal slider.
void AddSlider(SampleImageSet& set, std::vector<SampleModule>& modules, const std::string& name, int length,
               uint32_t colour) {
    const struct {
        const char* suffix;
        uint32_t fill;
        bool knob;
    } parts[] = {{"_off.png", colour, true},          {"_on.png", MixColour(colour, 0xFFFFFFFF, 0.4f), true},
                 {"_over.png", MixColour(colour, 0xFFFFFFFF, 0.2f), true}, {"_na.png", 0xFF505050, true},
                 {"_back.png", 0xA0101020, false},    {"_backna.png", 0x80202020, false}};
    for (const auto& p : parts) {
        SampleCanvas c(p.knob ? 16 : length, 24);
        if (p.knob)
            c.RoundRect(1, 1, 14, 22, 5, p.fill);
        else
            c.RoundRect(1, 8, float(length - 2), 8, 4, p.fill);
        set.Add(name + p.suffix, c);
    }
    AddModule(modules, kWidgetHSliderIs, name, set.Name(), name);
}

void AdventureScreen(SampleFiles& files, SampleImageSet& set, std::vector<SampleModule>& modules,
                     std::vector<SampleLayout>& layouts) {
    files.Add("cg/ui/msgwin.png", SamplePlate(1000, 200, 0xC0101830, 0xFF9AB8FF, 16).Png());
    files.Add("cg/ui/namewin.png", SamplePlate(220, 44, 0xE0203060, 0xFF9AB8FF, 10).Png());
    SampleCanvas wait(24, 16);
    for (int y = 0; y < 14; ++y) wait.FillRect(2 + y * 10 / 14, y + 1, 20 - y * 20 / 14, 1, 0xFFFFFFFF);
    files.Add("cg/ui/icon_wait.png", wait.Png());

    SampleModule message;
    message.type = kWidgetMessageWindowFx, message.name = "tip_msgwindow", message.imageSet = "cg/ui/";
    message.image = "msgwin", message.font = 2;
    message.clientLeft = 40, message.clientTop = 48, message.clientWidth = 920, message.clientHeight = 136;
    modules.push_back(message);
    SampleModule name;
    name.type = kWidgetTextPanelFx, name.name = "tip_namewindow", name.imageSet = "cg/ui/", name.image = "namewin";
    name.clientLeft = 16, name.clientTop = 9, name.clientWidth = 188, name.clientHeight = 28, name.font = 2;
    modules.push_back(name);
    AddModule(modules, kWidgetPanelFx, "icon_wait", "cg/ui/", "icon_wait");

    // The choice buttons' blank faces: the scene writes the choices on them,
    // at the top of the client rectangle, which is also where a click
    // counts. The rectangle starts far enough down that the line of text
    // stands in the middle of the face, and reaches the face's bottom edge.
    constexpr int kChoiceH = 48, kChoiceTextTop = 13;
    AddSampleButton(set, modules, "btn_select0", 560, kChoiceH, "", "", kPlay, kWidgetTextButtonIs);
    modules.back().font = 2, modules.back().clientWidth = 560;
    modules.back().clientTop = kChoiceTextTop, modules.back().clientHeight = kChoiceH - kChoiceTextTop;

    Screen ui{modules, layouts, "$UI:SeqAvgMain"};
    ui.Put("tip_msgwindow", "$MESWIN:SeqAvgMain", 12, 556).orderZ = 15000;
    ui.Put("tip_namewindow", "$NAMEWIN:SeqAvgMain", 40, 508).orderZ = 15001;
    Screen window{modules, layouts, "$MESWIN:SeqAvgMain"};
    window.Put("icon_wait", "icon_wait", 950, 170).orderZ = 15002;
    // The saving and loading buttons last: a replay hides them, and the row
    // stays whole.
    const struct {
        const char *name, *label;
        bool toggle;
    } buttons[] = {{"btn_auto", "Auto", true},       {"btn_skip", "Skip", true},     {"btn_log", "Log", false},
                   {"btn_config", "Config", false}, {"btn_hide", "Hide", false},    {"btn_save", "Save", false},
                   {"btn_load", "Load", false},     {"btn_qsave", "Q.Save", false}, {"btn_qload", "Q.Load", false}};
    float x = 196;
    for (const auto& b : buttons) {
        const int w = b.toggle ? 96 : 80;
        AddSampleButton(set, modules, b.name, w, 26, b.label, "", kPlay, b.toggle ? kWidgetToggleButtonIs : kWidgetButtonIs);
        SampleLayout& l = window.Put(b.name, b.name, x, 10);
        l.orderZ = 15002, l.sound = 0;
        x += float(w) + 4;
    }
}

// The backlog's five plates fill the left of the screen, each tall enough for
// a speaker's name over three lines of text (a text block): the text window's
// lines are a fixed step apart, the ruby band's height included. The heading
// and the paging buttons stand in the column on the right, as wide as the
// way back under them.
void Backlog(SampleFiles& files, SampleImageSet& set, std::vector<SampleModule>& modules,
             std::vector<SampleLayout>& layouts) {
    constexpr int kPlateW = 836, kPlateH = 148, kStep = 151;
    constexpr int kColumn = int(kBackX);
    SampleCanvas page = Backdrop(0xFF0C1830, 0xFF182848, u"");
    page.Text(*SampleFont(30, true), kColumn, 14, u"Backlog", 0xFFFFFFFF, 0x80000000);
    page.Text(*SampleFont(22, true), kColumn, 52, u"バックログ", 0xFFE8E8F0, 0x80000000);
    files.Add("cg/ui/bg_avglog.png", page.Png());
    files.Add("cg/ui/logline.png", SamplePlate(kPlateW, kPlateH, 0x60101830, 0x809AB8FF, 10).Png());
    SampleModule line;
    line.type = kWidgetTextWindowFx, line.name = "tip_logwindow", line.imageSet = "cg/ui/", line.image = "logline";
    line.clientLeft = 20, line.clientTop = 3, line.clientWidth = kPlateW - 108, line.clientHeight = kPlateH - 6;
    line.font = 2;
    modules.push_back(line);
    AddSampleButton(set, modules, "btn_voiceplay", 64, 30, "Voice", "", kPlay);
    Screen s{modules, layouts, "$UI:SeqAvgLog"};
    // Each line's Voice before its plate: a press goes to the widgets in the
    // order they were made, and the plate, which takes every press on it,
    // would keep it from the button drawn over it.
    for (int i = 0; i < 5; ++i) {
        const float top = 6.0f + float(kStep * i);
        SampleLayout& voice = s.Put("btn_voiceplay", "btn_voiceplay", 12 + kPlateW - 76, top + (kPlateH - 30) / 2, i);
        voice.sound = 0, voice.orderZ = 110;
        s.Put("tip_logwindow", "tip_logwindow", 12, top, i);
    }
    const struct {
        const char *task, *label;
        float top;
    } paging[] = {{"btn_bb", "▲▲", 456}, {"btn_b", "▲", 500}, {"btn_f", "▼", 544}, {"btn_ff", "▼▼", 588}};
    for (const auto& p : paging) {
        const std::string module = std::string("log_") + (p.task + 4);
        AddSampleButton(set, modules, module, kBackW, 36, p.label, "", kPlay);
        s.Put(module, p.task, kColumn, p.top).sound = 0;
    }
    AddBackButton(set, modules, "log_back", kPlay);
    s.Put("log_back", "btn_back", kColumn, kBackY).sound = 1;
}

// The save page's wine and the load page's steel blue: each page's page
// buttons, plates and way back in its own colours (the load page's modules
// named with "ld_" before the save page's names); the badge is the same red
// on both.
void SaveAndLoad(SampleFiles& files, std::vector<SampleModule>& modules, std::vector<SampleLayout>& layouts,
                 SampleImageSet& set) {
    files.Add("cg/ui/bg_save.png", Backdrop(0xFF301018, 0xFF502030, u"Save  セーブ").Png());
    files.Add("cg/ui/bg_load.png", Backdrop(0xFF102030, 0xFF203850, u"Load  ロード").Png());
    SampleCanvas badge(48, 22);
    badge.RoundRect(0.5f, 0.5f, 47, 21, 6, 0xFFE04050);
    badge.TextCentred(*SampleFont(16, true), 24, 3, u"NEW", 0xFFFFFFFF);
    set.Add("tip_new.png", badge);
    AddModule(modules, kWidgetPanelIs, "tip_new", set.Name(), "tip_new");
    const struct {
        const char *parent, *prefix;
        const SamplePalette& p;
    } pages[] = {{"$UI:SeqSave", "", kMenu}, {"$UI:SeqLoad", "ld_", kLoad}};
    for (const auto& page : pages) {
        const std::string prefix = page.prefix;
        Screen s{modules, layouts, page.parent};
        for (int i = 1; i <= 10; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "b%02d", i);
            AddSampleButton(set, modules, prefix + name, 56, 32, std::to_string(i), "", page.p, kWidgetRadioButtonIs);
            s.Put(prefix + name, name, 60 + 66 * float(i), 90, 0, 1).sound = 0;
        }
        // The plates: their faces carry no text; the scenes draw the slot's.
        const uint32_t rim = page.p.border;
        const struct {
            const char* suffix;
            uint32_t fill, rim;
        } plates[] = {{"_off.png", 0x40000000, WithAlpha(rim, 0x80)}, {"_on.png", WithAlpha(rim, 0x80), 0xFFFFFFFF},
                      {"_over.png", 0x60FFFFFF, rim}, {"_na.png", 0x30000000, WithAlpha(rim, 0x40)}};
        const std::string plate = prefix + "btn_fileplate";
        for (const auto& p : plates) set.Add(plate + p.suffix, SamplePlate(440, 120, p.fill, p.rim, 8));
        AddModule(modules, kWidgetButtonIs, plate, set.Name(), plate);
        for (int k = 0; k < 8; ++k)
            s.Put(plate, "btn_fileplate", float((k / 4) * 484 + 48), float((k % 4) * 131 + 146), k).sound = 0;
        s.Put("tip_new", "tip_new", 0, 0).orderZ = 110;
        const std::string back = prefix.empty() ? "sl_back" : prefix + "back";
        AddBackButton(set, modules, back, page.p);
        s.Put(back, "btn_back", kBackX, kBackY).sound = 1;
    }
}

// The voice page's rows: three in a column, then three more below them.
constexpr float kVoicePlateX = 60;
float VoiceRowY(int i) { return 236 + 80 * float(i % 3) + (i < 3 ? 0 : 240); }

// A voice panel's face, drawn at its plate's top-left corner: the speaker
// (a microphone for the system voice) over the name.
constexpr int kFaceWidth = 80;
SampleCanvas VoiceFace(const SampleVoicePanel& panel) {
    SampleCanvas c(kFaceWidth, 76);
    c.Circle(40, 30, 27, panel.colour);
    if (panel.announcer) {
        c.RoundRect(33, 11, 14, 25, 7, 0xFFFFFFFF);
        c.FillRect(39, 36, 3, 10, 0xFFFFFFFF);
        c.RoundRect(31, 45, 19, 3, 1.5f, 0xFFFFFFFF);
    } else {
        c.Circle(40, 36, 18, 0xFFF8DCC4);
        c.Circle(33, 35, 2, 0xFF402818);
        c.Circle(47, 35, 2, 0xFF402818);
    }
    c.TextCentred(*SampleFont(14, true), 40, 59, panel.name, 0xFFFFFFFF, 0xC0000000);
    return c;
}

void Configuration(SampleFiles& files, std::vector<SampleModule>& modules, std::vector<SampleLayout>& layouts,
                   SampleImageSet& set, SampleImageSet& faces) {
    const uint32_t top = 0xFF202438, bottom = 0xFF303650;
    files.Add("cg/ui/bg_config_system.png",
              Backdrop(top, bottom, u"Settings  設定",
                       {{60, 130, u"Screen"}, {60, 190, u"Text speed"}, {60, 240, u"Auto speed"},
                        {60, 290, u"Window"}, {60, 340, u"Skip unread text"}, {60, 390, u"Read text at once"},
                        {60, 440, u"Colour read text"}, {60, 490, u"Colour taken choices"},
                        {60, 540, u"Auto after a choice"}, {60, 590, u"Skip after a choice"}})
                  .Png());
    files.Add("cg/ui/bg_config_sound.png",
              Backdrop(top, bottom, u"Settings  設定",
                       {{60, 130, u"Master"}, {60, 180, u"Music"}, {60, 230, u"Effects"}, {60, 280, u"Movies"},
                        {60, 330, u"Music under voices"}, {60, 390, u"Voice stops at"}, {60, 440, u"Auto waits for voices"},
                        {60, 490, u"System voice"}, {60, 540, u"Sound engine"}})
                  .Png());

    const SamplePalette& p = kMenu;
    const struct {
        const char *name, *label;
    } tabs[] = {{"btn_tabconf_system", "System"}, {"btn_tabconf_sound", "Sound"}, {"btn_tabconf_voice", "Voice"},
                {"btn_tabconf_game", "Game"}};
    Screen ui{modules, layouts, "$UI:SeqConfig"};
    float x = 440;
    for (const auto& t : tabs) {
        AddSampleButton(set, modules, t.name, 130, 36, t.label, "", p, kWidgetRadioButtonIs);
        SampleLayout& l = ui.Put(t.name, t.name, x, 24, 0, 10);
        l.sound = 0, l.value = std::string(t.name) == "btn_tabconf_system";
        x += 140;
    }
    // The game page holds what a game adds of its own; the sample adds
    // nothing, so its tab is there for the scene to read but never shown.
    SampleLayout& game = ui.layouts.back();
    game.visible = 0, game.enabled = 0;
    // "Title" first: opened from the title the scene leaves it out, and the
    // row stays whole.
    const struct {
        const char *name, *label, *sub;
    } common[] = {{"btn_title", "Title", "タイトル"}, {"btn_init", "Defaults", "初期化"}, {"btn_exit", "Exit", "終了"},
                  {"btn_back", "Back", "戻る"}};
    x = 440;
    for (const auto& c : common) {
        const std::string module = std::string("cf_") + (c.name + 4);
        AddSampleButton(set, modules, module, 130, 40, c.label, c.sub, p);
        ui.Put(module, c.name, x, 700).sound = std::string(c.name) == "btn_back" ? 1 : 0;
        x += 140;
    }

    AddSlider(set, modules, "cf_slider", 300, 0xFFF0B8C8);
    AddSampleButton(set, modules, "cf_on", 90, 32, "On", "", p, kWidgetRadioButtonIs);
    AddSampleButton(set, modules, "cf_off", 90, 32, "Off", "", p, kWidgetRadioButtonIs);
    auto onOff = [&](Screen& s, int index, float y) {
        s.Put("cf_on", "btn_on", 420, y, index, 30 + index).sound = 0;
        s.Put("cf_off", "btn_off", 520, y, index, 30 + index).sound = 0;
    };
    auto slider = [&](Screen& s, const char* task, float y, int min, int max, int value) {
        SampleLayout& l = s.Put("cf_slider", task, 420, y);
        l.min = min, l.max = max, l.value = value;
    };
    auto choice = [&](Screen& s, const char* task, const char* label, float left, float y, int index, int group) {
        const std::string module = std::string("cf_") + (task + 4);
        AddSampleButton(set, modules, module, 120, 32, label, "", p, kWidgetRadioButtonIs);
        s.Put(module, task, left, y, index, group).sound = 0;
    };

    Screen system{modules, layouts, "$UI_SYSTEM:SeqConfig"};
    choice(system, "btn_window", "Window", 420, 128, 1, 20);
    choice(system, "btn_fullscreen", "Full screen", 550, 128, 1, 20);
    slider(system, "hsld_textspeed", 190, -120, -10, -60);
    slider(system, "hsld_autospeed", 240, -6000, -500, -3000);
    slider(system, "hsld_winalpha", 290, -255, -64, -255);
    for (int i = 2; i <= 7; ++i) onOff(system, i, 340.0f + 50 * float(i - 2));

    Screen sound{modules, layouts, "$UI_SOUND:SeqConfig"};
    const char* volumes[] = {"hsld_vol_master", "hsld_vol_bgm", "hsld_vol_se", "hsld_vol_movie", "hsld_vol_rest"};
    for (int i = 0; i < 5; ++i) slider(sound, volumes[i], 130.0f + 50 * float(i), 0, 100, 100);
    choice(sound, "btn_nextvoice", "Next voice", 420, 388, 1, 41);
    choice(sound, "btn_nexttext", "Next text", 550, 388, 1, 41);
    onOff(sound, 2, 438);
    onOff(sound, 3, 488);
    choice(sound, "btn_soundauto", "Automatic", 420, 538, 4, 44);
    choice(sound, "btn_directsound", "Buffers", 550, 538, 4, 44);
    choice(sound, "btn_xaudio2", "Voices", 680, 538, 4, 44);
    AddSampleButton(set, modules, "cf_test_se", 90, 32, "Test", "", p);
    sound.Put("cf_test_se", "btn_test_se", 740, 228);

    // The voice page: a plate a row with the speaker's face and name, a
    // volume, a test and the system voice's switch; the scroll bar pages
    // through the rows. The scene draws the faces under the page, so the
    // page's picture and the plates leave room for them.
    Screen voice{modules, layouts, "$UI_VOICE:SeqConfig"};
    slider(voice, "hsld_vol_voicemaster", 130, 0, 100, 100);
    slider(voice, "hsld_vol_systemvoice", 180, 0, 100, 100);
    AddSampleButton(set, modules, "cf_test_systemvoice", 90, 32, "Test", "", p);
    voice.Put("cf_test_systemvoice", "btn_test_systemvoice", 740, 178);
    SampleCanvas plate(640, 76);
    plate.Paste(SamplePlate(640 - kFaceWidth - 8, 76, 0x40000000, 0x80F0B8C8, 8), kFaceWidth + 8, 0);
    set.Add("cf_voiceplate.png", plate);
    AddModule(modules, kWidgetPanelIs, "cf_voiceplate", set.Name(), "cf_voiceplate");
    AddSampleButton(set, modules, "cf_test_voice", 70, 30, "Test", "", p);
    AddSampleButton(set, modules, "cf_systemvoice", 120, 30, "Calls", "", p, kWidgetToggleButtonIs);
    for (int i = 0; i < 6; ++i) {
        const float y = VoiceRowY(i);
        // The plate lies under the row's controls and is offered the pointer
        // before them: disabled, it lets their clicks through.
        SampleLayout& under = voice.Put("cf_voiceplate", "tip_voiceplate", kVoicePlateX, y, i);
        under.orderZ = 90, under.enabled = 0;
        SampleLayout& v = voice.Put("cf_slider", "hsld_vol_voice", 164, y + 26, i);
        v.min = 0, v.max = 100, v.value = 100;
        voice.Put("cf_test_voice", "btn_test_voice", 478, y + 24, i);
        voice.Put("cf_systemvoice", "btn_systemvoice", 556, y + 24, i);
    }
    set.Add("cf_scroll_off.png", SamplePlate(20, 48, 0xFFC08090, 0xFFF0B8C8, 6));
    set.Add("cf_scroll_on.png", SamplePlate(20, 48, 0xFFF0B8C8, 0xFFFFFFFF, 6));
    set.Add("cf_scroll_over.png", SamplePlate(20, 48, 0xFFE0A0B0, 0xFFFFFFFF, 6));
    set.Add("cf_scroll_na.png", SamplePlate(20, 48, 0xFF505050, 0xFF707070, 6));
    set.Add("cf_scroll_back.png", SamplePlate(20, 420, 0x80101020, 0xFF604050, 6));
    set.Add("cf_scroll_backna.png", SamplePlate(20, 420, 0x60202020, 0xFF404040, 6));
    AddModule(modules, kWidgetVSliderIs, "cf_scroll", set.Name(), "cf_scroll");
    voice.Put("cf_scroll", "hsld_scroll_voice", 720, 270);
    AddSampleButton(set, modules, "cf_scrollup", 40, 30, "^", "", p);
    AddSampleButton(set, modules, "cf_scrolldown", 40, 30, "v", "", p);
    voice.Put("cf_scrollup", "btn_scrollup_voice", 710, 236);
    voice.Put("cf_scrolldown", "btn_scrolldown_voice", 710, 696);

    // The faces by the names the voice-volume table gives, in its order: the
    // sample has fewer panels than rows, so the page never scrolls and each
    // panel keeps its row.
    SampleCanvas page = Backdrop(top, bottom, u"Settings  設定", {{60, 130, u"All voices"}, {60, 180, u"System voice"}});
    int row = 0;
    for (const SampleVoicePanel& panel : kSampleVoicePanels) {
        const SampleCanvas face = VoiceFace(panel);
        faces.Add(panel.face, face);
        LeaveRoomFor(page, face, int(kVoicePlateX), int(VoiceRowY(row++)));
    }
    files.Add("cg/ui/bg_config_voice.png", page.Png());
}

// Where the gallery's and the replay's thumbnails lie: the scenes draw them
// under their pages, so a page leaves a window open where the table puts a
// thumbnail and shows every other cell as a locked frame of its own.
constexpr int kThumbW = 160, kThumbH = 120;
// The gallery counts the pictures seen of each set one pixel under its
// thumbnail, in the extras' bitmap font of 16 pixels.
constexpr int kCountH = 17;
float ThumbX(int i) { return 30 + 166 * float(i % 5); }
float ThumbY(int i) { return 76 + 138 * float(i / 5); }
// Where the scenes draw the completion rate: three digits of 22 by 32 pixels.
constexpr int kRateX = 868, kRateY = 56, kRateW = 3 * 22, kRateH = 32;

// A cell with nothing to show yet: a dim plate with the page's rim and a
// padlock, in the colours of the page's buttons.
void LockedFrame(SampleCanvas& c, int x, int y, const SamplePalette& p) {
    const float fx = float(x), fy = float(y);
    c.RoundRect(fx + 0.5f, fy + 0.5f, kThumbW - 1, kThumbH - 1, 6, 0x38000000);
    c.RoundRect(fx + 0.5f, fy + 0.5f, kThumbW - 1, kThumbH - 1, 6, WithAlpha(p.border, 0x70), 1.5f);
    const float cx = fx + kThumbW / 2.0f, cy = fy + kThumbH / 2.0f;
    c.Circle(cx, cy - 8, 9, WithAlpha(p.border, 0x60), 3);
    c.RoundRect(cx - 14, cy - 6, 28, 22, 4, WithAlpha(p.border, 0x60));
    c.Circle(cx, cy + 3, 3, WithAlpha(p.face, 0x60));
}

// Makes the pixels of a rectangle let what is drawn under them show as light
// on the picture: over the black the screen is cleared to, each pixel looks
// as before; whatever lighter is drawn under it shows through.
void SeeThrough(SampleCanvas& c, int left, int top, int width, int height) {
    uint32_t most = 0;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            for (int shift : {16, 8, 0}) most = std::max(most, c.At(x, y) >> shift & 0xFF);
    const uint32_t alpha = std::max(most, 48u);
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) {
            uint32_t p = alpha << 24;
            for (int shift : {16, 8, 0}) p |= std::min(255u, ((c.At(x, y) >> shift & 0xFF) * 255 + alpha / 2) / alpha) << shift;
            c.Set(x, y, p);
        }
}

// A thumbnail page for `filled` entries, the first cells; counted: the
// gallery's count under each. plate: what an entry not yet unlocked shows,
// the page's locked frame where it lies (the sample's entries lie in the
// first row, which the page's gradient gives one colour across).
SampleCanvas ThumbnailPage(uint32_t top, uint32_t bottom, const char16_t* heading, int filled, bool counted,
                           const SamplePalette& p, SampleCanvas& plate) {
    SampleCanvas c = Backdrop(top, bottom, heading);
    c.Text(*SampleFont(24, true), kRateX + kRateW + 4, kRateY + 4, u"%", 0xFFE8E8F0, 0x80000000);
    SeeThrough(c, kRateX, kRateY, kRateW, kRateH);
    for (int i = 0; i < 25; ++i) LockedFrame(c, int(ThumbX(i)), int(ThumbY(i)), p);
    plate = SampleCanvas(kThumbW, kThumbH);
    for (int y = 0; y < kThumbH; ++y)
        for (int x = 0; x < kThumbW; ++x) plate.Set(x, y, c.At(int(ThumbX(0)) + x, int(ThumbY(0)) + y));
    for (int i = 0; i < filled; ++i) {
        const int x = int(ThumbX(i)), y = int(ThumbY(i));
        for (int j = y; j < y + kThumbH; ++j)
            for (int k = x; k < x + kThumbW; ++k) c.Set(k, j, 0);
        if (counted) SeeThrough(c, x, y + kThumbH, kThumbW, kCountH);
    }
    return c;
}

// The gallery's and the replay's pages, and the music room, each in the
// colours of its own page: the gallery's modules are named "ex_", the
// replay's "rp_", the music room's "bgm_".
void Extras(SampleFiles& files, std::vector<SampleModule>& modules, std::vector<SampleLayout>& layouts,
            SampleImageSet& set, SampleImageSet& names) {
    // The thumbnail pages: the gallery's sets and the one replayed scene fill
    // the first cells of page 1.
    const struct {
        const char *parent, *thumb, *prefix, *page, *plate;
        uint32_t top, bottom;
        const char16_t* heading;
        int filled;
        bool counted;
        const SamplePalette& p;
    } pages[] = {
        {"$UI:SeqCGMode", "btn_cgselect", "ex_", "cg/ui/bg_cgmode.png", "tip_cgplate.png", 0xFF182818, 0xFF284838,
         u"Gallery  ギャラリー", int(std::size(kSampleEventPictures)), true, kExtra},
        {"$UI:SeqRPMode", "btn_rpselect", "rp_", "cg/ui/bg_rpmode.png", "tip_rpplate.png", 0xFF181828, 0xFF283850,
         u"Replay  回想", 1, false, kReplay},
    };
    for (const auto& page : pages) {
        const std::string prefix = page.prefix;
        SampleCanvas plate(1, 1);
        files.Add(page.page, ThumbnailPage(page.top, page.bottom, page.heading, page.filled, page.counted, page.p, plate).Png());
        set.Add(page.plate, plate);
        // Thumbnail buttons: the scenes draw the thumbnails; the face only
        // rings the one under the pointer.
        const struct {
            const char* suffix;
            uint32_t rim;
        } rings[] = {{"_off.png", 0x00000000}, {"_on.png", 0xFFFFFFFF}, {"_over.png", page.p.border}, {"_na.png", 0x00000000}};
        for (const auto& r : rings) {
            SampleCanvas c(kThumbW, kThumbH);
            if (r.rim) c.RoundRect(0.5f, 0.5f, kThumbW - 1, kThumbH - 1, 4, r.rim, 3);
            set.Add(prefix + "thumb" + r.suffix, c);
        }
        AddModule(modules, kWidgetButtonIs, prefix + "thumb", set.Name(), prefix + "thumb");
        AddSampleButton(set, modules, prefix + "page1", 56, 32, "1", "", page.p, kWidgetRadioButtonIs);
        AddSampleButton(set, modules, prefix + "prev", 96, 36, "<", "", page.p);
        AddSampleButton(set, modules, prefix + "next", 96, 36, ">", "", page.p);
        AddBackButton(set, modules, prefix + "back", page.p);
        Screen s{modules, layouts, page.parent};
        s.Put(prefix + "page1", "btn_pageselect", 460, 30, 1, 3).value = 1;
        s.Put(prefix + "prev", "btn_prev", 560, 28).sound = 0;
        s.Put(prefix + "next", "btn_next", 666, 28).sound = 0;
        s.Put(prefix + "back", "btn_back", kBackX, kBackY).sound = 1;
        for (int i = 0; i < 25; ++i) s.Put(prefix + "thumb", page.thumb, ThumbX(i), ThumbY(i), i).sound = 6;
    }

    files.Add("cg/ui/bg_bgmmode.png", Backdrop(0xFF201828, 0xFF403050, u"Music  音楽鑑賞").Png());
    Screen music{modules, layouts, "$UI:SeqBGMMode"};
    const char* pieces[] = {"Title theme", "Morning in the park"};
    for (int i = 1; i <= 2; ++i) {
        const std::string module = "bgm_piece" + std::to_string(i);
        AddSampleButton(names, modules, module, 360, 44, pieces[i - 1], "", kMusic, kWidgetRadioButtonIs);
        music.Put(module, "btn_bgmselect", 300, 80 + 60 * float(i), i, 1).sound = 0;
    }
    SampleCanvas arrow(30, 28);
    for (int y = 0; y < 28; ++y) arrow.FillRect(0, y, 15 + (y < 14 ? y : 27 - y), 1, 0xFFFFD040);
    set.Add("bgm_tip.png", arrow);
    AddModule(modules, kWidgetPanelIs, "bgm_tip", set.Name(), "bgm_tip");
    music.Put("bgm_tip", "tip_playing", 263, 148);
    AddSampleButton(set, modules, "bgm_prev", 96, 40, "<", "", kMusic);
    AddSampleButton(set, modules, "bgm_play", 110, 40, "Play", "再生", kMusic, kWidgetRadioButtonIs);
    AddSampleButton(set, modules, "bgm_stop", 110, 40, "Stop", "停止", kMusic, kWidgetRadioButtonIs);
    AddSampleButton(set, modules, "bgm_next", 96, 40, ">", "", kMusic);
    AddBackButton(set, modules, "bgm_back", kMusic);
    music.Put("bgm_prev", "btn_bgmprev", 300, 600).sound = 0;
    music.Put("bgm_play", "btn_bgmplay", 410, 600, 0, 2).sound = 0;
    music.Put("bgm_stop", "btn_bgmstop", 530, 600, 0, 2).sound = 0;
    music.Put("bgm_next", "btn_bgmnext", 650, 600).sound = 0;
    music.Put("bgm_back", "btn_back", kBackX, kBackY).sound = 1;
}

} // namespace

bool AddPlayScreens(SampleFiles& files, std::vector<SampleModule>& modules, std::vector<SampleLayout>& layouts,
                    std::string& error) {
    SampleImageSet adventure("ui_avgmain"), saveLoad("ui_saveload"), config("ui_config"), faces("ui_facepanel"),
        extra("ui_extra"), names("ui_bgmname");
    AdventureScreen(files, adventure, modules, layouts);
    Backlog(files, adventure, modules, layouts);
    SaveAndLoad(files, modules, layouts, saveLoad);
    Configuration(files, modules, layouts, config, faces);
    Extras(files, modules, layouts, extra, names);
    for (const SampleImageSet* set : {&adventure, &saveLoad, &config, &faces, &extra, &names})
        if (!set->AddTo(files, "uigis/", error)) return false;
    return true;
}

} // namespace qtools
