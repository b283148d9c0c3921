#pragma once
// The developer's way into the script (the title's start button with Control
// held, in debug mode): every script of the bundle in one list; choosing one
// lists its labels by line in the other, from where a label runs in the main
// scene (with the screen faded in first when "btn_callfin" is on) or opens in
// the outside editor. A right click is "btn_back".
#include "game/scenes/GxSeqMenuBase.h"

class GxTaskManage;
class GxTaskUIListBoxFx;

class SeqDebug : public GxSeqMenuBase {
public:
    explicit SeqDebug(GxTaskBase* parent);

    // The jump a chosen label makes: the main worker to the label, the
    // screen faded in at once when fadeIn, then the main scene asked for on
    // the worker. False when the script has no such label (nothing changes
    // then) or the scene cannot be asked for.
    static bool StartAtLabel(GxTaskManage* manager, int workerIndex, const GxString& label, bool fadeIn);

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;
    int OnUIEventSelect(GxTaskBase* sender, const GxUIEventParam* ev) override;

private:
    GxTaskUIListBoxFx* FindList(const GxChar* name) const;
    void ListLabels(const GxString& scriptName);
    // The label buttons work only while a label is chosen.
    void UpdateLabelButtons();
    // The chosen label's name; empty without one.
    GxString GetSelectedLabel() const;
    void RunLabel();
    void EditLabel();
};
