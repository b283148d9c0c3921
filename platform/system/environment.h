#pragma once
// The process's environment and what it says of the user's locale.
#include <string>

namespace psys {

// The variable's value; "" when it is not set.
std::string environment_variable(const char* name);

// A floating-point number read as strtod reads it in the "C" locale (the
// decimal point is '.'), whatever locale the process has set.
double parse_double_c(const char* text);

} // namespace psys
