#include "book/worklist.h"
#include "book/workspace_bridge.h"
#include "catalog/ingredients.h"
#include "catalog/price_history.h"
#include "formulas/formula_search.h"
#include "optimizer/sample_formulas.h"
#include "plans/plan_run.h"
#include "plans/plan_store.h"
#include "plans/plan_texts.h"
#include "store/database.h"
#include "support/fault_sweep.h"
#include "support/temp_database.h"
#include "workspace/formula_loader.h"
#include "workspace/formula_save.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

int count(store::Database& db, const QString& sql) {
    return db.query(sql).valueAt(0, 0).toInt();
}

QString snapshot(store::Database& db) {
    return queryRows(
        db, {"select * from planes order by id_plan", "select * from plan_formula order by 1,2",
             "select * from plan_producto order by 1,2", "select * from formulas order by 1",
             "select id_formula,id_producto,porcentaje_humeda from formula_producto order by 1,2"});
}

// The fault sweep of fault_sweep.h over this file's tables.
template <class Write> int failAtEveryStatement(store::Database& db, Write write) {
    return ::failAtEveryStatement(
        db, [&] { return snapshot(db); }, write);
}

plans::StoredPlan samplePlan(store::Database& db) {
    const std::optional<int> id = plans::findPlan(db, "Semana de ejemplo");
    EXPECT_TRUE(id.has_value());
    return *plans::loadPlan(db, id.value_or(0));
}

const plans::PlannedStock& stockNamed(const plans::PlanRun& run, const QString& prefix) {
    for (const plans::PlannedStock& s : run.stock)
        if (s.nombre.startsWith(prefix))
            return s;
    throw std::runtime_error("no such stock row");
}

} // namespace

TEST(PlanStore, PlansTheirFormulasAndStockAreWrittenReadAndDeletedWhole) {
    TempDatabase t(true);
    store::Database& db = t.db();
    EXPECT_FALSE(plans::createPlan(db, "Semana de ejemplo").has_value()); // the sample's name
    const int id = *plans::createPlan(db, "Febrero");
    EXPECT_EQ(id, 2);
    plans::setPlanFormula(db, id, 2, 500);
    plans::setPlanFormula(db, id, 1, 100);
    plans::setPlanFormula(db, id, 1, 300); // the pair stays unique: the quantity changes
    plans::setPlanStock(db, id, {1, "Maíz", 900.0, std::nullopt});
    plans::setPlanStock(db, id, {6, "Sorgo", std::nullopt, 50.0});
    plans::setPlanStock(db, id, {6, "Sorgo", std::nullopt, std::nullopt}); // no bound: no row
    const plans::StoredPlan plan = *plans::loadPlan(db, id);
    EXPECT_EQ(plan.header.nombre, "Febrero");
    ASSERT_EQ(plan.formulas.size(), 2u);
    EXPECT_EQ(plan.formulas[1].codigo, "PONEDORA"); // by code
    EXPECT_EQ(plan.formulas[0].cantidad, 300);
    ASSERT_EQ(plan.stock.size(), 1u);
    EXPECT_EQ(plan.stock[0].disponible, 900.0);
    EXPECT_FALSE(plan.stock[0].minimoUso.has_value());
    EXPECT_EQ(plans::listPlans(db).size(), 2u);

    // Deleting a formula or an ingredient takes the plan rows that name it.
    formulas::deleteFormula(db, 2);
    catalog::deleteIngredient(db, 1);
    EXPECT_EQ(count(db, "select count(*) from plan_formula where id_formula=2"), 0);
    EXPECT_EQ(count(db, "select count(*) from plan_producto where id_producto=1"), 0);

    EXPECT_EQ(failAtEveryStatement(db, [&] { plans::deletePlan(db, id); }), 3);
    EXPECT_FALSE(plans::loadPlan(db, id).has_value());
    EXPECT_EQ(count(db, "select count(*) from plan_formula where id_plan=" + QString::number(id)),
              0);

    EXPECT_FALSE(plans::checkQuantity(0).isEmpty());
    EXPECT_TRUE(plans::checkQuantity(10).isEmpty());
    EXPECT_EQ(plans::checkStock({1, "Maíz", 10.0, 20.0}),
              "El uso mínimo de Maíz supera lo disponible");
    EXPECT_FALSE(plans::checkStock({1, "Maíz", -1.0, std::nullopt}).isEmpty());
}

