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
// Kernels written on eight-lane vectors get an AVX-512 build as well, where such a vector is
// one register.
#define TARVEX_CLONED_KERNEL_512 __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define TARVEX_CLONED_KERNEL
#define TARVEX_CLONED_KERNEL_512
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

// Eight doubles: one AVX-512 register, two AVX2 ones, four SSE2 ones.
typedef double V8 __attribute__((vector_size(64)));
typedef double V8Unaligned __attribute__((vector_size(64), aligned(8), may_alias));

[[gnu::always_inline]] inline V8 Load8(const double* p)
{
    return *reinterpret_cast<const V8Unaligned*>(p);
}
[[gnu::always_inline]] inline void Store8(double* p, const V8& x)
{
    *reinterpret_cast<V8Unaligned*>(p) = x;
}

}  // namespace tarvex::simd
