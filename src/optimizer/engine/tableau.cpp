#include "optimizer/engine/tableau.h"

#include "optimizer/engine/text.h"

#include <algorithm>

namespace lp {

namespace {

// A fixed ingredient (minimum = maximum) gets this much room either side, in units of quantity.
constexpr double kFixedWidening = 0.001;

// Writes coefficients and right-hand side of one constraint row and its slack.
struct RowWriter {
    Tableau& t;
    int r = 1;

    double* begin(const std::string& label, double rhs) {
        t.etiquetaFila[r] = label;
        t.at(r, t.N + r) = 1;
        t.at(r, t.rhs()) = rhs;
        return t.row(r);
    }
    void next() { ++r; }
};

void writeGeneralRows(const Blend& blend, RowWriter& w, bool coefficients) {
    for (const LimitRef& limit : generalLimits(blend)) {
        const double rhs = generalRow(blend, limit, nullptr);
        double* row = w.begin(rowLabel(blend, limit), rhs);
        if (coefficients)
            generalRow(blend, limit, row + 1);
        w.next();
    }
}

void writeIngredientRows(const Blend& blend, RowWriter& w) {
    for (size_t i = 0; i < blend.ingredients.size(); ++i) {
        const Ingredient& ing = blend.ingredients[i];
        const int j = static_cast<int>(i) + 1;
        const std::string name = trimmed(ing.nombre);
        const IngredientRows rows = ingredientRows(blend, i);
        w.begin("Mínimo para " + name, rows.minimumRhs)[j] = -1;
        w.next();
        if (rows.maximumRhs) {
            w.begin("Máximo para " + name, *rows.maximumRhs)[j] = 1;
            w.next();
        }
    }
}

void writeQuantityRows(RowWriter& w) {
    double* upper = w.begin("Cantidad > 1.0000001", kSumUpper);
    for (int j = 1; j <= w.t.N; ++j)
        upper[j] = 1;
    w.next();
    double* lower = w.begin("Cantidad < 0.0000009", -kSumLower);
    for (int j = 1; j <= w.t.N; ++j)
        lower[j] = -1;
}

} // namespace

int countNutrientRows(const Blend& blend) {
    int k = 0;
    for (const auto& n : blend.nutrients) {
        k += n.minimo.has_value() ? 1 : 0;
        k += n.maximo.has_value() ? 1 : 0;
    }
    return k;
}

int countRatioRows(const Blend& blend) {
    int k = 0;
    for (const auto& r : blend.ratios)
        k += (r.minimo.has_value() ? 1 : 0) + (r.maximo.has_value() ? 1 : 0);
    return k;
}

int countGroupRows(const Blend& blend) {
    int k = 0;
    for (const auto& g : blend.groups)
        k += (g.minimo.has_value() ? 1 : 0) + (g.maximo.has_value() ? 1 : 0);
    return k;
}

namespace {

template <typename Items>
void addLimits(std::vector<LimitRef>& out, const Items& items, LimitRef::Kind kind) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].minimo)
            out.push_back({kind, LimitRef::Minimum, i});
        if (items[i].maximo)
            out.push_back({kind, LimitRef::Maximum, i});
    }
}

} // namespace

std::vector<LimitRef> generalLimits(const Blend& blend) {
    std::vector<LimitRef> limits;
    addLimits(limits, blend.nutrients, LimitRef::Nutrient);
    addLimits(limits, blend.ratios, LimitRef::Ratio);
    addLimits(limits, blend.groups, LimitRef::Group);
    return limits;
}

std::vector<LimitRef> rowLimits(const Blend& blend) {
    std::vector<LimitRef> limits = generalLimits(blend);
    for (size_t i = 0; i < blend.ingredients.size(); ++i) {
        limits.push_back({LimitRef::Ingredient, LimitRef::Minimum, i});
        if (blend.ingredients[i].maximo)
            limits.push_back({LimitRef::Ingredient, LimitRef::Maximum, i});
    }
    return limits;
}

double generalRow(const Blend& blend, const LimitRef& limit, double* coefficients) {
    const bool minimum = limit.side == LimitRef::Minimum;
    switch (limit.kind) {
    case LimitRef::Nutrient:
        return nutrientRow(blend, limit.index, minimum, coefficients);
    case LimitRef::Ratio:
        return ratioRow(blend, limit.index, minimum, coefficients);
    case LimitRef::Group:
        return groupRow(blend, limit.index, minimum, coefficients);
    case LimitRef::Ingredient:
        break;
    }
    return 0;
}

std::string rowLabel(const Blend& blend, const LimitRef& limit) {
    std::string name;
    switch (limit.kind) {
    case LimitRef::Nutrient:
        name = trimmed(blend.nutrients[limit.index].nombre);
        break;
    case LimitRef::Ingredient:
        name = trimmed(blend.ingredients[limit.index].nombre);
        break;
    case LimitRef::Ratio:
        name = "la relación " + ratioName(blend, limit.index);
        break;
    case LimitRef::Group:
        name = "el grupo " + groupName(blend, limit.index);
        break;
    }
    return (limit.side == LimitRef::Minimum ? "Mínimo para " : "Máximo para ") + name;
}

