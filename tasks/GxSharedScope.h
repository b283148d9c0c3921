#pragma once
// One numbered scope of shared assets: the names of the scenes that use it and
// five maps of owned assets by name.
#include "base/GxTypes.h"
#include "tasks/GxSharedAssetBase.h"

#include <map>
#include <memory>
#include <set>

class GxAsyncJobManage;

class GxSharedScope {
public:
    static constexpr int kMapCount = 5;
    // Maps whose assets are ticked every update step.
    static constexpr int kFirstTickedMap = 3;

    explicit GxSharedScope(GxAsyncJobManage* jobs) : m_Jobs(jobs) {}
    virtual ~GxSharedScope();
    GxSharedScope(const GxSharedScope&) = delete;
    GxSharedScope& operator=(const GxSharedScope&) = delete;

    // Deletes every asset, first map to fifth; the member names stay.
    virtual void Clear();

    void AddSequenceName(const GxChar* name);
    bool HasSequenceName(const GxString& name) const { return m_SequenceNames.count(name) != 0; }
    const std::set<GxString>& GetSequenceNames() const { return m_SequenceNames; }

    // Takes the asset; an asset already under that name in that map is
    // deleted. False (and the asset deleted) for a map outside 0-4.
    bool AddAsset(int map, const GxString& name, std::unique_ptr<GxSharedAssetBase> asset);
    GxSharedAssetBase* FindAsset(int map, const GxString& name) const;
    size_t GetAssetCount(int map) const;
    // Ticks the fourth map's assets, then the fifth's, each in name order.
    void Tick();

    GxAsyncJobManage* GetJobManage() const { return m_Jobs; }

private:
    GxAsyncJobManage* m_Jobs;
    std::set<GxString> m_SequenceNames;
    std::map<GxString, std::unique_ptr<GxSharedAssetBase>> m_Assets[kMapCount];
};
