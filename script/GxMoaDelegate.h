#pragma once
// Calls one member function of one object (not owned) with the builtin
// arguments.
#include "script/GxMoaDelegateBase.h"

template <class T>
class GxMoaDelegate : public GxMoaDelegateBase {
public:
    using Method = bool (T::*)(const GxString* name, int builtinIndex, GxMoaVariable* args, GxMoaWorker* worker,
                               GxMoaScriptEntity* entity, GxMoaExecStack* stack, GxMoaVariable* result);

    GxMoaDelegate() = default;
    GxMoaDelegate(T* object, Method method) : m_pObject(object), m_Method(method) {}

    bool Invoke(const GxString* name, int builtinIndex, GxMoaVariable* args, GxMoaWorker* worker,
                GxMoaScriptEntity* entity, GxMoaExecStack* stack, GxMoaVariable* result) override {
        if (!m_pObject || !m_Method) return false;
        return (m_pObject->*m_Method)(name, builtinIndex, args, worker, entity, stack, result);
    }
    virtual void Set(T* object, Method method) {
        m_pObject = object;
        m_Method = method;
    }
    T* GetObject() const { return m_pObject; }
    Method GetMethod() const { return m_Method; }

private:
    T* m_pObject = nullptr;
    Method m_Method = nullptr;
};
