#include "tools/SampleTables.h"

#include <cstdio>

namespace qtools {
namespace {

// One table's text: a byte-order mark, a comment line with the column names,
// then one tab-separated line a record.
class TableText {
public:
    explicit TableText(const std::vector<std::string>& columns) {
        m_Text = "\xEF\xBB\xBF#";
        for (size_t i = 0; i < columns.size(); ++i) m_Text += (i ? "\t" : "") + columns[i];
        m_Text += "\n";
    }
    void Row(const std::vector<std::string>& fields) {
        for (size_t i = 0; i < fields.size(); ++i) m_Text += (i ? "\t" : "") + fields[i];
        m_Text += "\n";
    }
    const std::string& Text() const { return m_Text; }

private:
    std::string m_Text;
};

std::string N(int v) { return std::to_string(v); }
std::string F(float v) {
    char b[32];
    std::snprintf(b, sizeof b, "%g", double(v));
    return b;
}
// An array column's fields: the values given, then empty fields up to count.
std::vector<std::string> Padded(std::vector<std::string> values, size_t count) {
    values.resize(count);
    return values;
}
std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The keys as the engine uses them. Only DECIDE (a pad's button in the
// gallery's viewer) and CANCEL (back out of the menu screens) are read
// through the key map; the adventure screen's keys and Escape are the
// engine's own, listed here under what they do. An action's ID is its bit
// in the combined input (1 and up) and its group the key map's column (1 to
// 7; column 0 is never read).
std::string KeyMap() {
    TableText t({"ID", "Name", "ShowName", "Essential", "Group", "NotChange", "AllowDevice", "KeyCodeStr x6", "Help"});
    const struct {
        const char *name, *show;
        std::vector<std::string> keys;
        const char* help;
    } actions[] = {
        {"DECIDE", "決定", {"KC_KEYB_RETURN", "KC_KEYB_RIGHT", "KC_KEYB_DOWN", "KC_MOUSE_WHEEL_DOWN", "KC_PAD_BTN01"},
         "Read on; a pad's button steps through the gallery's viewer"},
        {"CANCEL", "キャンセル", {"KC_KEYB_BACK", "KC_PAD_BTN02"}, "Back out of the settings, gallery, replay and music"},
        {"SKIP", "スキップ", {"KC_KEYB_LCONTROL", "KC_KEYB_RCONTROL"}, "Skip while held"},
        {"HIDE", "ウィンドウ消去", {"KC_KEYB_SPACE", "KC_MOUSE_RIGHT"}, "Hide the message window; again to bring it back"},
        {"LOG", "ログ", {"KC_MOUSE_WHEEL_UP"}, "Show the backlog"},
        {"EXIT", "終了", {"KC_KEYB_ESCAPE"}, "Ask whether to end the game"},
    };
    int id = 1;
    for (const auto& a : actions)
        t.Row(Join({N(id++), a.name, a.show, "1", "1", "0", "7"}, Join(Padded(a.keys, 6), {a.help})));
    return t.Text();
}

std::string Characters() {
    TableText t({"ID", "CharName", "SubLayerNum", "StandPath", "NCProjFileName", "VoicePath", "VoiceVolumeID", "Comment"});
    t.Row({"1", "アキ", "1", "cg/stand/aki/", "", "voices/aki/", "1", "Aki, the narrator"});
    t.Row({"2", "ユウ", "1", "cg/stand/yu/", "", "voices/yu/", "2", "Yu, her friend"});
    return t.Text();
}

std::string Music() {
    TableText t({"ID", "Name", "FileName", "LoopPosTime", "ButtonIndex"});
    // The music room counts its pieces from ID 1 on.
    t.Row({"1", "Title theme", kSampleTitleMusic, N(kSampleTitleLoopMs), "1"});
    t.Row({"2", "Morning in the park", kSampleStoryMusic, "0", "2"});
    return t.Text();
}

std::string Gallery() {
    // Each picture with its pan in the viewer: start and end alignment.
    TableText t({"ID", "Group", "Thumbnail", "FileName x32 (picture|start|end)", "Count"});
    t.Row(Join({"0", "1", std::string("th_") + kSampleEventPictures[0] + ".png"},
               Join(Padded({std::string(kSampleEventPictures[0]) + "|MM|MM"}, 32), {"0"})));
    t.Row(Join({"1", "1", std::string("th_") + kSampleEventPictures[1] + ".png"},
               Join(Padded({std::string(kSampleEventPictures[1]) + "|LT|RT"}, 32), {"0"})));
    return t.Text();
}

std::string Replay() {
    TableText t({"ID", "Group", "Thumbnail", "Label", "Help"});
    t.Row({"0", "1", "th_rp01.png", kSampleReplayLabel, "The night of the shooting star"});
    return t.Text();
}

std::string Modules(const std::vector<SampleModule>& modules) {
    TableText t({"ID", "UIType", "Name", "ImageSetName", "ImageName", "Width", "Height", "ClientLeft", "ClientTop",
                 "ClientWidth", "ClientHeight", "ShapeType", "FontIndex", "AnimeSpeed"});
    int id = 1;  // module 0 means none
    for (const SampleModule& m : modules)
        t.Row({N(id++), N(m.type), m.name, m.imageSet, m.image, N(m.width), N(m.height), N(m.clientLeft), N(m.clientTop),
               N(m.clientWidth), N(m.clientHeight), "0", N(m.font), N(m.animeSpeed)});
    return t.Text();
}

std::string Layouts(const std::vector<SampleLayout>& layouts) {
    TableText t({"ID", "ParentName", "ParentIndex", "ModuleName", "TaskName", "TaskIndex", "Create", "Visible",
                 "Enabled", "Left", "Top", "OrderZ", "GroupID", "Text", "Label", "SystemSoundID", "Value", "Min", "Max",
                 "AutoHelpTime", "Descript"});
    int id = 1;
    for (const SampleLayout& l : layouts)
        t.Row({N(id++), l.parent, "0", l.module, l.task, N(l.index), "1", N(l.visible), N(l.enabled), F(l.left), F(l.top),
               F(l.orderZ), N(l.group), l.text, "", N(l.sound), N(l.value), N(l.min), N(l.max), N(l.helpTime), l.help});
    return t.Text();
}

std::string VoiceVolumes() {
    TableText t({"ID", "PanelVisible", "PanelOrder", "FacePanelFileName", "SoundTestFileName", "SystemVoiceExist",
                 "SystemVoiceEnabled", "Comment"});
    // Slot 0 is the system voice's; each slot's switch lets its speaker's
    // system voices play.
    int id = 0;
    for (const SampleVoicePanel& p : kSampleVoicePanels) {
        t.Row({N(id), "1", N(id), p.face, p.test, "1", "1", p.comment});
        ++id;
    }
    return t.Text();
}

// One record a voice-volume slot, by the same ID: the speakers the title
// call and the end-game question are chosen from.
std::string SystemVoices() {
    TableText t({"ID", "Comment", "VoicePath", "VoiceFileName 1-23"});
    int id = 0;
    for (const SampleVoicePanel& p : kSampleVoicePanels) {
        std::vector<std::string> files(23);
        files[0] = std::string(p.calls) + kSampleTitleCall;  // system voice 1
        files[11] = std::string(p.calls) + kSampleExitCall;  // system voice 12
        t.Row(Join({N(id++), p.comment, kSampleSystemVoices}, files));
    }
    return t.Text();
}

} // namespace

std::vector<SampleLayout> SampleLayouts() {
    std::vector<SampleLayout> l;
    // A tip wraps wherever its line is full, inside a word too: each line
    // here is short enough to fit, and '|' starts the next.
    const struct {
        const char *task, *help;
        int sound;
    } title[] = {
        {"btn_title_start", "Start the story from the beginning|(with Control held: the debug scene)", 6},
        {"btn_title_load", "Go on from a saved game", 0},
        {"btn_title_visual", "The pictures seen so far", 0},
        {"btn_title_event", "Replay scenes already passed", 0},
        {"btn_title_music", "Listen to the music", 0},
        {"btn_title_config", "Text speed, volumes and more", 0},
        {"btn_title_extra", "A thank-you under the night sky", 0},
        {"btn_title_exit", "Leave the game", -1},
    };
    float y = 300;
    for (const auto& b : title) {
        SampleLayout w;
        w.parent = "$UI:SeqTitle", w.module = b.task, w.task = b.task;
        w.left = 720, w.top = y, w.orderZ = 10, w.sound = b.sound;
        w.helpTime = 1200, w.help = b.help;
        w.enabled = std::string(b.task) == "btn_title_extra" ? 0 : 1;
        l.push_back(w);
        y += 52;
    }

    auto debug = [&](const char* module, const char* task, float left, float top) -> SampleLayout& {
        SampleLayout w;
        w.parent = "$UI:SeqDebug", w.module = module, w.task = task, w.left = left, w.top = top, w.orderZ = 10;
        l.push_back(w);
        return l.back();
    };
    debug("dbg_header", "txt_header", 32, 16).text = "Scripts and their labels: choose a label, then run it";
    debug("lbox_debug", "lbox_scriptselect", 32, 72);
    debug("vsld_debug", "vsld_scriptselect", 458, 72);
    debug("lbox_debug", "lbox_labelselect", 500, 72);
    debug("vsld_debug", "vsld_labelselect", 926, 72);
    debug("btn_runlabel", "btn_runlabel", 32, 660).sound = 6;
    debug("btn_editlabel", "btn_editlabel", 228, 660).sound = 0;
    SampleLayout& fade = debug("btn_callfin", "btn_callfin", 424, 660);
    fade.value = 1, fade.max = 1, fade.sound = 0;
    fade.helpTime = 1200, fade.help = "Fade the screen in|before the label runs";
    debug("btn_back", "btn_back", 812, 660).sound = 1;
    return l;
}

void AddDataTables(SampleFiles& files, const std::vector<SampleModule>& modules,
                   const std::vector<SampleLayout>& layouts) {
    files.AddText("data/db_keymap.txt", KeyMap());
    files.AddText("data/db_avgchar.txt", Characters());
    files.AddText("data/db_bgmmode.txt", Music());
    files.AddText("data/db_cgmode.txt", Gallery());
    files.AddText("data/db_rpmode.txt", Replay());
    files.AddText("data/db_uimodule.txt", Modules(modules));
    files.AddText("data/db_uilayout.txt", Layouts(layouts));
    files.AddText("data/db_voicevolume.txt", VoiceVolumes());
    files.AddText("data/db_systemvoice.txt", SystemVoices());
}

} // namespace qtools
