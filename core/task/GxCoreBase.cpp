#include "core/task/GxCoreBase.h"

#include <atomic>

namespace {
std::atomic<GxCoreBase*> g_Core{nullptr};
}

GxCoreBase* GxCoreBase::GetCoreBase() { return g_Core.load(); }

GxCoreBase::GxCoreBase() { g_Core.store(this); }

GxCoreBase::~GxCoreBase() {
    GxCoreBase* self = this;
    g_Core.compare_exchange_strong(self, nullptr);
}
