#include "formulas/formula_header.h"
#include "store/sql_text.h"
#include "support/blend_database.h"
#include "support/fault_sweep.h"
#include "support/ingredient_rows.h"
#include "support/loaded_workspace.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "support/test_server.h"
#include "workspace/formula_loader.h"
#include "workspace/formula_save.h"
#include "workspace/workspace.h"

#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>

using namespace blenddb;
using workspace::SaveResult;
using workspace::Workspace;

namespace {

// Every row of the three formula tables, as text.
QStringList storedState(store::Database& db) {
    QStringList out;
    for (const char* sql :
         {"select * from formulas order by id_formula",
          "select * from formula_propiedad order by id_formula,id_propiedad",
          "select * from formula_producto order by id_formula,id_producto",
          "select * from formula_relacion order by id_formula,id_propiedad,id_propiedad_divisor",
          "select * from formula_grupo order by id_formula,id_grupo",
          "select * from formula_uso_minimo order by id_formula,id_producto",
          "select * from formula_opciones order by id_formula"}) {
        store::RecordSet rs = db.query(sql);
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            QStringList row;
            for (int f = 0; f < rs.fieldCount(); ++f)
                row << (rs.value(f).isValid() ? rs.value(f).toString() : "Null");
            out << row.join('|');
        }
        out << "--";
    }
    return out;
}

// The workspace records in their present order, as text.
QStringList workspaceState(const Workspace& ws) {
    QStringList out;
    auto text = [](const std::optional<double>& v) {
        return v ? QString::number(*v, 'g', 17) : QString();
    };
    for (const workspace::FormulaNutrient& n : ws.nutrients)
        out << QStringList{QString::number(n.id), n.nombre,      text(n.minimo),
                           text(n.maximo),        text(n.valor), text(n.valorAnterior)}
                   .join('|');
    for (const workspace::FormulaIngredient& p : ws.ingredients)
        out << QStringList{QString::number(p.id),
                           p.nombre,
                           text(p.materiaSeca),
                           text(p.costoSeca),
                           text(p.costoHumeda),
                           text(p.minimo),
                           text(p.maximo),
                           text(p.cantidadSeca),
                           text(p.porcentajeSeca),
                           text(p.cantidadHumeda),
                           text(p.porcentajeHumeda),
                           text(p.costoTotal),
                           text(p.materiaSecaActual),
                           text(p.costoHumedaActual)}
                   .join('|');
    return out << QString::number(ws.formulaId);
}

// The stored keys of one formula's rows.
std::vector<int> keys(store::Database& db, const QString& table, const QString& key, int formula) {
    store::RecordSet rs = db.query("select " + key + " from " + table + " where id_formula=" +
                                   QString::number(formula) + " order by " + key);
    std::vector<int> out;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out.push_back(rs.value(0).toInt());
    return out;
}

void addIngredientRow(Workspace& ws, int id, QVariant minimo, QVariant maximo, double share) {
    workspace::FormulaIngredient p;
    p.id = id;
    p.nombre = "I" + QString::number(id);
    p.materiaSeca = 80.0;
    p.costoHumeda = 2.5 + id;
    p.costoSeca = (2.5 + id) / 0.8;
    testrows::set(p, "minimo", minimo);
    testrows::set(p, "maximo", maximo);
    p.porcentajeHumeda = share;
    p.porcentajeSeca = share;
    p.cantidadHumeda = share * 1000;
    p.cantidadSeca = share * 800;
    ws.ingredients.push_back(p);
}

void addNutrientRow(Workspace& ws, int id, QVariant minimo, QVariant maximo, double valor) {
    auto opt = [](const QVariant& v) {
        return v.isValid() ? std::optional<double>(v.toDouble()) : std::nullopt;
    };
    ws.nutrients.push_back(
        {id, "N" + QString::number(id), opt(minimo), opt(maximo), valor, std::nullopt});
}

template <typename Row> bool removeRow(std::vector<Row>& rows, int id) {
    const auto it =
        std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.id == id; });
    if (it == rows.end())
        return false;
    rows.erase(it);
    return true;
}

