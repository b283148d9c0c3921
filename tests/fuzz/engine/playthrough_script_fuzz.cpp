// A scripted run's script of any bytes: parsed, or refused with its line.
#include "engine/GxPlaythrough.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 16) return 0;
    GxPlaythrough run;
    std::string error;
    if (!run.Parse(std::string(reinterpret_cast<const char*>(data), size), &error) && error.empty()) __builtin_trap();
    return 0;
}