TEST(PlanRun, TheSamplePlanSharesItsShortGrainsAtACostAboveEachFormulaAlone) {
    TempDatabase t(true);
    store::Database& db = t.db();
    optimizer::formulateSampleFormulas(db);
    plans::StoredPlan plan = samplePlan(db);
    const plans::PlanRun run = plans::formulatePlan(db, plan);
    ASSERT_EQ(run.outcome, plans::PlanRunOutcome::Optimum) << run.mensaje.toStdString();
    ASSERT_EQ(run.formulas.size(), 4u);
    double alone = 0;
    for (const plans::PlannedFormula& f : run.formulas) {
        ASSERT_TRUE(f.costoSolo.has_value());
        // No formula gets cheaper by sharing; the workspace holds the planned mix.
        EXPECT_GE(f.costoUnitarioHumeda, *f.costoSolo * (1 - 1e-9)) << f.row.codigo.toStdString();
        EXPECT_NEAR(f.ws->vCostoHumeda, f.costoUnitarioHumeda, 1e-9);
        double share = 0, asFed = 0;
        for (const plans::PlannedIngredient& i : f.ingredientes) {
            share += i.porcentajeHumeda;
            asFed += i.cantidadHumeda;
        }
        EXPECT_NEAR(share, 1, 1e-7);
        // Cost as fed: the planned quantity as fed times the cost per unit as fed.
        alone += asFed * f.costoUnitarioHumeda;
    }
    EXPECT_NEAR(run.costoTotal, alone, 1e-6 * run.costoTotal);
    const plans::PlannedStock& maize = stockNamed(run, "Maíz");
    const plans::PlannedStock& sorghum = stockNamed(run, "Sorgo");
    EXPECT_NEAR(maize.usado, *maize.disponible, 1e-6);
    EXPECT_NEAR(sorghum.usado, *sorghum.disponible, 1e-6);
    EXPECT_GT(maize.valorMarginal, 0);
    EXPECT_GT(sorghum.valorMarginal, 0);

    // With the silos unbounded every formula costs what it costs alone.
    plan.stock.clear();
    const plans::PlanRun free = plans::formulatePlan(db, plan);
    ASSERT_EQ(free.outcome, plans::PlanRunOutcome::Optimum);
    for (const plans::PlannedFormula& f : free.formulas)
        EXPECT_NEAR(f.costoUnitarioHumeda, *f.costoSolo, 1e-9);
    EXPECT_LT(free.costoTotal, run.costoTotal);

    // One more unit of maize saves about its marginal value.
    plan = samplePlan(db);
    for (plans::PlanStockRow& s : plan.stock)
        if (s.nombre.startsWith("Maíz"))
            *s.disponible += 1;
    const plans::PlanRun more = plans::formulatePlan(db, plan);
    EXPECT_NEAR(run.costoTotal - more.costoTotal, maize.valorMarginal, 1e-6);
}

