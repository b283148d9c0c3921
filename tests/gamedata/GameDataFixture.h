#pragma once
// A save folder in a scratch directory behind a stand-in core, a module that
// adds one value of its own to every persistence file, and the process-wide
// state (tables, files, script system) reset around each test.
#include "base/GxStringUtil.h"
#include "engine/GxProcessState.h"
#include "gamedata/GxDataTables.h"
#include "gamedata/GxUserConfig.h"
#include "io/GxContentReaderBase.h"
#include "io/GxContentWriterBase.h"
#include "io/GxFileSystem.h"
#include "script/GxMoaSystem.h"
#include "tasks/GxModuleCoreBase.h"
#include "support/FakeCore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

namespace gdtest {

// Writes m_Value under "m_ModuleValue" and reads it back; answers m_Result.
class ValueModule : public GxModuleCoreBase {
public:
    const GxString& GetModuleName() override { return m_Name; }
    void AttachCore(GxCoreBase*) override {}
    void DetachCore() override {}
    void OnStartup() override {}
    void OnShutdown() override {}
    void RegisterBuiltins(GxBuiltinRegistryBase*) override {}
    void CreateSequences(GxTaskBase*) override {}
    void OnEnterTitle() override {}
    void OnLoadGame() override {}
    GxTaskBase* GetResumeSequence() override { return nullptr; }
    void OnConfigShow(GxTaskBase*) override {}
    void OnConfigApply(GxTaskBase*) override {}
    void OnConfigReset() override {}
    bool WriteUserData(GxContentWriterBase* w, const GxString&) override { return Write(w); }
    bool ReadUserData(GxContentReaderBase* r, const GxString&, bool) override { return Read(r); }
    bool WritePermanentData(GxContentWriterBase* w) override { return Write(w); }
    bool ReadPermanentData(GxContentReaderBase* r) override { return Read(r); }
    bool WriteUserConfig(GxContentWriterBase* w) override { return Write(w); }
    bool ReadUserConfig(GxContentReaderBase* r) override { return Read(r); }

    bool Write(GxContentWriterBase* w) {
        w->Write("m_ModuleValue", m_Value);
        return m_Result;
    }
    bool Read(GxContentReaderBase* r) {
        r->Read("m_ModuleValue", &m_Value);
        return m_Result;
    }

    GxString m_Name = u"TEST";
    s32 m_Value = 0;
    bool m_Result = true;
};

// Runs the function given once, at the next commit's first step: once a
// write's new bytes are on the disk (its thumbnail's too), before anything
// takes a name.
inline std::function<void()>& AtCommit() {
    static std::function<void()> f;
    return f;
}
inline int AtCommitStep(const char* step, const std::string&, const std::string&) {
    static bool synced = false;
    const std::string s = step;
    if (s == "sync") synced = true;
    else if (synced && s != "open" && s != "write" && s != "sync folder") {
        synced = false;
        if (auto f = std::exchange(AtCommit(), nullptr)) f();
    }
    return 0;
}

class GameDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        GxResetProcessState();
        core_.m_SaveDir = dir_.u16() + u"/";
    }
    void TearDown() override { GxResetProcessState(); }

    GxString SavePath(const std::string& name) const { return dir_.u16(name); }
    std::vector<unsigned char> Bytes(const std::string& name) const { return qtest::ReadBytes(dir_.path() / name); }
    void PlugModule() { core_.SetModule(0, &module_); }

    qtest::TempDir dir_;
    qtest::FakeCore core_;
    ValueModule module_;
};

} // namespace gdtest
