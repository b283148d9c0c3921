#pragma once
// The script system's four process-wide objects, their creation and
// deletion, the outside compiler's launch and the loading of the compiled
// bundle "bincode/moacode.mwb".
#include "base/GxTypes.h"

class GxCoreBase;
class GxMoaEx;
class GxMoaWorkerEx;
class GxMoaBuiltinDefault;
class GxMoaFunctionBinder;

extern GxMoaEx* g_pMoa;
extern GxMoaWorkerEx* g_pMoaMainWorker;
extern GxMoaBuiltinDefault* g_pMoaBuiltinDefault;
extern GxMoaFunctionBinder* g_pMoaFunctionBinder;

// Builds the four objects afresh (a second call replaces them) and registers
// the default builtins; the registration's result.
bool GxMoaStartup(GxCoreBase* core);
// Deletes whatever exists: binder, default builtins, main worker, instance.
void GxMoaShutdown();
// Runs "brelkit.exe" on the "scripts" and "bincode" folders of the current
// directory and waits for it; its exit code, or 1 when it cannot be started
// or dies by a signal.
u32 RunScriptCompiler();
// Reads "bincode/moacode.mwb" into g_pMoa, then creates the EXTERN variables
// and the main worker's GLOBAL variables and script entities. A bundle larger
// than kGxMoaBundleMaxSize is refused unread.
bool LoadMoaBincode();

// The largest bundle read, the same as the largest body a compressed one may
// inflate to: the scripts of the longest game come to a few dozen megabytes.
inline constexpr u32 kGxMoaBundleMaxSize = 256u << 20;
