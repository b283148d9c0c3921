#pragma once
// The script system: one object holding the interpreter instance, the main
// worker, the default builtins and the builtin binder; its creation and
// deletion, the outside compiler's launch and the loading of the compiled
// bundle "bincode/moacode.mwb".
#include "base/GxTypes.h"

#include <memory>

class GxCoreBase;
class GxMoaEx;
class GxMoaWorkerEx;
class GxMoaBuiltinDefault;
class GxMoaFunctionBinder;

class GxMoaSystem {
public:
    // The four parts, the main worker owned by the instance and given the core.
    explicit GxMoaSystem(GxCoreBase* core);
    // The parts go in the reverse order of their members: binder, default
    // builtins, main worker, instance.
    ~GxMoaSystem();
    GxMoaSystem(const GxMoaSystem&) = delete;
    GxMoaSystem& operator=(const GxMoaSystem&) = delete;

    // The one made by GxMoaStartup; null before it and after GxMoaShutdown.
    static GxMoaSystem* Get();

    std::unique_ptr<GxMoaEx> m_Moa;
    std::unique_ptr<GxMoaWorkerEx> m_MainWorker;
    std::unique_ptr<GxMoaBuiltinDefault> m_BuiltinDefault;
    std::unique_ptr<GxMoaFunctionBinder> m_FunctionBinder;
};

// The parts of the script system; null while it does not exist.
GxMoaEx* g_pMoa();
GxMoaWorkerEx* g_pMoaMainWorker();
GxMoaBuiltinDefault* g_pMoaBuiltinDefault();
GxMoaFunctionBinder* g_pMoaFunctionBinder();

// Builds the script system afresh (a second call replaces it) and registers
// the default builtins; the registration's result.
bool GxMoaStartup(GxCoreBase* core);
// Deletes the script system when it exists.
void GxMoaShutdown();
// Runs "brelkit.exe" on the "scripts" and "bincode" folders of the current
// directory and waits for it; its exit code, or 1 when it cannot be started
// or dies by a signal.
u32 RunScriptCompiler();
// Reads "bincode/moacode.mwb" into g_pMoa(), then creates the EXTERN variables
// and the main worker's GLOBAL variables and script entities. A bundle larger
// than kGxMoaBundleMaxSize is refused unread.
bool LoadMoaBincode();

// The largest bundle read, the same as the largest body a compressed one may
// inflate to: the scripts of the longest game come to a few dozen megabytes.
inline constexpr u32 kGxMoaBundleMaxSize = 256u << 20;
