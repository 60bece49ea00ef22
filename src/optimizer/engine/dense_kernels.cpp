#include "optimizer/engine/dense_kernels.h"

#include <cstring>

// The helpers below pass four-lane vectors by value; they are inlined into the kernels and
// never cross this file, so the note that their calling convention differs with AVX is moot.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace lp {

namespace {

// Four lanes: one AVX2 register where the processor has them, two SSE2 registers elsewhere.
// Both compute each lane with the same multiply and add (no fused multiply-add), so the
// results are the same to the last bit on every x86-64.
using Quad = double __attribute__((vector_size(32)));

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define DOSIVANT_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define DOSIVANT_KERNEL
#endif

inline Quad load(const double* p) {
    Quad v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store(double* p, Quad v) {
    std::memcpy(p, &v, sizeof v);
}

inline Quad splat(double f) {
    return Quad{f, f, f, f};
}

} // namespace

DOSIVANT_KERNEL double dot(const double* a, const double* b, int len) {
    Quad sum = splat(0.0);
    int i = 0;
    for (; i + 4 <= len; i += 4)
        sum += load(a + i) * load(b + i);
    double total = (sum[0] + sum[1]) + (sum[2] + sum[3]);
    for (; i < len; ++i)
        total += a[i] * b[i];
    return total;
}

DOSIVANT_KERNEL void axpy(double* y, const double* x, double f, int len) {
    const Quad factor = splat(f);
    int k = 0;
    for (; k + 8 <= len; k += 8) {
        store(y + k, load(y + k) + factor * load(x + k));
        store(y + k + 4, load(y + k + 4) + factor * load(x + k + 4));
    }
    for (; k < len; ++k)
        y[k] += f * x[k];
}

DOSIVANT_KERNEL void addCombination(double* out, const double* const* rows, const double* factors,
                                    int count, int len) {
    int j = 0;
    for (; j + 16 <= len; j += 16) {
        Quad s0 = load(out + j), s1 = load(out + j + 4), s2 = load(out + j + 8),
             s3 = load(out + j + 12);
        for (int s = 0; s < count; ++s) {
            const double* a = rows[s] + j;
            const Quad f = splat(factors[s]);
            s0 += f * load(a);
            s1 += f * load(a + 4);
            s2 += f * load(a + 8);
            s3 += f * load(a + 12);
        }
        store(out + j, s0);
        store(out + j + 4, s1);
        store(out + j + 8, s2);
        store(out + j + 12, s3);
    }
    for (; j < len; ++j) {
        double sum = out[j];
        for (int s = 0; s < count; ++s)
            sum += factors[s] * rows[s][j];
        out[j] = sum;
    }
}

DOSIVANT_KERNEL void combineRows4(const double* const* rows, const double* factors, int count,
                                  int len, double* out, int stride) {
    int j = 0;
    // Eight sums in named registers: an array of them would live in memory at -O2.
    for (; j + 8 <= len; j += 8) {
        Quad s00 = {}, s01 = {}, s10 = {}, s11 = {}, s20 = {}, s21 = {}, s30 = {}, s31 = {};
        for (int s = 0; s < count; ++s) {
            const Quad a0 = load(rows[s] + j), a1 = load(rows[s] + j + 4);
            const double* f = factors + 4 * s;
            const Quad f0 = splat(f[0]), f1 = splat(f[1]), f2 = splat(f[2]), f3 = splat(f[3]);
            s00 += f0 * a0;
            s01 += f0 * a1;
            s10 += f1 * a0;
            s11 += f1 * a1;
            s20 += f2 * a0;
            s21 += f2 * a1;
            s30 += f3 * a0;
            s31 += f3 * a1;
        }
        store(out + j, s00);
        store(out + j + 4, s01);
        store(out + stride + j, s10);
        store(out + stride + j + 4, s11);
        store(out + 2 * stride + j, s20);
        store(out + 2 * stride + j + 4, s21);
        store(out + 3 * stride + j, s30);
        store(out + 3 * stride + j + 4, s31);
    }
    for (; j < len; ++j)
        for (int k = 0; k < 4; ++k) {
            double sum = 0;
            for (int s = 0; s < count; ++s)
                sum += factors[4 * s + k] * rows[s][j];
            out[k * stride + j] = sum;
        }
}

} // namespace lp
