#include "game/builtins/AvgBuiltinCall.h"

#include "base/GxLog.h"
#include "game/scenes/SeqAvgMain.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "layers/GxTaskLayer.h"
#include "script/GxMoaVariable.h"
#include "script/GxMoaWorker.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr f32 kScreenWidth = 1024.0f;
constexpr f32 kScreenHeight = 768.0f;
constexpr u32 kOpaque = 0xFF000000;

// An absent argument converts as a Null does.
template <class T>
T Convert(const GxMoaVariable* argument, T (GxMoaVariable::*to)() const) {
    return argument ? (argument->*to)() : T();
}

bool IsNumber(const GxMoaVariable& v) { return v.GetType() == kGxMoaInt || v.GetType() == kGxMoaFloat; }

// The free room beside a picture, cut to whole pixels. Truncated as a float,
// so that a picture wider than any integer cannot overflow the cut.
f32 FreeRoom(f32 screen, f32 size) { return std::trunc(screen - size); }

} // namespace

bool IsArgumentGiven(const GxMoaVariable* argument) {
    return argument && !argument->IsNull() && !argument->ToString().empty();
}

f32 GetAlignPosX(const GxMoaVariable* argument, f32 defaultPos, f32 width) {
    if (!IsArgumentGiven(argument)) return defaultPos;
    if (IsNumber(*argument)) return f32(argument->ToFloat());
    const GxString text = argument->ToString();
    if (text == u"L") return 0.0f;
    if (text == u"M") return FreeRoom(kScreenWidth, width) * 0.5f;
    if (text == u"R") return FreeRoom(kScreenWidth, width);
    return defaultPos;
}

f32 GetAlignPosY(const GxMoaVariable* argument, f32 defaultPos, f32 height) {
    if (!IsArgumentGiven(argument)) return kScreenHeight - height;
    if (IsNumber(*argument)) return f32(argument->ToFloat());
    const GxString text = argument->ToString();
    if (text == u"T") return 0.0f;
    if (text == u"M") return FreeRoom(kScreenHeight, height) * 0.5f;
    if (text == u"B") return FreeRoom(kScreenHeight, height);
    if (text == u"N") return defaultPos;
    return 0.0f;
}

AvgBuiltinCall::AvgBuiltinCall(const GxString* name, GxMoaVariable* args, GxMoaWorker* worker,
                               GxMoaScriptEntity* entity, GxMoaExecStack* stack, GxMoaVariable* result,
                               int paramCount)
    : m_Name(name), m_Args(args), m_Worker(worker), m_Entity(entity), m_Stack(stack), m_Result(result),
      m_ParamCount(std::max(paramCount, 0)) {}

const GxString& AvgBuiltinCall::Empty() {
    static const GxString empty;
    return empty;
}

GxMoaVariable* AvgBuiltinCall::Arg(int i) {
    if (!m_Args || !m_Args->IsArray() || i < 0) return nullptr;
    // A handler reading past its stated count still gets a Null, not a fault.
    const int wanted = std::max(m_ParamCount, i + 1);
    if (m_Args->GetArraySize() < wanted) m_Args->ResizeArray(u32(wanted));
    return GxMoaArgumentAt(m_Args, i);
}

int AvgBuiltinCall::ArgCount() const { return m_Args && m_Args->IsArray() ? m_Args->GetArraySize() : 0; }

s32 AvgBuiltinCall::Int(int i) { return Convert(Arg(i), &GxMoaVariable::ToInt); }

s32 AvgBuiltinCall::Int(int i, s32 defaultValue) { return IsGiven(i) ? Int(i) : defaultValue; }

s64 AvgBuiltinCall::Int64(int i) { return Convert(Arg(i), &GxMoaVariable::ToInt64); }

s32 AvgBuiltinCall::Int32(int i, s32 defaultValue) { return IsGiven(i) ? s32(u32(u64(Int64(i)))) : defaultValue; }

f64 AvgBuiltinCall::Float(int i) { return Convert(Arg(i), &GxMoaVariable::ToFloat); }

f64 AvgBuiltinCall::Float(int i, f64 defaultValue) { return IsGiven(i) ? Float(i) : defaultValue; }

GxString AvgBuiltinCall::Str(int i) { return Convert(Arg(i), &GxMoaVariable::ToString); }

