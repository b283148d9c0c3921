#pragma once
// A shader effect read from a source file (".fx"), with its techniques (in
// the order of a ".tcl" list beside it, or every valid one), its parameters,
// and a fixed table of the engine's parameters found by name, ready for
// drawing code. Effects are parsed, not run: no engine drawing uses one, and
// compiled effect files (".fxbin") are refused. Shared by name through
// GxShaderFactory; made in the current effect pool, whose shared parameters
// they take.
#include "graphics/GxD3DResourceBase.h"
#include "graphics/GxShaderParameter.h"
#include "graphics/GxShaderTechnique.h"
#include "platform/image/effect.h"

#include <memory>
#include <vector>

class GxShaderEffectPool;

class GxShaderEffect : public GxD3DResourceBase {
public:
    static constexpr u32 kEngineParameterCount = 32;
    // Compile flag of a source file (skip validation); compiled files take 0.
    static constexpr u32 kCompileFromSource = 2;

    // "MatWorld", "MatInvWorld", ... "PatternIndex"; null outside the table.
    static const GxChar* GetEngineParameterName(u32 row);
    // Whether Create takes the source file when both forms exist (the shader
    // start-up sets it).
    static void SetPreferSource(bool prefer);
    static bool GetPreferSource();

    GxShaderEffect();
    ~GxShaderEffect() override;

    void Release() override;
    // Device loss and reset: see IsDeviceLost.
    void OnLost() override;
    void OnReset() override;
    // Between a device loss and its reset, when the effect must not be drawn
    // with. Loading again (Reload) while lost leaves it lost until the reset.
    bool IsDeviceLost() const;

    // Loads the effect under its lower-cased name and registers it holding
    // one reference, whether the load succeeded or not; the load's result.
    virtual bool Create(const GxChar* name);
    virtual bool CreateFromFile(const GxChar* name, bool preferSource);
    // Empties the effect and loads it again from its name.
    virtual bool Reload();

    bool IsLoaded() const { return m_Loaded; }
    const pimage::effect* GetEffect() const { return m_pEffect.get(); }
    const std::vector<GxShaderTechnique>& GetTechniques() const { return m_Techniques; }
    const std::vector<GxShaderParameter>& GetParameters() const { return m_Parameters; }
    // The handle bound to a row of the engine table, null when none.
    GxShaderHandle GetEngineParameter(u32 row) const;
    // The path and compile flags of the last load.
    const GxString& GetLoadedPath() const { return m_LoadedPath; }
    u32 GetCompileFlags() const { return m_CompileFlags; }

private:
    void Empty();
    void BuildTechniqueList(const GxString& effectPath);
    void AddTechnique(const pimage::effect_technique* technique);
    // handles: each parameter's own, or the pool's for a shared one.
    void BindParameters(const std::vector<GxShaderHandle>& handles);

    std::unique_ptr<pimage::effect> m_pEffect;
    // The pool the effect was made in (null: none) and the shared parameters
    // it took there.
    std::shared_ptr<GxShaderEffectPool> m_Pool;
    std::vector<const pimage::effect_parameter*> m_Shared;
    bool m_DeviceLost = false;
    GxShaderHandle m_EngineParameters[kEngineParameterCount] = {};
    bool m_Loaded = false;
    std::vector<GxShaderTechnique> m_Techniques;
    std::vector<GxShaderParameter> m_Parameters;
    GxString m_LoadedPath;
    u32 m_CompileFlags = 0;
};
