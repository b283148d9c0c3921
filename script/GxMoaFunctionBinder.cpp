#include "script/GxMoaFunctionBinder.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"

bool GxMoaFunctionBinder::CallFunction(const GxString* name, int builtinIndex, GxMoaVariable* args,
                                       GxMoaWorker* worker, GxMoaScriptEntity* entity, GxMoaExecStack* stack,
                                       GxMoaVariable* result) {
    if (!name) return false;
    GxMoaDelegateBase* d = FindFunction(*name);
    // Scripts name builtins without regard to letter case; the bundle
    // normally holds them lowered already.
    if (!d) d = FindFunction(GxToLower(*name));
    if (!d) return false;
    return d->Invoke(name, builtinIndex, args, worker, entity, stack, result);
}

bool GxMoaFunctionBinder::AddFunction(const GxChar* name, GxMoaDelegateBase* delegate) {
    std::unique_ptr<GxMoaDelegateBase> owned(delegate);
    const GxStringView given = name ? GxStringView(name) : GxStringView();
    GxString key = GxToLower(given);
    if (m_Functions.count(key)) {
        GxWriteErrorLog(u"GxMoaFunctionBinder::AddFunction/同名関数が既に登録されています (%s)\n", given);
        return false;
    }
    auto placed = m_Functions.emplace(std::move(key), std::move(owned)).first;
    m_Index.Insert(placed->first, placed->second.get());
    return true;
}

bool GxMoaFunctionBinder::RemoveFunction(const GxChar* name) {
    auto it = m_Functions.find(GxToLower(name ? GxStringView(name) : GxStringView()));
    if (it == m_Functions.end()) return false;
    m_Functions.erase(it);
    Reindex();
    return true;
}

void GxMoaFunctionBinder::Reindex() {
    m_Index.Clear();
    for (const auto& [key, d] : m_Functions) m_Index.Insert(key, d.get());
}

GxMoaDelegateBase* GxMoaFunctionBinder::FindFunction(GxStringView name) { return m_Index.Find(name); }

void GxMoaFunctionBinder::Clear() {
    // In key order, as the map holds them.
    for (auto& [key, d] : m_Functions) d.reset();
    m_Functions.clear();
    m_Index.Clear();
}
