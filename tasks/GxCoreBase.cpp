#include "tasks/GxCoreBase.h"

#include "tasks/GxModuleCoreBase.h"

#include <atomic>

namespace {
std::atomic<GxCoreBase*> g_Core{nullptr};
}

GxCoreBase* GxCoreBase::GetCoreBase() { return g_Core.load(); }

GxCoreBase::GxCoreBase() { g_Core.store(this); }

bool GxCoreBase::GetWindowsVersion(int* major, int* minor) {
    if (major) *major = 10;
    if (minor) *minor = 0;
    return true;
}

GxCoreBase::~GxCoreBase() {
    GxCoreBase* self = this;
    g_Core.compare_exchange_strong(self, nullptr);
}

GxModuleCoreBase* GxCoreBase::GetModule(int index) const {
    if (index < 0 || index >= kModuleCount) return nullptr;
    return m_Modules[size_t(index)];
}

void GxCoreBase::SetModule(int index, GxModuleCoreBase* module) {
    if (index < 0 || index >= kModuleCount) return;
    m_Modules[size_t(index)] = module;
}

template <class F>
void GxCoreBase::ForEachModule(F&& f) {
    for (GxModuleCoreBase* m : m_Modules)
        if (m) f(m);
}

template <class F>
bool GxCoreBase::AllModules(F&& f) {
    bool all = true;
    for (GxModuleCoreBase* m : m_Modules)
        if (m && !f(m)) all = false;
    return all;
}

void GxCoreBase::CallModulesDetachCore() { ForEachModule([](GxModuleCoreBase* m) { m->DetachCore(); }); }
void GxCoreBase::CallModulesStartup() { ForEachModule([](GxModuleCoreBase* m) { m->OnStartup(); }); }
void GxCoreBase::CallModulesShutdown() { ForEachModule([](GxModuleCoreBase* m) { m->OnShutdown(); }); }
void GxCoreBase::CallModulesRegisterBuiltins(GxBuiltinRegistryBase* registry) {
    ForEachModule([&](GxModuleCoreBase* m) { m->RegisterBuiltins(registry); });
}
void GxCoreBase::CallModulesCreateSequences(GxTaskBase* parent) {
    ForEachModule([&](GxModuleCoreBase* m) { m->CreateSequences(parent); });
}
void GxCoreBase::CallModulesEnterTitle() { ForEachModule([](GxModuleCoreBase* m) { m->OnEnterTitle(); }); }
void GxCoreBase::CallModulesLoadGame() { ForEachModule([](GxModuleCoreBase* m) { m->OnLoadGame(); }); }
void GxCoreBase::CallModulesConfigShow(GxTaskBase* configScene) {
    ForEachModule([&](GxModuleCoreBase* m) { m->OnConfigShow(configScene); });
}
void GxCoreBase::CallModulesConfigApply(GxTaskBase* configScene) {
    ForEachModule([&](GxModuleCoreBase* m) { m->OnConfigApply(configScene); });
}
void GxCoreBase::CallModulesConfigReset() { ForEachModule([](GxModuleCoreBase* m) { m->OnConfigReset(); }); }
bool GxCoreBase::CallModulesWriteUserData(GxContentWriterBase* writer, const GxString& path) {
    return AllModules([&](GxModuleCoreBase* m) { return m->WriteUserData(writer, path); });
}
bool GxCoreBase::CallModulesReadUserData(GxContentReaderBase* reader, const GxString& path, bool readAll) {
    return AllModules([&](GxModuleCoreBase* m) { return m->ReadUserData(reader, path, readAll); });
}
bool GxCoreBase::CallModulesWritePermanent(GxContentWriterBase* writer) {
    return AllModules([&](GxModuleCoreBase* m) { return m->WritePermanentData(writer); });
}
bool GxCoreBase::CallModulesReadPermanent(GxContentReaderBase* reader) {
    return AllModules([&](GxModuleCoreBase* m) { return m->ReadPermanentData(reader); });
}
bool GxCoreBase::CallModulesWriteUserConfig(GxContentWriterBase* writer) {
    return AllModules([&](GxModuleCoreBase* m) { return m->WriteUserConfig(writer); });
}
bool GxCoreBase::CallModulesReadUserConfig(GxContentReaderBase* reader) {
    return AllModules([&](GxModuleCoreBase* m) { return m->ReadUserConfig(reader); });
}
