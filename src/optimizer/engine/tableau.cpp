#include "optimizer/engine/tableau.h"

#include "optimizer/engine/text.h"

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

void writeNutrientRows(const Blend& blend, RowWriter& w, bool coefficients) {
    for (size_t n = 0; n < blend.nutrients.size(); ++n) {
        const std::string name = trimmed(blend.nutrients[n].nombre);
        for (const bool minimum : {true, false}) {
            if (!(minimum ? blend.nutrients[n].minimo : blend.nutrients[n].maximo))
                continue;
            const double rhs = nutrientRow(blend, n, minimum, nullptr);
            double* row = w.begin((minimum ? "Mínimo para " : "Máximo para ") + name, rhs);
            if (coefficients)
                nutrientRow(blend, n, minimum, row + 1);
            w.next();
        }
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

Tableau::Tableau(int n, int k, int l)
    : N(n), K(k), L(l), M(k + l + 2), C(n + k + l + 2), tabla(static_cast<size_t>(M + 1) * (C + 2)),
      varBasica(M + 1, 0), colProducto(N + 1, 0), factorSeca(N + 1, 0.0), etiquetaFila(M + 1) {
    at(0, 0) = 1;
    for (int r = 1; r <= M; ++r)
        varBasica[r] = N + r;
}

namespace {

Tableau assembleRows(const Blend& blend, bool nutrientCoefficients) {
    Tableau t(static_cast<int>(blend.ingredients.size()), countNutrientRows(blend),
              countIngredientRows(blend));
    for (int j = 1; j <= t.N; ++j) {
        const Ingredient& ing = blend.ingredients[j - 1];
        t.colProducto[j] = ing.id;
        t.factorSeca[j] = ing.materiaSeca / 100;
        t.at(0, j) = columnCost(blend, j - 1);
    }
    RowWriter w{t};
    writeNutrientRows(blend, w, nutrientCoefficients);
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
