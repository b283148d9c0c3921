#pragma once
// The game module plugged into the core: entry 1 of the core's module table.
// Its save-game, permanent-data and settings operations write nothing of
// their own and accept whatever they are given.
#include "tasks/GxModuleCoreBase.h"

class AvgCore : public GxModuleCoreBase {
public:
    static AvgCore* GetInstance();

    const GxString& GetModuleName() override;
    void AttachCore(GxCoreBase* core) override { m_Core = core; }
    void DetachCore() override { m_Core = nullptr; }
    void OnStartup() override {}
    void OnShutdown() override {}
    void RegisterBuiltins(GxBuiltinRegistryBase*) override {}
    // The main and backlog scenes join here with the game's scenes.
    void CreateSequences(GxTaskBase*) override {}
    void OnEnterTitle() override {}
    void OnLoadGame() override {}
    GxTaskBase* GetResumeSequence() override { return nullptr; }
    void OnConfigShow(GxTaskBase*) override {}
    void OnConfigApply(GxTaskBase*) override {}
    void OnConfigReset() override {}
    bool WriteUserData(GxContentWriterBase*, const GxString&) override { return true; }
    bool ReadUserData(GxContentReaderBase*, const GxString&, bool) override { return true; }
    bool WritePermanentData(GxContentWriterBase*) override { return true; }
    bool ReadPermanentData(GxContentReaderBase*) override { return true; }
    bool WriteUserConfig(GxContentWriterBase*) override { return true; }
    bool ReadUserConfig(GxContentReaderBase*) override { return true; }

    GxCoreBase* GetCore() const { return m_Core; }

private:
    GxCoreBase* m_Core = nullptr;
};
