#include "printing/formula_printout.h"

#include "app/date_text.h"
#include "app/format.h"
#include "catalog/nutrients.h"
#include "optimizer/tradeoff_choices.h"
#include "printing/page_canvas.h"
#include "store/database.h"
#include "store/record_set.h"
#include "workspace/formula_loader.h"
#include "workspace/mix_compositions.h"
#include "workspace/results.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace printing {

namespace {

constexpr double kLineStep = 5;
// From the top of the totals text to the rule under it: the text's height and a gap.
constexpr double kTotalsTextHeight = 4.5;
const TextStyle kTitle{12, true, false};
const TextStyle kSmall{8, false, false};
const TextStyle kSmallBold{8, true, false};
const TextStyle kShare{7, false, false};

QString numberText(const QVariant& value, const QString& pattern) {
    return fmt::format(value, pattern);
}

// After each detail row: a full page goes on on the next one, under a fresh page header.
void breakPageIfFull(PageCanvas& page, double& fila, const QString& formula, const QDate& today) {
    if (fila >= kPageBreakAt) {
        page.newPage();
        fila = imprimeEncabezado(page, formula, today);
    }
}

} // namespace

PrintoutTexts PrintoutTexts::from(const workspace::FormulaHeader& header,
                                  const workspace::ResultFigures& figures) {
    PrintoutTexts t;
    t.formula = header.producto;
    t.codigo = header.codigo;
    t.version = header.version;
    t.fechaModificacion = header.fechaModificacion;
    t.matSeca = figures.txtMatSeca;
    t.canS = figures.txtCanS;
    t.porS = figures.txtPorS;
    t.canH = figures.txtCanH;
    t.porH = figures.txtPorH;
    return t;
}

QHash<int, QString> nutrientUnits(store::Database& db, const workspace::Workspace& ws) {
    QHash<int, QString> units;
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        if (const std::optional<catalog::NutrientFields> fields = catalog::loadNutrient(db, n.id))
            if (const QString unit = fields->unidad.trimmed(); !unit.isEmpty())
                units.insert(n.id, unit);
    return units;
}

QString nutrientText(const std::optional<double>& value, const QString& unit) {
    return value ? fmt::withUnit(fmt::nutrientValue(*value, unit), unit) : QString();
}

QString unitCostText(double cost) {
    return QStringLiteral("$ ") + fmt::price(cost) + QStringLiteral(" por kg");
}

QString goalText(const PrintedGoal& goal) {
    QString text = goal.nombre.trimmed() + QStringLiteral(": ");
    if (!goal.valor)
        return text + QStringLiteral("-");
    const QString unit = goal.unidad.trimmed();
    double perKg = *goal.valor, perTonne = *goal.valor * 1000;
    QString kgUnit, tonneUnit;
    if (unit == QLatin1String("%")) {
        perKg = perTonne = *goal.valor * 10;
        kgUnit = QStringLiteral("g/kg");
        tonneUnit = QStringLiteral("kg/t");
    } else if (unit.compare(QLatin1String("ppm"), Qt::CaseInsensitive) == 0) {
        perTonne = perKg;
        kgUnit = QStringLiteral("mg/kg");
        tonneUnit = QStringLiteral("g/t");
    } else if (unit.endsWith(QLatin1String("/kg"), Qt::CaseInsensitive)) {
        kgUnit = unit;
        tonneUnit = unit.left(unit.size() - 3) + QStringLiteral("/t");
    } else if (unit.isEmpty()) {
        kgUnit = QStringLiteral("por kg");
        tonneUnit = QStringLiteral("por t");
    } else {
        kgUnit = unit + QStringLiteral("/kg");
        tonneUnit = unit + QStringLiteral("/t");
    }
    return text + fmt::format(perKg, fmt::kPricePattern) + ' ' + kgUnit + QStringLiteral(" · ") +
           fmt::format(perTonne, fmt::kQuantityPattern) + ' ' + tonneUnit;
}

