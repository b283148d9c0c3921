#pragma once
// The configuration: four pages (system, sound, voice, game) switched by
// four tab buttons, each a folder of widgets placed by the UI layout table.
// The controls are filled from the user settings when the scene starts; the
// volumes take effect as they move; everything is read back into the
// settings when the scene ends, however it is left; the settings file is
// written at shutdown and by the save scene. The voice page lists one panel
// per character voice slot, two a row and three rows at a time, scrolled by
// a slider, two buttons or the mouse wheel. Returning to the title, restoring the defaults and a
// change of the sound engine (which needs a restart) ask through the system
// scene's user dialog.
#include "game/scenes/SeqScreenBase.h"

#include <vector>

class GxNcOriginImage;

// One panel of the voice page: a voice-volume slot with its face.
struct SeqConfigVoicePanel {
    s32 PanelOrder = 0;
    s32 VoiceVolumeID = 0;
    bool Visible = true;
    const GxNcOriginImage* FacePattern = nullptr;
    bool HasSoundTest = false;
    bool HasSystemVoice = false;
};

class SeqConfig : public SeqScreenBase {
public:
    static constexpr s32 kVoiceRows = 6;

    explicit SeqConfig(GxTaskBase* parent);

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    int EnqueueRender(int step, s64 elapsed) override;
    int Render(int drawParam, int listIndex) override;
    int OnWindowEvent(s64 value0, s64 value1) override;
    int OnMouseWheel(const GxVector2& pos, s32 delta, u32 keyFlags) override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;
    int OnUIEventValueChange(GxTaskBase* sender, const GxUIEventParam* ev) override;

    // The page of the first tab that is on: its background, its folder
    // resumed and the others suspended. Nothing changes without a tab on.
    void UpdatePage();
    // The controls from the settings, then the module broadcast.
    void ShowConfig();
    // The system and sound pages' switches and the system page's sliders
    // into the settings; the windows' opacity and the choices' colours
    // follow, then the module broadcast.
    void ApplyConfig();
    // The sound page's volumes and system-voice switch into the settings,
    // heard at once.
    void ApplySoundPage();
    // The voice page's volumes and switches into the settings, heard at once.
    void ApplyVoicePage();
    void BuildVoicePanels();
    void RefreshVoicePanels();
    // The defaults back (the screen mode and the engine in use kept).
    void ResetConfig();

    const std::vector<SeqConfigVoicePanel>& GetVoicePanels() const { return m_VoicePanels; }
    s32 GetVoiceScrollMax() const { return m_VoiceScrollMax; }
    // The first row shown: the scroll value, rounded from 0.6 up, within
    // 0 and the maximum.
    s32 GetFirstVoiceRow() const;
    bool IsTabOn(const GxChar* tab) const;

private:
    void ScrollVoices(s32 step);
    void PlayVoiceTest(s32 row);
    void PlayTest(const GxChar* name, bool systemVoice);
    void ApplyWindowOpacity();
    void ApplyChoiceColours();
    // Whether the click ended the handling (the steps of the dialogs, the
    // screen mode, leaving).
    bool HandleScreenMode(const GxString& name);
    bool HandleDialogs(const GxString& name);

    std::vector<SeqConfigVoicePanel> m_VoicePanels;
    s32 m_VoiceScrollMax = -1;
};
