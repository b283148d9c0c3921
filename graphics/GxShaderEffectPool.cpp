#include "graphics/GxShaderEffectPool.h"

namespace {

// Effects are made on any thread (through the factory), so the current pool
// is read under a lock. Never destroyed: an effect released by an exit-time
// destructor may still ask for it.
struct Current {
    GxMutex mutex;
    std::shared_ptr<GxShaderEffectPool> pool;
};

Current& TheCurrent() {
    static Current* current = new Current;
    return *current;
}

bool SameShape(const pimage::effect_parameter& a, const pimage::effect_parameter& b) {
    return a.cls == b.cls && a.type == b.type && a.rows == b.rows && a.columns == b.columns &&
           a.elements == b.elements && a.struct_members == b.struct_members && a.bytes == b.bytes;
}

} // namespace

std::shared_ptr<GxShaderEffectPool> GxGetEffectPool() {
    Current& c = TheCurrent();
    GxMutexScopedLock lock(c.mutex);
    return c.pool;
}

void GxSetEffectPool(std::shared_ptr<GxShaderEffectPool> pool) {
    Current& c = TheCurrent();
    GxMutexScopedLock lock(c.mutex);
    c.pool.swap(pool);
}

const pimage::effect_parameter* GxShaderEffectPool::Share(const pimage::effect_parameter& declared,
                                                          std::string* error) {
    GxMutexScopedLock lock(m_Mutex);
    Entry& e = m_Shared[declared.name];
    if (!e.parameter) {
        e.parameter = std::make_unique<pimage::effect_parameter>(declared);
    } else if (!SameShape(*e.parameter, declared)) {
        if (error) *error = "shared parameter '" + declared.name + "' is declared otherwise by another effect of the pool";
        return nullptr;
    }
    ++e.users;
    return e.parameter.get();
}

void GxShaderEffectPool::Unshare(const pimage::effect_parameter* shared) {
    if (!shared) return;
    GxMutexScopedLock lock(m_Mutex);
    auto it = m_Shared.find(shared->name);
    if (it == m_Shared.end() || it->second.parameter.get() != shared) return;
    if (--it->second.users == 0) m_Shared.erase(it);
}

size_t GxShaderEffectPool::GetSharedCount() {
    GxMutexScopedLock lock(m_Mutex);
    return m_Shared.size();
}
