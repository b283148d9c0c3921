#include "engine/GxCore.h"

#include "base/GxLog.h"
#include "base/GxProfileEx.h"
#include "base/GxStringUtil.h"
#include "engine/GxDebugConsoleOutputEx.h"
#include "engine/GxDebugStatus.h"
#include "engine/GxDebugWindow.h"
#include "engine/GxExecuteFrame.h"
#include "engine/GxPlaythrough.h"
#include "engine/GxProcessState.h"
#include "gamedata/DBUILayout.h"
#include "gamedata/GxPersistFile.h"
#include "gamedata/GxSaveSlot.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "tasks/GxInput.h"
#include "tasks/GxSharedAssetManage.h"
#include "tasks/GxSystemConfig.h"
#include "tasks/GxTaskManage.h"
#include "game/GxGameModule.h"
#include "game/SeqSystem.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxGraphicsTypes.h"
#include "media/movie/GxMovie.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "platform/render/present_target.h"
#include "platform/system/file_system.h"
#include "platform/system/safe_file.h"
#include "platform/window/event_pump.h"
#include "ui/GxUIManage.h"

#include <algorithm>

namespace {

constexpr f32 kVirtualWidth = 1024.0f;
constexpr f32 kVirtualHeight = 768.0f;
constexpr int kWindowWidth = 1024;
constexpr int kWindowHeight = 768;

// The core whose loop a fatal device error ends.
GxCore* g_RunningCore = nullptr;

void OnDeviceQuit(int exitCode) {
    if (g_RunningCore) g_RunningCore->RequestExit(exitCode);
}

// The core takes no part in device loss and reset.
void OnDeviceEvent(u32, u32) {}

} // namespace

GxCore* GxCore::GetInstance() {
    static GxCore instance;
    return &instance;
}

GxCore::GxCore() = default;

// A core that was started and never finalised (a test that stops early, an
// exception out of Run) ends the one way every core ends.
GxCore::~GxCore() {
    if (m_Holding) Finalize();
}

void GxCore::DeleteGameDataHolders() {
    if (GxUserData::Get() == m_UserData.get()) GxUserData::Set(nullptr);
    if (GxUserDataPerman::Get() == m_UserDataPerman.get()) GxUserDataPerman::Set(nullptr);
    if (GxUserConfig::Get() == m_UserConfig.get()) GxUserConfig::Set(nullptr);
    m_UserData.reset();
    m_UserDataPerman.reset();
    m_UserConfig.reset();
}

void GxCore::ShowStartupMessage(const GxString& text) {
    GxMessageBox(m_SystemConfig ? m_SystemConfig->m_AppTitle.c_str() : m_Title.c_str(), u"%s", text);
}

bool GxCore::RefuseIfRunningCopy(const psys::instance_lock& lock, bool taken, const GxChar* failedLine) {
    if (taken) return false;
    if (lock.busy()) {
        ShowStartupMessage(u"既に起動中です");
        return true;
    }
    // Only a running copy refuses the start; a lock that cannot be had at
    // all costs the guard, not the game (the saves then keep aside what
    // another copy wrote since they were read).
    GxWriteErrorLog(failedLine, GxFromUtf8(lock.failure()));
    return false;
}

