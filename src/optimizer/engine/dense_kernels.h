#pragma once

namespace lp {

// The two loops that carry the bounded simplex and the rebuild of its final tableau, on four
// lanes at a time (AVX2 where the processor has it, SSE2 elsewhere, with the same results).

// The sum of a[i] b[i] over len entries, in four lanes.
double dot(const double* a, const double* b, int len);

// y += f x over len entries.
void axpy(double* y, const double* x, double f, int len);

// out[j] += sum over s of factors[s] * rows[s][j], for j < len, added in the order of s (as
// that many axpy calls would), each entry of out read and written once.
void addCombination(double* out, const double* const* rows, const double* factors, int count,
                    int len);

// Four combinations of the same rows at once: out[k * stride + j] = sum over s of
// factors[4 s + k] * rows[s][j], for k < 4 and j < len, summed in the order of s. Each entry
// of a row is loaded once for the four sums, which stay in registers while the rows are
// walked.
void combineRows4(const double* const* rows, const double* factors, int count, int len, double* out,
                  int stride);

} // namespace lp
