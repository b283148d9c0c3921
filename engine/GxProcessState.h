#pragma once
// Every piece of state the process holds outside the objects a caller owns:
// what it is, who makes it, who ends it, and how a test puts it back.
//
// The process object (GxCore) is the one owner. Its Initialize makes, and its
// Finalize ends, in this order (Finalize runs it backwards after the loader,
// audio and movie threads are joined):
//
//   state (where)                        reached through             made by / ended by
//   ------------------------------------ --------------------------- ---------------------------------------
//   logs' paths and skip flag            GxSetErrorLogPath ...       GxCore::Initialize / lives to the end (*)
//     (base/GxLog.cpp LogState)
//   file system: packs, folder cache     GxFileSystem functions      first use / GxResetFileSystem (*)
//     (io/GxFileSystem.cpp, io/GxDiskPath.cpp)
//   clock                                psys::current_clock         monotonic by default / set_current_clock
//   system config, shared assets,        GxCoreBase accessors        GxCore::Initialize / Finalize (unique_ptr)
//     task manager, UI manager           GxUIManage::Get()
//   user settings, game state,           GxUserConfig::Get() ...     GxCore::Initialize / Finalize (unique_ptr;
//     permanent data                                                 the accessors are pointers set beside)
//   data tables (gamedata/DB*.cpp)       g_DBAvgChar ... (objects)   GxLoadDataTables at the game's start-up /
//                                                                    GxResetDataTables
//   graphics device, adapter, config     GxGraphics                  GxGraphics::Initialize / Finalize (*)
//     (graphics/GxGraphics.cpp State)
//   texture/shader/project factories,    GetInstance()               first use / GxGraphics::Finalize(Shader),
//     image-set pool, render-state cache                             GxNcProjects ClearAll
//   audio and sound back ends            GxAudio, GxSound            Initialize / Shutdown
//   script system (one GxMoaSystem)      g_pMoa(), g_pMoaMainWorker() GxMoaStartup / GxMoaShutdown (unique_ptr)
//                                        g_pMoaBuiltinDefault(), g_pMoaFunctionBinder()
//   game services: user-data host,       GxUserDataHost::Get() ...   GxGameInitialize / GxGameTerminate
//     layer and scene services, main host                            (objects in game/GxGameModule.cpp)
//   global render targets, test voice,   game functions              the game's start-up / its shutdown
//     sub voices
//   movie player slots                   GxMoviePlayerSlots          the movie builtins / the game's shutdown
//   BGM restraint level                  GxGetBGMRestraintLevel      the settings / GxSetBGMRestraintLevel
//   running core                         GxCoreBase::GetCoreBase()   GxCore's constructor / its destructor
//   debug window                         GxGetDebugWindow()          GxCore::Initialize / Finalize (unique_ptr)
//   debug console                        GetInstance()               first use / never (*)
//
// (*) Built on first use and never destroyed, so that whatever runs after the
// process object is gone (threads that outlive static destruction, exit-time
// destructors of other files' statics, whose order is not set) still finds
// them; only the process's exit ends them:
//   - LogState (base/GxLog.cpp): threads may still log while statics go;
//   - FileSystem (io/GxFileSystem.cpp): loads from such threads; FolderCache
//     (io/GxDiskPath.cpp), which those loads use;
//   - State (graphics/GxGraphics.cpp): resources released by exit-time
//     destructors still ask for the device; GxD3DResourceManage
//     (graphics/GxD3DResourceManage.cpp), which those resources report to,
//     and the effect pool's Current (graphics/GxShaderEffectPool.cpp);
//   - the debug console (engine/GxDebugConsoleOutputEx.cpp): the logs'
//     listener, installed at start-up and never removed, so it outlives the
//     logs' last line.
// Their contents are emptied by their own resets (GxResetFileSystem,
// GxGraphics::Finalize, the log paths set empty), which GxResetProcessState
// calls; only the empty shell stays.
//
// Constant or pure caches of immutable data, which need no reset: the key and
// half-width tables, the embedded resources, the pack scramble table,
// GxVector2Zero, the SIMD level, fontconfig's and FreeType's handles and the
// face lookup, the monotonic clock, the surface and player counters, the
// random generators' seeds counter, the default lights and camera, the
// grammar's operator tables.

// Puts the whole engine back as a fresh process has it, in the shutdown
// order: the script system, the audio and sound back ends and the output's
// mode, the graphics device and its adapter and config, the game's holders
// and services, the data tables, the file system, the BGM restraint, the
// logs' paths and skip flag, and the clock. What was never made is left
// alone. For tests, which share one process between cases.
void GxResetProcessState();
