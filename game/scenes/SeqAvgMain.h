#pragma once
// The scene in which the game is played. It owns the adventure screen's
// tasks (background with its wide picture, movie layer, standing characters,
// flash and fade layers, the message window with its play buttons, the name
// window and name image, the choice buttons, the background transition and
// the proxy), steps the main script worker for as long as nothing holds it,
// ends the script's waits when they have passed or the player cuts them
// short, and answers the player: click to advance, skip, auto mode, hiding
// the windows, the backlog, voice replay, quick save and load, and the
// buttons to the save, load and configuration screens. The builtins and the
// main worker's text lines find it by the task name "SeqAvgMain" and call
// its operations. Made once at start-up, it lives to shutdown.
#include "scenes/GxSeqTransitBase.h"

class AvgTaskProxyMain;
class GxTaskActor;
class GxTaskLayer;
class GxTaskUIBase;
class GxTaskUIMessageWindowFx;

class SeqAvgMain : public GxSeqTransitBase {
public:
    explicit SeqAvgMain(GxTaskBase* parent);
    ~SeqAvgMain() override;

    // The process's main scene by its task name, or null.
    static SeqAvgMain* Find();

    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    // Skip and auto, the background transition's time, the waits, the
    // click-wait icon, the end of a replay; then the queued widget events
    // and, when none was handled, the script for as long as it may run.
    int Update(int step, s64 elapsed) override;
    // The clear (with the background transition composed) and the fade-in.
    int Render(int drawParam, int listIndex) override;

    bool IsUIWidgetActive(GxTaskBase* widget) override;
    bool IsScriptRunnable() override;
    bool IsUIBlock1Clear() override;
    bool IsUIBlock2Clear() override;
    bool IsUIBlock3Clear() override;

    int OnMouseWheel(const GxVector2& pos, s32 delta, u32 keyFlags) override;
    int OnLButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnRButtonDown(const GxVector2& pos, u32 keyFlags, bool doubleClick) override;
    int OnKeyDown(u32 virtualKey, u32 keyData) override;
    int OnUIEventDecide(GxTaskBase* sender, const GxUIEventParam* ev) override;

    // One step of skip, and of auto mode (elapsed milliseconds).
    virtual void Skip();
    virtual void Auto(s32 elapsedMs);
    // The screen drawn into the global render texture.
    virtual void CaptureScreen();
    // The old screen (captured by the caller) dissolves into the new
    // background through the rule picture over the time; the standing
    // characters are cleared first when asked.
    virtual void StartBgTransit(const GxChar* background, const GxChar* rule, s32 time, bool clearStands);
    virtual bool IsBgTransiting() const { return m_BgTransit.m_Transit; }
    // Whether one ran.
    virtual bool EndBgTransit();
    virtual void ShowMessage(const GxString& text, bool read, bool ignoreKinsoku, bool disableAutoNewline);
    virtual void ClearMessage();
    // The message a load brought back counts as read for skip until another
    // shows: it was recorded read before the game was saved. The window
    // keeps its stored flag, so that the loaded screen is the one saved.
    void TakeLoadedMessageAsRead() { m_LoadedMessageRead = true; }
    // Mode 0 nothing, 1 the name as text, 2 the name image only, 3 the name
    // image or else the text; any other mode changes nothing.
    virtual void SetName(const GxString& name, s32 mode);
    virtual void ClearName();
    // The visible items of the game state's choice slide in one after
    // another; the script is held until one is taken.
    virtual void ShowSelect();
    // The choice of item index (1 to the choice count) is taken.
    virtual void OnSelect(s32 index);
    // Ends the first hold that the input (2 click, 8 skip) may cut short;
    // whether one was ended.
    virtual bool EndWaitByInput(s32 inputBit);
    // Ends the holds whose condition has passed (elapsed microseconds).
    virtual void UpdateWaits(s64 elapsed);
    virtual void ResetPlayScene();
    virtual void ResetVisuals(bool cancelAuto, bool cancelSkip);
    // Writes the quick save; false when it failed (the player is told).
    virtual bool QuickSave();
    // The screen with the wide picture and the characters' thumbnail
    // sub-layers, reduced into the save thumbnail's pixels.
    virtual void CaptureThumbnail();
    virtual void ShowStandSubLayers();
    virtual void HideStandSubLayers();
    virtual void ShowBgwLayer();
    virtual void HideBgwLayer();

    GxTaskUIMessageWindowFx* GetMessageWindow() const { return m_MessageWindow; }
    GxTaskUIBase* GetNameWindow() const { return m_NameWindow; }
    GxTaskLayer* GetNameImage() const { return m_NameImage; }
    // A choice button (1 to the choice count), or null.
    GxTaskUIBase* GetChoiceButton(s32 index) const;
    // A widget under the message window by local name (a play button, the
    // click-wait icon), or null.
    GxTaskUIBase* GetPlayButton(const GxChar* name) const;
    s32 GetBgTransitTimeLeft() const { return m_BgTransit.m_TransitTimeLeft; }
    // A choice button's text colour (a button that shows no text keeps none).
    static void SetChoiceTextColor(GxTaskBase* button, u32 argb);

private:
    void CreateStandLayers(GxTaskBase* stand);
    void CreateChoiceButtons(GxTaskBase* folder);
    GxTaskBase* FindTask(const GxChar* taskName) const;
    GxTaskLayer* FindLayer(const GxChar* taskName) const;
    // The layer a separate-layer wait names: a task name with '$', else a
    // standing character.
    GxTaskLayer* FindWaitLayer(const GxString& name) const;
    // The click-wait icon under the message window, shown while it waits.
    void UpdateWaitIcon();
    bool WindowsHidden() const;
    void ShowWindows();
    void HideWindows();
    // Passes a click to the message window; true when it ended the page
    // (the current voices are then done with).
    bool ClickMessage(bool stopVoices);
    bool IsUIBlockClear(int block);
    void ChangeSequence(const GxChar* name);
    void SendDecide(const GxChar* button, const GxVector2& pos);
    void ForEachStandLayer(void (*f)(GxTaskLayer*));
    void ResetWindow(GxTaskUIBase* window, const GxChar* moduleName);
    s32 ChoiceCount() const;

    GxTransitParam m_BgTransit;
    GxTaskUIMessageWindowFx* m_MessageWindow = nullptr;
    GxTaskUIBase* m_NameWindow = nullptr;
    GxTaskLayer* m_NameImage = nullptr;
    AvgTaskProxyMain* m_Proxy = nullptr;
    bool m_LoadedMessageRead = false;
};