// What the header editor was opened on and what the user answered, as a test stands in for it.
struct Header {
    formulas::HeaderOpening opened;
    formulas::HeaderInput input;
};

Header updateOf(int formula, const QString& code, const QString& product, double cantidad) {
    Header h;
    h.opened.formulaId = formula;
    h.opened.isNew = false;
    h.opened.code = h.input.code = code;
    h.input.product = product;
    h.input.cantidad = cantidad;
    h.input.today = QDate(2026, 12, 7);
    return h;
}

Header newFormula(const QString& code) {
    Header h = updateOf(0, code, "Producto " + code, 1000);
    h.opened.isNew = true;
    return h;
}

// Saves as the window does: what the save says is shown once it has returned.
SaveResult save(Workspace& ws, store::Database& db, const Header& h) {
    SaveResult r;
    {
        ScriptedMessages during;
        r = workspace::saveFormula(ws, db, h.opened, h.input);
        EXPECT_TRUE(during.shown().empty()); // nothing while the save runs
    }
    for (const workspace::Notice& n : r.notices)
        msg::msgBox(n.text, n.kind, n.title);
    return r;
}

// Six ingredients, four nutrients; formula F holds ingredients 3, 4, 5 and nutrients 2, 3;
// formula G (which no save here may touch) holds ingredient 4 and nutrient 2.
struct Fixture {
    TempDatabase t;
    int f = 0, g = 0;

    Fixture() {
        auto& db = t.db();
        for (int i = 1; i <= 6; ++i)
            addIngredient(db, "I" + QString::number(i), 2.5 + i, 80);
        for (int i = 1; i <= 4; ++i)
            addNutrient(db, "N" + QString::number(i));
        f = addFormula(db, "F", 1000, 1, 1);
        g = addFormula(db, "G", 1000, 1, 1);
        for (int i : {3, 4, 5})
            addFormulaIngredient(db, f, i, 0, 50, 2.5 + i, 80, 1.0 / 3);
        addFormulaIngredient(db, g, 4, 0, 50, 6.5, 80, 1);
        addFormulaNutrient(db, f, 2, 10, {}, 11);
        addFormulaNutrient(db, f, 3, 1, 2, 1.5);
        addFormulaNutrient(db, g, 2, 1, {}, 3);
    }

    // F loaded, then edited so that a save updates, inserts and deletes rows of both kinds.
    void loadAndEdit(Workspace& ws) {
        ws.formulaId = f;
        loadShown(ws, t.db());
        ASSERT_TRUE(removeRow(ws.ingredients, 4));
        addIngredientRow(ws, 2, 5, QVariant(), 0.1); // both sort before every stored row
        addIngredientRow(ws, 1, QVariant(), 20, 0.2);
        ASSERT_TRUE(workspace::findIngredient(ws, 5));
        workspace::findIngredient(ws, 5)->maximo.reset(); // a limit taken away is stored as Null
        const auto two = std::find_if(ws.nutrients.begin(), ws.nutrients.end(),
                                      [](const auto& n) { return n.id == 2; });
        ASSERT_TRUE(two != ws.nutrients.end());
        ws.nutrients.erase(two);
        addNutrientRow(ws, 4, QVariant(), 7, 6.5);
        addNutrientRow(ws, 1, 0.5, QVariant(), 0.75);
        const auto three = std::find_if(ws.nutrients.begin(), ws.nutrients.end(),
                                        [](const auto& n) { return n.id == 3; });
        ASSERT_TRUE(three != ws.nutrients.end());
        three->minimo = 1.25;
    }

    // The header editor's answer for F: one statement on the header row.
    Header headerUpdate() const { return updateOf(f, "F", "F editada", 500); }
};

} // namespace

