#pragma once

#include "workspace/workspace.h"

#include <QString>
#include <QVariant>
#include <gtest/gtest.h>

// Tests read and set an ingredient row's figures by the column names the grid and the stored
// formula use, so a check reads as the user sees the row.
namespace testrows {

template <typename Row> auto figure(Row& p, const QString& name) -> decltype(&p.minimo) {
    const std::pair<const char*, std::optional<double> workspace::FormulaIngredient::*> fields[] = {
        {"costo_seca", &workspace::FormulaIngredient::costoSeca},
        {"costo_humeda", &workspace::FormulaIngredient::costoHumeda},
        {"minimo", &workspace::FormulaIngredient::minimo},
        {"maximo", &workspace::FormulaIngredient::maximo},
        {"cantidad_seca", &workspace::FormulaIngredient::cantidadSeca},
        {"porcentaje_seca", &workspace::FormulaIngredient::porcentajeSeca},
        {"cantidad_humeda", &workspace::FormulaIngredient::cantidadHumeda},
        {"porcentaje_humeda", &workspace::FormulaIngredient::porcentajeHumeda},
        {"costo_total", &workspace::FormulaIngredient::costoTotal},
        {"materiaSecaActual", &workspace::FormulaIngredient::materiaSecaActual},
        {"costoHumedaActual", &workspace::FormulaIngredient::costoHumedaActual}};
    for (const auto& [field, member] : fields)
        if (name == QLatin1String(field))
            return &(p.*member);
    ADD_FAILURE() << "no ingredient figure " << name.toStdString();
    return nullptr;
}

// The row's value of a column: Null when empty.
inline QVariant value(const workspace::FormulaIngredient& row, const QString& name) {
    if (name == QLatin1String("id_producto"))
        return row.id;
    if (name == QLatin1String("nombre"))
        return row.nombre;
    if (name == QLatin1String("materia_seca"))
        return row.materiaSeca;
    const std::optional<double>* v = figure(row, name);
    return v && *v ? QVariant(**v) : QVariant();
}

// The row of an ingredient; a failure when the workspace has none.
inline workspace::FormulaIngredient* row(workspace::Workspace& ws, int id) {
    workspace::FormulaIngredient* p = workspace::findIngredient(ws, id);
    EXPECT_TRUE(p) << "no ingredient " << id;
    return p;
}

inline QVariant value(workspace::Workspace& ws, int id, const QString& name) {
    const workspace::FormulaIngredient* p = row(ws, id);
    return p ? value(*p, name) : QVariant();
}

// Sets a figure; an invalid value empties it.
inline void set(workspace::FormulaIngredient& p, const QString& name, const QVariant& v) {
    if (std::optional<double>* f = figure(p, name))
        *f = v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

} // namespace testrows
