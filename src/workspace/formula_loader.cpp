#include "workspace/formula_loader.h"

#include "app/busy_pointer.h"
#include "app/format.h"
#include "app/messages.h"
#include "app/number_text.h"
#include "formulas/formula_limits.h"
#include "store/added_tables.h"
#include "store/database.h"
#include "store/revisions.h"
#include "store/sql_text.h"
#include "store/stored_values.h"
#include "workspace/basis_rule.h"
#include "workspace/mix_compositions.h"
#include "workspace/results.h"
#include "workspace/weighing_rows.h"
#include "workspace/workspace.h"

#include <QDate>
#include <QHash>
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
    QVariant nombre, minimo, maximo, valor, unidad;
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

// The rows of the formulas asked for, each formula's under its id: one reading of each table for
// all of them.
template <typename Row> using ByFormula = QHash<int, std::vector<Row>>;

QString formulaKey(int formula) {
    return QStringLiteral("id_formula=") + QString::number(formula);
}

ByFormula<StoredNutrient> readNutrients(store::Database& db, const std::vector<int>& formulas) {
    const QString table = QStringLiteral("formula_propiedad");
    ByFormula<StoredNutrient> out;
    QHash<int, QSet<int>> seen;
    db.forEachRow(QStringLiteral("select fp.id_propiedad,p.nombre,fp.minimo,fp.maximo,fp.valor,"
                                 "fp.id_formula,p.unidad from formula_propiedad fp, propiedades p "
                                 "where "
                                 "fp.id_propiedad=p.id_propiedad and fp.id_formula in") +
                      sql::integerList(formulas) +
                      QStringLiteral(" order by fp.id_formula,p.nombre"),
                  {}, [&](const store::Database::Row& r) {
                      const int formula = int(r[5].toLongLong());
                      const QString row =
                          formulaKey(formula) + QStringLiteral(", id_propiedad=") + keyText(r[0]);
                      const int id = store::storedInteger(r[0], {table, row, "id_propiedad"});
                      refuseRepeated(seen[formula], id, table, row);
                      out[formula].push_back({id, r[1], number(r[2], {table, row, "minimo"}),
                                              number(r[3], {table, row, "maximo"}),
                                              number(r[4], {table, row, "valor"}), r[6]});
                  });
    return out;
}