namespace {

// Each goal's value in the workspace's mix as fed, as the nutrient rows compute it on that
// basis; none without a mix.
void valuesInMix(store::Database& db, const workspace::Workspace& ws,
                 std::vector<PrintedGoal>& goals) {
    std::vector<int> ingredients, ids;
    bool mixed = false;
    for (const workspace::FormulaIngredient& i : ws.ingredients) {
        ingredients.push_back(i.id);
        mixed = mixed || i.porcentajeHumeda.value_or(0) != 0;
    }
    if (!mixed)
        return;
    for (const PrintedGoal& g : goals)
        ids.push_back(g.id);
    const workspace::MixCompositions comps = workspace::readMixCompositions(db, ingredients, ids);
    for (PrintedGoal& goal : goals) {
        double valor = 0;
        for (const workspace::FormulaIngredient& i : ws.ingredients)
            if (const std::optional<double> a = comps.valor(goal.id, i.id))
                valor += *a * (comps.catalogueDryMatter(i.id).value_or(0) / 100) *
                         i.porcentajeHumeda.value_or(0);
        goal.valor = valor;
    }
}

} // namespace

std::vector<PrintedGoal> printedGoals(store::Database& db, const workspace::Workspace& ws,
                                      const std::vector<int>& goalIds) {
    std::vector<PrintedGoal> goals;
    for (const int id : goalIds)
        if (const std::optional<catalog::NutrientFields> fields = catalog::loadNutrient(db, id))
            goals.push_back({id, fields->nombre.trimmed(), fields->unidad.trimmed(), std::nullopt});
    valuesInMix(db, ws, goals);
    return goals;
}

std::vector<PrintedGoal> goalChoices(store::Database& db, const workspace::Workspace& ws) {
    std::vector<PrintedGoal> goals;
    for (const optimizer::GoalChoice& c : optimizer::goalChoices(db, ws))
        goals.push_back({c.id, c.nombre, c.unidad, std::nullopt});
    valuesInMix(db, ws, goals);
    return goals;
}

bool isPrintedIngredient(const workspace::FormulaIngredient& ingredient) {
    return ingredient.cantidadHumeda.value_or(0) != 0;
}

QVariant printedFigure(const std::optional<double>& figure) {
    return figure ? QVariant(*figure) : QVariant();
}

QString shareText(const QVariant& fraction) {
    if (!fraction.isValid() || fraction.toString().trimmed().isEmpty())
        return {};
    bool numeric = false;
    const double value = fraction.toDouble(&numeric);
    if (!numeric)
        return {};
    return fmt::format(value * 100, kIngredientPattern) + QStringLiteral(" %");
}

