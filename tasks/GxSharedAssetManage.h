#pragma once
// Assets shared by several scenes, kept in numbered scopes. Each scope names
// the scenes that use it; a change of the main scene empties every scope that
// does not name the new one. Scope 0 is resident. The manager owns the
// engine's job manager and waits for its queue to drain before emptying
// anything, so no worker still loads an asset that is about to go.
#include "base/GxAsyncJobManage.h"
#include "tasks/GxSharedScope.h"

#include <vector>

class GxSharedAssetManage {
public:
    GxSharedAssetManage();
    // Shuts the job workers down, then deletes every scope.
    virtual ~GxSharedAssetManage();
    GxSharedAssetManage(const GxSharedAssetManage&) = delete;
    GxSharedAssetManage& operator=(const GxSharedAssetManage&) = delete;

    // A new empty scope at the index (the slots grow as needed); a scope
    // already there is deleted with its assets. Null for a negative index.
    GxSharedScope* OpenScope(int index);
    GxSharedScope* GetScope(int index) const;
    int GetScopeSlotCount() const { return int(m_Scopes.size()); }
    // The change of the main scene to sequenceName.
    void ReleaseForSequence(const GxString& sequenceName);
    // Once per update step.
    void Tick();
    // Empties every scope, scope 0 included.
    void ReleaseAll();

    GxAsyncJobManage m_AsyncJobManage;

private:
    std::vector<GxSharedScope*> m_Scopes;
};
