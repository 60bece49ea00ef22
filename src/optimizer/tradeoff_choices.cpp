#include "optimizer/tradeoff_choices.h"

#include "app/format.h"
#include "catalog/nutrient_search.h"
#include "optimizer/tradeoff_run.h"
#include "store/database.h"
#include "store/record_set.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>

namespace optimizer {

std::vector<GoalChoice> goalChoices(store::Database& db, const workspace::Workspace& ws) {
    std::vector<GoalChoice> formula, others;
    store::RecordSet rs = db.query(catalog::kNutrientListSql);
    std::vector<GoalChoice> all;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        all.push_back({rs.toInt("id_propiedad"), rs.toString("nombre").trimmed(),
                       rs.toString("unidad").trimmed(), false});
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        for (const GoalChoice& c : all)
            if (c.id == n.id)
                formula.push_back({c.id, c.nombre, c.unidad, true});
    for (const GoalChoice& c : all)
        if (std::none_of(ws.nutrients.begin(), ws.nutrients.end(),
                         [&](const workspace::FormulaNutrient& n) { return n.id == c.id; }))
            others.push_back(c);
    formula.insert(formula.end(), others.begin(), others.end());
    return formula;
}

QString goalCaption(const GoalChoice& choice) {
    return choice.unidad.isEmpty() ? choice.nombre
                                   : choice.nombre + QStringLiteral(" (") + choice.unidad + u')';
}

std::vector<CurvePoint> curveLine(const TradeoffRun& run, int pointsBetween) {
    std::vector<CurvePoint> line;
    for (std::size_t k = 0; k < run.vertices.size(); ++k) {
        const TradeoffRow& v = run.vertices[k];
        line.push_back({v.valor, v.costo});
        if (run.lineal || k + 1 == run.vertices.size())
            continue;
        const double to = run.vertices[k + 1].valor;
        for (int i = 1; i < pointsBetween; ++i) {
            const double x = v.valor + (to - v.valor) * i / pointsBetween;
            if (const std::optional<TradeoffRow> p = tradeoffPointAt(run, x))
                line.push_back({p->valor, p->costo});
        }
    }
    return line;
}

QString curveGoalTitle(const TradeoffRun& run) {
    return fmt::withUnit(run.objetivo, run.unidad);
}

QString curveSummary(const TradeoffRun& run) {
    if (!run.mensaje.isEmpty() || run.vertices.size() < 2)
        return run.mensaje;
    const TradeoffRow& least = run.vertices.front();
    const TradeoffRow& far = run.vertices.back();
    const QString pattern = tradeoffValuePattern(run);
    QString text = QString::number(run.vertices.size()) + QStringLiteral(" vértices. ") +
                   (run.aumentar ? QStringLiteral("Subir ") : QStringLiteral("Bajar ")) +
                   run.objetivo + QStringLiteral(" de ") + fmt::format(least.valor, pattern) +
                   QStringLiteral(" a ") + fmt::format(far.valor, pattern) +
                   QStringLiteral(" lleva el costo de ") + fmt::price(least.costo) +
                   QStringLiteral(" a ") + fmt::price(far.costo) + QStringLiteral(" (+") +
                   fmt::share(far.sobreCosto) + QStringLiteral(" %).");
    if (!run.lineal)
        text += QStringLiteral(" Con los ingredientes tal cual y el objetivo en base seca, el "
                               "costo no es recto entre vértices.");
    return text;
}

double percentAboveLeastCost(const TradeoffRun& run, double costo) {
    if (run.vertices.empty() || run.vertices.front().costo == 0)
        return 0;
    const double least = run.vertices.front().costo;
    return (costo - least) / std::abs(least) * 100;
}

std::optional<double> percentFromOptimum(const TradeoffRun& run, double valor) {
    if (run.vertices.empty() || run.vertices.front().valor == 0)
        return std::nullopt;
    const double optimum = run.vertices.front().valor;
    const double moved = run.aumentar ? valor - optimum : optimum - valor;
    return moved / std::abs(optimum) * 100;
}

} // namespace optimizer