namespace {

// One row of the ratio or group limits: its name, then minimum, maximum and the mix's figure.
struct LimitLine {
    QString nombre;
    std::optional<double> values[3];
};

// The ratio or group limits under the nutrients, laid out as the nutrients are; nothing at all
// for a formula without them.
void drawLimits(PageCanvas& page, double& fila, const QString& title, const QString& valueTitle,
                const std::vector<LimitLine>& lines, const PrintoutTexts& texts,
                const QDate& today) {
    if (lines.empty())
        return;
    fila += 5;
    breakPageIfFull(page, fila, texts.formula, today);
    page.setFont(kSmallBold);
    page.drawText(QPointF(13, fila), title);
    page.setFont(kSmall);
    page.drawTextRight(90, fila, QStringLiteral("Mínimo"));
    page.drawTextRight(115, fila, QStringLiteral("Máximo"));
    page.drawTextRight(140, fila, valueTitle);
    page.drawBox(QPointF(10, fila - 1.5), 140, 5);
    fila += 5;
    for (const LimitLine& line : lines) {
        page.setFont(kSmall);
        page.drawText(QPointF(17, fila), line.nombre);
        const double columns[] = {90, 115, 140};
        for (int c = 0; c < 3; ++c) {
            const std::optional<double>& v = line.values[c];
            const QString text = numberText(v ? QVariant(*v) : QVariant(), kNutrientPattern);
            if (!text.isEmpty())
                page.drawTextRight(columns[c], fila, text);
        }
        fila += kLineStep;
        breakPageIfFull(page, fila, texts.formula, today);
    }
}

// The limits held with a probability: the probability, the mean of the mix and the margin kept
// from the limits, then the assumption under them.
void drawChanceLimits(PageCanvas& page, double& fila, const PrintoutTexts& texts,
                      const QDate& today) {
    if (texts.probabilidades.empty())
        return;
    fila += 5;
    breakPageIfFull(page, fila, texts.formula, today);
    page.setFont(kSmallBold);
    page.drawText(QPointF(13, fila), QStringLiteral("LÍMITES CON PROBABILIDAD"));
    page.setFont(kSmall);
    page.drawTextRight(90, fila, QStringLiteral("Probabilidad"));
    page.drawTextRight(115, fila, QStringLiteral("Media"));
    page.drawTextRight(140, fila, QStringLiteral("Margen"));
    page.drawBox(QPointF(10, fila - 1.5), 140, 5);
    fila += 5;
    for (const optimizer::ChanceFigureRow& f : texts.probabilidades) {
        page.setFont(kSmall);
        page.drawText(QPointF(17, fila), f.nombre);
        const QString unit = texts.unidades.value(f.nutrientId);
        page.drawTextRight(90, fila, optimizer::probabilityPercent(f.probabilidad));
        page.drawTextRight(115, fila, nutrientText(f.media, unit));
        page.drawTextRight(140, fila, nutrientText(f.margen, unit));
        fila += kLineStep;
        breakPageIfFull(page, fila, texts.formula, today);
    }
    page.setFont(kSmall);
    page.drawText(QPointF(17, fila), optimizer::independenceNote());
    fila += kLineStep;
    breakPageIfFull(page, fila, texts.formula, today);
}

// The goals chosen to be printed, a line each under their heading; nothing when none was chosen.
void drawGoals(PageCanvas& page, double& fila, const PrintoutTexts& texts, const QDate& today) {
    if (texts.objetivos.empty())
        return;
    fila += 5;
    breakPageIfFull(page, fila, texts.formula, today);
    page.setFont(kSmallBold);
    page.drawText(QPointF(13, fila), QStringLiteral("OBJETIVOS (por kg y por tonelada tal cual)"));
    page.drawBox(QPointF(10, fila - 1.5), 140, 5);
    fila += 5;
    for (const PrintedGoal& goal : texts.objetivos) {
        page.setFont(kSmall);
        page.drawText(QPointF(17, fila), goalText(goal));
        fila += kLineStep;
        breakPageIfFull(page, fila, texts.formula, today);
    }
}

// The weighing conditions and, for a rounded formula, the weighing sheet, under the totals.
void drawWeighing(PageCanvas& page, double& fila, const workspace::Workspace& ws,
                  const PrintoutTexts& texts, const QDate& today) {
    const std::vector<std::pair<QString, QString>> conditions = weighingConditionLines(ws);
    if (conditions.empty())
        return;
    const auto title = [&](const QString& caption) {
        fila += 10;
        breakPageIfFull(page, fila, texts.formula, today);
        page.setFont(kSmallBold);
        page.drawText(QPointF(13, fila), caption);
        page.drawBox(QPointF(10, fila - 1.5), 140, 5);
        fila += 5;
    };
    title(QStringLiteral("CONDICIONES DE PESADA"));
    for (const auto& [caption, value] : conditions) {
        page.setFont(kSmall);
        page.drawText(QPointF(17, fila), caption);
        page.drawTextRight(125, fila, value);
        fila += kLineStep;
        breakPageIfFull(page, fila, texts.formula, today);
    }
    const std::vector<WeighingScale> sheet = weighingSheet(ws);
    if (sheet.empty())
        return;
    title(QStringLiteral("HOJA DE PESADA"));
    for (const WeighingScale& scale : sheet) {
        page.setFont(kSmallBold);
        page.drawText(QPointF(15, fila), scaleTitle(scale));
        fila += kLineStep;
        breakPageIfFull(page, fila, texts.formula, today);
        for (const WeighingLine& line : scale.lines) {
            page.setFont(kSmall);
            page.drawText(QPointF(19, fila), line.nombre);
            page.drawTextRight(105, fila, stepsText(line, scale));
            page.drawTextRight(125, fila, numberText(line.cantidad, kIngredientPattern));
            fila += kLineStep;
            breakPageIfFull(page, fila, texts.formula, today);
        }
    }
}

} // namespace

std::vector<std::pair<QString, QString>> weighingConditionLines(const workspace::Workspace& ws) {
    std::vector<std::pair<QString, QString>> out;
    if (ws.maxIngredientes)
        out.emplace_back(QStringLiteral("Máximo de ingredientes"),
                         QString::number(*ws.maxIngredientes));
    const bool anyStep = std::any_of(ws.ingredients.begin(), ws.ingredients.end(),
                                     [](const workspace::FormulaIngredient& i) { return i.paso; });
    if (ws.redondear && anyStep)
        out.emplace_back(QStringLiteral("Redondear a la pesada"), QStringLiteral("Sí"));
    for (const workspace::FormulaIngredient& i : ws.ingredients)
        if (i.minimoSiSeUsa)
            out.emplace_back(QStringLiteral("Mínimo si se usa: ") + i.nombre.trimmed(),
                             fmt::format(*i.minimoSiSeUsa, kIngredientPattern));
    return out;
}

