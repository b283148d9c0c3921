#pragma once
// The base of every widget: an actor task that lives in a scene's task tree,
// is drawn through render list 5 (7 when top-most), reacts to the pointer
// when its scene lets it be operated, and reports what happens to it as UI
// events to its listener or its scene. It holds what all widgets share: a
// value with its range, the text, label and tool-tip text, the size and
// client rectangle from the UI module record, the modal, top-most, lock and
// blocking settings, the event and hover state, and its stored form.
//
// Derived widgets override the image operations (SetImageSource, LoadImages,
// ReleaseImages), ApplyModuleRecord for their image names, Render, and the
// mouse handlers of GxTaskMouseListenerBase; the protected helpers below give
// them the shared pieces (the operability gate, raising events, the standard
// pointer handling, transforms). Widgets on an image set derive from
// GxTaskUIIsBase.
#include "layers/GxTaskActor.h"
#include "tasks/GxUIEventParam.h"

class GxSeqTaskBase;
class GxGDIFontMap;
struct GxUIGlyphStyle;
struct DBUIModuleRecord;
struct DBUILayoutRecord;

// Render lists of the widgets. The resident system scene's notices,
// dialogs and tips draw after every scene's, a scene's fade included, so that
// what the system says never sinks under a fade.
constexpr int kGxUIRenderList = 5;
constexpr int kGxUITopMostRenderList = 7;
constexpr int kGxUIResidentRenderList = 8;
constexpr int kGxUIResidentTopMostRenderList = 9;
// The longest hover the widget counts, in milliseconds (a day).
constexpr s32 kGxUIHoverTimeMax = 86400000;

class GxTaskUIBase : public GxTaskActor {
public:
    // What dragging widgets keep between a press and its release. Sliders
    // set both positions to the press and the third word to the task's
    // counter word; the scrolling text widgets give the rest their meaning.
    struct DragState {
        bool m_Dragging = false;
        GxVector2 m_PressPos{-1.0f, -1.0f};
        GxVector2 m_LastPos{-1.0f, -1.0f};
        f32 m_Values[4] = {};
        u32 m_Words[3] = {};
        void Reset() { *this = DragState(); }
    };

    // With a name the widget is registered globally, with a local name under
    // its parent folder at that index (the factory passes one or the other).
    explicit GxTaskUIBase(GxTaskBase* parent, const GxChar* name = nullptr, const GxChar* localName = nullptr,
                          s32 localIndex = 0);
    ~GxTaskUIBase() override;

    // The widget a task is, or null for a task that is no widget.
    static GxTaskUIBase* FromTask(GxTaskBase* task);
    static const GxTaskUIBase* FromTask(const GxTaskBase* task);
    // The number of widgets above the task.
    static s32 GetUIDepth(const GxTaskBase* task);
    // The scenes' modal test: while system dialogs are open (modal level
    // above 0) a task may be operated when it lies at least that many widgets
    // deep, or when a widget of its tree raised the level itself (its modal
    // priority in tree reaches it: an open drop menu, the tool tip).
    static bool PassesModalLevel(const GxTaskBase* task, s32 modalLevel);

    // Task operations.
    void OnStartSequence(int workerIndex) override;
    void OnEndSequence(int workerIndex) override;
    // Advances the actions and raises event 25 when the last one ended in
    // this step. Every widget's own update calls it first.
    int Update(int step, s64 elapsed) override;
    int EnqueueRender(int step, s64 elapsed) override;
    bool WriteContent(GxContentWriterBase* writer) override;
    bool ReadContent(GxContentReaderBase* reader) override;
    void Hide() override;
    void Show() override;
    s32 GetWidth() override { return m_Width; }
    s32 GetHeight() override { return m_Height; }