bool GxCore::Initialize() {
    // A save or a log line past the player's file-size limit fails and is
    // told, as on a full disk; the play goes on.
    psys::fail_writes_past_size_limit();
    // A closed terminal ends the game as SIGTERM does: through the window's
    // end, so that what the player unlocked is written.
    pwin::quit_on_hang_up();
    // Until the save folder is known the log lines wait in memory; whatever
    // ends start-up, they then reach a log or standard error.
    GxHoldLogLines();
    struct HeldLines {
        ~HeldLines() { GxReleaseHeldLogLines(); }
    } heldLines;

    // No configuration is loaded yet, so the built-in title is the caption.
    m_Title = GxSystemConfig().m_AppTitle;

    // A scripted run takes its clock before anything reads one.
    std::string playthroughError;
    m_Playthrough = GxPlaythrough::FromEnvironment(&playthroughError);
    if (!playthroughError.empty()) {
        GxMessageBox(m_Title.c_str(), u"%s", GxFromUtf8(playthroughError));
        return false;
    }
    if (m_Playthrough) m_Playthrough->Start();

    const GxString workingFolder = GxGetCurrentDirectory();
    if (workingFolder.size() > kMaxWorkingFolderLength) {
        GxMessageBox(m_Title.c_str(),
                     u"インストール先のパスが長すぎます。\nお手数ですがもっと階層の浅いフォルダにインストールしてみてください。\n"
                     u"(インストール可能なパス最大長は%d文字です)",
                     int(kMaxWorkingFolderLength + 1));
        return false;
    }

    m_SystemConfig = std::make_unique<GxSystemConfig>();
    if (!m_SystemConfig->LoadSystemConfig()) {
        ShowStartupMessage(u"システム設定ファイルの読み込みに失敗しました。考えられる原因は以下の通りです。\n"
                           u"・ウイルス対策ソフトによって動作がブロックされている。\n"
                           u"・インストールが正しく行われていない。\n"
                           u"・実行ファイルの作業ディレクトリが正しく無い。");
        m_SystemConfig.reset();
        return false;
    }
    m_SystemConfig->LoadDeveloperSettings();

    if (RefuseIfRunningCopy(m_InstanceLock, m_InstanceLock.acquire(GxToUtf8(m_SystemConfig->m_AppTitle)),
                            u"Error/GxCore Single Instance Lock Failed(%s)\n")) {
        m_SystemConfig.reset();
        return false;
    }

    m_Title = m_SystemConfig->m_AppTitle;
    MakeSaveFolder();
    // Two copies on one save folder would each write back only what they
    // hold: a second copy is refused before it writes anything there,
    // whichever runtime folder or user the title's lock saw.
    const GxString lockedFolder = m_SaveDir.empty() ? workingFolder : m_SaveDir;
    const bool exclusive = m_SaveFolderLock.acquire_folder(GxToNativePath(lockedFolder));
    if (RefuseIfRunningCopy(m_SaveFolderLock, exclusive, u"Error/GxCore Save Folder Lock Failed(%s)\n")) {
        m_SystemConfig.reset();
        m_InstanceLock.release();
        return false;
    }

    // From here every way out of start-up, and the destructor, finalises.
    m_Holding = true;
    m_UserConfig = std::make_unique<GxUserConfig>(this);
    GxUserConfig::Set(m_UserConfig.get());
    m_WindowCreated = m_WindowActive = m_Started = m_Quit = false;
    m_ProfileEx = std::make_unique<GxProfileEx>();
    m_SharedAssetManage = std::make_unique<GxSharedAssetManage>();

    GxResetErrorCount();
    GxSetDebugLogPath(m_SaveDir + u"debug.log");
    GxSetErrorLogPath(m_SaveDir + u"error.log");
    GxSetDeviceLogPath(m_SaveDir + u"device.log");

    GxCreateDebugWindow();
    m_DebugWindowMade = true;
    GxSetGameStartupDefaults(this);
    // The last run's logs are gone now; this run's first lines follow.
    GxReleaseHeldLogLines();
    // How files are written whole in the save folder is found once, here,
    // and said, and what writes a kill cut short left is settled before
    // anything reads the folder (platform/system/safe_file.h). Without a save
    // folder the files go to the game's own, named as the writers name it.
    std::vector<psys::held_file> heldPermanent;
    {
        const std::string native = m_SaveDir.empty() ? std::string(".") : GxToNativePath(m_SaveDir);
        std::string way;
        const psys::write_way chosen = psys::folder_way(native, &way);
        // The folder as the player names it, without the closing '/'.
        GxWriteDebugLog(u"GxCore/セーブフォルダへの書き込み方法(%s:%s)\n",
                        m_SaveDir.empty() ? workingFolder : m_SaveDir.substr(0, m_SaveDir.size() - 1),
                        GxFromUtf8(way));
        if (!exclusive) {
            // Said once: where no lock keeps copies apart, what two copies
            // running at once may do to each other's files.
            GxWriteErrorLog(chosen == psys::write_way::look
                                ? u"GxCore/セーブフォルダをロックできず、このファイルシステムでは置き換えずに書き込めないため、"
                                  u"同時に動く他のコピーと同じファイルを同じ瞬間に書き込むと、一方の内容が失われることがあります\n"
                                : u"GxCore/セーブフォルダをロックできないため、同時に動く他のコピーが書き込んだファイルは"
                                  u"「.changed」の付いた名前で残します\n");
        }
        psys::set_folder_locked(native, exclusive);
        heldPermanent = GxSaveSlot::RecoverLeftovers(m_SaveDir, *m_SystemConfig, exclusive);
    }

    m_TaskManage = std::make_unique<GxTaskManage>(this);
    m_UIManage = std::make_unique<GxUIManage>();
    // Screens are built from the game's layout table, read later at the
    // game's start-up into this same array.
    m_UIManage->SetLayoutTable(g_DBUILayout.GetRecords());
    m_UserData = std::make_unique<GxUserData>(this);
    GxUserData::Set(m_UserData.get());
    // A save over a slot another copy writes later (where no lock kept the
    // copies apart) keeps that copy's file, the quick save's too.
    m_UserData->SeeFiles(GxSaveSlot::GameDataPaths(m_SaveDir, *m_SystemConfig));
    m_UserDataPerman = std::make_unique<GxUserDataPerman>(this);
    GxUserDataPerman::Set(m_UserDataPerman.get());
    m_UserDataPerman->MergeAtLoad(std::move(heldPermanent));
    m_RenderBank = 0;

    if (!CreateMainWindow()) {
        // Without a window nothing can be drawn or asked: stop here, as the
        // device start would, and release what was started.
        GxWriteErrorLog(u"Error/GxCore CreateMainWindow Failed(%s)\n", GxFromUtf8(pwin::window::error()));
        GxMessageBox(u"起動できません", u"ウインドウハンドルが取得できません");
        Finalize();
        return false;
    }

    // A device that does not start has said why; nothing after this point
    // could draw, so start-up ends here too.
    if (!GxGraphics::Initialize(&m_MainWindow, nullptr, OnDeviceEvent, OnDeviceEvent)) {
        Finalize();
        return false;
    }
    m_DeviceStarted = true;
    g_RunningCore = this;
    GxGraphics::SetQuitHandler(OnDeviceQuit);
    GxGraphics::InitializeShader();
    GxGraphics::Clear(kGxClearTarget, 0xFFFF0000, 1.0f, 0);

    m_InputStarted = true;
    GxInitInput();
    // Both audio back ends, 3-D off, the queued style first. One that does
    // not start leaves the game silent, not stopped; without a sound device
    // both run on the silent output.
    GxAudio::Initialize(false);
    GxSound::Initialize(m_MainWindow.id(), false);
    GxMovie::Initialize();

    // The console lives above the game module, so the core installs it where
    // the game's start-up would.
    GxSetDebugListener(GxDebugConsoleOutputEx::GetInstance());
    m_GameStarted = true;
    GxGameInitialize(this);
    // Without a sound device the game plays on silent; the player hears
    // nothing and is told why once, on the screen and in error.log.
    const std::string noSound = paudio::output_device::instance().open_failure();
    if (!noSound.empty()) {
        GxWriteErrorLog(u"GxCore/サウンドデバイスを開けませんでした(%s)\n", GxFromUtf8(noSound));
        GxAddSystemNotice(u"サウンドデバイスを開けないため、音声なしで動作しています", GxString(), 0, 0xFFFFFFFF);
    }

    m_Started = true;
    return true;
}

