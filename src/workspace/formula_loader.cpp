#include "workspace/formula_loader.h"

#include "app/busy_pointer.h"
#include "app/format.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "formulas/formula_limits.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/stored_values.h"
#include "workspace/basis_rule.h"
#include "workspace/results.h"
#include "workspace/workspace.h"

#include <QDate>
#include <QSet>
#include <vector>

namespace workspace {

namespace {

QString dateText(const QVariant& stored) {
    if (!stored.isValid())
        return {};
    const QDate d = QDate::fromString(stored.toString().left(10), Qt::ISODate);
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : stored.toString();
}

QString keyText(const QVariant& raw) {
    return raw.isValid() ? raw.toString() : QStringLiteral("Null");
}

// The rows of a formula, read and checked in full before anything reaches the workspace, so a
// formula holding a value the program cannot use is refused whole.
struct StoredNutrient {
    int id;
    QVariant nombre, minimo, maximo, valor;
};
struct StoredIngredient {
    int id;
    QVariant nombre, costo, costoActual, materiaSeca, materiaSecaActual, minimo, maximo;
    QVariant porcentajeHumeda, porcentajeSeca, cantidadHumeda, cantidadSeca;
};

QVariant number(const QVariant& raw, const store::StoredCell& cell) {
    const std::optional<double> v = store::storedNumber(raw, cell);
    return v ? QVariant(*v) : QVariant();
}

void refuseRepeated(QSet<int>& seen, int id, const QString& table, const QString& row) {
    if (seen.contains(id))
        throw store::StoredValueError(
            QStringLiteral("La tabla %1 tiene dos filas para (%2).").arg(table, row));
    seen.insert(id);
}

std::vector<StoredNutrient> readNutrients(store::Database& db, int formula) {
    const QString formulaKey = QStringLiteral("id_formula=") + QString::number(formula);
    const QString table = QStringLiteral("formula_propiedad");
    std::vector<StoredNutrient> out;
    QSet<int> seen;
    db.forEachRow(
        "select fp.id_propiedad,p.nombre,fp.minimo,fp.maximo,fp.valor from formula_propiedad fp, "
        "propiedades p where fp.id_propiedad=p.id_propiedad and fp.id_formula=? order by p.nombre",
        {formula}, [&](const store::Database::Row& r) {
            const QString row = formulaKey + QStringLiteral(", id_propiedad=") + keyText(r[0]);
            const int id = store::storedInteger(r[0], {table, row, "id_propiedad"});
            refuseRepeated(seen, id, table, row);
            out.push_back({id, r[1], number(r[2], {table, row, "minimo"}),
                           number(r[3], {table, row, "maximo"}),
                           number(r[4], {table, row, "valor"})});
        });
    return out;
}

std::vector<StoredIngredient> readIngredients(store::Database& db, int formula) {
    const QString formulaKey = QStringLiteral("id_formula=") + QString::number(formula);
    const QString table = QStringLiteral("formula_producto");
    std::vector<StoredIngredient> out;
    QSet<int> seen;
    db.forEachRow(
        "select fp.id_producto,p.nombre,fp.costo,p.costo as costoActual,fp.materia_seca,"
        "p.materia_Seca as materiaSecaActual,fp.minimo,fp.maximo,fp.porcentaje_humeda,"
        "fp.porcentaje_seca,fp.cantidad_humeda,fp.cantidad_seca from formula_producto fp, "
        "productos p where fp.id_producto=p.id_producto and fp.id_formula=? "
        "order by fp.porcentaje_humeda DESC",
        {formula}, [&](const store::Database::Row& r) {
            const QString row = formulaKey + QStringLiteral(", id_producto=") + keyText(r[0]);
            const QString catalogueRow = QStringLiteral("id_producto=") + keyText(r[0]);
            const int id = store::storedInteger(r[0], {table, row, "id_producto"});
            refuseRepeated(seen, id, table, row);
            out.push_back({id, r[1], number(r[2], {table, row, "costo"}),
                           number(r[3], {"productos", catalogueRow, "costo"}),
                           number(r[4], {table, row, "materia_seca"}),
                           number(r[5], {"productos", catalogueRow, "materia_seca"}),
                           number(r[6], {table, row, "minimo"}),
                           number(r[7], {table, row, "maximo"}),
                           number(r[8], {table, row, "porcentaje_humeda"}),
                           number(r[9], {table, row, "porcentaje_seca"}),
                           number(r[10], {table, row, "cantidad_humeda"}),
                           number(r[11], {table, row, "cantidad_seca"})});
        });
    return out;
}

std::optional<double> optional(const QVariant& v) {
    return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

void fillNutrients(Workspace& ws, const std::vector<StoredNutrient>& rows) {
    for (const StoredNutrient& r : rows)
        ws.nutrients.push_back({r.id, r.nombre.toString().left(100), optional(r.minimo),
                                optional(r.maximo), optional(r.valor), optional(r.valor)});
}

void fillIngredients(Workspace& ws, const std::vector<StoredIngredient>& rows, Notices& notices) {
    for (const StoredIngredient& r : rows) {
        const double dm = r.materiaSeca.toDouble();
        if (!(dm > 0)) {
            notices.push_back({"El Ingrediente no posee materia seca definida\n\nEl ingrediente " +
                                   r.nombre.toString().trimmed() +
                                   " no se ha ingresado a la Fórmula",
                               msg::Critical});
            continue;
        }
        FormulaIngredient p;
        p.id = r.id;
        p.nombre = r.nombre.toString().left(100);
        p.costoHumeda = optional(r.costo);
        p.costoSeca = r.costo.toDouble() / (dm / 100);
        p.materiaSeca = dm;
        p.minimo = optional(r.minimo);
        p.maximo = optional(r.maximo);
        p.porcentajeHumeda = optional(r.porcentajeHumeda);
        p.porcentajeSeca = optional(r.porcentajeSeca);
        p.cantidadHumeda = optional(r.cantidadHumeda);
        p.cantidadSeca = optional(r.cantidadSeca);
        p.materiaSecaActual = optional(r.materiaSecaActual);
        p.costoHumedaActual = optional(r.costoActual);
        ws.ingredients.push_back(p);
    }
}

struct StoredHeader {
    bool found = false;
    QVariant producto, codigo, version, fechaCreacion, fechaModificacion, cantidad;
    int tipoBase = 0, tipoBaseNutrientes = 0;
};

StoredHeader readHeader(store::Database& db, int formula) {
    const QString row = QStringLiteral("id_formula=") + QString::number(formula);
    const QString table = QStringLiteral("formulas");
    StoredHeader h;
    db.forEachRow(
        "select producto,codigo,version,fecha_creacion,fecha_modificacion,cantidad,"
        "tipoBase,tipoBaseNutrientes from formulas where id_formula=?",
        {formula}, [&](const store::Database::Row& r) {
            if (h.found)
                throw store::StoredValueError(
                    QStringLiteral("La tabla formulas tiene dos filas para (%1).").arg(row));
            h.found = true;
            h.producto = r[0];
            h.codigo = r[1];
            h.version = number(r[2], {table, row, "version"});
            h.fechaCreacion = r[3];
            h.fechaModificacion = r[4];
            h.cantidad = number(r[5], {table, row, "cantidad"});
            h.tipoBase = store::storedInteger(r[6], {table, row, "tipoBase"});
            h.tipoBaseNutrientes = store::storedInteger(r[7], {table, row, "tipoBaseNutrientes"});
        });
    return h;
}

// Everything read and checked before the workspace takes any of it.
void readStoredFormula(LoadedFormula& out, store::Database& db, int formula) {
    Workspace& ws = out.ws;
    FormulaHeader& header = out.header;
    const StoredHeader stored = readHeader(db, formula);
    const std::vector<StoredNutrient> nutrients = readNutrients(db, formula);
    const std::vector<StoredIngredient> ingredients = readIngredients(db, formula);
    std::vector<formulas::FormulaRatio> ratios = formulas::loadFormulaRatios(db, formula);
    std::vector<formulas::FormulaGroup> groups = formulas::loadFormulaGroups(db, formula);
    if (!stored.found) {
        out.refusal = Notice{QStringLiteral("No se pudo establecer la Fórmula"), msg::Critical};
        return;
    }
    header.found = true;
    header.producto = stored.producto.toString();
    header.codigo = stored.codigo.toString();
    header.version = fmt::format(stored.version, QString());
    header.fechaCreacion = dateText(stored.fechaCreacion);
    header.fechaModificacion = dateText(stored.fechaModificacion);
    ws.batchQuantity = numtext::roundHalfEven(stored.cantidad.toDouble());
    chooseIngredientBasis(ws, stored.tipoBase == 0);
    chooseNutrientBasis(ws, stored.tipoBaseNutrientes == 0);
    fillNutrients(ws, nutrients);
    fillIngredients(ws, ingredients, out.notices);
    ws.ratios = std::move(ratios);
    ws.groups = std::move(groups);
    // The quantity box ends up showing the batch total of the loaded mix, as after any recount.
    header.figures = actuResultados(ws, db);
    header.cantidad = header.figures->cantidadText;
}

} // namespace

LoadedFormula loadFormula(store::Database& db, int formulaId) {
    app::BusyPointer busy;
    LoadedFormula out;
    if (formulaId == 0) {
        chooseIngredientBasis(out.ws, true);
        chooseNutrientBasis(out.ws, true);
        return out;
    }
    try {
        // Read before the rows: a save that lands in between then counts as a change.
        const int revision = store::readRevision(db, QStringLiteral("formulas"), formulaId);
        readStoredFormula(out, db, formulaId);
        out.ws.vRevision = revision;
    } catch (const store::StoredValueError& e) {
        out.refusal = Notice{QStringLiteral("No se puede abrir la fórmula.\n\n") + e.message(),
                             msg::Critical};
    }
    if (out.refusal) {
        // Nothing of the formula stays: a save from it must not replace the stored one.
        const Notice refusal = *out.refusal;
        out = LoadedFormula{};
        out.refusal = refusal;
    }
    return out;
}

void adoptLoaded(Workspace& ws, Workspace loaded, int formulaId) {
    loaded.analysisRows = std::move(ws.analysisRows);
    loaded.composition = std::move(ws.composition);
    loaded.formulaId = formulaId;
    ws = std::move(loaded);
}

} // namespace workspace