TEST(FormulaSave, MergeUpdatesInsertsAndDeletesExactlyTheRowsThatDiffer) {
    Fixture fx;
    auto& db = fx.t.db();
    db.exec("alter table formula_producto add column nota text");
    db.exec("update formula_producto set nota='a mano' where id_producto=3");
    ScriptedMessages messages;
    Workspace ws;
    fx.loadAndEdit(ws);
    const QStringList before = workspaceState(ws);

    workspace::saveFormulaRows(ws, db, fx.f);

    EXPECT_EQ(workspaceState(ws), before); // only read: same rows, same order
    EXPECT_EQ(keys(db, "formula_producto", "id_producto", fx.f), (std::vector<int>{1, 2, 3, 5}));
    EXPECT_EQ(keys(db, "formula_propiedad", "id_propiedad", fx.f), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(keys(db, "formula_producto", "id_producto", fx.g), (std::vector<int>{4}));
    EXPECT_EQ(keys(db, "formula_propiedad", "id_propiedad", fx.g), (std::vector<int>{2}));

    store::RecordSet i =
        db.query("select * from formula_producto where id_formula=" + QString::number(fx.f) +
                 " order by id_producto");
    i.moveFirst();
    EXPECT_FALSE(i.value("minimo").isValid()); // ingredient 1: no minimum
    EXPECT_DOUBLE_EQ(i.toDouble("maximo"), 20);
    EXPECT_DOUBLE_EQ(i.toDouble("costo"), 3.5); // the workspace's costo_humeda
    EXPECT_DOUBLE_EQ(i.toDouble("cantidad_seca"), 160);
    EXPECT_DOUBLE_EQ(i.toDouble("porcentaje_humeda"), 0.2);
    i.moveNext();
    i.moveNext();
    EXPECT_EQ(i.toString("nota"), "a mano"); // updated in place: a column we do not know is kept
    i.moveNext();
    EXPECT_FALSE(i.value("maximo").isValid());

    store::RecordSet n =
        db.query("select * from formula_propiedad where id_formula=" + QString::number(fx.f) +
                 " and id_propiedad=3");
    EXPECT_DOUBLE_EQ(n.toDouble("minimo"), 1.25);
    EXPECT_DOUBLE_EQ(n.toDouble("maximo"), 2);

    // Saved again unchanged: every row updated in place, nothing added or lost.
    const QStringList saved = storedState(db);
    workspace::saveFormulaRows(ws, db, fx.f);
    EXPECT_EQ(storedState(db), saved);

    // Emptied lists delete every row of the formula, and only of that formula.
    ws.ingredients.clear();
    ws.nutrients.clear();
    workspace::saveFormulaRows(ws, db, fx.f);
    EXPECT_TRUE(keys(db, "formula_producto", "id_producto", fx.f).empty());
    EXPECT_TRUE(keys(db, "formula_propiedad", "id_propiedad", fx.f).empty());
    EXPECT_EQ(keys(db, "formula_producto", "id_producto", fx.g), (std::vector<int>{4}));
    EXPECT_TRUE(messages.shown().empty());
}

TEST(FormulaSave, AFailureAtAnyStatementLeavesTheFormulaAndTheWorkspaceAsTheyWere) {
    Fixture fx;
    auto& db = fx.t.db();
    ScriptedMessages messages;
    Workspace ws;
    fx.loadAndEdit(ws);
    const QStringList stored = storedState(db);

    // The header, the change counter (raised, looked up, inserted on the first save), the
    // nutrient rows read, 1 update + 2 inserts + 1 delete, the ingredient rows read, 2 inserts
    // + 1 delete + 2 updates, the probabilities, the ratio and the group limits read (none), the
    // column of broken limits looked up and written, the minimum-if-used rows and the options
    // read (none).
    // One statement further the save is complete: the fault falls on the reload, which says so.
    const auto state = [&] { return storedState(db) + workspaceState(ws); };
    SaveResult r;
    EXPECT_EQ(failAtEveryStatement(db, state,
                                   [&] {
                                       messages.clear();
                                       r = save(ws, db, fx.headerUpdate());
                                       if (r.outcome == SaveResult::Saved)
                                           return true;
                                       EXPECT_EQ(r.outcome, SaveResult::Failed);
                                       EXPECT_EQ(messages.shown().size(), 1u);
                                       EXPECT_TRUE(!messages.shown().empty() &&
                                                   messages.shown()[0].style == msg::Critical &&
                                                   messages.texts()[0].startsWith(
                                                       "No es posible grabar la Fórmula. No se "
                                                       "modificó nada en la base de datos"));
                                       return false;
                                   }),
              22);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(
        messages.texts()[0].startsWith("La Fórmula se grabó, pero no se pudo volver a leer"));
    EXPECT_NE(storedState(db), stored);
    EXPECT_EQ(keys(db, "formula_producto", "id_producto", fx.f), (std::vector<int>{1, 2, 3, 5}));

    // A save that runs through reloads the workspace from what it stored.
    Fixture fresh;
    Workspace again;
    fresh.loadAndEdit(again);
    messages.clear();
    r = save(again, fresh.t.db(), fresh.headerUpdate());
    EXPECT_EQ(r.outcome, SaveResult::Saved);
    EXPECT_TRUE(r.header.found);
    EXPECT_EQ(r.header.producto, "F editada");
    EXPECT_EQ(int(again.ingredients.size()), 4);
    EXPECT_EQ(int(again.nutrients.size()), 3);
    ASSERT_FALSE(again.nutrients.empty());
    EXPECT_EQ(again.nutrients[0].nombre, "N1"); // by name again after the reload
    EXPECT_DOUBLE_EQ(again.nutrients[0].valorAnterior.value_or(0), 0.75);
    EXPECT_TRUE(messages.shown().empty());
}

TEST(FormulaSave, ANewFormulaTakesItsIdOnlyWhenTheSaveStandsAndARefusedHeaderWritesNothing) {
    Fixture fx;
    auto& db = fx.t.db();
    ScriptedMessages messages;
    Workspace ws;
    addIngredientRow(ws, 6, QVariant(), QVariant(), 1);
    addNutrientRow(ws, 2, 1, QVariant(), 2);
    const QStringList stored = storedState(db);

    // The header write refuses a code stored meanwhile (here F's): nothing stands.
    SaveResult r = save(ws, db, newFormula("F"));
    EXPECT_EQ(r.outcome, SaveResult::Failed);
    EXPECT_EQ(storedState(db), stored);
    EXPECT_EQ(messages.shown().size(), 1u);
    messages.clear();

    const Header header = newFormula("NUEVA");
    db.failStatementAfter(7); // the ingredient insert, after code, key, header, nutrient rows
    r = save(ws, db, header);
    db.failStatementAfter(0);
    EXPECT_EQ(r.outcome, SaveResult::Failed);
    EXPECT_EQ(ws.formulaId, 0);
    EXPECT_EQ(storedState(db), stored);

    // The editor refuses a first try (its check, before anything is written) and the user
    // corrects it: the save then stands whole.
    EXPECT_TRUE(formulas::checkHeader(db, newFormula("F").opened, newFormula("F").input));
    EXPECT_FALSE(formulas::checkHeader(db, header.opened, header.input));
    r = save(ws, db, header);
    ASSERT_EQ(r.outcome, SaveResult::Saved);
    EXPECT_EQ(ws.formulaId, fx.g + 1);
    EXPECT_EQ(keys(db, "formula_producto", "id_producto", ws.formulaId), (std::vector<int>{6}));
    EXPECT_EQ(keys(db, "formula_propiedad", "id_propiedad", ws.formulaId), (std::vector<int>{2}));
    EXPECT_EQ(messages.shown().size(), 1u); // only the failure above spoke
}

TEST(FormulaSave, ASaveOverAFormulaSavedElsewhereSinceItWasLoadedIsRefused) {
    Fixture fx;
    auto other = store::Database::openFile(fx.t.path()); // another user, or another window
    ScriptedMessages messages;
    Workspace mine, theirs;
    mine.formulaId = theirs.formulaId = fx.f;
    loadShown(mine, fx.t.db());
    loadShown(theirs, *other);

    addIngredientRow(theirs, 1, QVariant(), 20, 0.2);
    const Header theirHeader = updateOf(fx.f, "F", "La suya", 1000);
    EXPECT_EQ(save(theirs, *other, theirHeader).outcome, SaveResult::Saved);
    const QStringList saved = storedState(fx.t.db());

    addIngredientRow(mine, 2, 5, QVariant(), 0.1);
    EXPECT_EQ(save(mine, fx.t.db(), fx.headerUpdate()).outcome, SaveResult::Failed);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text,
              "La fórmula fue modificada por otro usuario; vuelva a cargarla");
    EXPECT_EQ(storedState(fx.t.db()), saved); // their save stands whole

    // Loaded again, the same edit saves; and saving twice in a row is no conflict with oneself.
    loadShown(mine, fx.t.db());
    addIngredientRow(mine, 2, 5, QVariant(), 0.1);
    EXPECT_EQ(save(mine, fx.t.db(), fx.headerUpdate()).outcome, SaveResult::Saved);
    EXPECT_EQ(save(mine, fx.t.db(), fx.headerUpdate()).outcome, SaveResult::Saved);
    EXPECT_EQ(keys(fx.t.db(), "formula_producto", "id_producto", fx.f),
              (std::vector<int>{1, 2, 3, 4, 5}));
    // Their copy is stale now; as another formula (a new version) it still saves.
    EXPECT_EQ(save(theirs, *other, theirHeader).outcome, SaveResult::Failed);
    EXPECT_EQ(save(theirs, *other, updateOf(fx.g, "G", "Producto G", 1000)).outcome,
              SaveResult::Saved);
    EXPECT_EQ(messages.shown().size(), 2u);
}

