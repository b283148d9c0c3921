#pragma once
// One call of a game builtin, as every handler sees it: the argument list
// read, padded, tested and converted the one way all builtins share, the
// result set as Int or Str, faults reported through the calling worker with
// the builtin's name and the script line, and the engine's objects the
// handlers reach (game state, permanent data, configuration, tasks).
//
// A handler is declared in its family class with AVG_BUILTIN(name) and
// defined with AVG_BUILTIN_DEFINE(class, name, parameter count) followed by
// its body, which works on `call`:
//
//     AVG_BUILTIN_DEFINE(AvgBuiltinWait, WA_CLICK, 2) {
//         const s32 flags = call.WaitFlags(1);
//         ...
//         return true;
//     }
#include "base/GxFormat.h"
#include "base/GxTypes.h"
#include "script/GxMoaExecStackElement.h"

class GxCoreBase;
class GxMoaScriptEntity;
class GxMoaVariable;
class GxMoaWorker;
class GxSystemConfig;
class GxTaskBase;
class GxTaskLayer;
class GxTaskManage;
class GxUserData;
class GxUserDataPerman;
class SeqAvgMain;

class AvgBuiltinCall;
enum GxSystemFolder : int;

#define AVG_BUILTIN(fn)                                                                                          \
    bool fn(const GxString* name, int context, GxMoaVariable* args, GxMoaWorker* worker, GxMoaScriptEntity* entity, \
            GxMoaExecStack* stack, GxMoaVariable* result);                                                        \
    bool fn##Body(AvgBuiltinCall& call)

#define AVG_BUILTIN_DEFINE(cls, fn, paramCount)                                                                   \
    bool cls::fn(const GxString* name, int context, GxMoaVariable* args, GxMoaWorker* worker,                      \
                 GxMoaScriptEntity* entity, GxMoaExecStack* stack, GxMoaVariable* result) {                        \
        (void)context;                                                                                            \
        AvgBuiltinCall call(name, args, worker, entity, stack, result, paramCount);                              \
        return fn##Body(call);                                                                                    \
    }                                                                                                             \
    bool cls::fn##Body([[maybe_unused]] AvgBuiltinCall& call)

// True when the argument exists, is not Null and its text form is not
// empty: an Int 0 and an empty Array are given, an empty text is not.
bool IsArgumentGiven(const GxMoaVariable* argument);
// Where a picture of the width stands on the 1024-pixel-wide screen: a number
// as it is, "L" 0, "M" centred, "R" at the right edge (the free width cut to
// an integer first); no argument or any other text, the default.
f32 GetAlignPosX(const GxMoaVariable* argument, f32 defaultPos, f32 width);
// The vertical twin on the 768-pixel-high screen: no argument puts the
// picture on the bottom edge (not cut), "T" 0, "M" centred, "B" the bottom
// edge, "N" the default and any other text 0.
f32 GetAlignPosY(const GxMoaVariable* argument, f32 defaultPos, f32 height);

class AvgBuiltinCall {
public:
    // Wait flags of a wait builtin whose script gives none: every input may
    // end the hold.
    static constexpr s32 kDefaultWaitFlags = 15;

    // paramCount: the highest argument index the handler reads, plus one.
    AvgBuiltinCall(const GxString* name, GxMoaVariable* args, GxMoaWorker* worker, GxMoaScriptEntity* entity,
                   GxMoaExecStack* stack, GxMoaVariable* result, int paramCount);

    // The name the script called the builtin by.
    const GxString& Name() const { return m_Name ? *m_Name : Empty(); }
    GxMoaWorker* Worker() const { return m_Worker; }
    GxMoaScriptEntity* Entity() const { return m_Entity; }
    GxMoaExecStack* Stack() const { return m_Stack; }

