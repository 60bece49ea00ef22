#include "workspace/workspace_grids.h"

#include "app/format.h"
#include "workspace/unsaved_changes.h"
#include "workspace/workspace.h"

namespace workspace {

namespace {

using grid::Column;
using grid::kLeft;
using grid::kRight;

const QString kQuantity = QStringLiteral("#####0.00");

Column hidden() {
    return Column({}, 0);
}
Column separator() {
    return Column({}, 80);
}
Column number(const QString& caption, int width, const QString& format = kQuantity) {
    return Column(caption, width, kRight, format);
}
Column share(const QString& caption) {
    Column c(caption, 700, kRight, QStringLiteral("##0.00"));
    c.scale = 100;
    c.blankZero = true;
    return c;
}
Column quantity(const QString& caption) {
    Column c = number(caption, 1300); // "B.Húmeda kg" and its total's caption read whole
    c.blankZero = true;
    return c;
}

// The probability with which the limits hold, a fraction shown as a percentage; empty: none.
Column probability() {
    Column c(QStringLiteral("Prob. %"), 900, kRight, QStringLiteral("##0.00"));
    c.scale = 100;
    return c;
}

std::vector<Column> ingredientColumns() {
    Column cost = number(QStringLiteral("Costo"), 1000, QStringLiteral("$ #####0.00"));
    cost.blankZero = true;
    return {hidden(),
            Column(QStringLiteral("Descripción"), 0),
            number(QStringLiteral("Mat.Seca"), 900, QStringLiteral("#####0.00 %")),
            hidden(),
            number(QStringLiteral("Precio"), 900, QStringLiteral("$ ") + fmt::kPricePattern),
            separator(),
            number(QStringLiteral("Mínimo"), 1000),
            number(QStringLiteral("Máximo"), 1000),
            separator(),
            quantity(QStringLiteral("B.Seca kg")),
            share(QStringLiteral("%")),
            separator(),
            quantity(QStringLiteral("B.Húmeda kg")),
            share(QStringLiteral("%")),
            cost,
            hidden(),
            hidden(),
            number(QStringLiteral("Mín. si se usa"), 1350)};
}

std::vector<Column> nutrientColumns() {
    return {hidden(),
            Column(QStringLiteral("Descripción"), 0),
            separator(),
            number(QStringLiteral("Mínimo"), 1200),
            number(QStringLiteral("Máximo"), 1200),
            separator(),
            number(QStringLiteral("Valor"), 1200),
            hidden(),
            Column(QStringLiteral("Unidad"), 900),
            probability()};
}

// A nutrient's limit: the decimals of its unit, and any of the two a limit keeps that the unit
// would hide (a limit of 2850.5 kcal reads whole), so the editor starts from the stored number.
QString limitPattern(const QString& unit) {
    const int decimals = fmt::nutrientDecimals(unit);
    return decimals >= 2
               ? fmt::nutrientPattern(unit)
               : QStringLiteral("#####0.") + QString(decimals, u'0') + QString(2 - decimals, u'#');
}

// The figure as the grid shows it, so signals agree with what the user reads.
double shown(const QVariant& v, int decimals = 2) {
    return fmt::roundDecimals(v.toDouble(), decimals);
}

// The value as stored, in its shortest text, so a catalogue figure that differs shows up.
QString storedText(const QVariant& v) {
    return fmt::format(v, QString());
}

bool outOfLimits(const QVariant& value, const QVariant& minimo, const QVariant& maximo,
                 int decimals = 2) {
    if (!value.isValid())
        return false;
    return (minimo.isValid() && shown(value, decimals) < shown(minimo)) ||
           (maximo.isValid() && shown(value, decimals) > shown(maximo));
}

QVariant variant(const std::optional<double>& v) {
    return v ? QVariant(*v) : QVariant();
}

void alarm(grid::CellStyle& c, const QString& meaning) {
    c.background = grid::kRed;
    c.foreground = grid::kWhite;
    c.toolTip = meaning;
}

const QString kOutOfLimits = QStringLiteral("Rojo: fuera de sus límites Mínimo y Máximo");

} // namespace

grid::GridContent ingredientGrid(Workspace& ws) {
    const std::vector<Column> columns = ingredientColumns();
    std::vector<std::vector<QVariant>> cells;
    for (const FormulaIngredient& p : ws.ingredients)
        cells.push_back({p.id, p.nombre, p.materiaSeca, variant(p.costoSeca),
                         variant(p.costoHumeda), QVariant(), variant(p.minimo), variant(p.maximo),
                         QVariant(), variant(p.cantidadSeca), variant(p.porcentajeSeca), QVariant(),
                         variant(p.cantidadHumeda), variant(p.porcentajeHumeda),
                         variant(p.costoTotal), variant(p.materiaSecaActual),
                         variant(p.costoHumedaActual), variant(p.minimoSiSeUsa)});
    grid::GridContent g =
        grid::gridContent({"id_producto", "nombre", "materia_seca", "costo_seca", "costo_humeda",
                           "sep1", "minimo", "maximo", "sep2", "cantidad_seca", "porcentaje_seca",
                           "sep3", "cantidad_humeda", "porcentaje_humeda", "costo_total",
                           "materiaSecaActual", "costoHumedaActual", "minimo_si_se_usa"},
                          cells, columns);
    for (int sep : {5, 8, 11})
        g.setColumnBackground(sep, grid::kGrey);
    const int quantityCol = ws.ingredientsDry ? 9 : 12;
    const int shareCol = ws.ingredientsDry ? 10 : 13;
    for (size_t row = 0; row < cells.size(); ++row) {
        const std::vector<QVariant>& p = cells[row];
        const int r = int(row);
        // In the mix is what the user can read as in it: a quantity or share of the active basis
        // that shows a figure. A remainder that rounds to 0.00 on both (as an infeasible run
        // can leave) is out; a row in the mix shows both figures, even one that rounds to 0.
        const bool inMix =
            !g.cell(r, quantityCol).text.isEmpty() || !g.cell(r, shareCol).text.isEmpty();
        if (inMix) {
            for (int c : {quantityCol, shareCol}) {
                Column whole = columns[size_t(c)];
                whole.blankZero = false;
                g.cell(r, c).text = grid::cellText(p[size_t(c)], whole);
            }
            for (int c : {1, quantityCol, shareCol})
                g.cell(r, c).bold = true;
        } else {
            for (int c = 0; c < g.columnCount(); ++c)
                if (c != 5 && c != 8 && c != 11)
                    g.cell(r, c).background = grid::kDimmed;
        }
        const FormulaIngredient& i = ws.ingredients[row];
        if (outOfLimits(p[size_t(quantityCol)], variant(i.minimo), variant(i.maximo)))
            alarm(g.cell(r, quantityCol), kOutOfLimits);
        if (storedText(i.materiaSeca) != storedText(variant(i.materiaSecaActual)))
            alarm(g.cell(r, 2), QStringLiteral("Rojo: la materia seca del catálogo es otra (%1)")
                                    .arg(storedText(variant(i.materiaSecaActual))));
        if (storedText(variant(i.costoHumeda)) != storedText(variant(i.costoHumedaActual))) {
            g.cell(r, 4).background = grid::kGreen;
            g.cell(r, 4).toolTip =
                QStringLiteral("Verde: el precio del catálogo cambió desde que se grabó la "
                               "fórmula (hoy $ %1)")
                    .arg(i.costoHumedaActual ? fmt::price(*i.costoHumedaActual) : QString());
        }
    }
    return g;
}

namespace {

// The limits and probability of a nutrient as saved; all empty for one added since.
SavedState::Nutrient savedNutrient(const SavedState& saved, int id) {
    for (const SavedState::Nutrient& n : saved.nutrients)
        if (std::get<0>(n) == id)
            return n;
    return {id, {}, {}, {}, {}};
}

// A limit or probability the user changed and has not saved: green, saying what was saved.
void markEdited(grid::CellStyle& c, const QString& before) {
    c.background = grid::kGreen;
    c.toolTip =
        before.isEmpty()
            ? QStringLiteral("Verde: cambió desde que se grabó la fórmula (estaba vacío)")
            : QStringLiteral("Verde: cambió desde que se grabó la fórmula (era %1)").arg(before);
}

} // namespace

grid::GridContent nutrientGrid(Workspace& ws, bool justLoaded, const SavedState* saved) {
    std::vector<std::vector<QVariant>> cells;
    for (const FormulaNutrient& n : ws.nutrients)
        cells.push_back({n.id, n.nombre, QString(), variant(n.minimo), variant(n.maximo), QString(),
                         variant(n.valor), variant(n.valorAnterior), n.unidad,
                         variant(n.probabilidad)});
    grid::GridContent g =
        grid::gridContent({"id_propiedad", "nombre", "sep1", "minimo", "maximo", "sep2", "valor",
                           "valorAnterior", "unidad", "probabilidad"},
                          cells, nutrientColumns());
    for (int sep : {2, 5})
        g.setColumnBackground(sep, grid::kGrey);
    int row = 0;
    for (const FormulaNutrient& n : ws.nutrients) {
        // Each nutrient reads with the decimals of its own unit.
        const QString pattern = fmt::nutrientPattern(n.unidad);
        const QString limits = limitPattern(n.unidad);
        const QVariant valor = variant(n.valor);
        g.cell(row, 3).text = fmt::format(variant(n.minimo), limits);
        g.cell(row, 4).text = fmt::format(variant(n.maximo), limits);
        g.cell(row, 6).text = fmt::format(valor, pattern);
        const QString before = fmt::format(variant(n.valorAnterior), pattern);
        if (justLoaded && g.cell(row, 6).text != before) {
            g.cell(row, 1).background = grid::kGreen;
            g.cell(row, 1).toolTip =
                QStringLiteral("Verde: el valor cambió respecto de la versión grabada (%1)")
                    .arg(fmt::withUnit(before, n.unidad));
        }
        if (outOfLimits(valor, variant(n.minimo), variant(n.maximo),
                        fmt::nutrientDecimals(n.unidad)))
            alarm(g.cell(row, 6), kOutOfLimits);
        if (saved) {
            const SavedState::Nutrient was = savedNutrient(*saved, n.id);
            if (std::get<1>(was) != n.minimo)
                markEdited(g.cell(row, 3), fmt::format(variant(std::get<1>(was)), limits));
            if (std::get<2>(was) != n.maximo)
                markEdited(g.cell(row, 4), fmt::format(variant(std::get<2>(was)), limits));
            if (const SavedState::Value p = std::get<4>(was); p != n.probabilidad)
                markEdited(g.cell(row, 9),
                           p ? fmt::format(*p * 100, QStringLiteral("##0.00")) : QString());
        }
        ++row;
    }
    return g;
}

grid::GridContent ratioGrid(const Workspace& ws) {
    std::vector<std::vector<QVariant>> cells;
    for (const formulas::FormulaRatio& r : ws.ratios)
        cells.push_back({r.nombreNumerador, r.nombreDivisor, QString(), variant(r.minimo),
                         variant(r.maximo), QString(), variant(r.valor)});
    grid::GridContent g = grid::gridContent(
        {"numerador", "divisor", "sep1", "minimo", "maximo", "sep2", "valor"}, cells,
        {Column(QStringLiteral("Numerador"), 2600), Column(QStringLiteral("Divisor"), 0),
         separator(), number(QStringLiteral("Mínimo"), 1200),
         number(QStringLiteral("Máximo"), 1200), separator(),
         number(QStringLiteral("Valor"), 1200, QStringLiteral("#####0.0000"))});
    for (int sep : {2, 5})
        g.setColumnBackground(sep, grid::kGrey);
    for (size_t row = 0; row < cells.size(); ++row)
        if (outOfLimits(cells[row][6], cells[row][3], cells[row][4]))
            alarm(g.cell(int(row), 6), kOutOfLimits);
    return g;
}

grid::GridContent groupGrid(const Workspace& ws) {
    std::vector<std::vector<QVariant>> cells;
    for (const formulas::FormulaGroup& gr : ws.groups) {
        QVariant share;
        if (gr.valor && ws.batchQuantity > 0)
            share = *gr.valor / ws.batchQuantity;
        cells.push_back({gr.nombre, QString(), variant(gr.minimo), variant(gr.maximo), QString(),
                         variant(gr.valor), share});
    }
    grid::GridContent g = grid::gridContent(
        {"nombre", "sep1", "minimo", "maximo", "sep2", "valor", "porcentaje"}, cells,
        {Column(QStringLiteral("Grupo"), 0), separator(), number(QStringLiteral("Mínimo"), 1200),
         number(QStringLiteral("Máximo"), 1200), separator(),
         number(QStringLiteral("Cantidad kg"), 1200), share(QStringLiteral("%"))});
    for (int sep : {1, 4})
        g.setColumnBackground(sep, grid::kGrey);
    for (size_t row = 0; row < cells.size(); ++row)
        if (outOfLimits(cells[row][5], cells[row][2], cells[row][3]))
            alarm(g.cell(int(row), 5), kOutOfLimits);
    return g;
}

} // namespace workspace