namespace {

void addGroup(store::Database& db, int id, const QString& name, const std::vector<int>& members) {
    db.exec("insert into grupos (id_grupo,nombre) values (" + QString::number(id) + "," +
            sql::text(name) + ")");
    for (const int m : members)
        db.exec("insert into grupo_producto (id_grupo,id_producto) values (" + QString::number(id) +
                "," + QString::number(m) + ")");
}

} // namespace

TEST(FormulaSave, RatioAndGroupLimitsAreSavedWithTheRowsOrNotAtAll) {
    Fixture fx;
    auto& db = fx.t.db();
    ScriptedMessages messages;
    addGroup(db, 1, "Uno", {3, 5});
    addGroup(db, 2, "Dos", {4});
    db.exec("insert into formula_relacion (id_formula,id_propiedad,id_propiedad_divisor,minimo,"
            "maximo,valor) values (" +
            QString::number(fx.f) + ",2,3,1.8,2.2,2)");
    db.exec("insert into formula_grupo (id_formula,id_grupo,minimo,maximo,valor) values (" +
            QString::number(fx.f) + ",1,NULL,50,40)");
    db.exec("insert into formula_grupo (id_formula,id_grupo,minimo,maximo,valor) values (" +
            QString::number(fx.g) + ",1,1,NULL,NULL)");

    Workspace ws;
    ws.formulaId = fx.f;
    loadShown(ws, db);
    ASSERT_EQ(ws.ratios.size(), 1u);
    EXPECT_EQ(ws.ratios[0].nombre(), "N2 / N3");
    EXPECT_EQ(ws.ratios[0].minimo, 1.8);
    // Values are those of the mix as loaded, as the nutrients' are: no compositions, so no ratio
    // (nothing to divide by), and the members' quantities (stored as 0 here).
    EXPECT_FALSE(ws.ratios[0].valor);
    ASSERT_EQ(ws.groups.size(), 1u);
    EXPECT_EQ(ws.groups[0].ingredientIds, (std::vector<int>{3, 5}));
    EXPECT_EQ(ws.groups[0].maximo, 50.0);
    EXPECT_EQ(ws.groups[0].valor, 0.0);

    // The stored ratio changed, a second added; group 1 taken away, group 2 given.
    ws.ratios[0].maximo.reset();
    ws.ratios[0].valor = 1.9;
    formulas::FormulaRatio other;
    other.numerador = 3;
    other.divisor = 2;
    other.minimo = 0.1;
    ws.ratios.push_back(other);
    formulas::FormulaGroup two;
    two.id = 2;
    two.minimo = 100;
    ws.groups = {two};

    // The header, the change counter (raised, looked up, inserted), the nutrient and ingredient
    // rows read and updated (2 and 3), the probabilities read (none), the ratios read, updated
    // and inserted, the groups read, the delete and the insert, the column of broken limits
    // looked up and written, the minimum-if-used rows and the options read (none). One further
    // the save stands and the fault falls on the reload.
    const auto state = [&] { return storedState(db) << QString::number(ws.ratios.size()); };
    EXPECT_EQ(failAtEveryStatement(db, state,
                                   [&] {
                                       messages.clear();
                                       const bool saved = save(ws, db, fx.headerUpdate()).outcome ==
                                                          SaveResult::Saved;
                                       EXPECT_EQ(messages.shown().size(), 1u);
                                       return saved;
                                   }),
              22);
    messages.clear();
    loadShown(ws, db);
    EXPECT_TRUE(messages.shown().empty());

    // Reloaded from what was stored: both ratios by name, group 2 only; G keeps its group.
    ASSERT_EQ(ws.ratios.size(), 2u);
    EXPECT_EQ(ws.ratios[0].nombre(), "N2 / N3");
    EXPECT_FALSE(ws.ratios[0].maximo);
    store::RecordSet storedRatio =
        db.query("select valor from formula_relacion where id_formula=" + QString::number(fx.f) +
                 " and id_propiedad=2");
    storedRatio.moveFirst();
    EXPECT_EQ(storedRatio.toDouble("valor"), 1.9);
    EXPECT_EQ(ws.ratios[1].nombre(), "N3 / N2");
    EXPECT_EQ(ws.ratios[1].minimo, 0.1);
    ASSERT_EQ(ws.groups.size(), 1u);
    EXPECT_EQ(ws.groups[0].nombre, "Dos");
    EXPECT_EQ(ws.groups[0].ingredientIds, (std::vector<int>{4}));
    EXPECT_EQ(keys(db, "formula_grupo", "id_grupo", fx.g), (std::vector<int>{1}));

    // A formula whose limits name a nutrient no longer stored is refused whole.
    db.exec("delete from propiedades where id_propiedad=3");
    loadShown(ws, db);
    EXPECT_EQ(ws.formulaId, 0);
    EXPECT_TRUE(ws.ratios.empty());
    EXPECT_TRUE(ws.groups.empty());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(messages.texts()[0].contains("formula_relacion"));
}

