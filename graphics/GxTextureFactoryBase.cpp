#include "graphics/GxTextureFactoryBase.h"

#include "base/GxLog.h"
#include "base/GxStringUtil.h"
#include "graphics/GxD3DResourceBase.h"

#include <algorithm>

GxTextureFactoryBase::GxTextureFactoryBase(const GxChar* factoryName, const GxChar* itemName)
    : m_FactoryName(factoryName), m_ItemName(itemName) {}

GxTextureFactoryBase::~GxTextureFactoryBase() { Clear(); }

GxD3DResourceBase* GxTextureFactoryBase::Find(const GxChar* name) {
    GxMutexScopedLock lock(m_Mutex);
    const GxStringView wanted = name ? GxStringView(name) : GxStringView();
    for (GxD3DResourceBase* r : m_List)
        if (GxEqualsNoCase(r->GetName(), wanted)) return r;
    return nullptr;
}

GxD3DResourceBase* GxTextureFactoryBase::TakeExisting(const GxChar* name) {
    GxMutexScopedLock lock(m_Mutex);
    GxD3DResourceBase* r = Find(name);
    if (r) r->AddRef();
    return r;
}

void GxTextureFactoryBase::Append(GxD3DResourceBase* resource) {
    GxMutexScopedLock lock(m_Mutex);
    m_List.push_back(resource);
}

void GxTextureFactoryBase::Clear() {
    GxMutexScopedLock lock(m_Mutex);
    std::vector<GxD3DResourceBase*> list;
    list.swap(m_List);
    for (GxD3DResourceBase* r : list) delete r;
}

u32 GxTextureFactoryBase::GetCount() {
    GxMutexScopedLock lock(m_Mutex);
    return u32(m_List.size());
}

void GxTextureFactoryBase::ReleaseEntry(GxD3DResourceBase* resource) {
    GxMutexScopedLock lock(m_Mutex);
    auto it = std::find(m_List.begin(), m_List.end(), resource);
    if (it == m_List.end()) {
        GxWriteWarningLog(u"Warning/%s You tried to release the %s does not exist(0x%x)\n", m_FactoryName, m_ItemName,
                          u32(reinterpret_cast<uintptr_t>(resource)));
        return;
    }
    resource->Release();
    if (resource->GetRefCount() == 0) {
        m_List.erase(it);
        delete resource;
    }
}

void GxTextureFactoryBase::ReleaseEntryByName(const GxChar* name) {
    GxMutexScopedLock lock(m_Mutex);
    GxD3DResourceBase* r = Find(name);
    if (!r) {
        GxWriteWarningLog(u"Warning/%s You tried to release the %s does not exist(%s)\n", m_FactoryName, m_ItemName,
                          name ? name : u"");
        return;
    }
    ReleaseEntry(r);
}

void GxTextureFactoryBase::DumpEntries() {
    GxMutexScopedLock lock(m_Mutex);
    GxWriteDebugLog(u"---%s dump start---\n", m_FactoryName);
    GxWriteDebugLog(u"total %d textures\n", u32(m_List.size()));
    for (GxD3DResourceBase* r : m_List) GxWriteDebugLog(u"%s\n", r->GetName());
    GxWriteDebugLog(u"---%s dump end---\n", m_FactoryName);
}
