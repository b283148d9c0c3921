#pragma once
// Every piece of state the process holds outside the objects a caller owns:
// what it is, who makes it, who ends it, and how a test puts it back.
//
// The process object (GxCore) is the one owner. Its Initialize makes the
// services and its Finalize ends them, in the reverse order, after the
// loader, audio and movie threads are joined; a core destroyed unfinalised
// runs the same Finalize. Finalize ends the game's part through
// GxGameTerminate and the process's part through GxEndProcessServices; the
// program entry then runs GxEndFileSystem. Owned objects are held by
// unique_ptr. Lower folders reach them through the accessors named here
// (pointers set beside the owner, null outside start-up to shutdown).
//
// The last column is what GxResetProcessState does beyond those three ends,
// which it runs first: "end" where they leave the entry as a new process has
// it, "stays" with the note that says why, else the call that puts back what
// a finished process still has.
//
//   state (file)                           accessor                       made by / ended by                   reset
//   -------------------------------------- ------------------------------ ------------------------------------ -----
//   process object (engine/GxCore.cpp)     GxCore::GetInstance(),         first use / the process's exit       stays (1)
//                                          GxCoreBase::GetCoreBase()
//     (tasks/GxCoreBase.cpp g_Core)                                       each core's constructor / destructor stays (2)
//   running core (engine/GxCore.cpp)       none (device-quit handler)     GxCore::Initialize / its Finalize    stays (2)
//   system config, shared assets, task     GxCoreBase accessors,          GxCore::Initialize / Finalize        stays (1)
//     manager, UI manager, profile         GxUIManage::Get() (ui/         (unique_ptr); the UI manager's
//                                          GxUIManage.cpp g_Manage)       constructor / destructor set it
//   user settings, game state, permanent   GxUserConfig::Get(),           GxCore::Initialize / Finalize        Set(nullptr)
//     data (gamedata/GxUser*.cpp)          GxUserData::Get(), ...         (unique_ptr); tests Set their own
//   message settings (ui/                  GxMessageSettingsBase::Get()   set with the user settings           Set(nullptr)
//     GxMessageSettingsBase.cpp)
//   debug window (engine/GxDebugWindow)    GxGetDebugWindow()             GxCore::Initialize /                 end
//                                                                         GxEndProcessServices
//   debug console (engine/                 GxDebugConsoleOutputEx::       first use / never (*)                Clear
//     GxDebugConsoleOutputEx)              GetInstance()
//   script system (script/GxMoaSystem)     g_pMoa(), g_pMoaMainWorker(),  GxMoaStartup / GxMoaShutdown, from   end
//                                          g_pMoaBuiltinDefault(),        the game's start-up and
//                                          g_pMoaFunctionBinder()         GxGameTerminate
//   data tables (gamedata/DB*.cpp: key     g_DBAvgChar, g_DBBGMMode, ...  static storage, filled by            GxResetDataTables
//     map, characters, BGM, CG and view,   (the objects themselves)       GxLoadDataTables at the game's
//     replay, UI module and layout, voice                                 start-up; kept to the exit
//     volume, system voice)
//   game services (game/GxGameModule.cpp:  GxUserDataHost::Get(),         GxGameInitialize / GxGameTerminate   end
//     user data host, layer and scene      GxLayerServices::Get(),        (installed and removed by Set)
//     services; the pointers in gamedata/  GxSceneGameServices::Get()
//     GxUserDataHost, layers/GxLayer-
//     Services, scenes/GxSceneGameServices)
//   the game's AvgCore (game/AvgCore.cpp)  AvgCore::GetInstance()         first use / the process's exit;      end
//                                                                         AttachCore / DetachCore (from
//                                                                         GxGameTerminate)
//   game sound's test voice and sub        game sound functions,          the game's start-up / GxGame-        end
//     voices (game/GxGameSound.cpp), BGM   GxGetBGMRestraintLevel()       Terminate (GxResetSoundState); the
//     restraint (gamedata/GxUserConfig)                                   restraint also lowered by the system
//                                                                         scene under a voice, raised by a new
//                                                                         play
//   global render targets (game/           GxGetGlobalRenderTexture()     the game's start-up / GxGame-        end
//     GxGlobalRenderTargets.cpp)                                          Terminate
//   icon index (game/GxIconIndex.cpp)      GxGetIconIndex()               the game's start-up / GxGame-        end
//                                                                         Terminate
//   image-set pool (layers/                GxNcImageSetPool::Get()        the game's start-up / GxGame-        end
//     GxNcImageSetPool.cpp)                                               Terminate
//   layout projects and image sets         GetInstance()                  first use / emptied by               end
//     (layers/GxNcProjectFactory.cpp,                                     GxEndProcessServices
//     GxNcCrammedImageSetFactory.cpp)
//   layer text drawer (layers/             GxSetLayerTextDrawer           a test's / the same test             set to null
//     GxLayerTextSeam.cpp)
//   movie players (media/movie/GxMovie)    GxMoviePlayerSlots (raw        GxMovie::Open / Close, GxMovie::     end
//                                          owning pointers)               Shutdown from GxEndProcessServices
//   audio and sound back ends (media/      GxAudio, GxSound               Initialize / Shutdown, from          end
//     sound/GxAudio.cpp, GxSound.cpp)                                     GxEndProcessServices
//   audio output (platform/audio/          output_device::instance()      first use / the exit; set_mode,      mode set to
//     output_device.cpp)                                                  opened by the first acquire and      automatic (3)
//                                                                         closed by the last release
//   graphics device, adapter, config and   GxGraphics                     Initialize / Finalize, from          GxGraphics::
//     what start-up found (graphics/                                      GxEndProcessServices; SetAdapter,    ForgetStartup
//     GxGraphics.cpp State)                                               GetConfig (*)
//   texture, flex-texture, shader          GetInstance()                  first use / emptied by GxGraphics::  end
//     factories (graphics/GxTexture-                                      Finalize and FinalizeShader
//     Factory.cpp, GxTextureFlexFactory,
//     GxShaderFactory)
//   effect pool (graphics/                 GxGetEffectPool()              InitializeShader / FinalizeShader (*) end
//     GxShaderEffectPool.cpp Current)
//   effect sources preferred (graphics/    GxShaderEffect::               InitializeShader / SetPreferSource   GxGraphics::
//     GxShaderEffect.cpp)                  GetPreferSource()                                                   ForgetStartup
//   render-state cache (graphics/          GxSetRenderState, ...          first use / a new device's           GxGraphics::
//     GxRenderState.cpp)                                                  GxClearRenderStateCache              ForgetStartup
//   widest SIMD level the rasteriser uses  prender::detail::span_simd()   what the processor has / lowered by  limit_span_simd
//     (platform/render/span_kernels.cpp)                                  limit_span_simd (tests, benchmarks)  to the widest
//   global fonts (graphics/                GxGlobalFonts::GetFontMap, ... first use / ReleaseAll from          GxGlobalFonts::
//     GxGlobalFonts.cpp)                                                  GxGameTerminate                      ResetFontMaps
//   default lights, camera (graphics/      GxGetDefaultLight(),           first use / the render state's       GxResetLights-
//     GxLight.cpp)                         GxGetCamera()                  defaults                             AndCamera
//   resource registry (graphics/           GxD3DResourceManage::          first use / never (*)                stays (2)
//     GxD3DResourceManage.cpp)             GetInstance()
//   input (tasks/GxInput.cpp; platform/    GxGetInputState(), the key     GxCore::Initialize (GxInitInput) /   GxResetInput
//     input/input_devices.cpp)             map and analog assignment      GxReleaseInput, from GxEndProcess-
//                                                                         Services
//   window event pump, cursors, buttons    pwin functions                 first use / discard_events,          reset_window_-
//     injected as held, last window error                                 release_cursors, from GxEndProcess-  system
//     (platform/window/event_pump.cpp,                                    Services
//     window.cpp, event_inject.cpp)
//   file system: packs, cache and its      GxFileSystem functions         the program entry (limits, "system.- GxResetFile-
//     limits (io/GxFileSystem.cpp)                                        gxp"), the configuration's packs,    System: cache
//                                                                         the game's start-up (cache on) /     off, no capacity
//                                                                         GxEndFileSystem (*)                  or largest file
//   folder names (io/GxDiskPath.cpp)       GxResolveDiskPath              first use / never (*)                GxClearDiskPathCache
//   logs: paths, listener, skip flag,      GxSetErrorLogPath, ...         GxCore::Initialize / never (*)       GxResetLogs
//     error count, held lines (base/
//     GxLog.cpp)
//   shared random generator and the seeds  GxRandom::Default()            first use / never                    GxRandom::
//     of new generators (base/GxRandom.cpp)                                                                    ResetShared
//   layers' random generator (base/        GxRuntimeRandom::Next()        starts from 1 / seeded at the game's Seed(1)
//     GxRuntimeRandom.cpp)                                                start-up
//   safe-file step hook (platform/system/  set_safe_file_step_hook        a test's / the same test             set to null
//     safe_file.cpp)
//   the last failed write's reason for the GxPersistFile::                each write of the game data /        emptied
//     player (gamedata/GxPersistFile.cpp)  FailureForPlayer()             never
//   folders' ways of writing and locks     psys::folder_way,              first write or settling in a folder, forget_folders
//     (platform/system/safe_file.cpp)      set_folder_locked              GxCore::Initialize / GxCore's end
//   clock (platform/system/clock.cpp)      psys::current_clock()          the system clock / set_current_clock set to null
//   SIGXFSZ ignored, so that a write past  none                           GxCore::Initialize (psys::fail_      stays (4)
//     the file-size limit fails (platform/                                writes_past_size_limit) / never
//     system/file_system.cpp)
//   SIGHUP turned into a quit: a handler   none (the pump's next pass     GxCore::Initialize (pwin::quit_on_-  stays (4)
//     and the flag it sets (platform/      takes it as SDL's quit)        hang_up), where no handler was set /
//     window/event_pump.cpp)                                              never
//   SIGTERM and SIGINT turned into a quit  none (SDL's quit event, which  SDL's event system, started by the   stays (5)
//     (SDL's handlers, where none was set) the pump makes the main        first window or the input devices /
//                                          window's destroy)              stopped by the last of them
//   movie graphs, wake events (platform/   none                           each graph's or event's constructor  stays (2)
//     movie/movie_graph.cpp, platform/                                    / destructor
//     audio/wake_event.cpp registries)
//   event pump's attached windows          none                           window::create / destroy             stays (2)
//
// (1) The owner itself: a test makes its own core (or none) and ends what it
//     made with Finalize; the reset ends the services, not their owner.
// (2) It follows objects that are alive: each enters itself when it is made
//     and leaves when it goes, so what is left names only what a caller still
//     holds, and emptying it would leave those objects unreachable.
// (3) The output itself opens and closes with its users (the back ends,
//     which the reset shuts down); only its mode is the process's.
// (4) Set once by the program's start and never undone: a signal's
//     disposition belongs to the whole process, which never needs the old
//     one back. Put back, a file-size limit that a test sets would end the
//     whole test program instead of failing one write.
// (5) SDL's handlers, in place while its event system runs for the windows
//     and input devices that are alive; the reset's release of the input
//     devices lets go of their part.
//
// (*) Built on first use and never destroyed, so that what runs after the
// process object is gone (threads that outlive static destruction, exit-time
// destructors of other files' statics, whose order is not set) still finds
// them; only the process's exit ends them. Their contents are emptied by the
// ends and resets that GxResetProcessState runs (the resource registry's
// follow what is alive, (2)); only the shell stays.
//   - LogState (base/GxLog.cpp): threads may still log while statics go.
//   - the debug console: the logs' listener, installed at start-up and never
//     removed, so it outlives the logs' last line.
//   - FileSystem (io/GxFileSystem.cpp): loads from such threads; FolderCache
//     (io/GxDiskPath.cpp), which those loads use.
//   - State (graphics/GxGraphics.cpp): resources released by exit-time
//     destructors (the factories' and the global fonts' statics) still ask
//     for the device; GxD3DResourceManage (graphics/GxD3DResourceManage.cpp),
//     which those resources report to, and whose exit report (g_ExitReport,
//     no state of its own) runs after them; and the effect pool's Current
//     (graphics/GxShaderEffectPool.cpp), which effects still held reach.
//
// Constants, once-flags and pure caches of unchanging data, which need no
// reset: the key, half-width and embedded-resource tables, the pack scramble
// table, GxVector2Zero, fontconfig's and FreeType's handles and the face
// lookup (platform/glyph/face_finder.cpp, font.cpp), the monotonic system
// clock, the code-page converters of each thread (platform/system/
// codepage.cpp), the interpreter's spare argument arrays of each thread
// (script/GxMoaExecutor.cpp, kept empty between calls), the counters that
// only tell a change or a new object (surfaces' ids in platform/render/
// resources.cpp, the audio and sound players' serials, the task links' and
// the variable tables' change counts), the libav registration's once flag
// (platform/movie/container.cpp), the services without state that the game
// installs (game/GxGameModule.cpp's g_UserDataHost, g_LayerServices,
// g_SceneServices and the script's main host g_MainHost; layers'
// g_Defaults), and the locks guarding the above and the message box
// (platform/window/message_box.cpp).

namespace pwin {
class window;
}

// The process's part of the shutdown, which GxCore::Finalize runs once the
// game has ended and the core's own holders are gone: the layout projects and
// image sets still held reported and let go, the sound, audio and movie back
// ends shut down, the input devices released, the shader side and the device
// ended, then the main window (when one is given) destroyed, the events still
// queued and the cursors let go, and the debug window closed. Each step
// leaves alone what never started.
void GxEndProcessServices(pwin::window* mainWindow);

// Puts every entry above back as a new process has it, except those that
// stay: first the program's own end, each part once (GxGameTerminate without
// a core, GxEndProcessServices without a main window, GxEndFileSystem within
// GxResetFileSystem), then the last column's calls. What never started is
// not started; a shell built on first use (AvgCore, the factories, the audio
// output, the debug console, the state behind the functions above) may be
// built by the reset itself, empty, as a new process builds it on its first
// use. For tests, which share one process between cases.
void GxResetProcessState();