GxString AvgBuiltinCall::Str(int i, const GxString& defaultValue) { return IsGiven(i) ? Str(i) : defaultValue; }

u32 AvgBuiltinCall::Colour(int i, u32 defaultRGB) {
    return (IsGiven(i) ? u32(u64(Int64(i))) : defaultRGB) | kOpaque;
}

GxString AvgBuiltinCall::InFolder(GxSystemFolder folder, int i) {
    const GxSystemConfig& config = Config();
    return (folder >= 0 && folder < kGxFolderCount ? config.m_FolderNames[folder] : GxString()) + Str(i);
}

bool AvgBuiltinCall::InRange(int i, s64 low, s64 high, s32* out) {
    const s64 v = Int64(i);
    if (v < low || v > high) return false;
    if (out) *out = s32(v);
    return true;
}

s32 AvgBuiltinCall::WaitFlags(int i) { return IsGiven(i) ? Int32(i, 0) | 1 : kDefaultWaitFlags; }

void AvgBuiltinCall::HideWindowIfAsked(int i) {
    if (Int32(i, 0) == 0) return;
    if (GxUserData* data = UserData()) data->m_HideWindowByCommandFlag = true;
}

void AvgBuiltinCall::HoldUntilSoundEnds(s32 GxUserData::*hold) {
    const s32 flags = WaitFlags(1);
    HideWindowIfAsked(0);
    if (GxUserData* data = UserData()) data->*hold = flags;
}

void AvgBuiltinCall::HoldForLayer(const GxChar* layerName) {
    const s32 flags = WaitFlags(1);
    HideWindowIfAsked(0);
    if (GxUserData* data = UserData()) {
        data->m_Hold_EndOfLayerActionSeparate = flags;
        data->m_Hold_EndOfLayerActionSeparate_LayerName = layerName;
    }
}

void AvgBuiltinCall::SetResult(s32 value) {
    if (!m_Result) return;
    m_Result->Clear();
    m_Result->SetInt64(s64(value));
}

void AvgBuiltinCall::SetResult(const GxString& text) {
    if (!m_Result) return;
    m_Result->Clear();
    m_Result->SetString(GxStringView(text));
}

bool AvgBuiltinCall::MissingFile(bool stopSwitch, const GxChar* format, const GxString& path) {
    if (!stopSwitch) return true;
    ReportText(GxFormat(format, path));
    return false;
}

bool AvgBuiltinCall::MissingTask(const GxChar* taskName) {
    ReportText(GxFormat(u"task not found[%s]", taskName));
    return false;
}

void AvgBuiltinCall::ReportText(const GxString& message) {
    if (m_Worker)
        m_Worker->ReportErrorText(Name(), m_Entity, m_Stack, message);
    else
        GxWriteErrorLog(u"%s:%s\n", Name(), message);
}

GxCoreBase* AvgBuiltinCall::Core() { return GxCoreBase::GetCoreBase(); }

const GxSystemConfig& AvgBuiltinCall::Config() {
    static const GxSystemConfig builtIn;
    GxCoreBase* core = Core();
    const GxSystemConfig* config = core ? core->GetSystemConfig() : nullptr;
    return config ? *config : builtIn;
}

GxTaskManage* AvgBuiltinCall::Tasks() {
    GxCoreBase* core = Core();
    return core ? core->GetTaskManage() : nullptr;
}

GxUserData* AvgBuiltinCall::UserData() { return GxUserData::Get(); }

GxUserDataPerman* AvgBuiltinCall::Perman() { return GxUserDataPerman::Get(); }

GxTaskBase* AvgBuiltinCall::FindTask(const GxChar* taskName) {
    GxTaskManage* tasks = Tasks();
    return tasks ? tasks->FindTaskName(taskName) : nullptr;
}

GxTaskLayer* AvgBuiltinCall::FindLayer(const GxChar* taskName) {
    GxTaskBase* task = FindTask(taskName);
    return task && (task->TypeBits & kGxTypeLayer) ? static_cast<GxTaskLayer*>(task) : nullptr;
}

SeqAvgMain* AvgBuiltinCall::MainScene() { return dynamic_cast<SeqAvgMain*>(FindTask(u"SeqAvgMain")); }
