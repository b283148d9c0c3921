#include "platform/system/environment.h"

#include <cstdlib>
#include <locale.h>

namespace psys {

std::string environment_variable(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

double parse_double_c(const char* text) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c ? strtod_l(text, nullptr, c) : std::strtod(text, nullptr);
}

} // namespace psys
