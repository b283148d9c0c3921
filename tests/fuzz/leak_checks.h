#pragma once
// For what a library keeps for good on its first use (the font library's
// configuration, parsed once): made with the leak checker looking away, as
// it belongs to no input.
#if defined(__SANITIZE_ADDRESS__)
#define QFUZZ_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QFUZZ_LEAK_CHECKS 1
#endif
#endif
#ifdef QFUZZ_LEAK_CHECKS
#include <sanitizer/lsan_interface.h>
#endif

namespace qfuzz {

template <class F>
void WithoutLeakChecks(F&& f) {
#ifdef QFUZZ_LEAK_CHECKS
    __lsan_disable();
    f();
    __lsan_enable();
#else
    f();
#endif
}

} // namespace qfuzz