bool GxCore::MakeSaveFolder() {
    const GxSystemConfig& config = *m_SystemConfig;
    GxString path;
    const GxChar* createdMessage;
    bool usable = true;
    if (config.m_SaveToMyDocuments) {
        const GxString documents = GxGetMyDocumentsPath();
        // Without a documents folder the path would name a folder at the root
        // or, worse, a relative one while the message speaks of the documents.
        usable = !documents.empty();
        path = GxCombinePath(documents, config.m_AppSaveDir);
        createdMessage = u"ドキュメントにセーブフォルダ[%s]を作成しました。";
    } else {
        path = GxCombinePath(GxGetCurrentDirectory(), config.m_AppSaveDir);
        createdMessage = u"インストールフォルダにセーブフォルダ[%s]を作成しました。";
    }
    if (usable && !GxIsDirectory(path)) {
        // The player's alone: anyone who may open the folder may lock it, and
        // what the game keeps there is no one else's to read.
        if (psys::make_folder(GxToNativePath(path), true)) {
            GxMessageBox(m_Title.c_str(), createdMessage, config.m_AppSaveDir);
        } else {
            // A copy started beside this one may have made it first: the
            // folder is there, and its lock decides which copy runs.
            usable = GxIsDirectory(path);
        }
    }
    if (!usable) {
        GxMessageBox(m_Title.c_str(), u"セーブフォルダの作成に失敗しました。");
        path.clear();
    }
    m_SaveDir = GxAddPathSeparator(path);
    return usable;
}