    virtual void ResetEventState();
    virtual void ApplyModuleRecord(const DBUIModuleRecord& module);
    virtual void ApplyLayoutRecord(const DBUILayoutRecord& layout);
    // The image operations; the base has no images.
    virtual bool SetImageSource(const GxChar* /*source*/) { return false; }
    virtual bool LoadImages() { return true; }
    virtual void ReleaseImages() {}

    virtual void SetEnabled(bool enabled) { m_Enabled = enabled; }
    virtual bool IsEnabled() const { return m_Enabled; }
    // All three through SetValue: unclamped here; widgets with a range
    // override SetValue to clamp.
    virtual void SetValueBool(bool value) { SetValue(value ? 1.0 : 0.0); }
    virtual void SetValueInt(int value) { SetValue(value); }
    virtual void SetValue(f64 value) { m_Value = value; }
    virtual f64 GetValue() const { return m_Value; }
    // Truncated toward zero (saturating).
    virtual s32 GetValueInt() const;
    virtual bool GetValueBool() const { return GetValueInt() != 0; }
    // Rounded away from zero inside a one-signed range, at most the range's
    // end; truncated for a range that spans zero.
    virtual s32 GetValueRounded() const;
    // Through SetValue, so that a widget's clamp applies.
    virtual void AddValueInt(int n) { SetValue(GetValue() + n); }
    virtual void AddValue(f64 d) { SetValue(GetValue() + d); }
    virtual void SetMax(f64 v) { m_Max = v; }
    virtual f64 GetMax() const { return m_Max; }
    virtual void SetMin(f64 v) { m_Min = v; }
    virtual f64 GetMin() const { return m_Min; }
    virtual void SetChange(f64 v) { m_Change = v; }
    virtual f64 GetChange() const { return m_Change; }
    virtual void SetGroupID(int id) { m_GroupID = id; }
    virtual s32 GetGroupID() const { return m_GroupID; }
    virtual void SetWidth(int w) { m_Width = w; }
    virtual void SetHeight(int h) { m_Height = h; }
    virtual s32 GetClientLeft() const { return m_ClientLeft; }
    virtual s32 GetClientTop() const { return m_ClientTop; }
    virtual s32 GetClientWidth() const { return m_ClientWidth; }
    virtual s32 GetClientHeight() const { return m_ClientHeight; }
    virtual void SetClientRect(int left, int top, int width, int height);
    // Null is an empty text.
    virtual void SetText(const GxChar* text);
    virtual const GxString& GetText() const { return m_Text; }
    virtual void SetLabel(const GxChar* label);
    virtual const GxString& GetLabel() const { return m_Label; }
    virtual void SetDescript(const GxChar* descript);
    virtual const GxString& GetDescript() const { return m_Descript; }
    // Bit n of the report mask: Set takes n modulo 32; Clear and the test
    // refuse n outside 0 to 31 (the test answers false).
    virtual void SetEventReportFlag(int n);
    virtual void ClearEventReportFlag(int n);
    virtual bool IsEventReported(int n) const;
    virtual void SetEventBlockFlag(bool on) { m_EventBlockFlag = on; }
    virtual bool GetEventBlockFlag() const { return m_EventBlockFlag; }
    virtual void SetMouseMoveBlockFlag(bool on) { m_MouseMoveBlockFlag = on; }
    virtual bool GetMouseMoveBlockFlag() const { return m_MouseMoveBlockFlag; }
    virtual void SetModalFlag(bool on) { m_ModalFlag = on; }
    virtual bool GetModalFlag() const { return m_ModalFlag; }
    virtual void SetModalPriority(int p) { m_ModalPriority = p; }
    virtual s32 GetModalPriority() const { return m_ModalPriority; }
    virtual void SetTopMostFlag(bool on) { m_TopMostFlag = on; }
    virtual bool GetTopMostFlag() const { return m_TopMostFlag; }
    virtual void SetImageAlpha(int alpha) { m_ImageAlpha = alpha; }
    virtual s32 GetImageAlpha() const { return m_ImageAlpha; }
    virtual void SetAnimeSpeed(int speed) { m_AnimeSpeed = speed; }
    virtual s32 GetAnimeSpeed() const { return m_AnimeSpeed; }
    virtual s32 GetHoverCount() const { return m_HoverCount; }
    // The receiver of the widget's events instead of its scene; not owned.
    virtual void SetListener(GxTaskFolder* listener) { m_Listener = listener; }
    virtual GxTaskFolder* GetListener() const { return m_Listener; }
    // Centred in the parent actor (or the 1024 x 768 screen) plus the offset.
    virtual void CenterX(int offset);
    virtual void CenterY(int offset);

