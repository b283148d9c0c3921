#include "tasks/GxSharedScope.h"

GxSharedScope::~GxSharedScope() { Clear(); }

void GxSharedScope::Clear() {
    for (auto& map : m_Assets) {
        // Deleting an asset never finds the map half emptied.
        auto doomed = std::move(map);
        map.clear();
        doomed.clear();
    }
}

void GxSharedScope::AddSequenceName(const GxChar* name) {
    if (name) m_SequenceNames.insert(GxString(name));
}

bool GxSharedScope::AddAsset(int map, const GxString& name, std::unique_ptr<GxSharedAssetBase> asset) {
    if (map < 0 || map >= kMapCount) return false;
    m_Assets[map][name] = std::move(asset);
    return true;
}

GxSharedAssetBase* GxSharedScope::FindAsset(int map, const GxString& name) const {
    if (map < 0 || map >= kMapCount) return nullptr;
    auto it = m_Assets[map].find(name);
    return it == m_Assets[map].end() ? nullptr : it->second.get();
}

size_t GxSharedScope::GetAssetCount(int map) const {
    return (map < 0 || map >= kMapCount) ? 0 : m_Assets[map].size();
}

void GxSharedScope::Tick() {
    for (int m = kFirstTickedMap; m < kMapCount; ++m)
        for (auto& [name, asset] : m_Assets[m])
            if (asset) asset->Tick();
}