TEST(PlanRun, ConflictsAndMistakesAreNamed) {
    TempDatabase t(true);
    store::Database& db = t.db();
    plans::StoredPlan plan = samplePlan(db);
    for (plans::PlanStockRow& s : plan.stock)
        if (s.nombre.startsWith("Maíz"))
            s.minimoUso = *s.disponible; // use all the maize ...
    plan.stock.push_back({6, "Sorgo grano bajo tanino", std::nullopt, std::nullopt});
    for (plans::PlanStockRow& s : plan.stock)
        if (s.nombre.startsWith("Sorgo"))
            s.disponible = 0.0; // ... and no sorghum: fine
    const int premix = count(db, "select id_producto from productos where trim(codigo)='PREMEZ'");
    // Every formula needs its premix: 100 kg cannot make them all.
    plan.stock.push_back({premix, "Premezcla vitamínico-mineral", 100.0, std::nullopt});
    const plans::PlanRun run = plans::formulatePlan(db, plan);
    ASSERT_EQ(run.outcome, plans::PlanRunOutcome::Infeasible) << run.mensaje.toStdString();
    ASSERT_EQ(run.conflicto.size(), 1u);
    const plans::PlanConflictRow& c = run.conflicto[0];
    EXPECT_EQ(c.nombre, "Premezcla vitamínico-mineral");
    EXPECT_EQ(c.tipo, "disponible");
    EXPECT_EQ(c.limite, "maximo");
    EXPECT_EQ(c.valor, 100);
    ASSERT_TRUE(c.relajacion.has_value());
    EXPECT_GT(*c.relajacion, 400.0);
    ASSERT_TRUE(c.costo.has_value());
    // At the relaxation the plan holds again, at the cost the conflict reports.
    plan.stock.back().disponible = *c.relajacion + 1e-6;
    const plans::PlanRun relaxed = plans::formulatePlan(db, plan);
    ASSERT_EQ(relaxed.outcome, plans::PlanRunOutcome::Optimum);
    EXPECT_NEAR(relaxed.costoTotal, *c.costo, 1e-6 * *c.costo);

    plan = samplePlan(db);
    plan.formulas[0].cantidad = 0;
    EXPECT_EQ(plans::formulatePlan(db, plan).outcome, plans::PlanRunOutcome::Invalid);
    plan.formulas.clear();
    const plans::PlanRun empty = plans::formulatePlan(db, plan);
    EXPECT_EQ(empty.outcome, plans::PlanRunOutcome::Invalid);
    EXPECT_EQ(empty.mensaje, "El plan Semana de ejemplo no tiene fórmulas");

    // A formula whose count of ingredients no mix meets: the plan has none the mill can weigh,
    // and says which formula and why.
    plan = samplePlan(db);
    ASSERT_EQ(plans::formulatePlan(db, plan).outcome, plans::PlanRunOutcome::Optimum);
    const int second = plan.formulas[1].idFormula;
    db.exec("insert into formula_opciones (id_formula,max_ingredientes,redondear) values (" +
            QString::number(second) + ",3,0)");
    const plans::PlanRun weighed = plans::formulatePlan(db, plan, plans::PlanPrices::Stored);
    EXPECT_EQ(weighed.outcome, plans::PlanRunOutcome::Infeasible);
    EXPECT_TRUE(weighed.mensaje.startsWith("No hay plan que la planta pueda pesar: Fórmula " +
                                           plan.formulas[1].codigo.trimmed()))
        << weighed.mensaje.toStdString();
    EXPECT_TRUE(weighed.mensaje.contains("3 ingredientes"));
    EXPECT_TRUE(weighed.conflicto.empty());
    ASSERT_TRUE(weighed.entero.has_value());
    EXPECT_TRUE(weighed.entero->probado);
    EXPECT_TRUE(plans::outcomeSummary(weighed).startsWith("Plan sin mezcla: No hay plan"));
}