    // The in-tree queries look at the widget and its widget ancestors, up
    // to the first ancestor that is no widget.
    virtual bool IsVisibleInTree() const;
    virtual bool IsEnabledInTree() const;
    virtual bool IsActionIdleInTree() const;
    // The largest modal priority among those met with the modal flag set.
    virtual s32 GetModalPriorityInTree() const;
    virtual bool IsTopMostInTree() const;
    // The actor alpha scaled by every widget ancestor's (0 to 255).
    virtual s32 GetAlphaInTree() const;
    virtual void Lock() { ++m_LockCount; }
    // Never below 0.
    virtual void Unlock();
    virtual void ResetLock() { m_LockCount = 0; }
    virtual s32 GetLockCount() const { return m_LockCount; }
    virtual bool IsLockedInTree() const;
    // Right and bottom edges are outside.
    virtual bool HitTestClient(const GxVector4* worldPos, f32 x, f32 y);
    virtual bool HitTest(const GxVector4* worldPos, f32 x, f32 y);
    virtual void SetSystemSoundID(int id) { m_SystemSoundID = id; }
    virtual s32 GetSystemSoundID() const { return m_SystemSoundID; }
    // Shows the system tool tip once per hover, on the step in which the
    // hover time crosses m_AutoHelpTime. elapsed: microseconds.
    virtual void UpdateAutoHelp(s64 elapsed, const GxVector2* pointer);
    // Sends an event of the type with parameter 0, whatever the report mask.
    virtual bool PostUIEvent(int type);
    // To the listener, else the owning scene; false when there is none or
    // it is killed or suspended.
    virtual bool DispatchUIEvent(const GxUIEventParam* ev);

    s32 GetModuleID() const { return m_ModuleID; }
    s32 GetEventState() const { return m_EventState; }
    void SetEventState(s32 state) { m_EventState = state; }
    s32 GetShapeType() const { return m_ShapeType; }
    u32 GetEventReportFlags() const { return m_EventReportFlags; }
    void SetAutoReleaseImageFlag(bool on) { m_AutoReleaseImageFlag = on; }
    bool GetAutoReleaseImageFlag() const { return m_AutoReleaseImageFlag; }
    s32 GetAutoHelpTime() const { return m_AutoHelpTime; }
    void SetAutoHelpTime(s32 ms) { m_AutoHelpTime = ms; }
    s32 GetHoverTime() const { return m_HoverTime; }
    const DragState& GetDragState() const { return m_Drag; }

protected:
    // The owning scene's gate (false without a scene).
    bool CanOperate(u32 ignoreMask = 0);
    // The owning scene's drawing test (without a scene: not suspended and
    // visible in tree).
    bool IsActiveInScene();
    // The pointer in the virtual screen, from the core; (0, 0) without one.
    GxVector2 GetPointer() const;
    // The raising pattern: the type into m_EventState, then, when reported,
    // a record with the parameter sent. Pointer events carry the pointer and
    // the world position as vectors 0 and 1.
    bool RaiseEvent(s32 type, s32 param = 0);
    // The presses of the buttons also carry the mouse message's key flags
    // (word) and double-click flag.
    bool RaisePointerEvent(s32 type, const GxVector2& pointer, s32 param = 0, u32 word = 0, u8 flag = 0);