bool GxCore::CreateMainWindow() {
    const GxGraphicsConfig& graphics = GxGraphics::GetConfig();
    pwin::window_config config;
    config.title = GxToUtf8(m_Title);
    config.width = int(graphics.m_ScreenWidth);
    config.height = int(graphics.m_ScreenHeight);
    config.windowed = graphics.m_DisplayMode == SCRMODE_WINDOW;
    config.double_clicks = false;
    if (!m_MainWindow.create(config)) return false;
    UpdateCursor();
    m_WindowCreated = true;
    return true;
}

void GxCore::RequestClose() { pwin::request_destroy(m_MainWindow.exists() ? m_MainWindow.id() : 0); }

void GxCore::RequestExit(int exitCode) {
    if (exitCode != 0 && m_ExitCode == 0) m_ExitCode = exitCode;
    RequestClose();
}

bool GxCore::UpdateCursor() {
    switch (GxGraphics::GetConfig().m_CursorMode) {
    case 0:
    case 4:
        pwin::set_cursor_shape(pwin::cursor_none);
        return true;
    case 1:
        pwin::set_cursor_shape(pwin::cursor_arrow);
        return true;
    case 2:
    {
        const u32 mode = GxGraphics::GetConfig().m_DisplayMode;
        const bool windowed = mode == SCRMODE_WINDOW || mode == SCRMODE_WINDOWSIZE;
        pwin::set_cursor_shape(windowed ? pwin::cursor_arrow : pwin::cursor_none);
    }
        return true;
    case 3:
        return true;
    default:
        return false;
    }
}

void GxCore::SetMouseCursor(int index) { pwin::set_cursor_shape(index); }

void GxCore::DrawDebugStatus(f32 x, f32 y) { ::DrawDebugStatus(GxDebugConsoleOutputEx::GetInstance(), x, y); }

GxVector2 GxCore::ToVirtualScreen(int x, int y) const {
    int width = 0, height = 0;
    m_MainWindow.client_size(width, height);
    // A minimised window reports no client area; keep the position finite.
    if (width <= 0) width = kWindowWidth;
    if (height <= 0) height = kWindowHeight;
    // Back through the place the present gives the picture: a window of
    // another shape (full screen) shows it between black bars.
    const prender::picture_place p = prender::fit_picture(
        int(GxGraphics::GetBackBufferWidth()), int(GxGraphics::GetBackBufferHeight()), width, height);
    const f32 w = f32(std::max(p.width, 1)), h = f32(std::max(p.height, 1));
    return GxVector2(f32(x - p.x) * (kVirtualWidth / w), f32(y - p.y) * (kVirtualHeight / h));
}