TEST(PlanRun, AStockBoundOfAFixedIngredientIsRelaxedToTheAmountTheFormulasFix) {
    TempDatabase t(true);
    store::Database& db = t.db();
    plans::StoredPlan plan = samplePlan(db);
    // The starter alone: its premix is fixed at 5 kg a batch of 1000, so 20000 kg take 100 kg.
    std::erase_if(plan.formulas, [](const plans::PlanFormulaRow& f) {
        return f.codigo.trimmed() != QLatin1String("POLLO-INI");
    });
    ASSERT_EQ(plan.formulas.size(), 1u);
    plan.stock.clear();
    const int premix = count(db, "select id_producto from productos where trim(codigo)='PREMEZ'");
    plan.stock.push_back({premix, "Premezcla vitamínico-mineral", 50.0, std::nullopt});
    const plans::PlanRun tooLittle = plans::formulatePlan(db, plan);
    ASSERT_EQ(tooLittle.outcome, plans::PlanRunOutcome::Infeasible);
    ASSERT_EQ(tooLittle.conflicto.size(), 1u);
    ASSERT_TRUE(tooLittle.conflicto[0].relajacion.has_value());
    EXPECT_NEAR(*tooLittle.conflicto[0].relajacion, 100, 1e-9);
    EXPECT_TRUE(plans::outcomeMessage(tooLittle).endsWith(
        "Disponible de Premezcla vitamínico-mineral: 50.00 kg (se cumple "
        "con 100.00 kg)"))
        << plans::outcomeMessage(tooLittle).toStdString();

    plan.stock.back().disponible.reset();
    plan.stock.back().minimoUso = 200.0;
    const plans::PlanRun tooMuch = plans::formulatePlan(db, plan);
    ASSERT_EQ(tooMuch.conflicto.size(), 1u);
    ASSERT_TRUE(tooMuch.conflicto[0].relajacion.has_value());
    EXPECT_NEAR(*tooMuch.conflicto[0].relajacion, 100, 1e-9);

    // Either bound at the figure named holds.
    plan.stock.back().minimoUso = *tooMuch.conflicto[0].relajacion;
    EXPECT_EQ(plans::formulatePlan(db, plan).outcome, plans::PlanRunOutcome::Optimum);
    plan.stock.back().minimoUso.reset();
    plan.stock.back().disponible = *tooLittle.conflicto[0].relajacion;
    EXPECT_EQ(plans::formulatePlan(db, plan).outcome, plans::PlanRunOutcome::Optimum);
}

namespace {

// The formula's quantities on its ingredient basis, by ingredient id, as its saved version loads.
std::map<int, double> savedQuantities(store::Database& db, int idFormula) {
    const workspace::LoadedFormula loaded = workspace::loadFormula(db, idFormula);
    EXPECT_FALSE(loaded.refusal.has_value());
    std::map<int, double> out;
    for (const workspace::FormulaIngredient& i : loaded.ws.ingredients)
        out[i.id] = (loaded.ws.ingredientsDry ? i.cantidadSeca : i.cantidadHumeda).value_or(0);
    return out;
}

} // namespace

