#pragma once
// What the name-sharing factories have in common: the resources they own, in
// the order they were made, under one mutex that every operation holds for
// its whole run (the factory's mutex before a resource's own). Names match
// without regard to the case of ASCII letters.
#include "base/GxMutex.h"
#include "base/GxTypes.h"

#include <vector>

class GxD3DResourceBase;

class GxTextureFactoryBase {
public:
    virtual ~GxTextureFactoryBase();
    GxTextureFactoryBase(const GxTextureFactoryBase&) = delete;
    GxTextureFactoryBase& operator=(const GxTextureFactoryBase&) = delete;

    // The first entry of that name, its count unchanged; null when none.
    virtual GxD3DResourceBase* Find(const GxChar* name);
    // Deletes every entry, whatever its count.
    virtual void Clear();
    virtual u32 GetCount();

protected:
    // factoryName: the name the warnings and the dump print; itemName: what
    // the release warnings call an entry.
    explicit GxTextureFactoryBase(const GxChar* factoryName, const GxChar* itemName = u"texture");
    // Under the mutex: the first entry whose name matches, count raised.
    GxD3DResourceBase* TakeExisting(const GxChar* name);
    void Append(GxD3DResourceBase* resource);
    // One release of an entry; deleted and removed when its count reaches 0.
    void ReleaseEntry(GxD3DResourceBase* resource);
    void ReleaseEntryByName(const GxChar* name);
    void DumpEntries();

    GxMutex m_Mutex;
    std::vector<GxD3DResourceBase*> m_List;
    const GxChar* m_FactoryName;
    const GxChar* m_ItemName;
};
