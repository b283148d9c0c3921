#pragma once
// The registry of builtins by name. Names are registered with their ASCII
// letters lowered; the binder owns every delegate given to it.
#include "script/GxMoaDelegateBase.h"
#include "script/GxMoaNameIndex.h"
#include "tasks/GxBuiltinRegistryBase.h"

#include <map>
#include <memory>

class GxMoaFunctionBinder : public GxBuiltinRegistryBase {
public:
    // The binder behind a registry the module table handed on; null for any
    // other registry.
    static GxMoaFunctionBinder* FromRegistry(GxBuiltinRegistryBase* registry) {
        return dynamic_cast<GxMoaFunctionBinder*>(registry);
    }

    GxMoaFunctionBinder() = default;
    ~GxMoaFunctionBinder() override { Clear(); }
    GxMoaFunctionBinder(const GxMoaFunctionBinder&) = delete;
    GxMoaFunctionBinder& operator=(const GxMoaFunctionBinder&) = delete;

    // Finds the builtin and invokes it; false when it is not bound.
    virtual bool CallFunction(const GxString* name, int builtinIndex, GxMoaVariable* args, GxMoaWorker* worker,
                              GxMoaScriptEntity* entity, GxMoaExecStack* stack, GxMoaVariable* result);
    // Takes ownership of the delegate; a name bound already (in any letter
    // case) is refused with a logged message and the delegate destroyed.
    virtual bool AddFunction(const GxChar* name, GxMoaDelegateBase* delegate);
    virtual bool RemoveFunction(const GxChar* name);
    // Exact lookup: only lower-case names are found.
    virtual GxMoaDelegateBase* FindFunction(GxStringView name);
    virtual void Clear();

    size_t GetCount() const { return m_Functions.size(); }

private:
    void Reindex();

    std::map<GxString, std::unique_ptr<GxMoaDelegateBase>, std::less<>> m_Functions;
    // The same names hashed, for the look-up of every call.
    GxMoaNameIndex<GxMoaDelegateBase> m_Index;
};
