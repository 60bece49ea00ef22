#include "optimizer/engine/sensitivity.h"

#include "optimizer/engine/simplex.h"

#include <cmath>
#include <vector>

namespace lp {

namespace {

std::vector<bool> basicColumns(const Tableau& t) {
    std::vector<bool> basic(t.C + 1, false);
    for (int r = 1; r <= t.M; ++r)
        basic[t.varBasica[r]] = true;
    return basic;
}

bool isMaximum(const std::string& label) {
    return label.rfind("Máximo", 0) == 0;
}

// A reduced cost within the optimality tolerance of 0 is 0: a residue is no price signal.
double reducedCost(const Tableau& t, int c) {
    const double d = t.at(0, c);
    return std::abs(d) <= kOptimalityTolerance ? 0.0 : d;
}

// The largest rise of the cost of the ingredient basic in row r that keeps every reduced
// cost >= 0: the smallest reduced cost per unit of a positive entry of its row. Entries
// within the pivot tolerance are residues of a 0 and limit nothing (a residue of 1e-17 would
// otherwise turn a price rise of 0.02 into 1e15). The quantity slacks are left out.
double priceRise(const Tableau& t, const std::vector<bool>& basic, int r) {
    double d = 0;
    bool found = false;
    for (int c = 1; c <= t.C - 2; ++c) {
        if (basic[c] || !(t.at(r, c) > kPivotTolerance))
            continue;
        const double ratio = reducedCost(t, c) / t.at(r, c);
        if (!found || ratio < d) {
            d = ratio;
            found = true;
        }
    }
    return d;
}

// Dry-matter fraction of the as-fed mix: sum(dm x).
double dryFraction(const Tableau& t) {
    double dry = 0;
    for (int r = 1; r <= t.M; ++r)
        if (t.varBasica[r] <= t.N)
            dry += t.factorSeca[t.varBasica[r]] * t.at(r, t.rhs());
    return dry;
}

// Content of a ratio's divisor in the mix per unit of share, sum(a_d w x): a unit more of the
// ratio's limit moves the row, sum((a_n - r a_d) w x), by this much, as a unit of a right-hand
// side would. 0 for a ratio whose divisor is not among the blend's nutrients.
double divisorContent(const Tableau& t, const Blend& blend, size_t ratio) {
    const int div = nutrientIndex(blend, blend.ratios[ratio].divisor);
    if (div < 0)
        return 0;
    const std::vector<double>& a = blend.valor[size_t(div)];
    double content = 0;
    for (int r = 1; r <= t.M; ++r)
        if (const int j = t.varBasica[r]; j >= 1 && j <= t.N)
            content += a[size_t(j - 1)] * contentFactor(blend, size_t(j - 1)) * t.at(r, t.rhs());
    return content;
}

// The ratio each ratio row of the tableau stands for, in row order.
std::vector<size_t> ratioOfRow(const Blend& blend) {
    std::vector<size_t> ratios;
    for (const LimitRef& limit : generalLimits(blend))
        if (limit.kind == LimitRef::Ratio)
            ratios.push_back(limit.index);
    return ratios;
}

// What a restriction row is about, by id.
void refer(AnalysisRow& row, const Blend& blend, const LimitRef& limit) {
    row.kind = limit.kind;
    row.side = limit.side;
    switch (limit.kind) {
    case LimitRef::Nutrient:
        row.id = blend.nutrients[limit.index].id;
        break;
    case LimitRef::Ingredient:
        row.id = blend.ingredients[limit.index].id;
        break;
    case LimitRef::Ratio:
        row.id = blend.ratios[limit.index].numerador;
        row.divisorId = blend.ratios[limit.index].divisor;
        break;
    case LimitRef::Group:
        row.id = blend.groups[limit.index].id;
        break;
    }
}

} // namespace

std::vector<AnalysisRow> sensitivityRows(const Tableau& t, const Blend& blend) {
    const std::vector<bool> basic = basicColumns(t);
    const double q = blend.cantidad;
    const double batchCost = -t.at(0, t.rhs()) * q;
    std::vector<AnalysisRow> rows;

    for (int r = 1; r <= t.M; ++r) {
        const int j = t.varBasica[r];
        if (j > t.N)
            continue;
        const double d = priceRise(t, basic, r);
        const Ingredient& ing = blend.ingredients[j - 1];
        const double up = blend.secaIng ? d * t.factorSeca[j] : d;
        rows.push_back({"IA", ing.nombre, ing.costoHumeda, up, ing.costoHumeda + up,
                        LimitRef::Ingredient, LimitRef::Minimum, ing.id, 0});
    }
    for (int j = 1; j <= t.N; ++j) {
        if (basic[j])
            continue;
        const Ingredient& ing = blend.ingredients[j - 1];
        const double d = reducedCost(t, j);
        const double down = blend.secaIng ? d * t.factorSeca[j] : d;
        rows.push_back({"II", ing.nombre, ing.costoHumeda, down, ing.costoHumeda - down,
                        LimitRef::Ingredient, LimitRef::Minimum, ing.id, 0});
    }
    // With as-fed shares and dry-basis nutrients a nutrient row holds its limit inside the
    // coefficients, (a - limit) dm, with right-hand side 0: a unit more of the limit weighs
    // on the row as much as sum(dm x) on the right-hand side would, so the slack's reduced
    // cost is scaled by the dry-matter fraction of the mix.
    const double perLimit = !blend.secaIng && blend.secaNut ? dryFraction(t) : 1.0;
    const std::vector<size_t> ratios = ratioOfRow(blend);
    const int ratioRows = t.K + t.KR, groupRows = ratioRows + t.KG;
    const std::vector<LimitRef> limits = rowLimits(blend);
    for (int s = t.N + 1; s <= t.N + t.generalRows() + t.L; ++s) {
        if (basic[s])
            continue;
        const int r = s - t.N;
        const std::string& label = t.etiquetaFila[r];
        const char* tipo = "RI";
        double scale = 1.0;
        if (r <= t.K) {
            tipo = "RN";
            scale = q * perLimit;
        } else if (r <= ratioRows) {
            tipo = "RR";
            const size_t k = size_t(r - t.K - 1);
            scale = k < ratios.size() ? q * divisorContent(t, blend, ratios[k]) : 0.0;
        } else if (r <= groupRows) {
            tipo = "RG";
        }
        const double d = reducedCost(t, s);
        const double change = (isMaximum(label) ? -d : d) * scale;
        AnalysisRow row{tipo, label, batchCost, change, batchCost + change};
        if (size_t(r - 1) < limits.size())
            refer(row, blend, limits[size_t(r - 1)]);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace lp
