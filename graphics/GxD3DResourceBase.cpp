#include "graphics/GxD3DResourceBase.h"

#include "base/GxStringUtil.h"
#include "graphics/GxD3DResourceManage.h"

namespace {

const GxChar* const kObjectTypeNames[kGxObjectTypeCount] = {
    u"OBJTYPE_NONE",         u"OBJTYPE_TEXTURE",      u"OBJTYPE_FLEXTEXTURE", u"OBJTYPE_BUFFEREDTEXTURE",
    u"OBJTYPE_RENDERTARGET", u"OBJTYPE_DEPTHSTENCIL", u"OBJTYPE_SURFACE",     u"OBJTYPE_SWAPCHAIN",
    u"OBJTYPE_MESH",         u"OBJTYPE_SHADEREFFECT", u"OBJTYPE_MODEL",       u"OBJTYPE_RESERVED_2",
    u"OBJTYPE_RESERVED_3",   u"OBJTYPE_IMAGEDATA",
};

} // namespace

const GxChar* GxGetObjectTypeName(u32 type) { return type < kGxObjectTypeCount ? kObjectTypeNames[type] : u""; }

GxD3DResourceBase::GxD3DResourceBase() { ResetState(); }

GxD3DResourceBase::~GxD3DResourceBase() { ReleaseAll(); }

void GxD3DResourceBase::ResetState() {
    GxMutexScopedLock lock(m_Mutex);
    m_RefCount = 0;
    m_CreateFailed = false;
}

void GxD3DResourceBase::AddRef() {
    GxMutexScopedLock lock(m_Mutex);
    ++m_RefCount;
}

void GxD3DResourceBase::DecRef() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_RefCount > 0) --m_RefCount;
}

u32 GxD3DResourceBase::GetRefCount() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_RefCount;
}

void GxD3DResourceBase::Release() {
    GxMutexScopedLock lock(m_Mutex);
    DropReference();
}

bool GxD3DResourceBase::DropReference() {
    GxMutexScopedLock lock(m_Mutex);
    if (m_RefCount == 0 || --m_RefCount > 0) return false;
    ResetJobState();
    m_CreateFailed = false;
    return true;
}

bool GxD3DResourceBase::DropRegisteredReference() {
    GxMutexScopedLock lock(m_Mutex);
    if (!DropReference()) return false;
    GxD3DResourceManage::GetInstance().Unregister(this);
    return true;
}

void GxD3DResourceBase::RegisterCreated() {
    GxD3DResourceManage::GetInstance().Register(this);
    AddRef();
}

u32 GxD3DResourceBase::ClampMemorySize(u64 bytes) { return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : u32(bytes); }

void GxD3DResourceBase::ReleaseAll() {
    GxMutexScopedLock lock(m_Mutex);
    // A Release that fails to lower the count must not spin for ever.
    for (u32 n = GetRefCount(); n > 0;) {
        Release();
        u32 after = GetRefCount();
        if (after >= n) break;
        n = after;
    }
}

const GxString& GxD3DResourceBase::GetName() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Name;
}

void GxD3DResourceBase::SetName(GxString name) {
    GxMutexScopedLock lock(m_Mutex);
    m_Name = GxToLower(name);
}

bool GxD3DResourceBase::IsCreateFailed() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_CreateFailed;
}

void GxD3DResourceBase::SetCreateFailed(bool failed) {
    GxMutexScopedLock lock(m_Mutex);
    m_CreateFailed = failed;
}

u32 GxD3DResourceBase::GetObjectType() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_ObjectType;
}

void GxD3DResourceBase::SetObjectType(u32 type) {
    GxMutexScopedLock lock(m_Mutex);
    m_ObjectType = type;
}

void GxD3DResourceBase::ExecuteJob(GxThread*, GxAsyncJobManage*) {}

GxString GxD3DResourceBase::GetJobName() const {
    GxMutexScopedLock lock(m_Mutex);
    return m_Name;
}
