#pragma once
// The adventure game's builtins, made when the game module is attached to
// the core and deleted when it is detached. The handlers are the members of
// the family classes under builtins/, one class per family; registration
// binds every builtin name to its handler on this one object.
#include "game/GxModuleBuiltinBase.h"
#include "game/builtins/AvgBuiltinChoice.h"
#include "game/builtins/AvgBuiltinExtra.h"
#include "game/builtins/AvgBuiltinMessage.h"
#include "game/builtins/AvgBuiltinMovie.h"
#include "game/builtins/AvgBuiltinMusic.h"
#include "game/builtins/AvgBuiltinPicture.h"
#include "game/builtins/AvgBuiltinScreen.h"
#include "game/builtins/AvgBuiltinSound.h"
#include "game/builtins/AvgBuiltinStand.h"
#include "game/builtins/AvgBuiltinSystem.h"
#include "game/builtins/AvgBuiltinWait.h"
#include "script/GxMoaDelegate.h"

#include <span>

class GxCoreBase;

class AvgBuiltin : public GxModuleBuiltinBase,
                   public AvgBuiltinSystem,
                   public AvgBuiltinMessage,
                   public AvgBuiltinPicture,
                   public AvgBuiltinScreen,
                   public AvgBuiltinMusic,
                   public AvgBuiltinWait,
                   public AvgBuiltinStand,
                   public AvgBuiltinChoice,
                   public AvgBuiltinSound,
                   public AvgBuiltinMovie,
                   public AvgBuiltinExtra {
public:
    explicit AvgBuiltin(GxCoreBase* core) : m_Core(core) {}

    // Replaces the interpreter's own Print and Debug, then binds the game's
    // 97 builtin names (to 92 handlers) in their fixed order. The binder
    // matches names without regard to ASCII case.
    void RegisterBuiltins(GxMoaFunctionBinder* registry) override;

    // A builtin name and the handler registration binds it to.
    struct Binding {
        const GxChar* name;
        GxMoaDelegate<AvgBuiltin>::Method handler;
    };
    // Every binding, in registration order: the names a script compiler
    // must know for this game.
    static std::span<const Binding> GetBindings();

    GxCoreBase* GetCore() const { return m_Core; }

private:
    GxCoreBase* m_Core;
};
