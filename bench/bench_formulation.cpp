// A whole formulation as the button runs it, from a database: validation, the reachability
// check, the composition queries, the tableau, the simplex, the sensitivity rows, the write-back
// and the result figures. GLPK's simplex is timed on the same constraints in the same run.

#include "../tests/engine/blend_generator.h"
#include "../tests/engine/glpk_reference.h"

#include "app/messages.h"
#include "optimizer/formulation_run.h"
#include "store/database.h"
#include "store/sql_text.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class Silent : public msg::MessageService {
public:
    int show(const QString&, int, const QString&) override { return msg::Ok; }
};

QString opt(const std::optional<double>& v) {
    return v ? sql::number(*v) : QString("Null");
}

// Writes a generated blend into the database as formula "GEN", with the program's statements.
int storeBlend(store::Database& db, const lp::Blend& b) {
    store::Database::Transaction tx(db);
    std::vector<int> ingredientIds, nutrientIds;
    for (const lp::Ingredient& i : b.ingredients) {
        const int id = db.nextKey("productos", "id_producto");
        db.exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                "values (" +
                QString::number(id) + "," + sql::codeText("G" + QString::number(id)) + "," +
                sql::text(QString::fromStdString(i.nombre)) + ",'Kg'," +
                sql::number(i.costoHumeda) + "," + sql::number(i.materiaSeca) + ")");
        ingredientIds.push_back(id);
    }
    for (const lp::Nutrient& n : b.nutrients) {
        const int id = db.nextKey("propiedades", "id_propiedad");
        db.exec("insert into propiedades (id_propiedad,nombre,unidad) values (" +
                QString::number(id) + "," + sql::text(QString::fromStdString(n.nombre)) + ",'%')");
        nutrientIds.push_back(id);
    }
    for (size_t k = 0; k < b.nutrients.size(); ++k)
        for (size_t j = 0; j < b.ingredients.size(); ++j)
            db.exec("insert into producto_propiedad (id_producto,id_propiedad,valor) values (" +
                    QString::number(ingredientIds[j]) + "," + QString::number(nutrientIds[k]) +
                    "," + sql::number(b.valor[k][j]) + ")");
    const int f = db.nextKey("formulas", "id_formula");
    db.exec("insert into formulas (id_formula,codigo,producto,cantidad,version,fecha_creacion,"
            "fecha_modificacion,tipoBase,tipoBaseNutrientes) values (" +
            QString::number(f) + ",'GEN','Generada'," + sql::number(b.cantidad) + ",0,Null,Null," +
            (b.secaIng ? "0" : "1") + "," + (b.secaNut ? "0" : "1") + ")");
    for (size_t j = 0; j < b.ingredients.size(); ++j) {
        const lp::Ingredient& i = b.ingredients[j];
        db.exec("insert into formula_producto (id_formula,id_producto,minimo,maximo,costo,"
                "materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,cantidad_seca) "
                "values (" +
                QString::number(f) + "," + QString::number(ingredientIds[j]) + "," + opt(i.minimo) +
                "," + opt(i.maximo) + "," + sql::number(i.costoHumeda) + "," +
                sql::number(i.materiaSeca) + ",0,0,0,0)");
    }
    for (size_t k = 0; k < b.nutrients.size(); ++k)
        db.exec("insert into formula_propiedad (id_formula,id_propiedad,minimo,maximo,valor) "
                "values (" +
                QString::number(f) + "," + QString::number(nutrientIds[k]) + "," +
                opt(b.nutrients[k].minimo) + "," + opt(b.nutrients[k].maximo) + ",Null)");
    tx.commit();
    return f;
}

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> db;
    workspace::Workspace ws;

    Fixture() {
        const QString path = dir.filePath("bench.db");
        store::Database::createFile(path, true);
        db = store::Database::openFile(path);
    }
    void load(int formula) {
        ws.formulaId = formula;
        workspace::adoptLoaded(ws, workspace::loadFormula(*db, ws.formulaId).ws, ws.formulaId);
    }
};

Fixture& sample() {
    static Fixture f = [] {
        Fixture x;
        x.load(x.db->query("select id_formula from formulas where codigo='POLLO-INI'")
                   .toInt("id_formula"));
        return x;
    }();
    return f;
}

Fixture& generated() {
    static Fixture f = [] {
        Fixture x;
        lp::generator::Rng rng(20261206);
        lp::generator::Shape shape;
        shape.ingredients = 300;
        shape.nutrients = 150;
        const lp::Blend b = lp::generator::randomBlend(rng, shape);
        x.load(storeBlend(*x.db, b));
        return x;
    }();
    return f;
}

void runFormulation(benchmark::State& state, Fixture& f) {
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    optimizer::FormulationRequest in{1000, f.ws.ingredientsDry, f.ws.nutrientsDry, {}};
    for (auto _ : state) {
        const auto r = optimizer::formulate(f.ws, *f.db, in);
        if (r.outcome != optimizer::RunOutcome::Optimum)
            state.SkipWithError("the formulation did not reach an optimum");
        benchmark::DoNotOptimize(f.ws.vCostoHumeda);
    }
    msg::setService(previous);
}

void runGlpk(benchmark::State& state, Fixture& f) {
    f.ws.batchQuantity = 1000;
    const lp::Blend blend = optimizer::tableauBlend(f.ws, *f.db);
    for (auto _ : state) {
        const auto s = lp::reference::solveWithGlpk(blend);
        if (s.status != lp::reference::Status::Optimum)
            state.SkipWithError("GLPK found no optimum");
        benchmark::DoNotOptimize(s.cost);
    }
}

void BM_FormulationSampleBroiler(benchmark::State& s) {
    runFormulation(s, sample());
}
void BM_GlpkSampleBroiler(benchmark::State& s) {
    runGlpk(s, sample());
}
void BM_FormulationGenerated300x150(benchmark::State& s) {
    runFormulation(s, generated());
}
void BM_GlpkGenerated300x150(benchmark::State& s) {
    runGlpk(s, generated());
}

BENCHMARK(BM_FormulationSampleBroiler)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlpkSampleBroiler)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormulationGenerated300x150)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlpkGenerated300x150)->Unit(benchmark::kMillisecond);

} // namespace
