#include "layers/GxNcImageSetPool.h"

#include "base/GxLog.h"
#include "layers/GxNcCrammedImageSetFactory.h"

#include <map>

namespace {

std::map<GxString, GxNcCrammedImageSet*>& Pool() {
    static std::map<GxString, GxNcCrammedImageSet*> pool;
    return pool;
}

} // namespace

GxNcCrammedImageSet* GxNcImageSetPool::Add(GxStringView name) {
    auto it = Pool().find(GxString(name));
    if (it != Pool().end()) return it->second;
    GxString request(name);
    GxNcCrammedImageSet* set = GxNcCrammedImageSetFactory::GetInstance().GetCrammedImageSet(request, true);
    if (!set) {
        GxWriteErrorLog(u"GxNcImageSetPool::Add イメージセット読み込み失敗[%s]\n", name);
        return nullptr;
    }
    Pool()[GxString(name)] = set;
    return set;
}

bool GxNcImageSetPool::Release(GxStringView name) {
    auto it = Pool().find(GxString(name));
    if (it == Pool().end()) {
        GxWriteErrorLog(u"GxNcImageSetPool::Release 解放するイメージセットが見つからない[%s]\n", name);
        return false;
    }
    // The entry goes first: nothing here touches the set once it is given back.
    GxNcCrammedImageSet* set = it->second;
    Pool().erase(it);
    if (set) GxNcCrammedImageSetFactory::GetInstance().Release(set);
    return true;
}

GxNcCrammedImageSet* GxNcImageSetPool::Get(GxStringView name) {
    auto it = Pool().find(GxString(name));
    return it == Pool().end() ? nullptr : it->second;
}

void GxNcImageSetPool::Clear() {
    // Emptied first, so that nothing reached from a release finds a set that
    // is being given back.
    std::map<GxString, GxNcCrammedImageSet*> sets;
    sets.swap(Pool());
    for (auto& [name, set] : sets)
        if (set) GxNcCrammedImageSetFactory::GetInstance().Release(set);
}