TEST(PlanRun, WeighedFormulasKeepTheirConditionsInThePlanAndInTheSavedVersions) {
    TempDatabase t(true);
    store::Database& db = t.db();
    plans::StoredPlan plan = samplePlan(db);
    const plans::PlanRun free = plans::formulatePlan(db, plan, plans::PlanPrices::Stored);
    ASSERT_EQ(free.outcome, plans::PlanRunOutcome::Optimum) << free.mensaje.toStdString();
    EXPECT_FALSE(free.entero.has_value());
    ASSERT_FALSE(plan.stock.empty());

    // The first formula weighs its larger ingredients in steps of 5 kg and takes its least one
    // either not at all or at twice what the continuous plan gives it.
    const int id = plan.formulas[0].idFormula;
    const workspace::LoadedFormula loaded = workspace::loadFormula(db, id);
    const double batch = loaded.ws.batchQuantity;
    const plans::PlannedFormula& planned = free.formulas[0];
    const plans::PlannedIngredient& least = planned.ingredientes.back();
    const double least_kg = least.porcentajeHumeda * batch;
    const double minimum = std::ceil(2 * least_kg);
    db.exec(QString("insert into formula_uso_minimo (id_formula,id_producto,minimo) values "
                    "(%1,%2,%3)")
                .arg(id)
                .arg(least.idProducto)
                .arg(minimum));
    db.exec(QString("insert into formula_opciones (id_formula,max_ingredientes,redondear) values "
                    "(%1,null,1)")
                .arg(id));
    std::vector<int> stepped;
    for (const plans::PlannedIngredient& i : planned.ingredientes)
        if (i.porcentajeHumeda * batch > 50) {
            db.exec(QString("insert into producto_pesada (id_producto,paso) values (%1,5)")
                        .arg(i.idProducto));
            stepped.push_back(i.idProducto);
        }
    ASSERT_GE(stepped.size(), 2u);

    const plans::PlanRun run = plans::formulatePlan(db, plan, plans::PlanPrices::Stored);
    ASSERT_EQ(run.outcome, plans::PlanRunOutcome::Optimum) << run.mensaje.toStdString();
    ASSERT_TRUE(run.entero.has_value());
    EXPECT_TRUE(run.entero->probado);
    EXPECT_EQ(plans::searchText(run), "");
    EXPECT_NEAR(run.entero->costoContinuo, free.costoTotal, 1e-9 * free.costoTotal);
    EXPECT_GE(run.costoTotal, free.costoTotal * (1 - 1e-12));
    // The stock links stay as bound as before.
    for (const plans::PlannedStock& s : run.stock) {
        if (s.disponible) {
            EXPECT_LE(s.usado, *s.disponible + 1e-6) << s.nombre.toStdString();
        }
        if (s.minimoUso) {
            EXPECT_GE(s.usado, *s.minimoUso - 1e-6) << s.nombre.toStdString();
        }
    }

    const std::vector<int> ids = plans::savePlan(db, run);
    ASSERT_EQ(ids.size(), plan.formulas.size());
    const std::map<int, double> saved = savedQuantities(db, ids[0]);
    const double minUse = saved.at(least.idProducto);
    EXPECT_TRUE(minUse < 1e-9 || minUse >= minimum - 1e-6) << minUse;
    for (int product : stepped) {
        const double q = saved.at(product);
        EXPECT_NEAR(q / 5, std::round(q / 5), 1e-6) << product << " " << q;
    }
    // The new version keeps the conditions as its own.
    EXPECT_EQ(
        count(db,
              QString("select count(*) from formula_uso_minimo where id_formula=%1").arg(ids[0])),
        1);

    // A node limit of 1 stops the search before its proof: the plan found is shown with its gap.
    const plans::PlanRun stopped =
        plans::formulatePlan(db, plan, plans::PlanPrices::Stored, lp::IntegerLimits{1, 0});
    ASSERT_EQ(stopped.outcome, plans::PlanRunOutcome::Optimum) << stopped.mensaje.toStdString();
    ASSERT_TRUE(stopped.entero.has_value());
    EXPECT_FALSE(stopped.entero->probado);
    EXPECT_EQ(stopped.entero->nodos, 1);
    EXPECT_GE(stopped.costoTotal, run.costoTotal * (1 - 1e-9));
    EXPECT_TRUE(plans::searchText(stopped).contains("encontrado en 1 nodo, pero"))
        << plans::searchText(stopped).toStdString();
    EXPECT_TRUE(plans::searchText(stopped).startsWith("La búsqueda se detuvo: brecha "))
        << plans::searchText(stopped).toStdString();
    EXPECT_EQ(plans::outcomeSummary(stopped), plans::searchText(stopped));
}

TEST(PlanRun, TheSaveStoresEveryPlannedMixAsANewVersionOrNothing) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const plans::PlanRun run = plans::formulatePlan(db, samplePlan(db));
    ASSERT_EQ(run.outcome, plans::PlanRunOutcome::Optimum) << run.mensaje.toStdString();
    const int before = count(db, "select count(*) from formulas");
    std::vector<int> ids;
    const int statements = failAtEveryStatement(db, [&] { ids = plans::savePlan(db, run); });
    EXPECT_GT(statements, 4);
    ASSERT_EQ(ids.size(), 4u);
    EXPECT_EQ(count(db, "select count(*) from formulas"), before + 4);
    for (std::size_t f = 0; f < ids.size(); ++f) {
        const plans::PlannedFormula& pf = run.formulas[f];
        for (const plans::PlannedIngredient& i : pf.ingredientes) {
            store::RecordSet rs = db.query(
                QString("select porcentaje_humeda from formula_producto where id_formula=%1 and "
                        "id_producto=%2")
                    .arg(ids[f])
                    .arg(i.idProducto));
            ASSERT_EQ(rs.count(), 1);
            EXPECT_NEAR(rs.valueAt(0, 0).toDouble(), i.porcentajeHumeda, 1e-9);
        }
    }
}

namespace {

// The cost per unit the worklist gives the highest version of the code, re-formulated today.
double worklistCost(store::Database& db, const QString& code) {
    const std::vector<book::ChosenFormula> chosen =
        book::chooseFormulas(db, {formulas::FormulaFilter{}, {code}, true});
    EXPECT_EQ(chosen.size(), 1u);
    return book::reformulate(db, chosen.at(0)).row.costoNuevo.value_or(-1);
}

} // namespace