TEST(FormulaSave, WeighingConditionsAreSavedWithTheRowsOrNotAtAll) {
    Fixture fx;
    auto& db = fx.t.db();
    ScriptedMessages messages;
    const QString f = QString::number(fx.f);
    db.exec("insert into formula_uso_minimo (id_formula,id_producto,minimo) values (" + f +
            ",3,50)");
    db.exec("insert into formula_uso_minimo (id_formula,id_producto,minimo) values (" + f +
            ",5,20)");
    // A row of an ingredient the formula does not hold, and G's own row: neither is touched.
    db.exec("insert into formula_uso_minimo (id_formula,id_producto,minimo) values (" + f +
            ",6,1)");
    db.exec("insert into formula_uso_minimo (id_formula,id_producto,minimo) values (" +
            QString::number(fx.g) + ",4,7)");
    db.exec("insert into formula_opciones (id_formula,max_ingredientes,redondear) values (" + f +
            ",2,0)");
    db.exec("insert into producto_pesada (id_producto,paso) values (3,5)");
    db.exec("insert into producto_pesada (id_producto,paso) values (4,0.1)");

    Workspace ws;
    ws.formulaId = fx.f;
    loadShown(ws, db);
    ASSERT_TRUE(messages.shown().empty());
    EXPECT_EQ(ws.maxIngredientes, 2);
    EXPECT_FALSE(ws.redondear);
    EXPECT_EQ(workspace::findIngredient(ws, 3)->minimoSiSeUsa, 50.0);
    EXPECT_EQ(workspace::findIngredient(ws, 3)->paso, 5.0);
    EXPECT_EQ(workspace::findIngredient(ws, 4)->paso, 0.1);
    EXPECT_FALSE(workspace::findIngredient(ws, 4)->minimoSiSeUsa);
    EXPECT_EQ(workspace::findIngredient(ws, 5)->minimoSiSeUsa, 20.0);
    EXPECT_FALSE(workspace::findIngredient(ws, 5)->paso);

    // 3 changed, 5 taken away, 4 given; the count raised and rounding on.
    workspace::findIngredient(ws, 3)->minimoSiSeUsa = 40;
    workspace::findIngredient(ws, 5)->minimoSiSeUsa.reset();
    workspace::findIngredient(ws, 4)->minimoSiSeUsa = 12.5;
    ws.maxIngredientes = 3;
    ws.redondear = true;
    // Besides the header, the counter, the rows, the probabilities, the limits and the broken
    // limits (16): the minimum-if-used rows read, 3 updated, 4 inserted, 5 and 6 deleted; the
    // options read and updated. One further the fault falls on the reload.
    const auto state = [&] { return storedState(db) + workspaceState(ws); };
    EXPECT_EQ(failAtEveryStatement(db, state,
                                   [&] {
                                       messages.clear();
                                       return save(ws, db, fx.headerUpdate()).outcome ==
                                              SaveResult::Saved;
                                   }),
              23);
    messages.clear();
    loadShown(ws, db);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(ws.maxIngredientes, 3);
    EXPECT_TRUE(ws.redondear);
    EXPECT_EQ(workspace::findIngredient(ws, 3)->minimoSiSeUsa, 40.0);
    EXPECT_EQ(workspace::findIngredient(ws, 4)->minimoSiSeUsa, 12.5);
    EXPECT_FALSE(workspace::findIngredient(ws, 5)->minimoSiSeUsa);
    EXPECT_EQ(keys(db, "formula_uso_minimo", "id_producto", fx.f), (std::vector<int>{3, 4}));
    EXPECT_EQ(keys(db, "formula_uso_minimo", "id_producto", fx.g), (std::vector<int>{4}));

    // Without a count and without rounding the formula keeps no options row at all.
    ws.maxIngredientes.reset();
    ws.redondear = false;
    ASSERT_EQ(save(ws, db, fx.headerUpdate()).outcome, SaveResult::Saved);
    EXPECT_TRUE(keys(db, "formula_opciones", "id_formula", fx.f).empty());
    loadShown(ws, db);
    EXPECT_FALSE(ws.maxIngredientes);
    EXPECT_FALSE(ws.redondear);

    // A stored value the program cannot use refuses the formula, naming the table (a server's
    // typed columns refuse such a value when it is written).
    if (testsOnServer())
        return;
    db.exec("update formula_uso_minimo set minimo='mucho' where id_formula=" + f +
            " and id_producto=3");
    messages.clear();
    loadShown(ws, db);
    EXPECT_EQ(ws.formulaId, 0);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(messages.texts()[0].contains("formula_uso_minimo"));
}

