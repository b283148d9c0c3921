#include "base/GxAssert.h"

#include <cstdio>
#include <cstdlib>

// Defined in every build, so that objects built with and without the checks
// still link together.
void GxAssertFailed(const char* expression, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: GX_ASSERT(%s) failed\n", file, line, expression);
    std::fflush(stderr);
    std::abort();
}
