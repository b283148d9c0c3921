#pragma once
// What the extras and configuration screens add to the menu scenes' base:
// widgets found by local name and index in any of the scene's widget
// folders (the configuration has one per page after "$UI:"), the right
// mouse button and the "CANCEL" key action pressing "btn_back", the way
// back to the scene the worker ran before, and the scene's own music.
#include "game/scenes/GxSeqMenuBase.h"

class GxInputState;

class SeqScreenBase : public GxSeqMenuBase {
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
    // A picture of the UI picture folder on the background layer, at once.
    void ShowBackground(const GxChar* fileName);
    // The UI image-set folder's path of a set's file name.
    GxString ImageSetPath(const GxChar* fileName) const;
    // A click posted on the widget when it may be operated; whether it was.
    bool PostClick(const GxChar* localName, s32 index = 0);
    // A scene change on this scene's worker; a missing scene is logged and
    // this one stays.
    bool ChangeSequence(const GxChar* name, s32 param0, s32 param1);
    // Back to the scene the worker ran before, by name, when there is one;
    // the queued widget events are dropped in any case.
    void GoBack(s32 param0, s32 param1);
    // The scene's own music, played unless the remembered music is that
    // file already; none stops the music over a second.
    void PlaySceneMusic(const GxString& name, s32 loopStart);
    // Refuses a record ID read from a widget or a scene change that lies
    // outside the table, with a line in the log: true when refused.
    bool RefuseOutOfRangeID(s32 id, s32 count) const;
    // The skip and auto modes off, with the main scene's buttons for them.
    static void CancelPlayModes();
    GxTaskManage* Tasks() const;
};
