#pragma once
// A module plugged into the core: the core broadcasts its module events to up
// to three of them (the game module fills entry 1).
#include "base/GxTypes.h"
#include "tasks/GxBuiltinRegistryBase.h"
#include "tasks/GxCoreRemainder.h"

class GxCoreBase;
class GxTaskBase;
class GxContentWriterBase;
class GxContentReaderBase;

class GxModuleCoreBase : public GxCoreRemainder {
public:
    virtual const GxString& GetModuleName() = 0;
    virtual void AttachCore(GxCoreBase* core) = 0;
    virtual void DetachCore() = 0;
    virtual void OnStartup() = 0;
    virtual void OnShutdown() = 0;
    // Adds the module's builtins to the script's registry (null while the
    // script system is not started).
    virtual void RegisterBuiltins(GxBuiltinRegistryBase* registry) = 0;
    // Makes the module's scenes under the parent task.
    virtual void CreateSequences(GxTaskBase* parent) = 0;
    virtual void OnEnterTitle() = 0;
    virtual void OnLoadGame() = 0;
    // Non-null when the module takes over resuming a loaded game.
    virtual GxTaskBase* GetResumeSequence() = 0;
    virtual void OnConfigShow(GxTaskBase* configScene) = 0;
    virtual void OnConfigApply(GxTaskBase* configScene) = 0;
    virtual void OnConfigReset() = 0;
    virtual bool WriteUserData(GxContentWriterBase* writer, const GxString& path) = 0;
    virtual bool ReadUserData(GxContentReaderBase* reader, const GxString& path, bool readAll) = 0;
    virtual bool WritePermanentData(GxContentWriterBase* writer) = 0;
    virtual bool ReadPermanentData(GxContentReaderBase* reader) = 0;
    virtual bool WriteUserConfig(GxContentWriterBase* writer) = 0;
    virtual bool ReadUserConfig(GxContentReaderBase* reader) = 0;
};
