#include "support/blend_database.h"
#include "support/loaded_workspace.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "support/test_server.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

using namespace blenddb;
using workspace::Workspace;

namespace {

// Formula 1: two ingredients and two nutrients, every stored value usable.
struct StoredFormula {
    TempDatabase t;
    int maiz, soja, prot, ca, formula;

    StoredFormula() {
        auto& db = t.db();
        maiz = addIngredient(db, "Maíz", 0.2, 88);
        soja = addIngredient(db, "Soja", 0.4, 90);
        prot = addNutrient(db, "Proteína");
        ca = addNutrient(db, "Calcio");
        setComposition(db, maiz, prot, 10);
        setComposition(db, soja, prot, 50);
        formula = addFormula(db, "F1", 100, 1, 1);
        addFormulaIngredient(db, formula, maiz, 10, std::nullopt, 0.2, 88, 0.5);
        addFormulaIngredient(db, formula, soja, std::nullopt, 60, 0.4, 90, 0.5);
        addFormulaNutrient(db, formula, prot, 15, std::nullopt, 20);
        addFormulaNutrient(db, formula, ca, std::nullopt, 2);
    }

    // Loads the formula and returns the one message shown; the workspace must be left empty.
    QString refusal() {
        ScriptedMessages messages;
        Workspace ws;
        ws.formulaId = formula;
        const auto header = loadShown(ws, t.db());
        EXPECT_FALSE(header.found);
        EXPECT_EQ(int(ws.ingredients.size()), 0);
        EXPECT_EQ(int(ws.nutrients.size()), 0);
        EXPECT_EQ(ws.formulaId, 0); // a save from here cannot replace the stored formula
        EXPECT_EQ(messages.shown().size(), 1u);
        if (messages.shown().empty())
            return {};
        EXPECT_EQ(messages.shown().back().style, 16);
        return messages.shown().back().text;
    }
};

void expectNamed(const QString& message, const QStringList& words) {
    for (const QString& w : words)
        EXPECT_TRUE(message.contains(w))
            << "«" << w.toStdString() << "» not in " << message.toStdString();
}

} // namespace

TEST(StoredValues, AUsableFormulaLoads) {
    StoredFormula f;
    ScriptedMessages messages;
    Workspace ws;
    ws.formulaId = f.formula;
    EXPECT_TRUE(loadShown(ws, f.t.db()).found);
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(int(ws.ingredients.size()), 2);
    EXPECT_EQ(int(ws.nutrients.size()), 2);
}

TEST(StoredValues, ValuesTheProgramCannotUseRefuseTheFormula) {
    if (testsOnServer())
        GTEST_SKIP() << "a server's typed columns refuse such values when they are written";
    {
        StoredFormula f; // a limit stored as text was read as 0
        f.t.db().exec("update formula_propiedad set minimo='15 %' where id_propiedad=" +
                      QString::number(f.prot));
        expectNamed(f.refusal(),
                    {"formula_propiedad", "id_formula=1", "id_propiedad=1", "minimo", "15 %"});
    }
    {
        StoredFormula f; // the basis as text silently meant dry
        f.t.db().exec("update formulas set tipoBase='humeda'");
        expectNamed(f.refusal(), {"formulas", "id_formula=1", "tipoBase", "humeda"});
    }
    {
        StoredFormula f; // an infinite limit gave an optimum with blank figures
        f.t.db().exec("update formula_producto set maximo=9e999 where id_producto=" +
                      QString::number(f.soja));
        expectNamed(f.refusal(), {"formula_producto", "id_producto=2", "maximo", "finito"});
    }
    {
        StoredFormula f; // an id beyond 32 bits was cut and read another nutrient's values
        f.t.db().exec("insert into propiedades (id_propiedad,nombre,unidad) values "
                      "(4294967297,'Fósforo','%')");
        addFormulaNutrient(f.t.db(), f.formula, 0, 1, std::nullopt);
        f.t.db().exec("update formula_propiedad set id_propiedad=4294967297 where id_propiedad=0");
        expectNamed(f.refusal(), {"formula_propiedad", "id_propiedad", "4294967297", "32 bits"});
    }
    {
        StoredFormula f; // a composition stored as text
        f.t.db().exec("update producto_propiedad set valor='mucha' where id_producto=" +
                      QString::number(f.soja));
        expectNamed(f.refusal(),
                    {"producto_propiedad", "id_producto=2", "id_propiedad=1", "valor", "mucha"});
    }
}

TEST(StoredValues, RepeatedFormulaRowsRefuseTheFormula) {
    // A file whose keys were dropped can hold an ingredient twice, which doubled the mix.
    if (testsOnServer())
        GTEST_SKIP() << "the file's own table statements; a server database keeps its keys";
    StoredFormula f;
    auto& db = f.t.db();
    db.exec("create table fp_copia as select * from formula_producto");
    db.exec("drop table formula_producto");
    db.exec("create table formula_producto (id_formula INTEGER, id_producto INTEGER, minimo "
            "DOUBLE, maximo DOUBLE, costo DOUBLE, materia_seca DOUBLE, porcentaje_humeda DOUBLE, "
            "porcentaje_seca DOUBLE, cantidad_humeda DOUBLE, cantidad_seca DOUBLE)");
    db.exec("insert into formula_producto select * from fp_copia");
    db.exec("insert into formula_producto select * from fp_copia where id_producto=" +
            QString::number(f.maiz));
    expectNamed(f.refusal(), {"formula_producto", "dos filas", "id_producto=1"});

    StoredFormula g;
    g.t.db().exec("create table c as select * from formula_propiedad");
    g.t.db().exec("drop table formula_propiedad");
    g.t.db().exec("create table formula_propiedad as select * from c");
    g.t.db().exec("insert into formula_propiedad select * from c where id_propiedad=" +
                  QString::number(g.ca));
    expectNamed(g.refusal(), {"formula_propiedad", "dos filas", "id_propiedad=2"});
}