TEST(FormulaSave, TheLimitsAMixBreaksAreNamedAsTheGridsShowThem) {
    Workspace ws;
    ws.ingredientsDry = false; // ingredient limits judged on the quantities as fed
    ws.nutrients = {{1, "Calcio", 0.9, 1.10, 1.35, {}},
                    {2, "Fósforo", 0.4, 0.6, 0.6049, {}}, // shows 0.60: within
                    {3, "Sodio", 0.15, {}, 0.12, {}},
                    {4, "Lisina", 1.0, {}, {}, {}}}; // not computed yet: not judged
    workspace::FormulaIngredient maize;
    maize.id = 1;
    maize.nombre = "Maíz  ";
    maize.maximo = 500;
    maize.cantidadSeca = 450; // the dry basis is not the one the limits are on
    maize.cantidadHumeda = 520;
    ws.ingredients = {maize};
    EXPECT_EQ(workspace::brokenLimits(ws), (QStringList{"Calcio máximo 1.10, la mezcla 1.35",
                                                        "Sodio mínimo 0.15, la mezcla 0.12",
                                                        "Maíz máximo 500.00, la mezcla 520.00"}));
    ws.ingredientsDry = true;
    EXPECT_EQ(workspace::brokenLimits(ws).size(), 2);

    formulas::FormulaRatio ratio;
    ratio.nombreNumerador = "Calcio";
    ratio.nombreDivisor = "Fósforo";
    ratio.minimo = 1.8;
    ratio.valor = 1.7;
    ws.ratios = {ratio};
    formulas::FormulaGroup cereals;
    cereals.nombre = "Cereales";
    cereals.minimo = 300;
    cereals.maximo = 600;
    cereals.valor = 450;
    ws.groups = {cereals};
    const QStringList broken = workspace::brokenLimits(ws);
    ASSERT_EQ(broken.size(), 3);
    EXPECT_EQ(broken[2], "Calcio / Fósforo mínimo 1.80, la mezcla 1.70");
    ws.groups[0].valor = 620;
    const QStringList four = workspace::brokenLimits(ws);
    ASSERT_EQ(four.size(), 4);
    EXPECT_EQ(four[3], "Cereales máximo 600.00, la mezcla 620.00");
    EXPECT_EQ(workspace::saveBrokenQuestion(four),
              "La mezcla no cumple todos los límites (Calcio máximo 1.10, la mezcla 1.35; Sodio "
              "mínimo 0.15, la mezcla 0.12; Calcio / Fósforo mínimo 1.80, la mezcla 1.70; y 1 "
              "más): ¿grabarla igualmente?");
    EXPECT_TRUE(workspace::brokenLimits(Workspace{}).isEmpty());
    // A formula never formulated has no mix to judge.
    ws.ingredients[0].cantidadSeca = 0.0;
    ws.ingredients[0].cantidadHumeda = 0.0;
    EXPECT_TRUE(workspace::brokenLimits(ws).isEmpty());
}

