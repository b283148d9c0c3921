#pragma once
// What the extras and configuration screens share: a fading scene with its
// root folder "$ROOT:<scene>", its widget folder "$UI:<scene>" (and, for the
// configuration, one folder per page after it), and its background layer
// "$BGLAYER:<scene>" behind everything (order Z -10), each holding the
// widgets of the UI layout records placed in it. The widgets' events are
// queued and handled in the scene's update. The right mouse button and the
// "CANCEL" key action press "btn_back"; a decided button plays its sound.
#include "scenes/GxSeqTransitBase.h"

#include <initializer_list>

class GxInputState;
class GxSystemConfig;
class GxTaskLayer;
class GxTaskUIBase;

class SeqScreenBase : public GxSeqTransitBase {
public:
    // pages: the prefixes of further widget folders made after "$UI:", in
    // that order ("$UI_SYSTEM:" ...).
    SeqScreenBase(GxTaskBase* parent, const GxChar* name, std::initializer_list<const GxChar*> pages = {});
    ~SeqScreenBase() override;

    // The queued widget events, then one frame counted.
    int Update(int step, s64 elapsed) override;
    // Presses "btn_back" when it may be operated; never consumed.
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    // The "CANCEL" action presses "btn_back" as the right button does.
    int OnKeyActionUpdate(const GxInputState* keyMapState, int step, s64 elapsed) override;

    // The folder "<prefix><scene>", or null.
    GxTaskFolder* GetFolder(const GxChar* prefix = u"$UI:") const;
    GxTaskLayer* GetBackgroundLayer() const;
    // A widget of the folder by local name and index; null, silently, when
    // there is none.
    GxTaskUIBase* FindWidget(const GxChar* localName, s32 index = 0, const GxChar* prefix = u"$UI:") const;
    // The same for a control the layout must provide: a miss is logged.
    GxTaskUIBase* GetWidget(const GxChar* localName, s32 index = 0, const GxChar* prefix = u"$UI:") const;

    // Whether the key-map action of that name went down in this step.
    static bool IsActionPressed(const GxInputState* keyMapState, const GxChar* action);
    // ... and a joystick button went down with it (the keyboard's keys for
    // the same action reach the scenes as key messages too).
    static bool IsPadActionPressed(const GxInputState* keyMapState, const GxChar* action);

protected:
    // The process's system configuration, or the built-in defaults.
    const GxSystemConfig& Config() const;
    // A picture of the UI picture folder on the background layer, at once.
    void ShowBackground(const GxChar* fileName);
    // The UI image-set folder's path of a set's file name.
    GxString ImageSetPath(const GxChar* fileName) const;
    // A click posted on the widget when it may be operated; whether it was.
    bool PostClick(const GxChar* localName, s32 index = 0);
    // A decided button's interface sound.
    static void PlayButtonSound(GxTaskBase* sender);
    // A scene change on this scene's worker; a missing scene is logged and
    // this one stays.
    bool ChangeSequence(const GxChar* name, s32 param0, s32 param1);
    // Back to the scene the worker ran before, by name, when there is one;
    // the queued widget events are dropped in any case.
    void GoBack(s32 param0, s32 param1);
    // The scene's own music, played unless the remembered music is that
    // file already; none stops the music over a second.
    void PlaySceneMusic(const GxString& name, s32 loopStart);
    // Whether a record ID read from a widget or a scene change lies in the
    // table; an ID outside is logged.
    bool IsRecordID(s32 id, s32 count) const;
    // The skip and auto modes off, with the main scene's buttons for them.
    static void CancelPlayModes();
    GxTaskManage* Tasks() const;
};
