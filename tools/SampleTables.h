#pragma once
// The sample's data tables under "data/": tab-separated UTF-8 text (with a
// byte-order mark, as the names are Japanese), one line a record, with a
// comment line naming the columns.
#include "tools/SampleFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qtools {

// Widget type codes of the UI module table.
enum SampleWidget : int {
    kWidgetPanelFx = 8, kWidgetMessageWindowFx = 9, kWidgetTextWindowFx = 10, kWidgetTextPanelFx = 11,
    kWidgetNoticePanelFx = 13, kWidgetPanelIs = 15, kWidgetAnimePanelIs = 16, kWidgetTextPanelIs = 17,
    kWidgetButtonIs = 18, kWidgetToggleButtonIs = 19, kWidgetRadioButtonIs = 20, kWidgetTextButtonIs = 21,
    kWidgetHSliderIs = 30, kWidgetVSliderIs = 31, kWidgetTipHelpIs = 45, kWidgetListBoxFx = 50,
};

// One record of "data/db_uimodule.txt". Is widgets name an image set (without
// ".gis") and an image in it; Fx widgets a folder ending in '/' and a PNG
// without ".png".
struct SampleModule {
    int type = kWidgetButtonIs;
    std::string name, imageSet, image;
    int width = 0, height = 0;
    int clientLeft = 0, clientTop = 0, clientWidth = 0, clientHeight = 0;
    int font = 0, animeSpeed = 0;
};

// One record of "data/db_uilayout.txt": a widget placed on a screen.
struct SampleLayout {
    std::string parent, module, task;
    int index = 0;  // the local index among widgets of one name
    int group = 0;  // radio buttons of one group turn each other off
    int visible = 1;
    float left = 0, top = 0, orderZ = 0;
    std::string text;
    int sound = -1;  // the system sound its click plays; -1 none
    int enabled = 1;
    int value = 0, min = 0, max = 0;
    int helpTime = -1;  // milliseconds of hover before its tool tip; -1 none
    std::string help;
};

// Names the tables, the configuration and the generated files share.
inline constexpr const char* kSampleExtraLabel = "EXTRA";  // the title's "extra" button starts here
inline constexpr const char* kSampleTitleMusic = "title.ogg";  // under "bgms/"
inline constexpr int kSampleTitleLoopMs = 2000;  // where the title music's loop starts
inline constexpr const char* kSampleStoryMusic = "day.ogg";  // the morning's music, under "bgms/"
inline constexpr const char* kSampleStoryMovie = "star.wmv";  // the shooting star, under "movies/"
inline constexpr const char* kSampleReplayLabel = "NIGHT";  // the scene the replay menu offers
inline constexpr const char* kSampleSystemVoices = "voices/sys";
// System voice 1 is the title call, 12 the question as the end-game dialog
// opens; each speaker's files are these names after the speaker's prefix.
inline constexpr const char* kSampleTitleCall = "title_call";
inline constexpr const char* kSampleExitCall = "exit_call";
// The configuration's test sounds under "sounds/test/": the sound effect's
// and the system voice's.
inline constexpr const char* kSampleSoundTest = "sounds/test";
inline constexpr const char* kSampleTestSe = "test_se";
inline constexpr const char* kSampleTestSystemVoice = "test_sysvoice";
// The voice page's panels, one a voice-volume slot in the table's order: the
// face (with the name) the page draws on the panel's plate, the voice its
// test plays (under "sounds/test/"), and the speaker's system voices, which
// the panel's switch lets the title call and the end-game question choose
// from. The announcer's slot is the system voice's own: its face is a
// microphone.
struct SampleVoicePanel {
    const char* face;  // in "ui_facepanel.gis"
    const char16_t* name;
    uint32_t colour;
    bool announcer;
    const char* test;
    const char* calls;  // the prefix of the system voices' files
    double pitch;       // of the voice, in Hz
    const char* comment;
};
inline constexpr SampleVoicePanel kSampleVoicePanels[] = {
    {"face_sys.png", u"System", 0xFF6A5A8C, true, kSampleTestSystemVoice, "", 240, "System voice"},
    {"face_aki.png", u"アキ Aki", 0xFFE08A40, false, "voice_aki", "aki_", 285, "Aki"},
    {"face_yu.png", u"ユウ Yu", 0xFF4A78C0, false, "voice_yu", "yu_", 170, "Yu"},
};
// Gallery pictures under "cg/ev/" and their thumbnails.
inline constexpr const char* kSampleEventPictures[] = {"ev01", "ev02"};

// Adds the nine tables to files.
void AddDataTables(SampleFiles& files, const std::vector<SampleModule>& modules,
                   const std::vector<SampleLayout>& layouts);
// The layouts of the title and debug screens.
std::vector<SampleLayout> SampleLayouts();

} // namespace qtools
