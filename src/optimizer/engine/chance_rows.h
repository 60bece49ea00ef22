#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

namespace lp {

// The mix meets every chance limit when none is broken by more than this part of its size.
// The tangent rows are scaled to the limit's size, so the simplex's own feasibility tolerance
// (0.5e-9 on a row) sits below it and cannot keep the search from getting there.
constexpr double kChanceTolerance = 1e-9;

// One nutrient limit row of the blend's programme that the chance limits change: row k of the
// bounded programme (in generalLimits order), c x <= b in the engine's sign, to hold as
// c x + z ||sigma x|| <= b.
struct ChanceRow {
    int k = 0;
    std::size_t nutrient = 0;
    bool minimum = true;
    double z = 0;
    std::vector<double> sigma; // per ingredient: the deviation of c_j
    std::vector<double> c;
    double b = 0;
    // The size of the limit: |limit| times `limitWeight` (the dry-matter fraction of each share
    // on as-fed shares with a dry-basis limit, 1 otherwise), and the mean's terms `value`.
    double limit = 0;
    std::vector<double> limitWeight, value;
};

inline double spread(const std::vector<double>& sigma, const std::vector<double>& x) {
    double s = 0;
    for (std::size_t i = 0; i < sigma.size(); ++i)
        s += sigma[i] * x[i] * sigma[i] * x[i];
    return std::sqrt(s);
}

// c x + z ||sigma x|| - b: above 0 where the mix breaks the limit.
inline double excess(const ChanceRow& row, const std::vector<double>& x) {
    return std::inner_product(row.c.begin(), row.c.end(), x.begin(), 0.0) +
           row.z * spread(row.sigma, x) - row.b;
}

// The size of a limit at a mix, the yardstick of its violation: the larger of the limit and
// the mix's mean content plus the margin, both on the row's footing (on as-fed shares with a
// dry-basis limit multiplied by the mix's dry matter, as the row is).
inline double limitScale(const ChanceRow& row, const std::vector<double>& x, double sd) {
    double content = row.z * sd, weight = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        content += std::abs(row.value[i] * x[i]);
        weight += row.limitWeight[i] * x[i];
    }
    return std::max({std::abs(row.limit) * weight, content, 1e-300});
}

// How far the mix breaks the limit, relative to the limit's size (<= 0 when it holds), with
// `sd` the mix's spread(row.sigma, x) where the caller has it at hand.
inline double violation(const ChanceRow& row, const std::vector<double>& x, double sd) {
    const double lhs = std::inner_product(row.c.begin(), row.c.end(), x.begin(), 0.0) + row.z * sd;
    return (lhs - row.b) / limitScale(row, x, sd);
}

inline double violation(const ChanceRow& row, const std::vector<double>& x) {
    return violation(row, x, spread(row.sigma, x));
}

} // namespace lp
