#pragma once

// The hot loops are built twice, for AVX2 and for any x86-64, and the processor picks at start.
// Sanitizer builds keep one plain build.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
#define CARBONEL_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CARBONEL_VECTOR_CLONES
#endif
