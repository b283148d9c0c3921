#pragma once
// The process-wide registry of loaded layout projects: each is loaded once,
// shared by name with a reference count and deleted by the last release.
// Every operation holds the factory's (re-entrant) mutex for its whole run,
// loading included, so two threads asking for one new project load it once.
#include "base/GxMutex.h"
#include "layers/GxNcProjectEx.h"

#include <map>

class GxNcProjectFactory {
public:
    static GxNcProjectFactory& GetInstance();

    virtual ~GxNcProjectFactory();
    GxNcProjectFactory(const GxNcProjectFactory&) = delete;
    GxNcProjectFactory& operator=(const GxNcProjectFactory&) = delete;

    // The registered project with a reference added, else a new one loaded
    // and registered (also when its file could not be read: it stays,
    // empty, under its name).
    virtual GxNcProjectEx* Get(GxStringView name, GxStringView imageFolder, bool loadTextures);
    virtual GxNcProjectEx* Find(GxStringView name);
    virtual void Release(GxNcProjectEx* project);
    virtual void ReleaseByName(GxStringView name);
    // Deletes every project whatever its count.
    virtual void ClearAll();
    // One warning line per project still registered.
    virtual void ReportNotReleased();

private:
    GxNcProjectFactory() = default;
    void ReleaseEntry(std::map<GxString, GxNcProjectEx*>::iterator it);

    GxMutex m_Mutex;
    std::map<GxString, GxNcProjectEx*> m_Projects;
};
