#pragma once
// Shader effects shared by name: asking for a held name (ASCII case aside)
// gives the same effect with its count raised; otherwise a new effect is
// loaded and kept when it loads. The last release deletes it.
#include "graphics/GxShaderEffect.h"
#include "graphics/GxTextureFactoryBase.h"

class GxShaderFactory : public GxTextureFactoryBase {
public:
    static GxShaderFactory& GetInstance();

    virtual GxShaderEffect* Create(const GxChar* name);
    // Narrow names are in the ANSI code page.
    virtual GxShaderEffect* CreateA(const char* name);
    using GxTextureFactoryBase::Find;
    virtual GxD3DResourceBase* FindA(const char* name);
    // Reloads every effect, in order; true only when every one loaded.
    virtual bool ReloadAll();
    virtual void Release(GxShaderEffect* effect);
    virtual void ReleaseByName(const GxChar* name);
    virtual void ReleaseByNameA(const char* name);

private:
    GxShaderFactory();
};
