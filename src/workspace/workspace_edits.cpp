#include "workspace/workspace_edits.h"

#include "app/format.h"
#include "app/number_text.h"
#include "workspace/field_checks.h"
#include "workspace/workspace.h"

#include <tuple>

namespace workspace {

namespace {

const QString kNotNumeric = QStringLiteral("El valor debe ser numérico");
const QString kNegative = QStringLiteral("El valor debe ser mayor que cero");

// A limit as typed: Null for an empty box, else the number; nothing when it is not a number.
std::optional<QVariant> limitValue(const QString& text) {
    if (text.trimmed().isEmpty())
        return QVariant();
    const std::optional<double> v = numtext::toNumber(text);
    if (!v)
        return std::nullopt;
    return QVariant(*v);
}

// Stores a limit typed in the minimum or maximum column, rounded; Null leaves it empty.
template <typename Row>
void storeLimit(Row& row, const QString& field, const QVariant& value, int decimals) {
    const std::optional<double> stored =
        value.isValid() ? std::optional<double>(fmt::roundDecimals(value.toDouble(), decimals))
                        : std::nullopt;
    if (isField(field, "minimo"))
        row.minimo = stored;
    else if (isField(field, "maximo"))
        row.maximo = stored;
}

} // namespace

CellEditor ingredientEditorFor(const QString& field) {
    if (isField(field, "costo_humeda"))
        return CellEditor::Price;
    if (isField(field, "cantidad_seca") || isField(field, "cantidad_humeda"))
        return CellEditor::Quantity;
    if (isField(field, "minimo") || isField(field, "maximo") || isField(field, "minimo_si_se_usa"))
        return CellEditor::IngredientLimit;
    return CellEditor::None;
}

bool isLimitField(const QString& field) {
    return isField(field, "minimo") || isField(field, "maximo");
}

CellEditor nutrientEditorFor(const QString& field) {
    if (isField(field, "probabilidad"))
        return CellEditor::Probability;
    return isLimitField(field) ? CellEditor::NutrientLimit : CellEditor::None;
}

QString editorStartText(CellEditor editor, const QString& cellText) {
    if (editor == CellEditor::Price)
        return QString(cellText).remove(QLatin1Char('$')).trimmed();
    return cellText;
}

QString shareDetailText(const QVariant& share) {
    if (!share.isValid())
        return {};
    return fmt::format(share.toDouble() * 100, QStringLiteral("0.00########"));
}

QString valueDetailText(const QVariant& valor) {
    return fmt::format(valor, QStringLiteral("#####0.00########"));
}

void recomputeShares(Workspace& ws) {
    double h = 0, s = 0;
    for (const FormulaIngredient& p : ws.ingredients) {
        h += p.cantidadHumeda.value_or(0);
        s += p.cantidadSeca.value_or(0);
    }
    for (FormulaIngredient& p : ws.ingredients) {
        p.porcentajeHumeda = h == 0 ? 0.0 : p.cantidadHumeda.value_or(0) / h;
        p.porcentajeSeca = s == 0 ? 0.0 : p.cantidadSeca.value_or(0) / s;
    }
}

EditResult editQuantity(Workspace& ws, store::Database& db, const GridRow& row,
                        const QString& field, const QString& text) {
    EditResult r;
    const QString typed = text.trimmed().isEmpty() ? QStringLiteral("0") : text;
    const std::optional<double> value = numtext::toNumber(typed);
    if (!value)
        return refuse(r, kNotNumeric);
    if (*value < 0)
        return refuse(r, kNegative);
    if (!isField(row.column0, "id_producto"))
        return refuse(r, QStringLiteral("Campo id_producto no válido"));

    FormulaIngredient* p = findIngredient(ws, row.id);
    if (!p)
        return r;
    const double rounded = fmt::roundDecimals(*value, 2);
    const double f = p->materiaSeca / 100;
    if (isField(field, "cantidad_humeda")) {
        p->cantidadHumeda = rounded;
        p->cantidadSeca = fmt::roundDecimals(rounded * f, 2);
    } else {
        p->cantidadSeca = rounded;
        // Every row enters with dry matter above 0; a row that somehow lost it keeps its figure
        // rather than turning infinite.
        if (f > 0)
            p->cantidadHumeda = fmt::roundDecimals(rounded / f, 2);
    }
    recomputeShares(ws);
    r.stored = true;
    r.figures = actuResultados(ws, db);
    return r;
}

EditResult editPrice(Workspace& ws, store::Database& db, const GridRow& row, const QString& text) {
    EditResult r;
    r.editorText = text;
    if (text.trimmed().isEmpty())
        return r;
    const std::optional<double> value = numtext::toNumber(text);
    if (!value)
        return refuse(r, kNotNumeric);
    const double rounded = fmt::roundDecimals(*value, 2);
    r.editorText = fmt::format(rounded, QString());
    if (rounded < 0)
        return refuse(r, kNegative);
    if (!isField(row.column0, "id_producto"))
        return refuse(r, QStringLiteral("Campo id_producto no válido"));
    FormulaIngredient* p = findIngredient(ws, row.id);
    if (!p)
        return refuse(r, QStringLiteral("No se encuentra el Ingrediente"));
    p->costoHumeda = rounded;
    const double f = p->materiaSeca / 100;
    if (f > 0)
        p->costoSeca = rounded / f;
    r.stored = true;
    r.figures = actuResultados(ws, db);
    return r;
}

EditResult editIngredientLimit(Workspace& ws, const GridRow& row, const QString& field,
                               const QString& text) {
    EditResult r;
    const std::optional<QVariant> value = limitValue(text);
    if (!value)
        return refuse(r, kNotNumeric);
    if (value->isValid() && value->toDouble() < 0)
        return refuse(r, kNegative);
    if (value->isValid() && value->toDouble() > 1000)
        return refuse(r, QStringLiteral("El valor debe ser menor a 1000 unidades"));
    if (!isField(row.column0, "id_producto"))
        return refuse(r, QStringLiteral("Campo id_producto no válido"));
    FormulaIngredient* p = findIngredient(ws, row.id);
    if (!p)
        return refuse(r, QStringLiteral("No se encuentra el Producto"));
    if (isField(field, "minimo_si_se_usa"))
        p->minimoSiSeUsa = value->isValid()
                               ? std::optional<double>(fmt::roundDecimals(value->toDouble(), 1))
                               : std::nullopt;
    else
        storeLimit(*p, field, *value, 1);
    r.stored = true;
    r.ingredientGrid = true;
    return r;
}

EditResult editMaxIngredientes(Workspace& ws, const QString& text) {
    EditResult r;
    if (text.trimmed().isEmpty()) {
        ws.maxIngredientes.reset();
        r.stored = true;
        return r;
    }
    bool whole = false;
    const int count = text.trimmed().toInt(&whole);
    if (!whole || count < 1)
        return refuse(r, QStringLiteral("El máximo de ingredientes debe ser un número entero "
                                        "mayor que 0, o quedar vacío"));
    ws.maxIngredientes = count;
    r.stored = true;
    return r;
}

EditResult setRounding(Workspace& ws, bool redondear) {
    EditResult r;
    ws.redondear = redondear;
    r.stored = true;
    return r;
}

EditResult editNutrientLimit(Workspace& ws, const GridRow& row, const QString& field,
                             const QString& text) {
    EditResult r;
    const std::optional<QVariant> value = limitValue(text);
    if (!value)
        return refuse(r, kNotNumeric);
    if (!isField(row.column0, "id_propiedad"))
        return refuse(r, QStringLiteral("Campo id_propiedad no válido"));
    FormulaNutrient* n = findNutrient(ws, row.id);
    if (!n)
        return refuse(r, QStringLiteral("No se encuentra el Nutriente"));
    storeLimit(*n, field, *value, 2);
    r.stored = true;
    r.nutrientGrid = true;
    return r;
}

EditResult editNutrientProbability(Workspace& ws, const GridRow& row, const QString& text) {
    EditResult r;
    const std::optional<QVariant> value = limitValue(text);
    if (!value)
        return refuse(r, kNotNumeric);
    const std::optional<double> percent =
        value->isValid() ? std::optional<double>(fmt::roundDecimals(value->toDouble(), 2))
                         : std::nullopt;
    if (percent && !(*percent >= 50 && *percent <= 99.99))
        return refuse(r, QStringLiteral("La probabilidad debe estar entre 50 y 99,99 %: con 50 % "
                                        "el límite se cumple en promedio, como sin probabilidad"));
    if (!isField(row.column0, "id_propiedad"))
        return refuse(r, QStringLiteral("Campo id_propiedad no válido"));
    FormulaNutrient* n = findNutrient(ws, row.id);
    if (!n)
        return refuse(r, QStringLiteral("No se encuentra el Nutriente"));
    // Kept to the hundredth of a percent the user typed, not to what a division by 100 leaves.
    n->probabilidad =
        percent ? std::optional<double>(fmt::roundDecimals(*percent / 100, 4)) : std::nullopt;
    r.stored = true;
    r.nutrientGrid = true;
    return r;
}

std::optional<Notice> leaveCantidad(Workspace& ws, const QString& text) {
    if (text.trimmed().isEmpty()) {
        ws.batchQuantity = 0;
        return std::nullopt;
    }
    const std::optional<double> value = numtext::toNumber(text);
    if (!value)
        return refusal(QStringLiteral("Debe ingresar un valor Numérico"));
    ws.batchQuantity = *value;
    return std::nullopt;
}

EditResult editRatioLimit(Workspace& ws, size_t row, const QString& field, const QString& text) {
    EditResult r;
    const std::optional<QVariant> value = limitValue(text);
    if (!value)
        return refuse(r, kNotNumeric);
    if (row >= ws.ratios.size())
        return refuse(r, QStringLiteral("No se encuentra la Relación"));
    storeLimit(ws.ratios[row], field, *value, 2);
    r.stored = true;
    r.limitGrids = true;
    return r;
}

EditResult editGroupLimit(Workspace& ws, size_t row, const QString& field, const QString& text) {
    EditResult r;
    const std::optional<QVariant> value = limitValue(text);
    if (!value)
        return refuse(r, kNotNumeric);
    if (value->isValid() && value->toDouble() < 0)
        return refuse(r, kNegative);
    if (value->isValid() && value->toDouble() > 1000)
        return refuse(r, QStringLiteral("El valor debe ser menor a 1000 unidades"));
    if (row >= ws.groups.size())
        return refuse(r, QStringLiteral("No se encuentra el Grupo"));
    storeLimit(ws.groups[row], field, *value, 1);
    r.stored = true;
    r.limitGrids = true;
    return r;
}

EditResult addRatio(Workspace& ws, int numerador, const QString& nombreNumerador, int divisor,
                    const QString& nombreDivisor, const QString& unidadNumerador,
                    const QString& unidadDivisor) {
    EditResult r;
    if (numerador == divisor)
        return refuse(r,
                      QStringLiteral("El numerador y el divisor deben ser nutrientes distintos"));
    for (const formulas::FormulaRatio& x : ws.ratios)
        if (x.numerador == numerador && x.divisor == divisor)
            return refuse(r, QStringLiteral("La relación ya existe en la Fórmula"));
    // Its nutrients are computed with the others; without limits of their own they bind nothing.
    for (const auto& [id, nombre, unidad] :
         {std::tuple{numerador, nombreNumerador, unidadNumerador},
          {divisor, nombreDivisor, unidadDivisor}})
        if (!findNutrient(ws, id)) {
            ws.nutrients.push_back({id, nombre.left(100), {}, {}, {}, {}, unidad.trimmed()});
            r.nutrientGrid = true;
        }
    formulas::FormulaRatio ratio;
    ratio.numerador = numerador;
    ratio.divisor = divisor;
    ratio.nombreNumerador = nombreNumerador.trimmed();
    ratio.nombreDivisor = nombreDivisor.trimmed();
    ws.ratios.push_back(ratio);
    r.stored = true;
    r.limitGrids = true;
    return r;
}

EditResult addGroup(Workspace& ws, const formulas::FormulaGroup& group) {
    EditResult r;
    for (const formulas::FormulaGroup& g : ws.groups)
        if (g.id == group.id)
            return refuse(r, QStringLiteral("El Grupo ya existe en la Fórmula"));
    formulas::FormulaGroup added = group;
    added.minimo.reset();
    added.maximo.reset();
    added.valor.reset();
    ws.groups.push_back(added);
    r.stored = true;
    r.limitGrids = true;
    return r;
}

namespace {

// A ratio or group limit row leaves the formula; the limit grids are redrawn.
template <typename Row> EditResult removeLimitRow(std::vector<Row>& rows, size_t row) {
    EditResult r;
    if (row >= rows.size())
        return r;
    rows.erase(rows.begin() + std::ptrdiff_t(row));
    r.stored = true;
    r.limitGrids = true;
    return r;
}

} // namespace

EditResult removeRatio(Workspace& ws, size_t row) {
    return removeLimitRow(ws.ratios, row);
}

EditResult removeGroup(Workspace& ws, size_t row) {
    return removeLimitRow(ws.groups, row);
}

} // namespace workspace
