#include "game/GxIconIndex.h"

#include "base/GxFColor.h"
#include "base/GxMatrix.h"
#include "base/GxStringUtil.h"
#include "layers/GxNcCrammedDraw.h"
#include "layers/GxNcCrammedImageSet.h"
#include "layers/GxNcOriginImage.h"

#include <map>

namespace {

constexpr u32 kBlendAlpha = 2;

std::map<GxString, const GxNcOriginImage*, std::less<>>& Index() {
    static std::map<GxString, const GxNcOriginImage*, std::less<>> index;
    return index;
}

} // namespace

void GxBuildIconIndex(const GxNcCrammedImageSet* set) {
    // Records of a set built before would point into a set that may be gone.
    GxClearIconIndex();
    if (!set) return;
    for (const std::unique_ptr<GxNcOriginImage>& origin : set->m_OriginImageArray)
        if (origin) Index().emplace(GxGetFileTitle(origin->m_FileName), origin.get());
}

void GxClearIconIndex() { Index().clear(); }

const GxNcOriginImage* GxGetIconIndex(GxStringView name) {
    auto it = Index().find(name);
    return it == Index().end() ? nullptr : it->second;
}

void GxDrawIcon(const GxNcOriginImage* icon, const GxVector3& position, u32 argb, const GxVector2& scale) {
    if (!icon) return;
    GxMatrix world;
    world.SetScale(scale.x, scale.y, 1.0f);
    world.TranslateXYZ(position.x, position.y, position.z);
    DrawCrammedPattern(0, icon, world, 1.0f, GxFColor::FromARGB(argb), GxFColor(0.0f, 0.0f, 0.0f, 0.0f), kBlendAlpha);
}
