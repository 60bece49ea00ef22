#pragma once

#include "printing/formula_printout.h"
#include "workspace/workspace.h"

#include <QVariant>

// Workspaces filled by hand, as a formulation leaves them.
inline void addNutrient(workspace::Workspace& ws, const QString& name, QVariant minimo,
                        QVariant maximo, QVariant valor) {
    auto opt = [](const QVariant& v) {
        return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
    };
    ws.nutrients.push_back(
        {int(ws.nutrients.size()) + 1, name, opt(minimo), opt(maximo), opt(valor), std::nullopt});
}

inline void addIngredient(workspace::Workspace& ws, const QString& name, QVariant cantidadSeca,
                          QVariant porcentajeSeca, QVariant cantidadHumeda,
                          QVariant porcentajeHumeda) {
    auto opt = [](const QVariant& v) {
        return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
    };
    workspace::FormulaIngredient p;
    p.id = int(ws.ingredients.size()) + 1;
    p.nombre = name;
    p.cantidadSeca = opt(cantidadSeca);
    p.porcentajeSeca = opt(porcentajeSeca);
    p.cantidadHumeda = opt(cantidadHumeda);
    p.porcentajeHumeda = opt(porcentajeHumeda);
    ws.ingredients.push_back(p);
}

inline printing::PrintoutTexts sampleTexts() {
    printing::PrintoutTexts t;
    t.formula = QStringLiteral("  Iniciador pollos  ");
    t.codigo = QStringLiteral("POL-01");
    t.version = QStringLiteral("3");
    t.fechaModificacion = QStringLiteral("05/12/2026");
    t.matSeca = QStringLiteral("88.40");
    // Every total differs from the others, so a figure printed in another's place shows.
    t.canS = QStringLiteral("884.00");
    t.porS = QStringLiteral("99.98");
    t.canH = QStringLiteral("1000.00");
    t.porH = QStringLiteral("100.01");
    return t;
}

// A formula of `nutrients` nutrients and `ingredients` ingredients; every fifth ingredient has
// no as-fed quantity.
inline workspace::Workspace bigFormula(int nutrients, int ingredients) {
    workspace::Workspace ws;
    for (int i = 1; i <= nutrients; ++i)
        addNutrient(ws, QStringLiteral("Nutriente %1").arg(i), i,
                    i % 3 ? QVariant(i * 2.0) : QVariant(), i * 1.5);
    for (int i = 1; i <= ingredients; ++i) {
        const bool used = i % 5 != 0;
        addIngredient(ws, QStringLiteral("Ingrediente %1").arg(i), used ? 10.0 * i : 0.0,
                      used ? 0.01 : 0.0, used ? 11.0 * i : 0.0, used ? 0.011 : 0.0);
    }
    return ws;
}
