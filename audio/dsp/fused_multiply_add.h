// Marks a hot loop to be compiled twice, for processors with fused
// multiply-add and for the baseline, chosen when the program loads. A
// multiply-add in one instruction shortens the sample-to-sample feedback
// chains that bound the speed of filters.
//
// Not under ThreadSanitizer: the loader runs the clone resolver before the
// sanitizer's runtime exists, and the instrumented resolver would crash.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define QUAVERLY_FUSED_MULTIPLY_ADD                                                                \
    __attribute__((target_clones("fma", "default"), optimize("fp-contract=fast")))
#else
#define QUAVERLY_FUSED_MULTIPLY_ADD
#endif
