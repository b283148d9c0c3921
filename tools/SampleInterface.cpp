#include "tools/SampleInterface.h"

#include "base/GxStringUtil.h"
#include "tools/SampleImageSet.h"

#include <cmath>

namespace qtools {
namespace {

// The faces a button may have, by the suffix the widgets look up.
enum class Face { Off, On, Over, Na, OnOver, OnNa };
const char* const kSuffix[] = {"_off.png", "_on.png", "_over.png", "_na.png", "_onover.png", "_onna.png"};

// Night blue for the title, slate for the dialogs, teal for the developer's
// screens.
const SamplePalette kTitle{0xC0182850, 0xE0304E96, 0xF0101A38, 0xFF9AB8FF, 0xFFFFFFFF};
const SamplePalette kDialog{0xE0303846, 0xF04A5870, 0xF0202632, 0xFFC8D4E8, 0xFFFFFFFF};
const SamplePalette kDebug{0xE0183C3C, 0xF0286464, 0xF0102828, 0xFF7CD8D0, 0xFFFFFFFF};
constexpr uint32_t kGrey = 0xA0404040, kGreyText = 0xFFB8B8B8;

std::u16string U16(const std::string& s) { return GxFromUtf8(s); }

// A labelled button face: a rounded plate, a brighter rim when hovered, a
// darker plate with its label one pixel lower when pressed, grey when it
// cannot be used. A toggle's faces carry a tick box on the left; a radio
// button that is on is lit with its rim's colour.
SampleCanvas ButtonFace(int w, int h, const std::string& label, const std::string& sub, Face state, const SamplePalette& p,
                        bool toggle, bool radio = false) {
    SampleCanvas c(w, h);
    const bool na = state == Face::Na || state == Face::OnNa;
    const bool hover = state == Face::Over || state == Face::OnOver;
    const bool lit = radio && (state == Face::On || state == Face::OnOver);
    const bool pressed = state == Face::On && !lit;
    const bool ticked = toggle && (state == Face::On || state == Face::OnOver || state == Face::OnNa);
    const uint32_t plate = na      ? kGrey
                           : lit   ? MixColour(hover ? p.hover : p.face, p.border, hover ? 0.38f : 0.3f)
                           : hover ? p.hover
                           : pressed ? p.press
                                     : p.face;
    const float radius = float(h) / 4;
    c.RoundRect(1, 1, float(w - 2), float(h - 2), radius, plate);
    c.RoundRect(1, 1, float(w - 2), float(h - 2), radius, na ? 0xFF707070 : p.border, hover ? 2.5f : 1.5f);
    if (!na && !pressed) c.RoundRect(4, 3, float(w - 8), float(h) / 3, radius / 2, 0x30FFFFFF);  // a sheen
    const uint32_t text = na ? kGreyText : p.text;
    const int drop = pressed ? 1 : 0;
    int cx = w / 2;
    if (toggle) {
        const float box = float(h) * 0.5f, bx = float(h) * 0.3f, by = (float(h) - box) / 2;
        c.RoundRect(bx, by, box, box, 3, na ? 0xFF707070 : p.border, 1.5f);
        if (ticked) c.RoundRect(bx + 4, by + 4, box - 8, box - 8, 2, na ? 0xFF707070 : p.border);
        cx = int(bx + box) + (w - int(bx + box)) / 2;
    }
    const int big = sub.empty() ? std::min(h * 9 / 20, 22) : std::min(h * 9 / 20, 20);
    const int small = h * 11 / 40;
    const int top = sub.empty() ? (h - big) / 2 : (h - big - small) / 2;
    c.TextCentred(*SampleFont(big, true), cx, top + drop, U16(label), text, 0xA0000000);
    if (!sub.empty()) c.TextCentred(*SampleFont(small, true), cx, top + big + drop, U16(sub), na ? text : WithAlpha(text, 0xC0));
    return c;
}

void AddButton(SampleImageSet& set, std::vector<SampleModule>& modules, const std::string& name, int w, int h,
               const std::string& label, const std::string& sub, const SamplePalette& p, bool toggle = false) {
    AddSampleButton(set, modules, name, w, h, label, sub, p, toggle ? kWidgetToggleButtonIs : kWidgetButtonIs);
}

void TitleSet(SampleImageSet& set, std::vector<SampleModule>& modules) {
    const struct {
        const char *name, *label, *sub;
    } buttons[] = {
        {"btn_title_start", "New Game", "はじめから"}, {"btn_title_load", "Load", "つづきから"},
        {"btn_title_visual", "Gallery", "ギャラリー"}, {"btn_title_event", "Replay", "回想"},
        {"btn_title_music", "Music", "音楽鑑賞"},      {"btn_title_config", "Settings", "設定"},
        {"btn_title_extra", "Extra", "おまけ"},        {"btn_title_exit", "Exit", "終了"},
    };
    for (const auto& b : buttons) {
        // A button that cannot be used shows no tip: the locked "Extra" says
        // on its grey face what opens it, and its tip, once open, what it
        // opens.
        if (std::string(b.name) != "btn_title_extra") {
            AddButton(set, modules, b.name, 240, 44, b.label, b.sub, kTitle);
            continue;
        }
        for (Face f : {Face::Off, Face::On, Face::Over, Face::Na})
            set.Add(b.name + std::string(kSuffix[int(f)]),
                    ButtonFace(240, 44, b.label, f == Face::Na ? "opens once the story is finished" : b.sub, f, kTitle, false));
        SampleModule m;
        m.name = m.image = b.name, m.imageSet = set.Name();
        modules.push_back(m);
    }
}

void CommonSet(SampleImageSet& set, std::vector<SampleModule>& modules) {
    AddButton(set, modules, "btn_yes", 140, 44, "Yes", "はい", kDialog);
    AddButton(set, modules, "btn_no", 140, 44, "No", "いいえ", kDialog);
    AddButton(set, modules, "btn_ok", 140, 44, "OK", "", kDialog);
    AddButton(set, modules, "btn_cancel", 140, 44, "Cancel", "キャンセル", kDialog);

    // Both dialogs share one frame; their text sits in the upper part. The
    // frame is opaque: nothing of the page behind reads through it.
    set.Add("dlg_frame.png", SamplePlate(480, 200, 0xFF182030, 0xFFC8D4E8, 14));
    for (const char* name : {"dlg_shutdown", "dlg_user"}) {
        SampleModule m;
        m.type = kWidgetTextPanelIs, m.name = name, m.imageSet = set.Name(), m.image = "dlg_frame";
        m.clientLeft = 24, m.clientTop = 40, m.clientWidth = 432, m.clientHeight = 80, m.font = 2;
        modules.push_back(m);
    }

    // The tip's skin: 16-pixel cells, of which the edges (0 and 3) and the
    // middle (1) are tiled. Dark as the dialogs, under the tip's white text.
    SampleCanvas skin(64, 64);
    skin.RoundRect(0.5f, 0.5f, 63, 63, 8, kDialog.press);
    skin.RoundRect(0.5f, 0.5f, 63, 63, 8, kDialog.border, 1.5f);
    set.Add("tip_skin.png", skin);
    SampleModule tip;
    tip.type = kWidgetTipHelpIs, tip.name = "tip_help", tip.imageSet = set.Name(), tip.image = "tip_skin", tip.font = 1;
    modules.push_back(tip);

    // Four frames of a turning ring: the loading icon.
    std::vector<SampleCanvas> frames;
    for (int f = 0; f < 4; ++f) {
        SampleCanvas c(40, 40);
        c.Circle(20, 20, 15, 0x60FFFFFF, 4);
        const float a = float(f) * 1.5707963f;
        c.Circle(20 + 15 * std::cos(a), 20 + 15 * std::sin(a), 5, 0xFFFFFFFF);
        frames.push_back(c);
    }
    set.Add("icon_asload.png", frames);
    SampleModule load;
    load.type = kWidgetAnimePanelIs, load.name = "icon_asload", load.imageSet = set.Name(), load.image = "icon_asload";
    load.animeSpeed = 8;
    modules.push_back(load);
}

// The notice icons, found by name for the notice panels.
void IconSet(SampleImageSet& set) {
    auto icon = [&](const char* name, auto draw) {
        SampleCanvas c(32, 32);
        c.Circle(16, 16, 15, 0xFF2C3E66);
        draw(c);
        set.Add(name, c);
    };
    icon("icon_info.png", [](SampleCanvas& c) {
        c.Circle(16, 9, 2.5f, 0xFFFFFFFF);
        c.RoundRect(14, 13, 4, 12, 1.5f, 0xFFFFFFFF);
    });
    icon("icon_save.png", [](SampleCanvas& c) {
        c.RoundRect(8, 8, 16, 16, 2, 0xFFFFFFFF);
        c.FillRect(11, 9, 10, 5, 0xFF2C3E66);
    });
    icon("icon_load.png", [](SampleCanvas& c) {
        c.RoundRect(8, 10, 16, 14, 2, 0xFFFFFFFF);
        c.RoundRect(8, 7, 7, 5, 1.5f, 0xFFFFFFFF);
    });
    icon("icon_cg.png", [](SampleCanvas& c) {
        c.RoundRect(7, 9, 18, 14, 2, 0xFFFFFFFF, 2);
        c.Circle(20, 13, 2, 0xFFFFD060);
        c.FillRect(9, 18, 14, 3, 0xFF60C080);
    });
    icon("icon_music.png", [](SampleCanvas& c) {
        c.Circle(12, 21, 4, 0xFFFFFFFF);
        c.RoundRect(14, 7, 2.5f, 15, 1, 0xFFFFFFFF);
        c.RoundRect(14, 7, 8, 3, 1, 0xFFFFFFFF);
    });
}

void DebugSet(SampleImageSet& set, SampleFiles& files, std::vector<SampleModule>& modules) {
    AddButton(set, modules, "btn_runlabel", 180, 40, "Run label", "", kDebug);
    AddButton(set, modules, "btn_editlabel", 180, 40, "Open in editor", "", kDebug);
    AddButton(set, modules, "btn_back", 180, 40, "Back", "", kDebug);
    AddButton(set, modules, "btn_callfin", 240, 40, "Fade in first", "", kDebug, true);

    SampleCanvas header = SamplePlate(960, 40, 0xD0102424, 0xFF7CD8D0, 8);
    set.Add("dbg_header.png", header);
    SampleModule h;
    h.type = kWidgetTextPanelIs, h.name = "dbg_header", h.imageSet = set.Name(), h.image = "dbg_header";
    h.clientLeft = 16, h.clientTop = 9, h.font = 1;
    modules.push_back(h);

    // The scroll bars: a track and a knob, grey when the list is too short to
    // scroll.
    const struct {
        const char* suffix;
        uint32_t fill;
        bool knob;
    } parts[] = {{"_off.png", 0xFF3C9C94, true},  {"_on.png", 0xFF7CD8D0, true},    {"_over.png", 0xFF5CBCB4, true},
                 {"_na.png", 0xFF505050, true},   {"_back.png", 0xA0102828, false}, {"_backna.png", 0x80202020, false}};
    for (const auto& part : parts) {
        SampleCanvas c(20, part.knob ? 48 : 560);
        c.RoundRect(1, 1, 18, float(c.Height() - 2), 6, part.fill);
        if (!part.knob) c.RoundRect(1, 1, 18, float(c.Height() - 2), 6, 0xFF3C6C68, 1);
        set.Add(std::string("vsld") + part.suffix, c);
    }
    SampleModule slider;
    slider.type = kWidgetVSliderIs, slider.name = "vsld_debug", slider.imageSet = set.Name(), slider.image = "vsld";
    // The knob is drawn centred on its place along the track: the track
    // starts half a knob down, so that at the top the knob lies on the bar,
    // not over the header above it.
    slider.clientTop = 24;
    modules.push_back(slider);

    // The list boxes draw a PNG behind their rows.
    files.Add("cg/ui/debug_list.png", SamplePlate(420, 560, 0xC0081818, 0xFF3C9C94, 6).Png());
    SampleModule list;
    list.type = kWidgetListBoxFx, list.name = "lbox_debug", list.imageSet = "cg/ui/", list.image = "debug_list";
    list.clientLeft = 8, list.clientTop = 8, list.font = 1;
    modules.push_back(list);
}

// The notice panels draw a PNG with their text centred on it.
void NoticePicture(SampleFiles& files, std::vector<SampleModule>& modules) {
    files.Add("cg/ui/notice.png", SamplePlate(320, 64, 0xE0101830, 0xFF9AB8FF, 10).Png());
    for (const char* name : {"tip_sysnotice", "tip_usernotice"}) {
        SampleModule m;
        m.type = kWidgetNoticePanelFx, m.name = name, m.imageSet = "cg/ui/", m.image = "notice";
        m.clientLeft = 12, m.clientTop = 8, m.font = 1;
        modules.push_back(m);
    }
}

} // namespace

void AddSampleButton(SampleImageSet& set, std::vector<SampleModule>& modules, const std::string& name, int w, int h,
                     const std::string& label, const std::string& sub, const SamplePalette& p, int type) {
    const bool twoState = type == kWidgetToggleButtonIs || type == kWidgetRadioButtonIs;
    for (int f = 0; f < (twoState ? 6 : 4); ++f)
        set.Add(name + kSuffix[f],
                ButtonFace(w, h, label, sub, Face(f), p, type == kWidgetToggleButtonIs, type == kWidgetRadioButtonIs));
    SampleModule m;
    m.type = type;
    m.name = name, m.imageSet = set.Name(), m.image = name;
    modules.push_back(m);
}

SampleCanvas SamplePlate(int w, int h, uint32_t fill, uint32_t rim, float radius) {
    SampleCanvas c(w, h);
    c.RoundRect(0.5f, 0.5f, float(w) - 1, float(h) - 1, radius, fill);
    c.RoundRect(0.5f, 0.5f, float(w) - 1, float(h) - 1, radius, rim, 2);
    return c;
}

bool AddInterface(SampleFiles& files, std::vector<SampleModule>& modules, std::string& error) {
    SampleImageSet title("ui_title"), common("ui_common"), icons("ui_iconpool"), debug("ui_debug");
    TitleSet(title, modules);
    CommonSet(common, modules);
    IconSet(icons);
    DebugSet(debug, files, modules);
    NoticePicture(files, modules);
    for (const SampleImageSet* set : {&title, &common, &icons, &debug})
        if (!set->AddTo(files, "uigis/", error)) return false;
    return true;
}

} // namespace qtools