GxPoint2 GxCore::GetCursorPos() {
    int x = 0, y = 0;
    m_MainWindow.cursor_position(x, y);
    const GxVector2 v = ToVirtualScreen(x, y);
    return GxPoint2{s32(v.x), s32(v.y)};
}

GxTaskRenderManage* GxCore::GetRenderList(int listIndex) {
    if (listIndex < 0 || listIndex >= kRenderListCount) return nullptr;
    return &m_RenderLists[m_RenderBank * kRenderListCount + listIndex];
}

void GxCore::SetRenderBank(int bank) {
    if (bank >= 0 && bank < kRenderBankCount) m_RenderBank = bank;
}

void GxCore::ClearRenderLists() {
    for (int i = 0; i < kRenderListCount; ++i) m_RenderLists[m_RenderBank * kRenderListCount + i].Clear();
}

void GxCore::DrawRenderLists() {
    for (int i = 0; i < kRenderListCount; ++i)
        m_RenderLists[m_RenderBank * kRenderListCount + i].DrawList(m_TaskManage.get(), i);
}

void GxCore::HandleWindowEvent(const pwin::window_event& e) {
    using pwin::event_kind;
    // Events of other windows (the debug window) are not the main window's.
    if (e.window_id != 0 && m_MainWindow.exists() && e.window_id != m_MainWindow.id()) return;
    GxTaskManage* tm = m_TaskManage.get();
    switch (e.kind) {
    case event_kind::destroy:
        pwin::post_quit();
        break;
    case event_kind::quit:
        m_Quit = true;
        break;
    case event_kind::activate:
        if (m_InputStarted) GxAcquireInput(e.active);
        m_WindowActive = e.active;
        if (tm) e.active ? tm->OnActivate() : tm->OnDeactivate();
        break;
    case event_kind::close_request:
        if (!tm || tm->OnClose() == 0) RequestClose();
        break;
    case event_kind::moved:
        m_FrameTimer.Reset();
        break;
    case event_kind::key_down:
        if (tm) tm->OnKeyDown(e.vk, e.key_data);
        break;
    case event_kind::key_up:
        if (tm) tm->OnKeyUp(e.vk, e.key_data);
        break;
    case event_kind::sys_key_down:
    case event_kind::sys_key_up:
        // System keys are left to the window system (Alt+F4 and the like).
        break;
    case event_kind::mouse_move:
        UpdateCursor();
        if (tm) tm->OnMouseMove(ToVirtualScreen(e.x, e.y), e.buttons);
        break;
    case event_kind::button_down: {
        m_MainWindow.set_capture();
        if (!tm) break;
        const GxVector2 pos = ToVirtualScreen(e.x, e.y);
        switch (e.button) {
        case pwin::mouse_button::left: tm->DispatchLButtonDown(pos, e.buttons); break;
        case pwin::mouse_button::right: tm->DispatchRButtonDown(pos, e.buttons); break;
        case pwin::mouse_button::middle: tm->DispatchMButtonDown(pos, e.buttons); break;
        }
        break;
    }
    case event_kind::button_dblclk: {
        if (!tm) break;
        const GxVector2 pos = ToVirtualScreen(e.x, e.y);
        switch (e.button) {
        case pwin::mouse_button::left: tm->DispatchLButtonDblClk(pos, e.buttons); break;
        case pwin::mouse_button::right: tm->DispatchRButtonDblClk(pos, e.buttons); break;
        case pwin::mouse_button::middle: tm->DispatchMButtonDblClk(pos, e.buttons); break;
        }
        break;
    }
    case event_kind::button_up: {
        // A release without the capture began outside the window.
        if (!m_MainWindow.has_capture()) break;
        if (tm) {
            const GxVector2 pos = ToVirtualScreen(e.x, e.y);
            switch (e.button) {
            case pwin::mouse_button::left: tm->OnLButtonUp(pos, e.buttons); break;
            case pwin::mouse_button::right: tm->OnRButtonUp(pos, e.buttons); break;
            case pwin::mouse_button::middle: tm->OnMButtonUp(pos, e.buttons); break;
            }
        }
        m_MainWindow.release_capture();
        break;
    }
    case event_kind::wheel: {
        if (!tm) break;
        const GxPoint2 p = GetCursorPos();
        tm->OnMouseWheel(GxVector2(f32(p.x), f32(p.y)), e.wheel, e.buttons);
        break;
    }
    }
}

