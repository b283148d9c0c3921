#pragma once
// What the opening, title and debug scenes share: a fading scene with its
// root folder "$ROOT:<scene>", its widget folder "$UI:<scene>" under it and
// its background layer "$BGLAYER:<scene>" (behind everything, order Z -10),
// found by name whenever needed; the scene changes they request on their own
// worker; and the button sound of a decided button.
#include "scenes/GxSeqTransitBase.h"

#include <initializer_list>

class GxTaskLayer;
class GxTaskUIBase;
class GxSystemConfig;

class GxSeqMenuBase : public GxSeqTransitBase {
public:
    // With fromLayout, every widget of the UI layout table whose parent is
    // "$UI:<scene>" is made under the widget folder. pages: the prefixes of
    // further widget folders made after it, in that order ("$UI_SYSTEM:"
    // ...), each filled from the layout table the same way.
    GxSeqMenuBase(GxTaskBase* parent, const GxChar* name, bool fromLayout,
                  std::initializer_list<const GxChar*> pages = {});
    ~GxSeqMenuBase() override;

    // The Control key is held on the keyboard.
    static bool IsControlHeld();

protected:
    GxTaskFolder* GetUIFolder() const;
    GxTaskLayer* GetBackgroundLayer() const;
    // The widget with that local name (index 0) under the widget folder.
    GxTaskUIBase* FindWidget(const GxChar* localName) const;
    // Requested on the scene's worker with parameters 0 and 0; a missing
    // scene is logged and this one stays.
    bool ChangeSequence(const GxChar* name);
    // A button's system sound, for the senders that carry the button bit.
    static void PlayButtonSound(GxTaskBase* sender);
    // The process's system configuration, or the built-in defaults.
    const GxSystemConfig& Config() const;

private:
    GxString TaskName(const GxChar* prefix) const;
};
