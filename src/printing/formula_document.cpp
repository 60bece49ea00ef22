#include "printing/formula_document.h"

#include "app/date_text.h"
#include "app/format.h"
#include "printing/formula_printout.h"
#include "printing/output_file.h"
#include "workspace/workspace.h"

#include <QSaveFile>
#include <algorithm>
#include <array>

namespace printing {

namespace {

OdtCell text(const QString& value, bool bold = false, bool right = false) {
    return OdtCell{QStringList{value}, bold, right};
}

OdtBlock table(OdtTable t) {
    OdtBlock block;
    block.table = std::move(t);
    return block;
}

OdtBlock paragraphs(int count) {
    OdtBlock block;
    block.emptyParagraphs = count;
    return block;
}

OdtTable titleTable(const QDate& today) {
    OdtTable t;
    t.columnWidthsPt = {315, 85};
    t.borders = false;
    t.rows = {{OdtCell{{QString(), QStringLiteral("DOSIVANT - Composición de Fórmulas")}, true},
               OdtCell{{QString(), QStringLiteral("Fecha: ") + datetext::formatDate(today)}}}};
    return t;
}

// The formula's data; the cost of a unit of the mix as fed once there is a mix to cost.
OdtTable dataTable(const workspace::Workspace& ws, const PrintoutTexts& texts) {
    OdtTable t;
    t.columnWidthsPt = {120, 280};
    t.borders = false;
    std::vector<std::pair<QString, QString>> rows = {
        {QStringLiteral("Fórmula:"), texts.formula},
        {QStringLiteral("Código:"), texts.codigo},
        {QStringLiteral("Versión:"), texts.version},
        {QStringLiteral("Última modificación:"), texts.fechaModificacion},
        {QStringLiteral("Materia Seca:"), texts.matSeca}};
    if (std::any_of(ws.ingredients.begin(), ws.ingredients.end(), isPrintedIngredient))
        rows.emplace_back(QStringLiteral("Costo unitario:"), unitCostText(ws.vCostoHumeda));
    for (const auto& [label, value] : rows)
        t.rows.append({text(label), text(value, true)});
    return t;
}

OdtTable nutrientTable(const std::vector<workspace::FormulaNutrient>& nutrients,
                       const QHash<int, QString>& units) {
    OdtTable t;
    t.columnWidthsPt = {190, 70, 70, 70};
    t.shadeFirstRow = true;
    t.rows.append(
        {text(QStringLiteral("NUTRIENTES"), true), text(QStringLiteral("Mínimo"), true, true),
         text(QStringLiteral("Máximo"), true, true), text(QStringLiteral("Valor"), true, true)});
    for (const workspace::FormulaNutrient& n : nutrients) {
        QList<OdtCell> cells{text(n.nombre)};
        for (const std::optional<double>& v : {n.minimo, n.maximo, n.valor})
            cells.append(text(nutrientText(v, units.value(n.id)), false, true));
        t.rows.append(cells);
    }
    return t;
}

// The ratio or group limits laid out as the nutrients are.
OdtTable
limitTable(const QString& title, const QString& valueTitle,
           const std::vector<std::pair<QString, std::array<std::optional<double>, 3>>>& rows) {
    OdtTable t;
    t.columnWidthsPt = {220, 60, 60, 60};
    t.shadeFirstRow = true;
    t.rows.append({text(title, true), text(QStringLiteral("Mínimo"), true, true),
                   text(QStringLiteral("Máximo"), true, true), text(valueTitle, true, true)});
    for (const auto& [name, values] : rows) {
        QList<OdtCell> cells{text(name)};
        for (const std::optional<double>& v : values)
            cells.append(
                text(fmt::format(v ? QVariant(*v) : QVariant(), kNutrientPattern), false, true));
        t.rows.append(cells);
    }
    return t;
}

// The limits held with a probability, laid out as the nutrients are, and the assumption under
// them in the last row.
OdtTable chanceTable(const std::vector<optimizer::ChanceFigureRow>& rows,
                     const QHash<int, QString>& units) {
    OdtTable t;
    t.columnWidthsPt = {190, 70, 70, 70};
    t.shadeFirstRow = true;
    t.rows.append({text(QStringLiteral("LÍMITES CON PROBABILIDAD"), true),
                   text(QStringLiteral("Probabilidad"), true, true),
                   text(QStringLiteral("Media"), true, true),
                   text(QStringLiteral("Margen"), true, true)});
    for (const optimizer::ChanceFigureRow& f : rows)
        t.rows.append({text(f.nombre),
                       text(optimizer::probabilityPercent(f.probabilidad), false, true),
                       text(nutrientText(f.media, units.value(f.nutrientId)), false, true),
                       text(nutrientText(f.margen, units.value(f.nutrientId)), false, true)});
    t.rows.append({text(optimizer::independenceNote()), text({}), text({}), text({})});
    return t;
}

OdtTable ingredientTable(const std::vector<workspace::FormulaIngredient>& ingredients) {
    OdtTable t;
    t.columnWidthsPt = {150, 70, 50, 80, 50};
    t.shadeFirstRow = true;
    t.rows.append({text(QStringLiteral("INGREDIENTES"), true),
                   text(QStringLiteral("Base Seca (kg)"), true, true), text({}, true, true),
                   text(QStringLiteral("Base Húmeda (kg)"), true, true), text({}, true, true)});
    for (const workspace::FormulaIngredient& i : ingredients) {
        if (!isPrintedIngredient(i))
            continue;
        t.rows.append(
            {text(i.nombre),
             text(fmt::format(printedFigure(i.cantidadSeca), kIngredientPattern), false, true),
             text(shareText(printedFigure(i.porcentajeSeca)), false, true),
             text(fmt::format(printedFigure(i.cantidadHumeda), kIngredientPattern), false, true),
             text(shareText(printedFigure(i.porcentajeHumeda)), false, true)});
    }
    return t;
}

// The weighing conditions, a caption and a value a row.
OdtTable conditionTable(const std::vector<std::pair<QString, QString>>& lines) {
    OdtTable t;
    t.columnWidthsPt = {300, 100};
    t.shadeFirstRow = true;
    t.rows.append({text(QStringLiteral("CONDICIONES DE PESADA"), true), text({}, true)});
    for (const auto& [caption, value] : lines)
        t.rows.append({text(caption), text(value, false, true)});
    return t;
}

// The weighing sheet: each scale's title, then its ingredients with their steps and quantity.
OdtTable sheetTable(const std::vector<WeighingScale>& sheet) {
    OdtTable t;
    t.columnWidthsPt = {220, 90, 90};
    t.shadeFirstRow = true;
    t.rows.append({text(QStringLiteral("HOJA DE PESADA"), true),
                   text(QStringLiteral("Pasos"), true, true),
                   text(QStringLiteral("Cantidad (kg)"), true, true)});
    for (const WeighingScale& scale : sheet) {
        t.rows.append({text(scaleTitle(scale), true), text({}), text({})});
        for (const WeighingLine& line : scale.lines)
            t.rows.append({text(line.nombre), text(stepsText(line, scale), false, true),
                           text(fmt::format(line.cantidad, kIngredientPattern), false, true)});
    }
    return t;
}

} // namespace

OdtDocument imprimeWord(const workspace::Workspace& ws, const PrintoutTexts& texts,
                        const QDate& today) {
    OdtDocument doc;
    doc.fontName = QStringLiteral("Arial");
    doc.fontSizePt = 9;
    doc.blocks = {table(titleTable(today)), paragraphs(2), table(dataTable(ws, texts)),
                  paragraphs(1), table(nutrientTable(ws.nutrients, texts.unidades))};
    // Only a formula with ratio or group limits has their tables.
    std::vector<std::pair<QString, std::array<std::optional<double>, 3>>> ratios, groups;
    for (const formulas::FormulaRatio& r : ws.ratios)
        ratios.push_back({r.nombre(), {r.minimo, r.maximo, r.valor}});
    for (const formulas::FormulaGroup& g : ws.groups)
        groups.push_back({g.nombre, {g.minimo, g.maximo, g.valor}});
    if (!ratios.empty())
        doc.blocks << paragraphs(1)
                   << table(limitTable(QStringLiteral("RELACIONES"), QStringLiteral("Valor"),
                                       ratios));
    if (!groups.empty())
        doc.blocks << paragraphs(1)
                   << table(limitTable(QStringLiteral("GRUPOS"), QStringLiteral("Cantidad (kg)"),
                                       groups));
    if (!texts.objetivos.empty()) {
        OdtTable goals;
        goals.columnWidthsPt = {400};
        goals.shadeFirstRow = true;
        goals.rows.append(
            {text(QStringLiteral("OBJETIVOS (por kg y por tonelada tal cual)"), true)});
        for (const PrintedGoal& goal : texts.objetivos)
            goals.rows.append({text(goalText(goal))});
        doc.blocks << paragraphs(1) << table(goals);
    }
    if (!texts.probabilidades.empty())
        doc.blocks << paragraphs(1) << table(chanceTable(texts.probabilidades, texts.unidades));
    doc.blocks << paragraphs(2) << table(ingredientTable(ws.ingredients));
    // Only a formula with weighing conditions has them; only a rounded one its weighing sheet.
    if (const auto conditions = weighingConditionLines(ws); !conditions.empty())
        doc.blocks << paragraphs(1) << table(conditionTable(conditions));
    if (const auto sheet = weighingSheet(ws); !sheet.empty())
        doc.blocks << paragraphs(1) << table(sheetTable(sheet));
    return doc;
}

bool writeFormulaDocument(QIODevice& out, const workspace::Workspace& ws,
                          const PrintoutTexts& texts, const QDate& today, QString* error) {
    QString zipError;
    const QByteArray package = odtPackage(imprimeWord(ws, texts, today), &zipError);
    if (package.isEmpty()) {
        if (error)
            *error = QStringLiteral("No se pudo armar el documento: %1").arg(zipError);
        return false;
    }
    // A file keeps a small package in its buffer: only the flush shows whether it was written.
    auto* file = qobject_cast<QFileDevice*>(&out);
    if (out.write(package) != package.size() || (file && !file->flush())) {
        if (error)
            *error = QStringLiteral("No se pudo escribir el documento: %1").arg(out.errorString());
        return false;
    }
    return true;
}

bool writeFormulaDocument(const QString& path, const workspace::Workspace& ws,
                          const PrintoutTexts& texts, const QDate& today, QString* error) {
    if (const QString problem = outputTargetProblem(path); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("No se pudo crear el archivo \"%1\": %2")
                         .arg(path, file.errorString());
        return false;
    }
    if (!writeFormulaDocument(file, ws, texts, today, error))
        return false; // the unfinished file goes with `file`
    return commitOutputFile(file, path, error);
}

} // namespace printing
