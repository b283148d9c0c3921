#pragma once
// The process-wide registry of resources that hold device objects. The device
// layer walks it to tell every resource that the device was lost and then
// reset; the debug status asks it for the device memory in use; at process
// exit it reports every resource that was never released.
//
// Lock order: a resource's own mutex before the registry's. The registry never
// takes a resource's mutex while it holds its own: each resource's memory size
// is recorded when it registers (and when it changes), so the total is summed
// from those records alone and no resource is touched from the registry, not
// even one that another thread is destroying.
#include "base/GxMutex.h"
#include "base/GxTypes.h"

#include <map>

class GxD3DResourceBase;

class GxD3DResourceManage {
public:
    // The one registry. It is never destroyed, so resources released by
    // exit-time destructors can still find it; its exit report runs once,
    // after the program's entry has returned.
    static GxD3DResourceManage& GetInstance();

    // Called right after a resource made its device objects (under the
    // resource's mutex); records its memory size.
    void Register(GxD3DResourceBase* resource);
    // false while shutting down (nothing changes) or when it was not entered.
    bool Unregister(GxD3DResourceBase* resource);
    // Records a registered resource's memory size again after it changed.
    void UpdateMemorySize(GxD3DResourceBase* resource);
    // Tell every registered resource, in address order, that the device was
    // lost / reset. Main thread only.
    void OnLostAll();
    void OnResetAll();
    u32 GetTotalMemorySize();
    // Clears the shutting-down flag and empties the set.
    void Clear();
    // The exit report: a warning per registered resource, then the registry
    // shuts down (empty, and Unregister refuses from then on).
    void ReportAndShutDown();

    size_t GetCount();
    bool IsRegistered(const GxD3DResourceBase* resource);

private:
    GxD3DResourceManage();
    GxMutex m_Mutex;
    bool m_ShuttingDown = false;
    std::map<GxD3DResourceBase*, u32> m_Resources;  // resource -> recorded memory size
};
