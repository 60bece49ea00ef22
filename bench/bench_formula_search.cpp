// The formula list's searches over 300 formulas that use a catalogue of 5,000 ingredients and
// 300 nutrients (25 nutrient limits and 20 ingredients each): from the typed filter to the grid's
// content. The composition table is not read by these searches, so it is left empty here.

#include "app/grid_style.h"
#include "formulas/formula_search.h"
#include "store/database.h"
#include "store/sql_text.h"

#include <QDate>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr int kIngredients = 5000;
constexpr int kNutrients = 300;
constexpr int kFormulas = 300;

struct Catalogue {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> db;

    Catalogue() {
        const QString path = dir.filePath("bench.db");
        store::Database::createFile(path, false);
        db = store::Database::openFile(path);
        std::mt19937 random(7);
        store::Database::Transaction tx(*db);
        for (int i = 1; i <= kIngredients; ++i)
            db->exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                     "values (" +
                     QString::number(i) + "," + sql::codeText("I" + QString::number(i)) +
                     ",'Harina de maíz ñandú " + QString::number(i) + "','Kg',0.2,88)");
        for (int n = 1; n <= kNutrients; ++n)
            db->exec("insert into propiedades (id_propiedad,nombre,unidad) values (" +
                     QString::number(n) + ",'Nutriente " + QString::number(n) + "','%')");
        const QDate start(2008, 1, 1);
        for (int f = 1; f <= kFormulas; ++f) {
            const QString date = sql::date(start.addDays(int(random() % 1500)));
            db->exec("insert into formulas (id_formula,codigo,producto,cantidad,version,"
                     "fecha_creacion,fecha_modificacion,tipoBase,tipoBaseNutrientes) values (" +
                     QString::number(f) + ",'F" + QString::number(f) + "','Ración de cría " +
                     QString::number(f) + "',1000,0," + date + "," + date + ",1,1)");
            for (int k = 0; k < 25; ++k)
                db->exec("insert or ignore into formula_propiedad (id_formula,id_propiedad,minimo,"
                         "maximo,valor) values (" +
                         QString::number(f) + "," + QString::number(1 + random() % kNutrients) +
                         ",0,Null," + sql::number(double(random() % 1000) / 10) + ")");
            for (int j = 0; j < 20; ++j)
                db->exec("insert or ignore into formula_producto (id_formula,id_producto,minimo,"
                         "maximo) values (" +
                         QString::number(f) + "," + QString::number(1 + random() % kIngredients) +
                         ",0,Null)");
        }
        tx.commit();
    }
};

Catalogue& catalogue() {
    static Catalogue c;
    return c;
}

void search(benchmark::State& state, const formulas::FormulaFilter& filter) {
    store::Database& db = *catalogue().db;
    const auto columns = formulas::formulaColumns();
    for (auto _ : state) {
        store::RecordSet rows = db.query(formulas::searchStatement(filter));
        grid::GridContent content = grid::gridContent(rows, columns);
        benchmark::DoNotOptimize(content.rowCount());
    }
}

void BM_OpenList(benchmark::State& state) {
    search(state, {});
}

void BM_NutrientValueFilter(benchmark::State& state) {
    formulas::FormulaFilter f;
    f.nutrientId = 17;
    f.valueFrom = "10";
    f.valueTo = "80";
    search(state, f);
}

void BM_IngredientFilter(benchmark::State& state) {
    formulas::FormulaFilter f;
    f.ingredientId = 1234;
    search(state, f);
}

void BM_ProductAndDates(benchmark::State& state) {
    formulas::FormulaFilter f;
    f.product = "RACION";
    f.createdFrom = "01/01/2009";
    f.modifiedTo = "31/12/2010";
    search(state, f);
}

} // namespace

BENCHMARK(BM_OpenList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NutrientValueFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IngredientFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProductAndDates)->Unit(benchmark::kMillisecond);
