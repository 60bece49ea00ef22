#include "optimizer/engine/dense_kernels.h"

#include <cstring>

namespace lp {

namespace {

using Pair = double __attribute__((vector_size(16)));

Pair load(const double* p) {
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void store(double* p, Pair v) {
    std::memcpy(p, &v, sizeof v);
}

} // namespace

void axpy(double* y, const double* x, double f, int len) {
    const Pair factor = {f, f};
    int k = 0;
    for (; k + 4 <= len; k += 4) {
        store(y + k, load(y + k) + factor * load(x + k));
        store(y + k + 2, load(y + k + 2) + factor * load(x + k + 2));
    }
    for (; k < len; ++k)
        y[k] += f * x[k];
}

void combineRows4(const double* const* rows, const double* factors, int count, int len, double* out,
                  int stride) {
    int j = 0;
    // Eight sums in named registers: an array of them would live in memory at -O2.
    for (; j + 4 <= len; j += 4) {
        Pair s00 = {}, s01 = {}, s10 = {}, s11 = {}, s20 = {}, s21 = {}, s30 = {}, s31 = {};
        for (int s = 0; s < count; ++s) {
            const Pair a0 = load(rows[s] + j), a1 = load(rows[s] + j + 2);
            const double* f = factors + 4 * s;
            const Pair f0 = {f[0], f[0]}, f1 = {f[1], f[1]}, f2 = {f[2], f[2]}, f3 = {f[3], f[3]};
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
        store(out + j + 2, s01);
        store(out + stride + j, s10);
        store(out + stride + j + 2, s11);
        store(out + 2 * stride + j, s20);
        store(out + 2 * stride + j + 2, s21);
        store(out + 3 * stride + j, s30);
        store(out + 3 * stride + j + 2, s31);
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
