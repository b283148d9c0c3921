#include "platform/system/resources.h"

#include <algorithm>

namespace psys {
namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool SameType(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

} // namespace

const resource* find_resource(module_handle module, uint32_t id, std::u16string_view type) {
    if (module) return nullptr;
    for (size_t i = 0; i < detail::kEmbeddedResourceCount; ++i) {
        const resource& r = detail::kEmbeddedResources[i];
        if (r.id == id && SameType(r.type, type)) return &r;
    }
    return nullptr;
}

const uint8_t* load_resource(module_handle, const resource* r) { return r ? r->data : nullptr; }

uint32_t sizeof_resource(module_handle, const resource* r) { return r ? r->size : 0; }

} // namespace psys
