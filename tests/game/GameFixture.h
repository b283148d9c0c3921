#pragma once
// A game folder in a scratch directory made the working folder, behind a
// stand-in core with the game-data holders installed as the process object
// installs them, a hand-driven clock, the null audio output pumped by hand,
// the logs in the folder, and a headless device at the game's 1024 x 768.
// Whatever a test started is shut down again in the order the process does.
#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "engine/GxProcessState.h"
#include "game/GxGameModule.h"
#include "game/GxGameSound.h"
#include "gamedata/DBAvgChar.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxUserConfig.h"
#include "gamedata/GxUserData.h"
#include "gamedata/GxUserDataPerman.h"
#include "graphics/GxGraphics.h"
#include "graphics/GxPNG.h"
#include "io/GxFileSystem.h"
#include "layers/GxTaskLayer.h"
#include "media/sound/GxAudio.h"
#include "media/sound/GxSound.h"
#include "platform/audio/output_device.h"
#include "platform/render/adapter.h"
#include "platform/system/clock.h"
#include "support/FakeCore.h"
#include "support/FrameCapture.h"
#include "support/LogCapture.h"
#include "support/GameFiles.h"
#include "tasks/GxCoreBase.h"
#include "tasks/GxTaskManage.h"
#include "ui/GxTaskUIBase.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace gametest {

namespace fs = std::filesystem;

class GameTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = fs::current_path();
        fs::current_path(dir_.path());
        fs::create_directories("save");
        GxResetProcessState();
        qtest::LogCapture::ListenAgain();
        psys::set_current_clock(&clock_);
        paudio::output_device::instance().set_mode(paudio::output_mode::manual);
        GxSetErrorLogPath(dir_.u16("error.log"));
        GxSetDebugLogPath(dir_.u16("debug.log"));
        GxSetDeviceLogPath(dir_.u16("device.log"));
        core_.m_SaveDir = dir_.u16("save") + u"/";
        MakeGameState();
    }
    // New settings, game state and permanent data, installed as the process
    // installs them.
    void MakeGameState() {
        settings_ = std::make_unique<GxUserConfig>(&core_);
        data_ = std::make_unique<GxUserData>(&core_);
        perman_ = std::make_unique<GxUserDataPerman>(&core_);
        GxUserConfig::Set(settings_.get());
        GxUserData::Set(data_.get());
        GxUserDataPerman::Set(perman_.get());
    }
    void TearDown() override {
        if (started_) Terminate();
        GxResetProcessState();
        fs::current_path(old_);
    }

    // The device as the process starts it, on an adapter with these
    // full-screen sizes (none: the game cannot go full screen).
    bool StartDevice(std::vector<prender::display_mode> fullScreenModes = {}) {
        GxSetGameStartupDefaults(&core_);
        prender::adapter_script script = prender::adapter::default_script();
        script.desktop = prender::display_mode{1920, 1080, 60, prender::format::x8r8g8b8};
        script.modes = std::move(fullScreenModes);
        GxGraphics::SetAdapter(std::make_unique<prender::adapter>(std::move(script)));
        return GxGraphics::Initialize(nullptr, nullptr, nullptr, nullptr);
    }
    void StopDevice() {
        GxGraphics::Finalize();
        GxGraphics::SetAdapter(nullptr);
        GxGraphics::GetConfig() = GxGraphicsConfig{};
    }
    // Both audio back ends on the silent output, as the process starts them.
    void StartAudio() {
        ASSERT_TRUE(GxAudio::Initialize(false));
        ASSERT_TRUE(GxSound::Initialize(1, false));
    }
    void Initialize() {
        started_ = true;
        GxGameInitialize(&core_);
    }
    void Terminate() {
        started_ = false;
        GxGameTerminate(&core_);
    }

    static GxTaskManage& Tasks() { return *GxCoreBase::GetCoreBase()->GetTaskManage(); }
    static GxTaskBase* Task(const GxChar* name) { return Tasks().FindTaskName(name); }
    static GxTaskLayer* Layer(const GxChar* name) { return dynamic_cast<GxTaskLayer*>(Task(name)); }
    static const GxSeqWorker& Worker() { return *Tasks().GetSeqWorker(0); }
    // A widget by local name under a folder of global name.
    static GxTaskUIBase* Widget(const GxString& folder, const GxChar* name, s32 index = 0) {
        auto* f = dynamic_cast<GxTaskFolder*>(Tasks().FindTaskNameStr(folder));
        return f ? GxTaskUIBase::FromTask(f->FindTaskLocal(name, index)) : nullptr;
    }
    // As the process ends: the task trees, then the game module.
    void StopGame() {
        for (GxTaskRenderManage& list : core_.m_Lists) list.Clear();
        core_.m_TaskManage = std::make_unique<GxTaskManage>(&core_);
        if (started_) Terminate();
    }
    // One pass of the main loop on the hand-driven clock: the pending scene
    // change, an update step of the given time, the render lists, the audio
    // output pumped for that time and the sound service. The level of the
    // output's last left sample.
    float LoopPass(s32 ms) {
        clock_.advance_us(u64(ms) * 1000);
        Tasks().ApplySequenceChanges();
        Tasks().m_StopUpdateFlag = false;
        core_.ClearRenderLists();
        Tasks().SweepTaskTree(Tasks().GetTopTask());
        Tasks().Update(0, s64(ms) * 1000);
        Tasks().EnqueueRender(0, s64(ms) * 1000);
        std::vector<float> out(size_t(48) * size_t(ms) * 2);
        paudio::output_device::instance().pump(48 * u32(ms), out.data());
        Service();
        return out.empty() ? 0.0f : out[out.size() - 2];
    }
    // Passes of the main loop; the level of the last one's output.
    float Frames(int n, s32 ms = 16) {
        float level = 0.0f;
        for (int i = 0; i < n; ++i) level = LoopPass(ms);
        return level;
    }
    void Frame(s32 ms = 16) { Frames(1, ms); }
    // The sound on the back end the settings chose: a channel playing, the
    // service's update, the clock moved on, every channel stopped.
    static constexpr u32 kChannels = 32;
    bool Playing(u32 channel) {
        return core_.m_Config->m_UseXAudio2 ? GxAudio::IsStreamPlaying(channel) : GxSound::IsStreamPlaying(channel);
    }
    void Service() { core_.m_Config->m_UseXAudio2 ? GxAudio::Update() : GxSound::Update(); }
    void Advance(u32 ms) {
        clock_.advance_us(u64(ms) * 1000);
        Service();
    }
    void StopEverything() {
        for (u32 c = 0; c < kChannels; ++c) core_.m_Config->m_UseXAudio2 ? GxAudio::StopStream(c) : GxSound::StopStream(c);
        GxStopAllOneShots();
        Service();
    }
    // The settings the sound cases play at: voice slot 5 is character 3's.
    void SetVolumes() {
        settings_->m_Volume_Master = 80;
        settings_->m_Volume_BGM = 50;
        settings_->m_Volume_BGV = 50;
        settings_->m_Volume_Sound = 60;
        settings_->m_Volume_VoiceMaster = 90;
        settings_->m_Volume_Voice[5] = 40;
        settings_->m_Volume_SystemVoice = 70;
        g_DBAvgChar.GetRecord(3)->VoiceVolumeID = 5;
    }
    // The last pass's render lists drawn into a 1024 x 768 target.
    std::vector<uint32_t> Draw() { return qtest::DrawFrame(core_, 1024, 768); }

    // One of the folder's logs ("device.log", "debug.log") as UTF-8.
    std::string LogFile(const char* name) const {
        const std::vector<unsigned char> b = qtest::ReadBytes(dir_.path() / name);
        std::u16string w;
        for (size_t i = 2; i + 1 < b.size(); i += 2) w.push_back(char16_t(b[i] | b[i + 1] << 8));
        return GxToUtf8(w);
    }
    // The game's files (support/GameFiles.h), a test failing where one
    // cannot be written.
    static void WritePicture(const std::string& path, int w, int h, const qtest::Paint& paint) {
        ASSERT_TRUE(qtest::WritePicture(path, w, h, paint)) << path;
    }
    // A PNG of one colour (0xAARRGGBB).
    static void WritePng(const std::string& path, s32 width, s32 height, u32 argb) {
        WritePicture(path, width, height, [argb](int, int) { return argb; });
    }
    static void WriteSet(const std::string& name, const std::vector<qtest::SetImage>& images, int width = 1024,
                         int height = 0) {
        ASSERT_TRUE(qtest::WriteUISet(name, images, width, height)) << name;
    }
    static void WriteUITables(const std::vector<qtest::UIModuleRow>& modules, const std::vector<qtest::UILayoutRow>& layouts) {
        ASSERT_TRUE(qtest::WriteUITables(modules, layouts));
    }
    static void WriteTable(const std::string& path, const std::string& header, const std::vector<std::string>& rows) {
        ASSERT_TRUE(qtest::WriteTable(path, header, rows)) << path;
    }
    // A row of the gallery's table; count: the file's own, 0 to let the game
    // count the pictures.
    static std::string CGRow(int id, int group, const std::string& thumb, std::vector<std::string> files, int count = 0) {
        files.resize(32);
        std::string row = std::to_string(id) + "\t" + std::to_string(group) + "\t" + thumb;
        for (const std::string& f : files) row += "\t" + f;
        return row + "\t" + std::to_string(count);
    }
    static void WriteWav(const std::string& path, u32 frames, int16_t level) {
        ASSERT_TRUE(qtest::WriteWav(path, frames, level)) << path;
    }

    qtest::TempDir dir_;
    fs::path old_;
    psys::manual_clock clock_;
    qtest::FakeCore core_;
    std::unique_ptr<GxUserConfig> settings_;
    std::unique_ptr<GxUserData> data_;
    std::unique_ptr<GxUserDataPerman> perman_;
    bool started_ = false;
};

} // namespace gametest
