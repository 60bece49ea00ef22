#include "support/blend_database.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/basis_rule.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QHash>
#include <algorithm>
#include <gtest/gtest.h>

using namespace blenddb;
using workspace::Workspace;

TEST(FormulaLoader, EmptyWorkspaceStartsDryWithNoRows) {
    TempDatabase t(true);
    const workspace::LoadedFormula loaded = workspace::loadFormula(t.db(), 0);
    EXPECT_FALSE(loaded.refusal);
    EXPECT_FALSE(loaded.header.found);
    EXPECT_TRUE(loaded.header.cantidad.isEmpty());
    EXPECT_TRUE(loaded.ws.ingredientsDry);
    EXPECT_TRUE(loaded.ws.nutrientsDry);
    EXPECT_EQ(int(loaded.ws.ingredients.size()), 0);
    EXPECT_EQ(int(loaded.ws.nutrients.size()), 0);
    EXPECT_EQ(int(loaded.ws.analysisRows.size()), 0);

    // The window's workspace takes a load, keeping the analysis of its last formulation.
    Workspace ws;
    ws.ingredients.push_back({});
    ws.analysisRows.push_back({QStringLiteral("IA"), QStringLiteral("Maíz"), 1, 2, 3});
    workspace::adoptLoaded(ws, loaded.ws, 12);
    EXPECT_EQ(ws.formulaId, 12);
    EXPECT_EQ(int(ws.ingredients.size()), 0);
    EXPECT_EQ(int(ws.analysisRows.size()), 1);
}