TEST(PlanRun, TheHighestVersionsAtTodaysPricesByDefaultAndTheStoredOnesWhenAsked) {
    TempDatabase t(true);
    store::Database& db = t.db();
    optimizer::formulateSampleFormulas(db);
    const plans::StoredPlan plan = samplePlan(db);
    const plans::PlanRun old = plans::formulatePlan(db, plan, plans::PlanPrices::Stored);
    ASSERT_EQ(old.outcome, plans::PlanRunOutcome::Optimum) << old.mensaje.toStdString();

    // Maize goes up and the first formula is re-formulated and saved as a new version.
    const int maize = count(db, "select id_producto from productos where trim(codigo)='MAIZ'");
    {
        store::Database::Transaction tx(db);
        db.exec("update productos set costo=costo*1.3 where id_producto=" + QString::number(maize));
        catalog::recordPrice(db, maize, *catalog::storedPrice(db, maize),
                             catalog::kOrigenListaPrecios);
        tx.commit();
    }
    const QString first = plan.formulas[0].codigo;
    const std::vector<book::ChosenFormula> chosen =
        book::chooseFormulas(db, {formulas::FormulaFilter{}, {first}, true});
    const book::Reformulated again = book::reformulate(db, chosen.at(0));
    ASSERT_TRUE(again.ws);
    int version = 0;
    const int newest = workspace::saveNewVersion(db, *again.ws, chosen[0].idFormula, &version);

    const plans::PlanRun today = plans::formulatePlan(db, plan);
    ASSERT_EQ(today.outcome, plans::PlanRunOutcome::Optimum) << today.mensaje.toStdString();
    EXPECT_EQ(today.precios, plans::PlanPrices::Current);
    ASSERT_EQ(today.formulas.size(), plan.formulas.size());
    EXPECT_EQ(today.formulas[0].row.idFormula, newest);
    EXPECT_EQ(today.formulas[0].row.version, QString::number(version));
    for (std::size_t f = 0; f < today.formulas.size(); ++f) {
        const plans::PlannedFormula& pf = today.formulas[f];
        SCOPED_TRACE(pf.row.codigo.toStdString());
        EXPECT_EQ(pf.versionPlan, plan.formulas[f].version);
        ASSERT_TRUE(pf.costoSolo.has_value());
        EXPECT_NEAR(*pf.costoSolo, worklistCost(db, pf.row.codigo), 1e-9);
        EXPECT_GE(*pf.costoSolo, *old.formulas[f].costoSolo * (1 - 1e-9)); // maize is dearer
        EXPECT_EQ(plans::pricesText(pf, today.precios),
                  "actuales al " + QDate::currentDate().toString("dd/MM/yyyy"));
    }
    EXPECT_GT(today.costoTotal, old.costoTotal);

    const plans::PlanRun stored = plans::formulatePlan(db, plan, plans::PlanPrices::Stored);
    ASSERT_EQ(stored.outcome, plans::PlanRunOutcome::Optimum) << stored.mensaje.toStdString();
    EXPECT_EQ(stored.precios, plans::PlanPrices::Stored);
    EXPECT_EQ(stored.formulas[0].row.idFormula, plan.formulas[0].idFormula);
    EXPECT_EQ(stored.formulas[0].row.version, plan.formulas[0].version);
    for (std::size_t f = 0; f < stored.formulas.size(); ++f)
        EXPECT_DOUBLE_EQ(*stored.formulas[f].costoSolo, *old.formulas[f].costoSolo);
    EXPECT_DOUBLE_EQ(stored.costoTotal, old.costoTotal);
    EXPECT_TRUE(plans::pricesText(stored.formulas[0], stored.precios).startsWith("guardados el "));
    EXPECT_EQ(plans::pricesName(stored.precios), "guardados");
}

