#pragma once
// A reference count that starts at 1 and never deletes its object: the
// factory that owns a shared image set or project deletes it once the count
// has come down to 0.
#include "base/GxTypes.h"

class GxObjectRefCountNotAutoDelete {
public:
    GxObjectRefCountNotAutoDelete() = default;
    // A derived class runs ReleaseAll in its own destructor, while its
    // override of Release can still run.
    virtual ~GxObjectRefCountNotAutoDelete() = default;
    GxObjectRefCountNotAutoDelete(const GxObjectRefCountNotAutoDelete&) = delete;
    GxObjectRefCountNotAutoDelete& operator=(const GxObjectRefCountNotAutoDelete&) = delete;

    virtual u32 AddRef() { return ++m_RefCount; }
    virtual u32 GetRefCount() const { return m_RefCount; }
    // Lowers the count when above 0; the new count.
    virtual u32 Release();
    virtual void ReleaseAll();

    // A pointer the factories were handed but do not hold, for their warning
    // lines: the object may be gone, so only its address can be told.
    static GxString PointerText(const void* object);

protected:
    u32 m_RefCount = 1;
};
