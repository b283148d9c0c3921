#pragma once
// The pool every effect is made in while the shader side runs (the shader
// start-up creates it, its shutdown lets it go). A parameter that effects of
// one pool declare `shared` is one parameter for all of them: each such
// effect's handle for it is the pool's, so a value that drawing code gives it
// through one effect is the value in every other. The pool keeps a shared
// parameter while an effect that declares it lives; an effect keeps the pool
// it was made in alive.
#include "base/GxMutex.h"
#include "base/GxTypes.h"
#include "platform/image/effect.h"

#include <map>
#include <memory>
#include <string>

class GxShaderEffectPool {
public:
    // The pool's parameter for an effect's shared declaration, entered when it
    // is the first of its name. Null, with the reason in *error, when the
    // pool holds the name declared otherwise (one value cannot have two
    // shapes).
    const pimage::effect_parameter* Share(const pimage::effect_parameter& declared, std::string* error);
    // An effect that took the parameter lets it go.
    void Unshare(const pimage::effect_parameter* shared);
    size_t GetSharedCount();

private:
    struct Entry {
        std::unique_ptr<pimage::effect_parameter> parameter;
        u32 users = 0;
    };
    GxMutex m_Mutex;
    std::map<std::string, Entry> m_Shared;
};

// The pool effects are made in now; null before the shader start-up and after
// its shutdown (effects are then made on their own, sharing nothing).
std::shared_ptr<GxShaderEffectPool> GxGetEffectPool();
void GxSetEffectPool(std::shared_ptr<GxShaderEffectPool> pool);
