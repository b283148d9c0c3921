#pragma once
// GX_ASSERT(condition): what the code relies on and a comment states as
// always true, checked where QUILLON_ASSERTS is defined (the sanitizer
// builds): a false condition prints its file, line and text and aborts. In
// other builds the condition is compiled but never evaluated.
[[noreturn]] void GxAssertFailed(const char* expression, const char* file, int line);

#if defined(QUILLON_ASSERTS)
#define GX_ASSERT(condition) ((condition) ? void(0) : GxAssertFailed(#condition, __FILE__, __LINE__))
#else
#define GX_ASSERT(condition) void(sizeof(!(condition)))
#endif