    // The standard pointer handling; `inside` is the widget's hit test at the
    // pointer. Movement: entry (event 7), consumed when it blocks movement
    // and is inside. Press: event 1, consumed when reported and blocking.
    int HandlePointerMove(const GxVector2& pointer, bool inside);
    int HandlePointerPress(const GxVector2& pointer, bool inside);
    // The update's check: a hovered widget with no drag in progress and the
    // pointer outside leaves (event 8 when the gate passes).
    void HandlePointerLeave(const GxVector2& pointer, bool inside);
    // Hit tests at the widget's world position.
    bool IsInside(const GxVector2& p);
    bool IsInsideClient(const GxVector2& p);
    // The panels' update: the base update, the leaving check with HitTest
    // and the automatic tool tip.
    int UpdatePanel(int step, s64 elapsed);

    // A client width (height) of 0 becomes the width (height) less the left
    // (top) margin on both sides.
    void ApplyClientDefaults();
    // World position plus offset, the actor's rotation (degrees), scale and,
    // when asked, its centre as pivot.
    GxMatrix ComposeWorldMatrix(const GxVector3& offset, bool withCentre = true) const;
    // Below m_Min: m_Min; else above m_Max: m_Max.
    f64 ClampToRange(f64 v) const;
    // m_Alpha / 255, held to 0..1.
    f32 GetAlphaScale() const;
    // m_ImageAlpha / 255 times the actor's, held to 0..1.
    f32 GetImageAlphaScale() const;
    // A glyph placed at (x, y) in the widget: drawn at the world position
    // plus the place times the actor's scale, scaled by it.
    void DrawGlyphAt(GxGDIFontMap* map, GxChar ch, const GxVector4& world, f32 x, f32 y,
                     const GxUIGlyphStyle& style) const;
    // A line of glyph-map text at its four diagonal neighbours in edgeColour,
    // then at (x, y) in the colour pair; scale 1, line feed '\n'.
    static void DrawOutlinedText(GxGDIFontMap* map, const GxString& text, f32 x, f32 y, u32 colour, u32 secondColour,
                                 u32 edgeColour, u32 blendMode);
    // The value setters of the widgets that keep their value in the range:
    // the new bound, the value brought inside it, then SetValue.
    void SetMaxKeepingValue(f64 v);
    void SetMinKeepingValue(f64 v);

    // Opens the scene with the 2-D states and point sampling; the caller
    // closes it with GxGraphics::EndScene.
    static void BeginWidgetDraw();

    // Logs `format` with the name and the widget's task path.
    void LogImageMessage(const GxChar* format, const GxString& name) const;

    bool m_Enabled = true;
    f64 m_Value = 0.0;
    f64 m_Max = 0.0;
    f64 m_Min = 0.0;
    f64 m_Change = 1.0;
    s32 m_GroupID = 0;
    s32 m_ModuleID = 0;
    GxString m_Text;
    GxString m_Label;
    s32 m_SystemSoundID = 0;
    s32 m_AutoHelpTime = -1;
    GxString m_Descript;
    s32 m_Width = 0;
    s32 m_Height = 0;
    s32 m_ClientLeft = 0;
    s32 m_ClientTop = 0;
    s32 m_ClientWidth = 0;
    s32 m_ClientHeight = 0;
    s32 m_ShapeType = 0;
    s32 m_AnimeSpeed = 2;
    bool m_ModalFlag = false;
    s32 m_ModalPriority = 0;
    bool m_TopMostFlag = false;
    s32 m_ImageAlpha = 255;
    s32 m_EventState = 0;
    s32 m_HoverCount = 0;
    s32 m_HoverTime = 0;
    u32 m_EventReportFlags = 0xFFFFFFFFu;
    GxTaskFolder* m_Listener = nullptr;
    bool m_EventBlockFlag = true;
    bool m_MouseMoveBlockFlag = false;
    bool m_AutoReleaseImageFlag = true;
    s32 m_LockCount = 0;
    DragState m_Drag;
};
