#include "optimizer/chance_figures.h"

#include "optimizer/engine/tableau.h"
#include "workspace/mix_compositions.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>

namespace optimizer {

std::optional<lp::ChanceLimits> chanceLimitsOf(const workspace::Workspace& ws,
                                               const lp::Blend& blend,
                                               const workspace::MixCompositions& compositions) {
    lp::ChanceLimits c;
    bool any = false;
    for (const workspace::FormulaNutrient& n : ws.nutrients) {
        c.probabilidad.push_back(n.probabilidad);
        any = any || n.probabilidad.has_value();
    }
    if (!any)
        return std::nullopt;
    c.desvio.assign(blend.nutrients.size(), std::vector<double>(blend.ingredients.size(), 0.0));
    for (size_t k = 0; k < blend.nutrients.size(); ++k)
        for (size_t j = 0; j < blend.ingredients.size(); ++j)
            c.desvio[k][j] = compositions.desvio(blend.nutrients[k].id, blend.ingredients[j].id);
    return c;
}

bool changesAnyLimit(const lp::ChanceLimits& chance) {
    for (size_t k = 0; k < chance.probabilidad.size() && k < chance.desvio.size(); ++k)
        if (chance.probabilidad[k] && std::any_of(chance.desvio[k].begin(), chance.desvio[k].end(),
                                                  [](double d) { return d > 0; }))
            return true;
    return false;
}

std::optional<std::vector<double>> mixShares(const workspace::Workspace& ws,
                                             const lp::Blend& blend) {
    std::vector<double> x;
    bool mixed = false;
    for (const lp::Ingredient& ing : blend.ingredients) {
        const workspace::FormulaIngredient* p = workspace::findIngredient(ws, ing.id);
        const std::optional<double> share =
            p ? (blend.secaIng ? p->porcentajeSeca : p->porcentajeHumeda) : std::nullopt;
        mixed = mixed || share.value_or(0) != 0;
        x.push_back(share.value_or(0));
    }
    if (!mixed)
        return std::nullopt;
    return x;
}

std::vector<ChanceFigureRow> chanceFiguresOfMix(const workspace::Workspace& ws,
                                                const workspace::MixCompositions& compositions) {
    const lp::Blend blend = tableauBlend(ws, compositions);
    const std::optional<lp::ChanceLimits> chance = chanceLimitsOf(ws, blend, compositions);
    if (!chance || !changesAnyLimit(*chance) || lp::checkChanceLimits(blend, *chance))
        return {};
    const std::optional<std::vector<double>> x = mixShares(ws, blend);
    if (!x)
        return {};
    // The contents as the limits' rows count them: each share weighted by the factor of its
    // basis, and on as-fed shares under dry-basis limits per unit of the mix's dry matter.
    double dry = 0;
    for (size_t i = 0; i < x->size(); ++i)
        dry += blend.ingredients[i].materiaSeca / 100 * (*x)[i];
    const bool perDry = !blend.secaIng && blend.secaNut && dry > 0;
    std::vector<ChanceFigureRow> rows;
    for (size_t n = 0; n < blend.nutrients.size(); ++n) {
        const std::optional<double>& p = chance->probabilidad[n];
        if (!p)
            continue;
        double mean = 0, variance = 0;
        for (size_t i = 0; i < x->size(); ++i) {
            const double w = lp::contentFactor(blend, i) * (*x)[i];
            mean += blend.valor[n][i] * w;
            const double s = chance->desvio[n][i] * w;
            variance += s * s;
        }
        double deviation = std::sqrt(variance);
        if (perDry) {
            mean /= dry;
            deviation /= dry;
        }
        const double z = *p > lp::kMinimumProbability ? lp::normalQuantile(*p) : 0.0;
        ChanceFigureRow row;
        row.nutrientId = blend.nutrients[n].id;
        row.nombre = QString::fromStdString(blend.nutrients[n].nombre);
        row.probabilidad = *p;
        row.media = mean;
        row.desvio = deviation;
        row.margen = z * deviation;
        rows.push_back(row);
    }
    return rows;
}

std::vector<ChanceFigureRow> chanceFiguresOfMix(const workspace::Workspace& ws,
                                                store::Database& db) {
    return chanceFiguresOfMix(ws, workspace::readMixCompositions(db, ws));
}

void ChanceFigureSource::formulated(const workspace::Workspace& ws,
                                    std::vector<ChanceFigureRow> rows) {
    formulatedState_ = workspace::savedState(ws);
    formulatedRows_ = std::move(rows);
}

void ChanceFigureSource::forget() {
    formulatedState_.reset();
    formulatedRows_.clear();
}

std::vector<ChanceFigureRow> ChanceFigureSource::figures(const workspace::Workspace& ws,
                                                         store::Database& db) const {
    if (formulatedState_ && !formulatedRows_.empty() &&
        *formulatedState_ == workspace::savedState(ws))
        return formulatedRows_;
    return chanceFiguresOfMix(ws, db);
}

} // namespace optimizer
