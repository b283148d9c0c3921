#pragma once
// The base of every object that owns device memory (textures, tiled textures,
// surfaces, swap chains): a reference count, a lower-case name, an object
// type, a create-failed flag and its own mutex. It is an asynchronous job too,
// so that a worker can load it. While its device objects exist the resource
// is entered in the registry (GxD3DResourceManage), which tells it when the
// device is lost and reset.
#include "base/GxAsyncJobBase.h"
#include "base/GxMutex.h"
#include "base/GxTypes.h"

// How a resource was made; the leak report prints the names.
enum GxD3DObjectType : u32 {
    OBJTYPE_NONE = 0,
    OBJTYPE_TEXTURE = 1,
    OBJTYPE_FLEXTEXTURE = 2,
    OBJTYPE_BUFFEREDTEXTURE = 3,
    OBJTYPE_RENDERTARGET = 4,
    OBJTYPE_DEPTHSTENCIL = 5,
    OBJTYPE_SURFACE = 6,
    OBJTYPE_SWAPCHAIN = 7,
    OBJTYPE_MESH = 8,
    OBJTYPE_SHADEREFFECT = 9,
    OBJTYPE_MODEL = 10,
    OBJTYPE_RESERVED_2 = 11,
    OBJTYPE_RESERVED_3 = 12,
    OBJTYPE_IMAGEDATA = 13,
};
constexpr u32 kGxObjectTypeCount = 14;

// "OBJTYPE_…" for a type, "" for a value outside the table.
const GxChar* GxGetObjectTypeName(u32 type);

class GxD3DResourceBase : public GxObjectNotCopyable, public GxAsyncJobBase {
public:
    GxD3DResourceBase();
    ~GxD3DResourceBase() override;

    // Reference count 0, create-failed false.
    virtual void ResetState();
    virtual void AddRef();
    // Lowers the count when above 0; never frees anything.
    virtual void DecRef();
    virtual u32 GetRefCount() const;
    // Lowers the count when above 0; a derived class frees its device objects
    // and leaves the registry when the count reaches 0.
    virtual void Release();
    // Releases until the count is 0 (every destructor of a resource does).
    virtual void ReleaseAll();
    // The device was lost: a default-pool resource frees its device object.
    virtual void OnLost() {}
    // The device was reset: such a resource makes its object again.
    virtual void OnReset() {}
    // Bytes of device memory held.
    virtual u32 GetMemorySize() { return 0; }
    virtual const GxString& GetName() const;
    // Stored with ASCII letters lowered.
    virtual void SetName(GxString name);
    virtual bool IsCreateFailed() const;
    virtual void SetCreateFailed(bool failed);

    u32 GetObjectType() const;
    void SetObjectType(u32 type);
    GxMutex& GetResourceMutex() const { return m_Mutex; }

    // Resources that do not load on a worker do nothing here.
    void ExecuteJob(GxThread* worker, GxAsyncJobManage* manager) override;
    GxString GetJobName() const override;

protected:
    friend class GxD3DResourceManage;

    // Lowers the count when above 0; the last reference also clears the job
    // state and the create-failed flag, and true tells the caller so.
    bool DropReference();
    // DropReference for a resource that entered the registry: the last
    // reference takes it out, and the caller frees its device objects.
    bool DropRegisteredReference();
    // A newly made resource enters the registry and holds its first
    // reference. Its fields must be set first: the registry asks it for its
    // memory size.
    void RegisterCreated();
    // Memory sizes are u32; a larger size saturates.
    static u32 ClampMemorySize(u64 bytes);

    mutable GxMutex m_Mutex;
    u32 m_ObjectType = OBJTYPE_NONE;
    GxString m_Name;
    u32 m_RefCount = 0;
    bool m_CreateFailed = false;
};
