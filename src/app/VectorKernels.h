#pragma once

// What the hot loops share: four doubles to a 32-byte vector, and kernels built twice, for
// AVX2 and for plain x86-64, with the better one chosen at start-up. Files that use them are
// compiled without contraction (-ffp-contract=off), so neither build fuses a multiply into
// the following add and every lane rounds exactly like the plain loop. The choosing runs
// before ThreadSanitizer has started, so its builds keep the plain version.

// The helpers take and return 32-byte vectors; they are always inlined, so the calling
// convention GCC warns about never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define TARVEX_CLONED_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define TARVEX_CLONED_KERNEL
#endif

namespace tarvex::simd {

typedef double V4 __attribute__((vector_size(32)));
typedef double V4Unaligned __attribute__((vector_size(32), aligned(8), may_alias));

[[gnu::always_inline]] inline V4 Load(const double* p)
{
    return *reinterpret_cast<const V4Unaligned*>(p);
}
[[gnu::always_inline]] inline void Store(double* p, const V4& x)
{
    *reinterpret_cast<V4Unaligned*>(p) = x;
}
[[gnu::always_inline]] inline V4 Splat(double x)
{
    return V4{x, x, x, x};
}

}  // namespace tarvex::simd
