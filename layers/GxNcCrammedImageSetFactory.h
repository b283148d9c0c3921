#pragma once
// The process-wide registry that shares crammed image sets by name. A set is
// read once and handed out with one more reference per request; the last
// release deletes it. A set asked for without textures waits in the pending
// list until one of the pending operations loads them. Every operation holds
// the factory's (re-entrant) mutex for its whole run, so sets may be got and
// released from any thread.
#include "base/GxMutex.h"
#include "layers/GxNcCrammedImageSet.h"

#include <deque>
#include <map>

class GxNcCrammedImageSetFactory {
public:
    static GxNcCrammedImageSetFactory& GetInstance();

    virtual ~GxNcCrammedImageSetFactory();
    GxNcCrammedImageSetFactory(const GxNcCrammedImageSetFactory&) = delete;
    GxNcCrammedImageSetFactory& operator=(const GxNcCrammedImageSetFactory&) = delete;

    // The set read from name + ".gis" (no second extension when the name has
    // one), or the registered one with a reference added. The caller's name
    // is lower-cased in place. Null, with a log line, when the file is
    // missing or damaged or an atlas texture it names cannot be loaded.
    virtual GxNcCrammedImageSet* GetCrammedImageSet(GxString& name, bool loadTextures);
    // The registered set, its count unchanged; lower-cases the name in place.
    virtual GxNcCrammedImageSet* Find(GxString& name);
    virtual void Release(GxNcCrammedImageSet* set);
    virtual void ReleaseByName(GxStringView name);
    // Deletes every set whatever its count.
    virtual void Clear();
    virtual s32 GetPendingCount();
    // Loads the textures of the first pending set; the number left pending.
    virtual s32 LoadOnePending();
    virtual void LoadAllPending();
    // The origin image of a registered set, or null.
    virtual GxNcOriginImage* FindOriginImage(GxStringView setName, GxStringView imageName);
    // One warning line per set still registered.
    virtual void ReportNotReleased();

    // The map key of a set name: lower case, without a ".gis" extension, so
    // that "UI/Common" and "ui/common.gis" name one set.
    static GxString MakeKey(GxStringView name);

private:
    GxNcCrammedImageSetFactory() = default;
    // Drops one reference of a registered entry; deletes it at 0.
    void ReleaseEntry(std::map<GxString, GxNcCrammedImageSet*>::iterator it);
    void Forget(GxNcCrammedImageSet* set);

    GxMutex m_Mutex;
    std::map<GxString, GxNcCrammedImageSet*> m_Sets;
    std::deque<GxNcCrammedImageSet*> m_Pending;
};
