#pragma once
// The adventure game's builtins, made when the game module is attached to
// the core and deleted when it is detached.
#include "game/GxModuleBuiltinBase.h"

class GxCoreBase;

class AvgBuiltin : public GxModuleBuiltinBase {
public:
    explicit AvgBuiltin(GxCoreBase* core) : m_Core(core) {}

    // BUILTINS SEAM: the game's script builtins are bound here by name as
    // their families are built; today it binds none.
    void RegisterBuiltins(GxMoaFunctionBinder* registry) override;

    GxCoreBase* GetCore() const { return m_Core; }

private:
    GxCoreBase* m_Core;
};