double contentFactor(const Blend& blend, size_t i) {
    return blend.secaIng ? 1.0 : blend.ingredients[i].materiaSeca / 100;
}

double ratioRow(const Blend& blend, size_t r, bool minimum, double* coefficients) {
    if (coefficients == nullptr)
        return 0.0;
    const Ratio& ratio = blend.ratios[r];
    const int num = nutrientIndex(blend, ratio.numerador),
              div = nutrientIndex(blend, ratio.divisor);
    const size_t count = blend.ingredients.size();
    if (num < 0 || div < 0) {
        std::fill(coefficients, coefficients + count, 0.0);
        return 0.0;
    }
    const std::vector<double>& an = blend.valor[size_t(num)];
    const std::vector<double>& ad = blend.valor[size_t(div)];
    const double lim = minimum ? *ratio.minimo : *ratio.maximo;
    const double sign = minimum ? -1.0 : 1.0;
    for (size_t j = 0; j < count; ++j)
        coefficients[j] = sign * ((an[j] - lim * ad[j]) * contentFactor(blend, j));
    return 0.0;
}

double groupRow(const Blend& blend, size_t g, bool minimum, double* coefficients) {
    const Group& group = blend.groups[g];
    const double sign = minimum ? -1.0 : 1.0;
    if (coefficients != nullptr)
        for (size_t j = 0; j < blend.ingredients.size(); ++j) {
            const int id = blend.ingredients[j].id;
            const bool member = std::find(group.ingredientIds.begin(), group.ingredientIds.end(),
                                          id) != group.ingredientIds.end();
            coefficients[j] = member ? sign : 0.0;
        }
    return sign * (minimum ? *group.minimo : *group.maximo) / blend.cantidad;
}

int countIngredientRows(const Blend& blend) {
    int l = 0;
    for (const auto& i : blend.ingredients)
        l += i.maximo.has_value() ? 2 : 1;
    return l;
}

double columnCost(const Blend& blend, std::size_t i) {
    const Ingredient& ing = blend.ingredients[i];
    return blend.secaIng ? ing.costoSeca : ing.costoHumeda;
}

double nutrientRow(const Blend& blend, size_t n, bool minimum, double* coefficients) {
    const Nutrient& nut = blend.nutrients[n];
    const std::vector<double>& a = blend.valor[n];
    const double lim = minimum ? *nut.minimo : *nut.maximo;
    const double sign = minimum ? -1.0 : 1.0;
    // As-fed shares with a dry-basis limit compare sum(a dm x) / sum(dm x) with the limit,
    // multiplied out; the other combinations are linear in the shares directly.
    const bool ratio = !blend.secaIng && blend.secaNut;
    if (coefficients != nullptr)
        for (size_t j = 0; j < blend.ingredients.size(); ++j) {
            const double dm = blend.ingredients[j].materiaSeca / 100;
            if (ratio)
                coefficients[j] = sign * ((a[j] - lim) * dm);
            else
                coefficients[j] = blend.secaIng ? sign * a[j] : sign * (a[j] * dm);
        }
    return ratio ? 0.0 : sign * lim;
}

IngredientRows ingredientRows(const Blend& blend, size_t i) {
    const double q = blend.cantidad;
    const Ingredient& ing = blend.ingredients[i];
    const bool fixed = ing.minimo && ing.maximo && *ing.minimo == *ing.maximo;
    IngredientRows rows;
    rows.minimumRhs = ing.minimo ? -*ing.minimo / q : 0.0;
    if (fixed)
        rows.minimumRhs += kFixedWidening / q;
    if (ing.maximo) {
        rows.maximumRhs = *ing.maximo / q;
        if (fixed)
            *rows.maximumRhs += kFixedWidening / q;
    }
    return rows;
}

Tableau::Tableau(int n, int k, int kr, int kg, int l)
    : N(n), K(k), L(l), M(k + kr + kg + l + 2), C(n + M), KR(kr), KG(kg),
      tabla(static_cast<size_t>(M + 1) * (C + 2)), varBasica(M + 1, 0), colProducto(N + 1, 0),
      factorSeca(N + 1, 0.0), etiquetaFila(M + 1) {
    at(0, 0) = 1;
    for (int r = 1; r <= M; ++r)
        varBasica[r] = N + r;
}

namespace {

Tableau assembleRows(const Blend& blend, bool generalCoefficients) {
    Tableau t(static_cast<int>(blend.ingredients.size()), countNutrientRows(blend),
              countRatioRows(blend), countGroupRows(blend), countIngredientRows(blend));
    for (int j = 1; j <= t.N; ++j) {
        const Ingredient& ing = blend.ingredients[j - 1];
        t.colProducto[j] = ing.id;
        t.factorSeca[j] = ing.materiaSeca / 100;
        t.at(0, j) = columnCost(blend, j - 1);
    }
    RowWriter w{t};
    writeGeneralRows(blend, w, generalCoefficients);
    writeIngredientRows(blend, w);
    writeQuantityRows(w);
    return t;
}

} // namespace

Tableau assemble(const Blend& blend) {
    return assembleRows(blend, true);
}

Tableau assembleFrame(const Blend& blend) {
    return assembleRows(blend, false);
}

} // namespace lp
