#pragma once
// What the scenes that open over the play have in common (the backlog, the
// save and load screens, the quick load): a root folder, a UI folder with
// the widgets its layout records place there, and a background layer, all
// named after the scene ("$ROOT:SeqSave", "$UI:SeqSave", "$BGLAYER:SeqSave");
// an update that hands the queued widget events to the scene; the back
// button, which returns to the scene its worker ran before, pressed by the
// right mouse button too.
#include "scenes/GxSeqTransitBase.h"

class GxTaskLayer;
class GxTaskUIBase;

class SeqMenuBase : public GxSeqTransitBase {
public:
    SeqMenuBase(GxTaskBase* parent, const GxChar* name);
    ~SeqMenuBase() override;

    // The queued widget events, then the update counted.
    int Update(int step, s64 elapsed) override;
    // Presses "btn_back" when it may be operated; consumed then.
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;

    GxTaskFolder* GetUIFolder() const { return m_UIFolder; }
    GxTaskLayer* GetBackgroundLayer() const { return m_BackgroundLayer; }
    // A widget under the UI folder by local name, or null (silently).
    GxTaskUIBase* FindWidget(const GxChar* localName, s32 index = 0) const;

protected:
    // The picture of the configured UI picture folder on the background
    // layer at once.
    void ShowBackground(const GxChar* fileName);
    // Back to the scene the worker ran before, by name; the queued widget
    // events dropped. Always 1 (consumed).
    int GoBack();
    // Skip and auto mode off, with the main scene's buttons for them.
    static void CancelPlayModes();

private:
    GxTaskFolder* m_UIFolder;
    GxTaskLayer* m_BackgroundLayer;
};