    // Argument i: the list is first padded with Null up to the parameter
    // count. Null only when the list is no Array.
    GxMoaVariable* Arg(int i);
    // How many arguments the list holds: those the script passed until an
    // argument is read, at least the parameter count after.
    int ArgCount() const;
    bool IsGiven(int i) { return IsArgumentGiven(Arg(i)); }
    // Conversions as the script's values convert (Null: 0, 0.0, empty text);
    // the forms with a default take it when the argument is not given.
    s32 Int(int i);
    s32 Int(int i, s32 defaultValue);
    s64 Int64(int i);
    // The 64-bit value cut to its low 32 bits.
    s32 Int32(int i, s32 defaultValue);
    f64 Float(int i);
    f64 Float(int i, f64 defaultValue);
    GxString Str(int i);
    GxString Str(int i, const GxString& defaultValue);
    // The file that argument i names, behind the configuration's folder
    // (nothing inserted or normalised), before its extension is resolved.
    GxString InFolder(GxSystemFolder folder, int i);
    f32 AlignX(int i, f32 defaultPos, f32 width) { return GetAlignPosX(Arg(i), defaultPos, width); }
    f32 AlignY(int i, f32 defaultPos, f32 height) { return GetAlignPosY(Arg(i), defaultPos, height); }
    // A script colour 0xRRGGBB as 0xAARRGGBB with the alpha byte forced to
    // 0xFF; the default's alpha is forced too.
    u32 Colour(int i, u32 defaultRGB);
    // An argument used as an index or a count: true, with the value, only when
    // it lies in [low, high]; the whole 64-bit value is compared, so a value
    // that only wraps into the range is refused. Not given reads as 0.
    bool InRange(int i, s64 low, s64 high, s32* out);

    // The wait flags of a wait builtin: the given value with bit 0 set, so a
    // hold is never 0, else the default.
    s32 WaitFlags(int i);
    // A wait that asks to hide the message window (argument given and not 0)
    // sets the game state's flag; it is never cleared here.
    void HideWindowIfAsked(int i);
    // The wait on a sound (hide the message window, wait flags): the window
    // flag set when asked, and the flags stored in the game state's hold.
    void HoldUntilSoundEnds(s32 GxUserData::*hold);
    // The wait on one layer's actions and transition (hide the message
    // window, wait flags): the flags stored with the layer's task name, which
    // the main scene watches.
    void HoldForLayer(const GxChar* layerName);

    // The value of the call expression: an Int (the 32-bit value widened
    // with its sign), or a Str.
    void SetResult(s32 value);
    void SetResultFlag(bool value) { SetResult(value ? 1 : 0); }
    void SetResult(const GxString& text);

    // Writes "err:[Script="..."/line=n] <builtin>:<message>" to the error log
    // through the calling worker.
    template <class... A>
    void Report(const GxChar* format, const A&... args) {
        ReportText(GxFormat(format, args...));
    }
    // Reports, and stops the script.
    template <class... A>
    bool Fail(const GxChar* format, const A&... args) {
        ReportText(GxFormat(format, args...));
        return false;
    }
    // A file the script names was not found. With the developer switch for
    // its kind set: reported with the path and false, so the script stops;
    // with it clear: true, without a word.
    bool MissingFile(bool stopSwitch, const GxChar* format, const GxString& path);

    // The engine as the handlers reach it; each may be null (the
    // configuration falls back to the built-in defaults).
    static GxCoreBase* Core();
    static const GxSystemConfig& Config();
    static GxTaskManage* Tasks();
    static GxUserData* UserData();
    static GxUserDataPerman* Perman();
    static GxTaskBase* FindTask(const GxChar* taskName);
    // The task checked as a layer.
    static GxTaskLayer* FindLayer(const GxChar* taskName);
    // The main adventure scene by its task name, checked as one; null when
    // the task is missing or of another kind.
    static SeqAvgMain* MainScene();
    // A task of the main scene that the game always makes was not there:
    // reported with its name, and false, so the script stops.
    bool MissingTask(const GxChar* taskName);

private:
    static const GxString& Empty();
    void ReportText(const GxString& message);

    const GxString* m_Name;
    GxMoaVariable* m_Args;
    GxMoaWorker* m_Worker;
    GxMoaScriptEntity* m_Entity;
    GxMoaExecStack* m_Stack;
    GxMoaVariable* m_Result;
    int m_ParamCount;
};