std::vector<WeighingScale> weighingSheet(const workspace::Workspace& ws) {
    std::vector<WeighingScale> out;
    if (!ws.redondear)
        return out;
    std::vector<double> steps;
    bool unstepped = false;
    for (const workspace::FormulaIngredient& i : ws.ingredients) {
        if (!isPrintedIngredient(i))
            continue;
        if (i.paso && std::find(steps.begin(), steps.end(), *i.paso) == steps.end())
            steps.push_back(*i.paso);
        unstepped = unstepped || !i.paso;
    }
    if (steps.empty())
        return out;
    std::sort(steps.begin(), steps.end(), std::greater<>());
    for (const double step : steps)
        out.push_back({step, {}});
    if (unstepped)
        out.push_back({std::nullopt, {}});
    for (const workspace::FormulaIngredient& i : ws.ingredients) {
        if (!isPrintedIngredient(i))
            continue;
        const double q = (ws.ingredientsDry ? i.cantidadSeca : i.cantidadHumeda).value_or(0);
        WeighingLine line{i.nombre.trimmed(), q, std::nullopt};
        WeighingScale* scale = &out.back();
        if (i.paso) {
            line.pasos = std::llround(q / *i.paso);
            scale = &*std::find_if(out.begin(), out.end(),
                                   [&](const WeighingScale& s) { return s.paso == i.paso; });
        }
        scale->lines.push_back(line);
    }
    return out;
}

QString scaleTitle(const WeighingScale& scale) {
    return scale.paso ? QStringLiteral("Balanza de paso %1 kg").arg(fmt::format(*scale.paso, {}))
                      : QStringLiteral("Sin paso de pesada");
}

QString stepsText(const WeighingLine& line, const WeighingScale& scale) {
    if (!line.pasos || !scale.paso)
        return {};
    return QStringLiteral("%1 × %2 kg").arg(*line.pasos).arg(fmt::format(*scale.paso, {}));
}

double imprimeEncabezado(PageCanvas& page, const QString& formula, const QDate& today) {
    page.setDrawWidth(1);
    page.drawLine(QPointF(10, 10), QPointF(10 + 190, 10));
    page.setFont(kTitle);
    page.drawText(QPointF(11, 5), QStringLiteral("Dosivant"));
    page.setFont(kSmall);
    page.drawText(QPointF(160, 6),
                  QStringLiteral("Fecha de Impresión: ") + datetext::formatDate(today));
    page.setFont(TextStyle{12, true, true});
    page.drawText(QPointF(60, 19), QStringLiteral("COMPOSICIÓN DE FÓRMULAS"));
    page.setFont(kTitle);
    page.drawText(QPointF(13, 33), formula.trimmed());
    page.setDrawWidth(3);
    page.drawBox(QPointF(10, 31), 150, 7);
    page.setDrawWidth(1);
    return kFirstLineBelowHeader;
}