void GxCore::PumpMessages() {
    pwin::window_event e;
    while (!m_Quit && pwin::peek_event()) {
        if (!pwin::next_event(e)) break;
        HandleWindowEvent(e);
    }
}

bool GxCore::RunPass() {
    if (m_TaskManage) m_TaskManage->ApplySequenceChanges();
    if (m_Playthrough) m_Playthrough->BeforePass(*this);
    PumpMessages();
    if (m_PassCounter % 4 == 0) {
        // The silent output (no sound device) keeps time with the clock.
        paudio::output_device::instance().service();
        GxAudio::Update();
        GxSound::Update();
        GxAudio::Update3D();
        GxSound::Update3D();
    }
    GxMovie::Update();
    GxExecuteFrame(this);
    if (m_Playthrough) m_Playthrough->AfterPass(*this);
    ++m_PassCounter;
    return !m_Quit;
}

void GxCore::Run() {
    while (RunPass()) {
    }
}

void GxCore::Finalize() {
    m_Started = false;
    if (m_SharedAssetManage) m_SharedAssetManage->ReleaseAll();
    if (m_TaskManage) m_TaskManage->ClearSequences();
    // Only a game that started has read the files it would write: a start-up
    // that failed earlier must not replace them with defaults.
    if (m_GameStarted) {
        // The game is ending, so no notice can show it: what could not be
        // kept is said in a box, with why, before the window goes.
        GxString lost;
        // A file that took its name, though its write could not be made sure,
        // is said as saved, with what could not be.
        const auto said = [](const GxChar* failed, const GxChar* stood) {
            return (GxPersistFile::FailedWriteStands() ? GxString(stood) + u"が、" : GxString(failed) + u"\n") +
                   GxPersistFile::FailureForPlayer() + u"\n";
        };
        if (!m_UserConfig->Save()) lost += said(u"設定の保存に失敗しました", u"設定を保存しました");
        if (!m_UserDataPerman->Save(m_UserDataPerman->GetFilePath(), true))
            lost += said(u"プレイ記録の保存に失敗しました", u"プレイ記録を保存しました");
        if (!lost.empty()) GxMessageBox(m_Title.c_str(), u"%s", lost.substr(0, lost.size() - 1));
    }

    m_UIManage.reset();
    if (m_DeviceStarted) GxGraphics::Clear(kGxClearTarget, 0x00000000, 1.0f, 0);
    // The render lists point into the task tree that goes now.
    for (GxTaskRenderManage& list : m_RenderLists) list.Clear();
    m_TaskManage.reset();

    if (m_GameStarted) GxGameTerminate(this);
    m_GameStarted = false;

    m_SystemConfig.reset();
    DeleteGameDataHolders();
    // The shared assets were released first of all: the manager goes before
    // the process's part, whose reports of what is still held it cannot change.
    m_ProfileEx.reset();
    m_SharedAssetManage.reset();

    if (m_DeviceStarted) GxGraphics::SetQuitHandler(nullptr);
    if (g_RunningCore == this) g_RunningCore = nullptr;
    GxEndProcessServices(&m_MainWindow);
    m_InputStarted = false;
    m_DeviceStarted = false;
    m_WindowCreated = false;
    m_DebugWindowMade = false;
    m_InstanceLock.release();
    psys::set_folder_locked(m_SaveDir.empty() ? std::string(".") : GxToNativePath(m_SaveDir), false);
    m_SaveFolderLock.release();
    m_Playthrough.reset();
    m_Holding = false;
}
