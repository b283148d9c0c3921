#pragma once
// The game module plugged into the core: entry 1 of the core's module table.
// Attaching it makes the game's builtins; its module events create the main
// and backlog scenes with their shared-asset scope. Its save-game,
// permanent-data and settings operations write nothing of their own and
// accept whatever they are given. One object for the process.
#include "tasks/GxModuleCoreBase.h"

#include <memory>

class AvgBuiltin;

class AvgCore : public GxModuleCoreBase {
public:
    static AvgCore* GetInstance();

    ~AvgCore() override;

    // "AVG".
    const GxString& GetModuleName() override;
    void AttachCore(GxCoreBase* core) override;
    void DetachCore() override;
    void OnStartup() override {}
    void OnShutdown() override {}
    void RegisterBuiltins(GxBuiltinRegistryBase* registry) override;
    void CreateSequences(GxTaskBase* parent) override;
    void OnEnterTitle() override {}
    void OnLoadGame() override {}
    // Null: a loaded game resumes in the scene its save names.
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

    // From a menu scene into the script: the default background, a fade in
    // over a second, a jump of the main worker to the label (a missing label
    // is logged and the scene still starts), and the main scene requested on
    // the calling scene's sequence worker.
    static void StartMainScene(int workerIndex, const GxString& label);

    GxCoreBase* GetCore() const { return m_Core; }
    AvgBuiltin* GetBuiltin() const { return m_Builtin.get(); }

private:
    AvgCore();

    GxCoreBase* m_Core = nullptr;
    std::unique_ptr<AvgBuiltin> m_Builtin;
};
