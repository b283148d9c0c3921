#pragma once
// Every piece of state the process holds outside the objects a caller owns:
// what it is, who makes it, who ends it, and how a test puts it back.
//
// The process object (GxCore) is the one owner. Its Initialize makes the
// services and its Finalize ends them, in the reverse order, after the
// loader, audio and movie threads are joined; ~GxCore ends what a core that
// was never finalised still holds. Owned objects are held by unique_ptr.
// Lower folders reach them through the accessors named here (pointers set
// beside the owner, null outside start-up to shutdown).
//
//   state (file)                          accessor                      made by / ended by
//   ------------------------------------- ----------------------------- -----------------------------------------
//   process object (engine/GxCore.cpp)    GxCore::GetInstance(),        first use / the process's exit
//                                         GxCoreBase::GetCoreBase()
//   system config, shared assets, task    GxCoreBase accessors,         GxCore::Initialize / Finalize (unique_ptr)
//     manager, UI manager, profile        GxUIManage::Get()
//   user settings, game state, permanent  GxUserConfig::Get(),          GxCore::Initialize / Finalize (unique_ptr);
//     data (gamedata/GxUser*.cpp)         GxUserData::Get(), ...        tests install their own with Set
//   debug window (engine/GxDebugWindow)   GxGetDebugWindow()            GxCore::Initialize / Finalize (unique_ptr)
//   script system (script/GxMoaSystem)    g_pMoa(), g_pMoaMainWorker(), GxMoaStartup / GxMoaShutdown (one object,
//                                         g_pMoaBuiltinDefault(),       its four parts by unique_ptr), from the
//                                         g_pMoaFunctionBinder()        game's start-up and shutdown
//   data tables (gamedata/DB*.cpp)        g_DBAvgChar, g_DBBGMMode, ... objects of static storage, filled by
//                                         (the objects themselves)      GxLoadDataTables at the game's start-up,
//                                                                       emptied by GxResetDataTables
//   game services (game/GxGameModule)     GxUserDataHost::Get(),        GxGameInitialize / GxGameTerminate
//                                         GxLayerServices::Get(),       (objects of static storage installed
//                                         GxSceneGameServices::Get()    and removed by Set)
//   message settings (ui)                 GxMessageSettingsBase::Get()  set with the user settings
//   game sound's test voice, sub voices,  game functions                the game's start-up / its shutdown
//     render targets, icon index (game/)                                (GxClearIconIndex)
//   movie players (media/movie/GxMovie)   GxMoviePlayerSlots (raw       GxMovie::Open / Close, GxMovie::Shutdown
//                                         owning pointers)              from GxCore::Finalize
//   main scene's AvgCore (game/AvgCore)   AvgCore::GetInstance()        first use / the process's exit
//   BGM restraint (gamedata/GxUserConfig) GxGetBGMRestraintLevel()      the settings / GxSetBGMRestraintLevel
//   audio and sound back ends             GxAudio, GxSound              Initialize / Shutdown
//   audio output (platform/audio)         output_device::instance()     first use / the exit; set_mode
//   graphics device, adapter, config      GxGraphics                    Initialize / Finalize; SetAdapter (*)
//   texture, flex-texture, shader         GetInstance()                 first use / emptied by GxGraphics::Finalize
//     factories, global fonts, render-                                  and FinalizeShader, GxGlobalFonts::
//     state cache, default lights/camera                                ReleaseAll
//   layout projects, image sets and pool  GetInstance()                 first use / emptied by GxCore::Finalize
//     (layers/GxNc*.cpp)                                                (ClearAll, Clear)
//   input (tasks/GxInput.cpp,             GxInit/ReleaseInput, the key  GxCore::Initialize / Finalize;
//     platform/input)                     map and analog assignment     GxClearKeyMapTable, GxClearAnalogAssign
//   window event pump, cursors            pwin functions                first use / discard_events, release_cursors
//     (platform/window)
//   file system: packs, cache, folder     GxFileSystem functions        first use / GxResetFileSystem (*)
//     names (io/GxFileSystem, GxDiskPath)
//   logs: paths, listener, skip flag,     GxSetErrorLogPath, ...        GxCore::Initialize / never (*)
//     error count (base/GxLog.cpp)
//   debug console (engine/                GxDebugConsoleOutputEx::      first use / never (*)
//     GxDebugConsoleOutputEx)             GetInstance()
//   clock (platform/system/clock.cpp)     psys::current_clock()         the system clock / set_current_clock
//
// (*) Built on first use and never destroyed, so that what runs after the
// process object is gone (threads that outlive static destruction, exit-time
// destructors of other files' statics, whose order is not set) still finds
// them; only the process's exit ends them. Their contents are emptied by
// their own resets, which GxResetProcessState calls; only the shell stays.
//   - LogState (base/GxLog.cpp): threads may still log while statics go.
//   - the debug console: the logs' listener, installed at start-up and never
//     removed, so it outlives the logs' last line.
//   - FileSystem (io/GxFileSystem.cpp): loads from such threads; FolderCache
//     (io/GxDiskPath.cpp), which those loads use.
//   - State (graphics/GxGraphics.cpp): resources released by exit-time
//     destructors (the factories' and the global fonts' statics) still ask
//     for the device; GxD3DResourceManage (graphics/GxD3DResourceManage.cpp),
//     which those resources report to, and the effect pool's Current
//     (graphics/GxShaderEffectPool.cpp), which effects still held reach.
//
// Constants and pure caches of unchanging data, which need no reset: the
// key, half-width and embedded-resource tables, the pack scramble table,
// GxVector2Zero, the detected SIMD level, fontconfig's and FreeType's handles
// and the face lookup, the system clock, the surface, player and link-change
// counters, the random generators' seed counter, the default system config
// of GxGameInitialize, the grammar's operator tables, the libav
// registration's once flag, and the locks guarding the above.

// Puts the whole engine back as a fresh process has it, in the shutdown
// order: the script system, the audio and sound back ends and the output's
// mode, the graphics device and its adapter and config, the game's holders
// and services, the data tables, the key map and analog assignment, the file
// system, the BGM restraint, the logs' paths and skip flag, and the clock.
// What was never made is left alone. For tests, which share one process
// between cases.
void GxResetProcessState();