ByFormula<StoredIngredient> readIngredients(store::Database& db, const std::vector<int>& formulas) {
    const QString table = QStringLiteral("formula_producto");
    ByFormula<StoredIngredient> out;
    QHash<int, QSet<int>> seen;
    db.forEachRow(
        QStringLiteral(
            "select fp.id_producto,p.nombre,fp.costo,p.costo as costoActual,fp.materia_seca,"
            "p.materia_Seca as materiaSecaActual,fp.minimo,fp.maximo,fp.porcentaje_humeda,"
            "fp.porcentaje_seca,fp.cantidad_humeda,fp.cantidad_seca,fp.id_formula from "
            "formula_producto fp, productos p where fp.id_producto=p.id_producto and "
            "fp.id_formula in") +
            sql::integerList(formulas) +
            QStringLiteral(" order by fp.id_formula,fp.porcentaje_humeda DESC"),
        {}, [&](const store::Database::Row& r) {
            const int formula = int(r[12].toLongLong());
            const QString row =
                formulaKey(formula) + QStringLiteral(", id_producto=") + keyText(r[0]);
            const QString catalogueRow = QStringLiteral("id_producto=") + keyText(r[0]);
            const int id = store::storedInteger(r[0], {table, row, "id_producto"});
            refuseRepeated(seen[formula], id, table, row);
            out[formula].push_back({id, r[1], number(r[2], {table, row, "costo"}),
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

// The probability of each nutrient limit of the formulas asked for, by formula and nutrient. A
// file made before the table existed, opened read-only, has none.
QHash<int, QHash<int, double>> readProbabilities(store::Database& db,
                                                 const std::vector<int>& formulas) {
    const QString table = QStringLiteral("formula_propiedad_probabilidad");
    QHash<int, QHash<int, double>> out;
    if (formulas.empty() || !store::hasTable(db, table))
        return out;
    db.forEachRow(
        QStringLiteral("select id_propiedad,probabilidad,id_formula from "
                       "formula_propiedad_probabilidad where id_formula in") +
            sql::integerList(formulas),
        {}, [&](const store::Database::Row& r) {
            const int formula = int(r[2].toLongLong());
            const QString row =
                formulaKey(formula) + QStringLiteral(", id_propiedad=") + keyText(r[0]);
            const int id = store::storedInteger(r[0], {table, row, "id_propiedad"});
            const std::optional<double> p = store::storedNumber(r[1], {table, row, "probabilidad"});
            if (out[formula].contains(id))
                throw store::StoredValueError(
                    QStringLiteral("La tabla %1 tiene dos filas para (%2).").arg(table, row));
            if (p)
                out[formula].insert(id, *p);
        });
    return out;
}

std::optional<double> optional(const QVariant& v) {
    return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
}

void fillNutrients(Workspace& ws, const std::vector<StoredNutrient>& rows,
                   const QHash<int, double>& probabilities) {
    for (const StoredNutrient& r : rows) {
        ws.nutrients.push_back({r.id, r.nombre.toString().left(100), optional(r.minimo),
                                optional(r.maximo), optional(r.valor), optional(r.valor),
                                r.unidad.toString().trimmed()});
        if (const auto p = probabilities.constFind(r.id); p != probabilities.constEnd())
            ws.nutrients.back().probabilidad = *p;
    }
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

QHash<int, StoredHeader> readHeaders(store::Database& db, const std::vector<int>& formulas) {
    const QString table = QStringLiteral("formulas");
    QHash<int, StoredHeader> out;
    db.forEachRow(
        QStringLiteral("select producto,codigo,version,fecha_creacion,fecha_modificacion,"
                       "cantidad,tipoBase,tipoBaseNutrientes,id_formula from formulas where "
                       "id_formula in") +
            sql::integerList(formulas),
        {}, [&](const store::Database::Row& r) {
            const int formula = int(r[8].toLongLong());
            const QString row = formulaKey(formula);
            StoredHeader& h = out[formula];
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
    return out;
}

// Every row of the formulas asked for, read and checked before any workspace takes them.
struct StoredFormulas {
    QHash<int, int> revisions;
    QHash<int, StoredHeader> headers;
    ByFormula<StoredNutrient> nutrients;
    ByFormula<StoredIngredient> ingredients;
    QHash<int, std::vector<formulas::FormulaRatio>> ratios;
    QHash<int, std::vector<formulas::FormulaGroup>> groups;
    QHash<int, QHash<int, double>> probabilities; // by formula, then nutrient
    MixCompositions compositions;        // of every formula's ingredients, for its nutrients
    QHash<int, StoredWeighing> weighing; // minimum-if-used rows and options, by formula
    QHash<int, double> steps;            // the weighing step of the ingredients that have one
};

StoredFormulas readStoredFormulas(store::Database& db, const std::vector<int>& ids) {
    StoredFormulas s;
    // Read before the rows: a save that lands in between then counts as a change.
    s.revisions = store::readRevisions(db, QStringLiteral("formulas"), ids);
    s.headers = readHeaders(db, ids);
    s.nutrients = readNutrients(db, ids);
    s.ingredients = readIngredients(db, ids);
    s.ratios = formulas::loadFormulaRatios(db, ids);
    s.groups = formulas::loadFormulaGroups(db, ids);
    s.probabilities = readProbabilities(db, ids);
    // The rows the workspaces take: those of the formulas found, ingredients with dry matter.
    std::vector<int> ingredientIds, nutrientIds;
    for (const int id : ids) {
        if (!s.headers.contains(id))
            continue;
        for (const StoredIngredient& r : s.ingredients.value(id))
            if (r.materiaSeca.toDouble() > 0)
                ingredientIds.push_back(r.id);
        for (const StoredNutrient& r : s.nutrients.value(id))
            nutrientIds.push_back(r.id);
    }
    s.compositions = readMixCompositions(db, ingredientIds, nutrientIds);
    s.weighing = loadWeighing(db, ids);
    s.steps = loadWeighingSteps(db, ingredientIds);
    return s;
}

// Formula `formula` from what was read: its workspace, header and notices, or its refusal.
LoadedFormula assemble(const StoredFormulas& s, int formula) {
    LoadedFormula out;
    const auto header = s.headers.constFind(formula);
    if (header == s.headers.constEnd()) {
        out.refusal = Notice{QStringLiteral("No se pudo establecer la Fórmula"), msg::Critical};
        return out;
    }
    const StoredHeader& stored = *header;
    Workspace& ws = out.ws;
    out.header.found = true;
    out.header.producto = stored.producto.toString();
    out.header.codigo = stored.codigo.toString();
    out.header.version = fmt::format(stored.version, QString());
    out.header.fechaCreacion = dateText(stored.fechaCreacion);
    out.header.fechaModificacion = dateText(stored.fechaModificacion);
    ws.batchQuantity = numtext::roundHalfEven(stored.cantidad.toDouble());
    chooseIngredientBasis(ws, stored.tipoBase == 0);
    chooseNutrientBasis(ws, stored.tipoBaseNutrientes == 0);
    fillNutrients(ws, s.nutrients.value(formula), s.probabilities.value(formula));
    fillIngredients(ws, s.ingredients.value(formula), out.notices);
    ws.ratios = s.ratios.value(formula);
    ws.groups = s.groups.value(formula);
    ws.vRevision = s.revisions.value(formula, 0);
    const StoredWeighing weighing = s.weighing.value(formula);
    for (FormulaIngredient& p : ws.ingredients) {
        if (const auto m = weighing.minimoSiSeUsa.constFind(p.id);
            m != weighing.minimoSiSeUsa.constEnd())
            p.minimoSiSeUsa = *m;
        if (const auto step = s.steps.constFind(p.id); step != s.steps.constEnd())
            p.paso = *step;
    }
    ws.maxIngredientes = weighing.maxIngredientes;
    ws.redondear = weighing.redondear;
    // The quantity box ends up showing the batch total of the loaded mix, as after any recount.
    out.header.figures = actuResultados(ws, s.compositions);
    out.header.cantidad = out.header.figures->cantidadText;
    return out;
}

LoadedFormula refused(const Notice& refusal) {
    // Nothing of the formula stays: a save from it must not replace the stored one.
    LoadedFormula out;
    out.refusal = refusal;
    return out;
}

LoadedFormula emptyWorkspace() {
    LoadedFormula out;
    chooseIngredientBasis(out.ws, true);
    chooseNutrientBasis(out.ws, true);
    return out;
}

// So many keys in one statement at most: far below what either engine takes in an in(...) list.
constexpr std::size_t kFormulasPerReading = 500;

// The formulas of `ids` (none 0), read together; a stored value that refuses one of them throws.
std::vector<LoadedFormula> readTogether(store::Database& db, const std::vector<int>& ids) {
    const StoredFormulas s = readStoredFormulas(db, ids);
    std::vector<LoadedFormula> out;
    for (const int id : ids)
        out.push_back(assemble(s, id));
    return out;
}

LoadedFormula readAlone(store::Database& db, int id) {
    try {
        LoadedFormula out = readTogether(db, {id}).front();
        return out.refusal ? refused(*out.refusal) : out;
    } catch (const store::StoredValueError& e) {
        return refused(Notice{QStringLiteral("No se puede abrir la fórmula.\n\n") + e.message(),
                              msg::Critical});
    }
}

} // namespace

std::vector<LoadedFormula> loadFormulas(store::Database& db, const std::vector<int>& formulaIds) {
    app::BusyPointer busy;
    std::vector<int> stored; // each formula once
    QSet<int> seen;
    for (const int id : formulaIds)
        if (id != 0 && !seen.contains(id)) {
            seen.insert(id);
            stored.push_back(id);
        }
    QHash<int, LoadedFormula> loaded;
    for (std::size_t start = 0; start < stored.size(); start += kFormulasPerReading) {
        const std::vector<int> part(
            stored.begin() + std::ptrdiff_t(start),
            stored.begin() + std::ptrdiff_t(std::min(stored.size(), start + kFormulasPerReading)));
        std::vector<LoadedFormula> read;
        if (part.size() == 1) {
            read.push_back(readAlone(db, part.front()));
        } else {
            try {
                read = readTogether(db, part);
            } catch (const store::StoredValueError&) {
                // A value that refuses one formula refuses only that one: each is read alone,
                // so the refusal names its own row and the others load.
                for (const int id : part)
                    read.push_back(readAlone(db, id));
            }
        }
        for (std::size_t k = 0; k < part.size(); ++k)
            loaded.insert(part[k], std::move(read[k]));
    }
    std::vector<LoadedFormula> out;
    out.reserve(formulaIds.size());
    for (const int id : formulaIds)
        out.push_back(id == 0 ? emptyWorkspace() : loaded.value(id));
    return out;
}

LoadedFormula loadFormula(store::Database& db, int formulaId) {
    return loadFormulas(db, {formulaId}).front();
}

void adoptLoaded(Workspace& ws, Workspace loaded, int formulaId) {
    loaded.analysisRows = std::move(ws.analysisRows);
    loaded.analysisNote = std::move(ws.analysisNote);
    loaded.composition = std::move(ws.composition);
    loaded.formulaId = formulaId;
    ws = std::move(loaded);
}

} // namespace workspace