TEST(FormulaSave, TheProbabilitiesOfTheLimitsAreMergedWithTheRowsOrNotAtAll) {
    Fixture fx;
    auto& db = fx.t.db();
    ScriptedMessages messages;
    const auto probability = [&](int formula, int nutrient, double p) {
        db.exec("insert into formula_propiedad_probabilidad (id_formula,id_propiedad,"
                "probabilidad) values (" +
                QString::number(formula) + "," + QString::number(nutrient) + "," + sql::number(p) +
                ")");
    };
    probability(fx.f, 2, 0.9);
    probability(fx.f, 3, 0.8);
    probability(fx.g, 2, 0.75);
    const auto stored = [&](int formula) {
        QStringList rows;
        db.forEachRow("select id_propiedad,probabilidad from formula_propiedad_probabilidad where "
                      "id_formula=? order by id_propiedad",
                      {formula}, [&](const store::Database::Row& r) {
                          rows << r[0].toString() + "=" + QString::number(r[1].toDouble());
                      });
        return rows;
    };

    Workspace ws;
    ws.formulaId = fx.f;
    loadShown(ws, db);
    ASSERT_EQ(ws.nutrients.size(), 2u);
    EXPECT_EQ(workspace::findNutrient(ws, 2)->probabilidad, 0.9);
    EXPECT_EQ(workspace::findNutrient(ws, 3)->probabilidad, 0.8);

    // One changed, one taken away, one given to a nutrient added.
    workspace::findNutrient(ws, 2)->probabilidad = 0.95;
    workspace::findNutrient(ws, 3)->probabilidad.reset();
    addNutrientRow(ws, 1, 0.5, QVariant(), 0.75);
    workspace::findNutrient(ws, 1)->probabilidad = 0.9999;
    const auto state = [&] { return storedState(db) << stored(fx.f) << stored(fx.g); };
    EXPECT_GT(failAtEveryStatement(db, state,
                                   [&] {
                                       messages.clear();
                                       return save(ws, db, fx.headerUpdate()).outcome ==
                                              SaveResult::Saved;
                                   }),
              0);
    EXPECT_EQ(stored(fx.f), (QStringList{"1=0.9999", "2=0.95"}));
    EXPECT_EQ(stored(fx.g), (QStringList{"2=0.75"})); // another formula's row stays
    messages.clear();
    loadShown(ws, db);
    EXPECT_EQ(workspace::findNutrient(ws, 1)->probabilidad, 0.9999);
    EXPECT_FALSE(workspace::findNutrient(ws, 3)->probabilidad);

    // A new version saved inside a caller's transaction takes them too.
    int version = 0;
    int copy = 0;
    {
        store::Database::Transaction tx(db);
        copy = workspace::saveNewVersion(db, ws, fx.f, &version);
        tx.commit();
    }
    EXPECT_EQ(stored(copy), (QStringList{"1=0.9999", "2=0.95"}));
}
