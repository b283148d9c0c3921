#pragma once
// The program's own resources: files compiled into the executable when it is
// built (platform/system/resources/<number>_<TYPE>.<ext>), found by number and
// type as a resource of the program's module is found, then loaded and sized.
// There is one module, the program itself; nothing is read from disk.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace psys {

struct resource {
    uint32_t id;
    const char16_t* type;
    const uint8_t* data;
    uint32_t size;
};

// Stands for a loaded module; null is the program itself, the only one.
using module_handle = const void*;

// Null when the module holds no resource of that number and type (types
// match without regard to the case of ASCII letters).
const resource* find_resource(module_handle module, uint32_t id, std::u16string_view type);
// The resource's bytes, which live as long as the program; null for null.
const uint8_t* load_resource(module_handle module, const resource* r);
// 0 for null.
uint32_t sizeof_resource(module_handle module, const resource* r);

namespace detail {
extern const resource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;
} // namespace detail

} // namespace psys
