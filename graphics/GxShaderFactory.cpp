#include "graphics/GxShaderFactory.h"

#include "base/GxStringUtil.h"

#include <memory>

GxShaderFactory& GxShaderFactory::GetInstance() {
    static GxShaderFactory factory;
    return factory;
}

GxShaderFactory::GxShaderFactory() : GxTextureFactoryBase(u"GxShaderFactory", u"shader") {}

GxShaderEffect* GxShaderFactory::Create(const GxChar* name) {
    GxMutexScopedLock lock(m_Mutex);
    if (GxD3DResourceBase* existing = TakeExisting(name)) return static_cast<GxShaderEffect*>(existing);
    auto effect = std::make_unique<GxShaderEffect>();
    if (!effect->Create(name)) return nullptr;
    GxShaderEffect* e = effect.release();
    Append(e);
    return e;
}

GxShaderEffect* GxShaderFactory::CreateA(const char* name) { return Create(GxFromAnsi(name ? name : "").c_str()); }

GxD3DResourceBase* GxShaderFactory::FindA(const char* name) { return Find(GxFromAnsi(name ? name : "").c_str()); }

bool GxShaderFactory::ReloadAll() {
    GxMutexScopedLock lock(m_Mutex);
    bool all = true;
    for (GxD3DResourceBase* r : m_List) all = static_cast<GxShaderEffect*>(r)->Reload() && all;
    return all;
}

void GxShaderFactory::Release(GxShaderEffect* effect) { ReleaseEntry(effect); }
void GxShaderFactory::ReleaseByName(const GxChar* name) { ReleaseEntryByName(name); }
void GxShaderFactory::ReleaseByNameA(const char* name) { ReleaseByName(GxFromAnsi(name ? name : "").c_str()); }