void imprimeImpresora(PageCanvas& page, const workspace::Workspace& ws, const PrintoutTexts& texts,
                      const QDate& today) {
    page.setDrawWidth(1);
    double fila = imprimeEncabezado(page, texts.formula, today);

    // The cost of a unit of the mix as fed, beside the code, once there is a mix to cost.
    if (std::any_of(ws.ingredients.begin(), ws.ingredients.end(), isPrintedIngredient)) {
        page.setFont(kSmall);
        page.drawText(QPointF(95, fila), QStringLiteral("Costo unitario:"));
        page.setFont(kSmallBold);
        page.drawTextRight(150, fila, unitCostText(ws.vCostoHumeda));
    }
    const std::pair<QString, QString> data[] = {
        {QStringLiteral("Código:"), texts.codigo},
        {QStringLiteral("Versión:"), texts.version},
        {QStringLiteral("Última modificación:"), texts.fechaModificacion}};
    for (const auto& [label, value] : data) {
        page.setFont(kSmall);
        page.drawText(QPointF(13, fila), label);
        page.setFont(kSmallBold);
        page.drawText(QPointF(40, fila), value);
        fila += kLineStep;
    }
    fila += 10 - kLineStep;

    page.setFont(kSmallBold);
    page.drawText(QPointF(13, fila), QStringLiteral("NUTRIENTES"));
    page.setFont(kSmall);
    page.drawTextRight(90, fila, QStringLiteral("Mínimo"));
    page.drawTextRight(115, fila, QStringLiteral("Máximo"));
    page.drawTextRight(140, fila, QStringLiteral("Valor"));
    page.drawBox(QPointF(10, fila - 1.5), 140, 5);
    fila += 5;

    for (const workspace::FormulaNutrient& n : ws.nutrients) {
        // The size is set on every row: a page header in between leaves its own title font.
        page.setFont(kSmall);
        page.drawText(QPointF(17, fila), n.nombre);
        const double columns[] = {90, 115, 140};
        const std::optional<double> values[] = {n.minimo, n.maximo, n.valor};
        const QString unit = texts.unidades.value(n.id);
        for (int c = 0; c < 3; ++c) {
            const QString text = nutrientText(values[c], unit);
            if (!text.isEmpty())
                page.drawTextRight(columns[c], fila, text);
        }
        fila += kLineStep;
        breakPageIfFull(page, fila, texts.formula, today);
    }

    std::vector<LimitLine> ratios, groups;
    for (const formulas::FormulaRatio& r : ws.ratios)
        ratios.push_back({r.nombre(), {r.minimo, r.maximo, r.valor}});
    for (const formulas::FormulaGroup& g : ws.groups)
        groups.push_back({g.nombre, {g.minimo, g.maximo, g.valor}});
    drawLimits(page, fila, QStringLiteral("RELACIONES"), QStringLiteral("Valor"), ratios, texts,
               today);
    drawLimits(page, fila, QStringLiteral("GRUPOS"), QStringLiteral("Cantidad (kg)"), groups, texts,
               today);
    drawGoals(page, fila, texts, today);
    drawChanceLimits(page, fila, texts, today);

    fila += 10;
    page.setFont(kSmallBold);
    page.drawText(QPointF(13, fila), QStringLiteral("INGREDIENTES"));
    page.setFont(kSmall);
    page.drawTextRight(90, fila, QStringLiteral("Base Seca (kg)"));
    page.drawTextRight(125, fila, QStringLiteral("Base Húmeda (kg)"));
    page.drawBox(QPointF(10, fila - 1.5), 140, 5);
    fila += 5;

    for (const workspace::FormulaIngredient& ingredient : ws.ingredients) {
        if (isPrintedIngredient(ingredient)) {
            page.setFont(kSmall);
            page.drawText(QPointF(17, fila), ingredient.nombre);
            const QString seca =
                numberText(printedFigure(ingredient.cantidadSeca), kIngredientPattern);
            if (!seca.isEmpty())
                page.drawTextRight(90, fila, seca);
            page.setFont(kShare);
            const QString porSeca = shareText(printedFigure(ingredient.porcentajeSeca));
            if (!porSeca.isEmpty())
                page.drawTextRight(105, fila, porSeca);
            page.setFont(kSmall);
            const QString humeda =
                numberText(printedFigure(ingredient.cantidadHumeda), kIngredientPattern);
            if (!humeda.isEmpty())
                page.drawTextRight(125, fila, humeda);
            page.setFont(kShare);
            const QString porHumeda = shareText(printedFigure(ingredient.porcentajeHumeda));
            if (!porHumeda.isEmpty())
                page.drawTextRight(140, fila, porHumeda);
            fila += kLineStep;
        }
        breakPageIfFull(page, fila, texts.formula, today);
    }

    page.drawLine(QPointF(13, fila), QPointF(13 + 137, fila));
    fila += kLineStep - 3;
    page.setFont(kSmallBold);
    page.drawText(QPointF(17, fila), QStringLiteral("Materia Seca"));
    page.drawText(QPointF(35, fila), texts.matSeca);
    page.drawTextRight(90, fila, texts.canS);
    page.setFont(kShare);
    page.drawTextRight(105, fila, texts.porS + QStringLiteral(" %"));
    page.setFont(kSmallBold);
    page.drawTextRight(125, fila, texts.canH);
    page.setFont(kShare);
    page.drawTextRight(140, fila, texts.porH + QStringLiteral(" %"));
    // Under the whole line of 8-point text (3.3 mm high), not through its figures.
    fila += kTotalsTextHeight;
    page.drawLine(QPointF(13, fila), QPointF(13 + 137, fila));
    drawWeighing(page, fila, ws, texts, today);
}

} // namespace printing