TEST(FormulaLoader, LoadsHeaderBasesLimitsAndIngredients) {
    TempDatabase t;
    auto& db = t.db();
    const int maiz = addIngredient(db, "Maíz", 0.2, 88);
    const int soja = addIngredient(db, "Soja", 0.4, 90);
    const int seco = addIngredient(db, "Sin materia seca", 0.1, 50);
    const int prot = addNutrient(db, "Proteína");
    const int ca = addNutrient(db, "Calcio");
    setComposition(db, maiz, prot, 10);
    setComposition(db, soja, prot, 50);
    // Stored dry quantities with wet nutrients come up as wet and wet.
    const int f = addFormula(db, "F1", 999.5, 0, 1, 3);
    addFormulaIngredient(db, f, maiz, 100, std::nullopt, 0.25, 87, 0.8); // stored price differs
    addFormulaIngredient(db, f, soja, std::nullopt, 400, 0.4, 90, 0.2);
    addFormulaIngredient(db, f, seco, std::nullopt, std::nullopt, 0.1, 0, 0);
    addFormulaNutrient(db, f, prot, 15, std::nullopt, 99);
    addFormulaNutrient(db, f, ca, std::nullopt, 2);

    ScriptedMessages messages; // the load shows nothing
    workspace::LoadedFormula loaded = workspace::loadFormula(db, f);
    ASSERT_FALSE(loaded.refusal);
    const Workspace& ws = loaded.ws;
    const workspace::FormulaHeader& header = loaded.header;
    ASSERT_TRUE(header.found);
    EXPECT_EQ(ws.formulaId, 0); // the caller's to set
    EXPECT_EQ(header.codigo, "F1");
    EXPECT_EQ(header.version, "3");
    EXPECT_EQ(header.fechaCreacion, "01/02/2009");
    EXPECT_EQ(header.fechaModificacion, "");
    EXPECT_EQ(ws.batchQuantity, 1000); // 999.5 rounds to the even whole number
    EXPECT_FALSE(ws.ingredientsDry);
    EXPECT_FALSE(ws.nutrientsDry);
    EXPECT_EQ(workspace::nutrientTabCaption(ws), "Base Húmeda");

    ASSERT_EQ(loaded.notices.size(), 1u);
    EXPECT_EQ(loaded.notices[0].text,
              "El Ingrediente no posee materia seca definida\n\nEl ingrediente Sin "
              "materia seca no se ha ingresado a la Fórmula");
    EXPECT_EQ(loaded.notices[0].kind, 16);
    ASSERT_EQ(int(ws.ingredients.size()), 2);
    const workspace::FormulaIngredient& p = ws.ingredients[0]; // largest as-fed share first
    EXPECT_EQ(p.id, maiz);
    EXPECT_DOUBLE_EQ(p.costoHumeda.value_or(0), 0.25);
    EXPECT_DOUBLE_EQ(p.costoSeca.value_or(0), 0.25 / 0.87);
    EXPECT_DOUBLE_EQ(p.materiaSecaActual.value_or(0), 88);
    EXPECT_DOUBLE_EQ(p.costoHumedaActual.value_or(0), 0.2);
    EXPECT_FALSE(p.maximo.has_value());

    ASSERT_EQ(ws.nutrients.size(), 2u);
    const workspace::FormulaNutrient* n = &ws.nutrients[0]; // by name
    EXPECT_EQ(n->nombre, "Calcio");
    EXPECT_TRUE(!n->minimo);
    EXPECT_TRUE(!n->valorAnterior);
    n = &ws.nutrients[1];
    EXPECT_DOUBLE_EQ(n->valorAnterior.value_or(0), 99);
    // Recomputed from today's catalogue, wet basis with catalogue dry matter.
    EXPECT_NEAR(n->valor.value_or(0), 10 * 0.88 * 0.8 + 50 * 0.9 * 0.2, 1e-12);
    // The quantity box shows the batch total of the loaded mix (none yet).
    EXPECT_EQ(header.cantidad, "0.00");

    EXPECT_TRUE(messages.texts().isEmpty());

    // A missing header is refused, with nothing of the formula left.
    addFormulaNutrient(db, 77, prot, 1, std::nullopt); // a row without its formula
    const workspace::LoadedFormula missing = workspace::loadFormula(db, 77);
    ASSERT_TRUE(missing.refusal);
    EXPECT_EQ(missing.refusal->text, "No se pudo establecer la Fórmula");
    EXPECT_EQ(missing.refusal->kind, 16);
    EXPECT_FALSE(missing.header.found);
    EXPECT_EQ(int(missing.ws.nutrients.size()), 0);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(BasisRule, DryQuantitiesWithWetNutrientsNeverExists) {
    Workspace ws;
    workspace::chooseIngredientBasis(ws, false);
    workspace::chooseNutrientBasis(ws, false);
    EXPECT_EQ(workspace::nutrientTabCaption(ws), "Base Húmeda");
    workspace::chooseIngredientBasis(ws, true); // switches the nutrients to dry
    EXPECT_TRUE(ws.nutrientsDry);
    EXPECT_EQ(workspace::nutrientTabCaption(ws), "Base Seca");
    workspace::chooseNutrientBasis(ws, false); // switches the quantities to wet
    EXPECT_FALSE(ws.ingredientsDry);
    EXPECT_FALSE(ws.nutrientsDry);
    workspace::chooseNutrientBasis(ws, true);
    EXPECT_FALSE(ws.ingredientsDry);
    EXPECT_TRUE(ws.nutrientsDry);
}

TEST(FormulaLoader, QuantityBeyondSixteenBitsIsKeptWhole) {
    TempDatabase t;
    const int f = blenddb::addFormula(t.db(), "GRANDE", 40000.4, 1, 1);
    EXPECT_EQ(workspace::loadFormula(t.db(), f).ws.batchQuantity,
              40000); // not wrapped to a negative 16-bit value
}

namespace {

// Everything a load gives, compared field by field.
void expectSameLoad(const workspace::LoadedFormula& a, const workspace::LoadedFormula& b, int id) {
    SCOPED_TRACE(testing::Message() << "formula " << id);
    ASSERT_EQ(a.refusal.has_value(), b.refusal.has_value());
    if (a.refusal) {
        EXPECT_EQ(a.refusal->text, b.refusal->text);
    }
    ASSERT_EQ(a.notices.size(), b.notices.size());
    for (std::size_t k = 0; k < a.notices.size(); ++k)
        EXPECT_EQ(a.notices[k].text, b.notices[k].text);
    const workspace::FormulaHeader &x = a.header, &y = b.header;
    EXPECT_EQ(x.found, y.found);
    EXPECT_EQ(QStringList({x.producto, x.codigo, x.version, x.fechaCreacion, x.fechaModificacion,
                           x.cantidad}),
              QStringList({y.producto, y.codigo, y.version, y.fechaCreacion, y.fechaModificacion,
                           y.cantidad}));
    ASSERT_EQ(x.figures.has_value(), y.figures.has_value());
    if (x.figures) {
        EXPECT_EQ(QStringList({x.figures->txtMatSeca, x.figures->txtCanS, x.figures->txtPorS,
                               x.figures->txtCanH, x.figures->txtPorH, x.figures->txtCosTot,
                               x.figures->txtCosH, x.figures->txtCosS}),
                  QStringList({y.figures->txtMatSeca, y.figures->txtCanS, y.figures->txtPorS,
                               y.figures->txtCanH, y.figures->txtPorH, y.figures->txtCosTot,
                               y.figures->txtCosH, y.figures->txtCosS}));
    }
    const Workspace &v = a.ws, &w = b.ws;
    EXPECT_EQ(v.ingredientsDry, w.ingredientsDry);
    EXPECT_EQ(v.nutrientsDry, w.nutrientsDry);
    EXPECT_EQ(v.batchQuantity, w.batchQuantity);
    EXPECT_EQ(v.vCostoHumeda, w.vCostoHumeda);
    EXPECT_EQ(v.vMateriaSeca, w.vMateriaSeca);
    EXPECT_EQ(v.vRevision, w.vRevision);
    EXPECT_EQ(v.ratios, w.ratios);
    EXPECT_EQ(v.groups, w.groups);
    EXPECT_EQ(v.maxIngredientes, w.maxIngredientes);
    EXPECT_EQ(v.redondear, w.redondear);
    ASSERT_EQ(v.ingredients.size(), w.ingredients.size());
    for (std::size_t k = 0; k < v.ingredients.size(); ++k) {
        const workspace::FormulaIngredient &p = v.ingredients[k], &q = w.ingredients[k];
        EXPECT_EQ(p.id, q.id);
        EXPECT_EQ(p.nombre, q.nombre);
        EXPECT_EQ(p.materiaSeca, q.materiaSeca);
        for (auto field :
             {&workspace::FormulaIngredient::costoSeca, &workspace::FormulaIngredient::costoHumeda,
              &workspace::FormulaIngredient::minimo, &workspace::FormulaIngredient::maximo,
              &workspace::FormulaIngredient::cantidadSeca,
              &workspace::FormulaIngredient::porcentajeSeca,
              &workspace::FormulaIngredient::cantidadHumeda,
              &workspace::FormulaIngredient::porcentajeHumeda,
              &workspace::FormulaIngredient::costoTotal,
              &workspace::FormulaIngredient::materiaSecaActual,
              &workspace::FormulaIngredient::costoHumedaActual,
              &workspace::FormulaIngredient::minimoSiSeUsa, &workspace::FormulaIngredient::paso})
            EXPECT_EQ(p.*field, q.*field) << p.nombre.toStdString();
    }
    ASSERT_EQ(v.nutrients.size(), w.nutrients.size());
    for (std::size_t k = 0; k < v.nutrients.size(); ++k) {
        const workspace::FormulaNutrient &m = v.nutrients[k], &n = w.nutrients[k];
        EXPECT_EQ(m.id, n.id);
        EXPECT_EQ(m.nombre, n.nombre);
        EXPECT_EQ(m.minimo, n.minimo);
        EXPECT_EQ(m.maximo, n.maximo);
        EXPECT_EQ(m.valor, n.valor);
        EXPECT_EQ(m.valorAnterior, n.valorAnterior);
        EXPECT_EQ(m.unidad, n.unidad);
        EXPECT_EQ(m.probabilidad, n.probabilidad);
    }
}

std::vector<int> idsOf(store::Database& db, const QString& statement) {
    std::vector<int> ids;
    db.forEachRow(statement, {},
                  [&](const store::Database::Row& r) { ids.push_back(int(r[0].toLongLong())); });
    return ids;
}

} // namespace

TEST(FormulaLoader, LoadingTogetherGivesWhatLoadingEachGives) {
    TempDatabase t(true);
    auto& db = t.db();
    const std::vector<int> sample =
        idsOf(db, "select id_formula from formulas order by id_formula");
    ASSERT_GE(sample.size(), 4u);
    // A version of the first with another ingredient left out for lacking dry matter, and a
    // counter that was raised.
    const int seco = addIngredient(db, "Sin materia seca", 0.1, 50);
    const int copy = addFormula(db, "COPIA", 500, 1, 0, 2);
    db.exec("insert into formula_producto (id_formula,id_producto,minimo,maximo,costo,materia_seca,"
            "porcentaje_humeda,porcentaje_seca,cantidad_humeda,cantidad_seca) select " +
            QString::number(copy) +
            ",id_producto,minimo,maximo,costo,materia_seca,porcentaje_humeda,porcentaje_seca,"
            "cantidad_humeda,cantidad_seca from formula_producto where id_formula=" +
            QString::number(sample[0]));
    addFormulaIngredient(db, copy, seco, std::nullopt, std::nullopt, 0.1, 0, 0);
    db.exec("insert into revisiones (tabla,id,revision) values ('formulas'," +
            QString::number(copy) + ",7)");
    // Weighing conditions on the copy and on the second formula, steps for some ingredients.
    db.exec("insert into formula_uso_minimo (id_formula,id_producto,minimo) select " +
            QString::number(copy) +
            ",id_producto,10 from formula_producto where id_formula=" + QString::number(sample[0]));
    db.exec(
        "insert into formula_uso_minimo (id_formula,id_producto,minimo) select " +
        QString::number(sample[1]) +
        ",min(id_producto),3 from formula_producto where id_formula=" + QString::number(sample[1]));
    db.exec("insert into formula_opciones (id_formula,max_ingredientes,redondear) values (" +
            QString::number(copy) + ",4,1)");
    db.exec("insert into formula_opciones (id_formula,max_ingredientes,redondear) values (" +
            QString::number(sample[1]) + ",Null,1)");
    db.exec("insert into producto_pesada (id_producto,paso) select id_producto,5 from "
            "formula_producto where id_formula=" +
            QString::number(sample[0]));

    // The sample plan's formulas share most of their ingredients; some formulas asked twice, an
    // empty workspace and a formula that does not exist among them.
    // Two limits of the second formula hold with a probability.
    db.exec("insert into formula_propiedad_probabilidad (id_formula,id_propiedad,probabilidad) "
            "select id_formula,id_propiedad,0.95 from formula_propiedad where id_formula=" +
            QString::number(sample[1]) + " order by id_propiedad limit 2");
    std::vector<int> asked = idsOf(db, "select id_formula from plan_formula order by id_formula");
    ASSERT_GE(asked.size(), 2u);
    asked.insert(asked.end(), sample.begin(), sample.end());
    asked.insert(asked.end(), {copy, 0, 999, sample[1]});
    const std::vector<workspace::LoadedFormula> together = workspace::loadFormulas(db, asked);
    ASSERT_EQ(together.size(), asked.size());
    for (std::size_t k = 0; k < asked.size(); ++k)
        expectSameLoad(together[k], workspace::loadFormula(db, asked[k]), asked[k]);
    const workspace::LoadedFormula& copied = together[asked.size() - 4];
    EXPECT_EQ(copied.ws.vRevision, 7);
    EXPECT_EQ(copied.notices.size(), 1u);
    EXPECT_EQ(copied.ws.maxIngredientes, 4);
    EXPECT_TRUE(copied.ws.redondear);
    ASSERT_FALSE(copied.ws.ingredients.empty());
    for (const workspace::FormulaIngredient& p : copied.ws.ingredients) {
        EXPECT_EQ(p.minimoSiSeUsa, 10.0);
        EXPECT_EQ(p.paso, 5.0);
    }
    std::size_t ratios = 0, groups = 0; // the sample holds both
    for (const workspace::LoadedFormula& f : together) {
        ratios += f.ws.ratios.size();
        groups += f.ws.groups.size();
    }
    EXPECT_GT(ratios, 0u);
    EXPECT_GT(groups, 0u);
    // Each nutrient comes with the catalogue's unit.
    QHash<QString, QString> units;
    for (const workspace::FormulaNutrient& n : together[0].ws.nutrients)
        units.insert(n.nombre.trimmed(), n.unidad);
    EXPECT_EQ(units.value("Energía metabolizable aves"), "Mcal");
    EXPECT_EQ(units.value("Proteína bruta"), "%");
    EXPECT_TRUE(together[asked.size() - 2].refusal);
    const Workspace& second = together.back().ws;
    EXPECT_EQ(std::count_if(second.nutrients.begin(), second.nutrients.end(),
                            [](const workspace::FormulaNutrient& n) {
                                return n.probabilidad == std::optional<double>(0.95);
                            }),
              2);

    // A value that refuses one formula refuses that one alone, naming its row as alone.
    const int gone = addNutrient(db, "Borrado");
    db.exec("insert into formula_relacion (id_formula,id_propiedad,id_propiedad_divisor,minimo,"
            "maximo,valor) select " +
            QString::number(sample[2]) + "," + QString::number(gone) +
            ",min(id_propiedad),1,2,Null from formula_propiedad where id_formula=" +
            QString::number(sample[2]));
    db.exec("delete from propiedades where id_propiedad=" + QString::number(gone));
    const std::vector<workspace::LoadedFormula> withBad = workspace::loadFormulas(db, sample);
    ASSERT_EQ(withBad.size(), sample.size());
    ASSERT_TRUE(withBad[2].refusal);
    EXPECT_TRUE(withBad[2].refusal->text.contains("formula_relacion"));
    for (std::size_t k = 0; k < sample.size(); ++k)
        expectSameLoad(withBad[k], workspace::loadFormula(db, sample[k]), sample[k]);
    EXPECT_FALSE(withBad[0].refusal);
    EXPECT_FALSE(withBad[3].refusal);
}
