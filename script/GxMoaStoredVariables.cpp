#include "script/GxMoaStoredVariables.h"

#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "script/GxMoaStreamUtil.h"

#include <set>
#include <tuple>

namespace {

constexpr const GxChar* kWho = u"GxMoaStoredVariables::Read";

// One owner's table: its count, then its records.
bool ReadTable(GxContentReaderBase& r, GxMoaStoredVariables& out, GxMoaStoredVariables::Owner owner,
               const GxString& script) {
    s32 count = 0;
    if (!GxMoaReadCount(r, "m_VariablesSize", &count, kWho)) return false;
    for (s32 i = 0; i < count; ++i) {
        GxMoaVariableSet record;
        if (!record.Read(r)) return false;
        const GxString name = record.m_Name;
        out.m_Records.insert_or_assign(GxMoaStoredVariables::Key{owner, script, name}, std::move(record));
    }
    return r.GetErrorCount() == 0;
}

template <class Pick>
bool WriteTable(GxContentWriterBase& w, const GxMoaStoredVariables& in, Pick pick) {
    s32 count = 0;
    for (const auto& [key, record] : in.m_Records) count += pick(key);
    bool ok = w.Write("m_VariablesSize", count);
    for (const auto& [key, record] : in.m_Records)
        if (pick(key)) ok = record.Write(w) && ok;
    return ok;
}

} // namespace

bool GxMoaStoredVariables::Key::operator<(const Key& r) const {
    return std::tie(owner, script, name) < std::tie(r.owner, r.script, r.name);
}

bool GxMoaStoredVariables::Read(GxContentReaderBase& r) {
    if (!ReadTable(r, *this, kInstance, {}) || !ReadTable(r, *this, kWorker, {})) return false;
    s32 scripts = 0;
    if (!GxMoaReadCount(r, "m_pScriptEntitySize", &scripts, kWho)) return false;
    for (s32 i = 0; i < scripts; ++i) {
        const GxString script = r.ReadWString("m_ScriptName");
        if (r.GetErrorCount() != 0 || !ReadTable(r, *this, kScript, script)) return false;
    }
    return true;
}

bool GxMoaStoredVariables::Write(GxContentWriterBase& w) const {
    bool ok = WriteTable(w, *this, [](const Key& k) { return k.owner == kInstance; });
    ok = WriteTable(w, *this, [](const Key& k) { return k.owner == kWorker; }) && ok;
    std::set<GxString> scripts;
    for (const auto& [key, record] : m_Records)
        if (key.owner == kScript) scripts.insert(key.script);
    ok = w.Write("m_pScriptEntitySize", s32(scripts.size())) && ok;
    for (const GxString& script : scripts) {
        ok = w.Write("m_ScriptName", script) && ok;
        ok = WriteTable(w, *this, [&](const Key& k) { return k.owner == kScript && k.script == script; }) && ok;
    }
    return ok && w.GetErrorCount() == 0;
}
