// Effect source declarations parsed from any bytes. Every #include is served
// the same bytes again, so includes nest until the depth and count limits
// stop them; the parser must end, and keep no handle past its file's close.
#include "platform/image/effect.h"

#include <cstddef>
#include <cstdint>

namespace {

struct SelfInclude : pimage::effect_include {
    const char* data;
    size_t size;
    int open_files = 0;
    bool open(const std::string&, const char** d, size_t* n) override {
        ++open_files;
        *d = data;
        *n = size;
        return true;
    }
    void close(const char*) override { --open_files; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 16)) return 0;
    SelfInclude inc;
    inc.data = reinterpret_cast<const char*>(data);
    inc.size = size;
    pimage::effect fx;
    std::string errors;
    pimage::parse_effect(inc.data, size, &inc, fx, errors);
    if (inc.open_files != 0) __builtin_trap();
    return 0;
}
