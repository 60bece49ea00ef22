#include "optimizer/engine/solution.h"

#include "optimizer/engine/simplex.h"

#include <algorithm>

namespace lp {

std::vector<double> shares(const Tableau& t) {
    std::vector<double> x(t.N, 0.0);
    for (int r = 1; r <= t.M; ++r)
        if (t.varBasica[r] >= 1 && t.varBasica[r] <= t.N) {
            // A residue just below 0 is a share of 0, not a negative quantity to show.
            const double v = t.at(r, t.rhs());
            x[t.varBasica[r] - 1] = v < 0 && v >= -kFeasibilityTolerance ? 0.0 : v;
        }
    return x;
}

std::vector<BatchLine> batchLines(const Blend& blend, const std::vector<double>& shares) {
    const double q = blend.cantidad;
    std::vector<BatchLine> lines(blend.ingredients.size());
    double totalSeca = 0, totalHumeda = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const double x = shares[i];
        const double f = blend.ingredients[i].materiaSeca / 100;
        BatchLine& b = lines[i];
        if (blend.secaIng) {
            b.porcentajeSeca = x;
            b.cantidadSeca = x * q;
            b.cantidadHumeda = b.cantidadSeca / f;
        } else {
            b.porcentajeHumeda = x;
            b.cantidadHumeda = x * q;
            b.cantidadSeca = b.cantidadHumeda * f;
        }
        totalSeca += b.cantidadSeca;
        totalHumeda += b.cantidadHumeda;
    }
    for (BatchLine& b : lines) {
        if (blend.secaIng)
            b.porcentajeHumeda = totalHumeda != 0 ? b.cantidadHumeda / totalHumeda : 0;
        else
            b.porcentajeSeca = totalSeca != 0 ? b.cantidadSeca / totalSeca : 0;
    }
    return lines;
}

std::vector<std::optional<double>> ratioValues(const Blend& blend,
                                               const std::vector<double>& shares) {
    // sum(a w x) is the content up to the factor 1 / sum(dm x) of a dry-basis limit on as-fed
    // shares, which the quotient cancels.
    auto content = [&](int n) {
        double c = 0;
        for (size_t j = 0; j < shares.size(); ++j)
            c += blend.valor[size_t(n)][j] * contentFactor(blend, j) * shares[j];
        return c;
    };
    std::vector<std::optional<double>> values;
    for (const Ratio& r : blend.ratios) {
        const int num = nutrientIndex(blend, r.numerador), div = nutrientIndex(blend, r.divisor);
        const double divisor = div >= 0 ? content(div) : 0.0;
        if (num < 0 || divisor == 0)
            values.emplace_back();
        else
            values.emplace_back(content(num) / divisor);
    }
    return values;
}

std::vector<double> groupQuantities(const Blend& blend, const std::vector<double>& shares) {
    std::vector<double> quantities;
    for (const Group& g : blend.groups) {
        double sum = 0;
        for (size_t j = 0; j < shares.size(); ++j)
            if (std::find(g.ingredientIds.begin(), g.ingredientIds.end(),
                          blend.ingredients[j].id) != g.ingredientIds.end())
                sum += shares[j];
        quantities.push_back(sum * blend.cantidad);
    }
    return quantities;
}

} // namespace lp