TEST(PlanTexts, AmountsAsTypedAndTheConflictInWords) {
    EXPECT_EQ(plans::parseAmount("1.5").value, 1.5);
    EXPECT_FALSE(plans::parseAmount("1,5").ok); // numbers are written with a point
    EXPECT_TRUE(plans::parseAmount(" ").ok);
    EXPECT_FALSE(plans::parseAmount(" ").value.has_value());
    EXPECT_FALSE(plans::parseAmount("-1").ok);
    EXPECT_FALSE(plans::parseAmount("mucho").ok);

    plans::PlanRun run;
    run.outcome = plans::PlanRunOutcome::Infeasible;
    run.mensaje = "No es posible cumplir todas las restricciones del plan";
    run.conflicto.push_back({"disponible", {}, "Maíz", "maximo", 100, 250.0, 18000.0});
    run.conflicto.push_back({"nutriente", "PONEDORA versión 1", "Calcio", "minimo", 3.5, {}, {}});
    EXPECT_EQ(plans::outcomeMessage(run),
              "No es posible cumplir todas las restricciones del plan\n"
              "Disponible de Maíz: 100.00 kg (se cumple con 250.00 kg)\n"
              "Mínimo para Calcio en PONEDORA versión 1: 3.500");
    EXPECT_TRUE(plans::totalText(run).isEmpty());
    EXPECT_EQ(plans::savedPlanMessage(1), "Se grabó 1 versión nueva de la fórmula del plan");
    EXPECT_EQ(plans::savedPlanMessage(4),
              "Se grabaron 4 versiones nuevas de las fórmulas del plan");
    // What stays in the window names the conflict briefly: its first three limits.
    EXPECT_EQ(plans::outcomeSummary(run),
              "Plan sin mezcla: No es posible cumplir todas las restricciones del plan. En "
              "conflicto: Disponible de Maíz, Mínimo para Calcio en PONEDORA versión 1");
    run.conflicto.push_back({"minimo_uso", {}, "Soya", "minimo", 5, {}, {}});
    run.conflicto.push_back({"nutriente", "PONEDORA versión 1", "Fósforo", "maximo", 1, {}, {}});
    run.conflicto.push_back({"nutriente", "PONEDORA versión 1", "Sodio", "maximo", 1, {}, {}});
    EXPECT_TRUE(plans::outcomeSummary(run).endsWith(", Uso mínimo de Soya y 2 más"))
        << plans::outcomeSummary(run).toStdString();
    run.outcome = plans::PlanRunOutcome::Invalid;
    run.conflicto.clear();
    run.mensaje = "El plan Marzo no tiene fórmulas";
    EXPECT_EQ(plans::outcomeSummary(run), "Plan sin mezcla: El plan Marzo no tiene fórmulas");
    EXPECT_EQ(plans::outcomeSummary(plans::PlanRun{}), ""); // not formulated yet

    plans::PlannedFormula f;
    f.costoUnitarioHumeda = 0.2154;
    EXPECT_EQ(plans::changeText(f), ""); // nothing alone to compare with
    f.costoSolo = 0.2149;
    EXPECT_EQ(plans::changeText(f), "+0.23%");
    f.costoSolo = 0.2156;
    EXPECT_EQ(plans::changeText(f), "-0.09%");
    f.costoSolo = 0.21540001;
    EXPECT_EQ(plans::changeText(f), "0.00%");
    f.costoSolo = 0.0;
    EXPECT_EQ(plans::changeText(f), "");

    // The total: its cost and the kilograms as fed of every mix. A dry-basis formula of 880 kg
    // of dry matter makes 1000 kg as fed.
    plans::PlanRun made;
    made.outcome = plans::PlanRunOutcome::Optimum;
    made.costoTotal = 431.2561;
    plans::PlannedFormula dry;
    dry.row.cantidad = 880;
    dry.ingredientes = {{1, "Maíz", 0.6, 600}, {2, "Soya", 0.4, 400}};
    plans::PlannedFormula wet;
    wet.row.cantidad = 500;
    wet.ingredientes = {{1, "Maíz", 1, 500}};
    made.formulas = {dry, wet};
    EXPECT_EQ(plans::totalText(made), "Costo total del plan: $ 431.26 por 1500.00 kg tal cual");
}
