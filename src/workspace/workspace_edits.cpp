#include "workspace/workspace_edits.h"

#include "app/format.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "workspace/row_lookup.h"
#include "workspace/workspace.h"

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

} // namespace

CellEditor ingredientEditorFor(const QString& field) {
    if (isField(field, "costo_humeda"))
        return CellEditor::Price;
    if (isField(field, "cantidad_seca") || isField(field, "cantidad_humeda"))
        return CellEditor::Quantity;
    if (isField(field, "minimo") || isField(field, "maximo"))
        return CellEditor::IngredientLimit;
    return CellEditor::None;
}

CellEditor nutrientEditorFor(const QString& field) {
    if (isField(field, "minimo") || isField(field, "maximo"))
        return CellEditor::NutrientLimit;
    return CellEditor::None;
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
    store::RecordSet& p = ws.rsProductos;
    double h = 0, s = 0;
    for (p.moveFirst(); !p.eof(); p.moveNext()) {
        h += p.toDouble("cantidad_humeda");
        s += p.toDouble("cantidad_seca");
    }
    for (p.moveFirst(); !p.eof(); p.moveNext()) {
        p.setValue("porcentaje_humeda", h == 0 ? 0.0 : p.toDouble("cantidad_humeda") / h);
        p.setValue("porcentaje_seca", s == 0 ? 0.0 : p.toDouble("cantidad_seca") / s);
        p.update();
    }
}

EditResult editQuantity(Workspace& ws, store::Database& db, const GridRow& row,
                        const QString& field, const QString& text) {
    EditResult r;
    const QString typed = text.trimmed().isEmpty() ? QStringLiteral("0") : text;
    const std::optional<double> value = numtext::toNumber(typed);
    if (!value)
        return refuse(kNotNumeric), r;
    if (*value < 0)
        return refuse(kNegative), r;
    if (!isField(row.column0, "id_producto"))
        return refuse(QStringLiteral("Campo id_producto no válido")), r;

    store::RecordSet& p = ws.rsProductos;
    const QString order = p.sort();
    p.setSort(QStringLiteral("id_producto ASC"));
    if (!findRow(p, "id_producto", row.id)) {
        p.setSort(order);
        return r;
    }
    const double rounded = fmt::roundDecimals(*value, 2);
    const double f = p.toDouble("materia_seca") / 100;
    if (isField(field, "cantidad_humeda")) {
        p.setValue("cantidad_humeda", rounded);
        p.setValue("cantidad_seca", fmt::roundDecimals(rounded * f, 2));
    } else {
        p.setValue("cantidad_seca", rounded);
        // Every row enters with dry matter above 0; a row that somehow lost it keeps its figure
        // rather than turning infinite.
        if (f > 0)
            p.setValue("cantidad_humeda", fmt::roundDecimals(rounded / f, 2));
    }
    p.update();
    recomputeShares(ws);
    p.setSort(order);
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
        return refuse(kNotNumeric), r;
    const double rounded = fmt::roundDecimals(*value, 2);
    r.editorText = fmt::format(rounded, QString());
    if (rounded < 0)
        return refuse(kNegative), r;
    if (!isField(row.column0, "id_producto"))
        return refuse(QStringLiteral("Campo id_producto no válido")), r;
    store::RecordSet& p = ws.rsProductos;
    if (!findRow(p, "id_producto", row.id))
        return refuse(QStringLiteral("No se encuentra el Ingrediente")), r;
    p.setValue("costo_humeda", rounded);
    const double f = p.toDouble("materia_seca") / 100;
    p.setValue("costo_seca", f > 0 ? QVariant(rounded / f) : p.value("costo_seca"));
    p.update();
    r.stored = true;
    r.figures = actuResultados(ws, db);
    return r;
}

EditResult editIngredientLimit(Workspace& ws, const GridRow& row, const QString& field,
                               const QString& text) {
    EditResult r;
    const std::optional<QVariant> value = limitValue(text);
    if (!value)
        return refuse(kNotNumeric), r;
    if (value->isValid() && value->toDouble() < 0)
        return refuse(kNegative), r;
    if (value->isValid() && value->toDouble() > 1000)
        return refuse(QStringLiteral("El valor debe ser menor a 1000 unidades")), r;
    if (!isField(row.column0, "id_producto"))
        return refuse(QStringLiteral("Campo id_producto no válido")), r;
    store::RecordSet& p = ws.rsProductos;
    if (!findRow(p, "id_producto", row.id))
        return refuse(QStringLiteral("No se encuentra el Producto")), r;
    p.setValue(field,
               value->isValid() ? QVariant(fmt::roundDecimals(value->toDouble(), 1)) : QVariant());
    p.update();
    r.stored = true;
    r.ingredientGrid = true;
    return r;
}

EditResult editNutrientLimit(Workspace& ws, const GridRow& row, const QString& field,
                             const QString& text) {
    EditResult r;
    const std::optional<QVariant> value = limitValue(text);
    if (!value)
        return refuse(kNotNumeric), r;
    if (!isField(row.column0, "id_propiedad"))
        return refuse(QStringLiteral("Campo id_propiedad no válido")), r;
    const auto n = std::find_if(ws.nutrients.begin(), ws.nutrients.end(),
                                [&](const FormulaNutrient& x) { return x.id == row.id; });
    if (n == ws.nutrients.end())
        return refuse(QStringLiteral("No se encuentra el Nutriente")), r;
    const std::optional<double> stored =
        value->isValid() ? std::optional<double>(fmt::roundDecimals(value->toDouble(), 2))
                         : std::nullopt;
    if (isField(field, "minimo"))
        n->minimo = stored;
    else if (isField(field, "maximo"))
        n->maximo = stored;
    r.stored = true;
    r.nutrientGrid = true;
    return r;
}

bool leaveCantidad(Workspace& ws, const QString& text) {
    if (text.trimmed().isEmpty()) {
        ws.vCantidad = 0;
        return true;
    }
    const std::optional<double> value = numtext::toNumber(text);
    if (!value)
        return refuse(QStringLiteral("Debe ingresar un valor Numérico"));
    ws.vCantidad = *value;
    return true;
}

} // namespace workspace
