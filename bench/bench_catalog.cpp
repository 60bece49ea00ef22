// The catalogue on a large generated database: 5,000 ingredients × 300 nutrients (1.5 million
// composition rows, names with accents) and 300 formulas. Times opening and searching the
// ingredient list (query and grid content), creating an ingredient and a nutrient with their
// zero rows, deleting an ingredient, and opening one ingredient's composition.

#include "catalog/composition.h"
#include "catalog/ingredient_search.h"
#include "catalog/ingredients.h"
#include "catalog/nutrients.h"
#include "store/database.h"
#include "store/sql_text.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kIngredients = 5000;
constexpr int kNutrients = 300;
constexpr int kFormulas = 300;

const QStringList kWords = {"Maíz",  "Harina", "Soja",    "Girasol", "Ñandú",    "Pescado",
                            "Trigo", "Cebada", "Alfalfa", "Fosfato", "Calcáreo", "Premezcla"};

// One database for every benchmark, made once.
store::Database& bigCatalogue() {
    static QTemporaryDir dir;
    static std::unique_ptr<store::Database> db = [] {
        const QString path = dir.filePath("big.db");
        store::Database::createFile(path, false);
        auto d = store::Database::openFile(path);
        store::Database::Transaction tx(*d);
        for (int i = 1; i <= kIngredients; ++i)
            d->exec("insert into productos (id_producto,codigo,nombre,unidad,costo,materia_seca) "
                    "values (" +
                    QString::number(i) + "," + sql::codeText(QString::number(i)) + "," +
                    sql::text(kWords[i % kWords.size()] + " " + kWords[(i / 7) % kWords.size()] +
                              " " + QString::number(i)) +
                    ",'Kg'," + sql::number(0.1 + (i % 97) / 100.0) + ",88)");
        for (int n = 1; n <= kNutrients; ++n)
            d->exec("insert into propiedades (id_propiedad,nombre,unidad) values (" +
                    QString::number(n) + ",'Nutriente ñ " + QString::number(n) + "','%')");
        // The generator's own shortcut: one statement fills the dense composition.
        d->exec("insert into producto_propiedad (id_producto,id_propiedad,valor) select "
                "p.id_producto,n.id_propiedad,((p.id_producto*7+n.id_propiedad*13)%100)/10.0 "
                "from productos p,propiedades n");
        for (int f = 1; f <= kFormulas; ++f) {
            d->exec("insert into formulas (id_formula,codigo,producto,cantidad,version,"
                    "tipoBase,tipoBaseNutrientes) values (" +
                    QString::number(f) + ",'F" + QString::number(f) + "','Fórmula',1000,0,1,1)");
            for (int k = 0; k < 25; ++k)
                d->exec("insert into formula_producto (id_formula,id_producto,minimo,maximo) "
                        "values (" +
                        QString::number(f) + "," + QString::number((f * 31 + k * 17) % 5000 + 1) +
                        ",0,100)");
        }
        tx.commit();
        return d;
    }();
    return *db;
}

void runSearch(benchmark::State& state, const catalog::IngredientFilter& filter) {
    store::Database& db = bigCatalogue();
    const QString sql = catalog::ingredientSearchSql(filter);
    for (auto _ : state) {
        store::RecordSet rs = db.query(sql);
        grid::GridContent grid = catalog::ingredientGrid(rs);
        benchmark::DoNotOptimize(grid.rows.data());
        state.counters["rows"] = rs.count();
    }
}

void BM_OpenIngredientList(benchmark::State& state) {
    store::Database& db = bigCatalogue();
    for (auto _ : state) {
        store::RecordSet rs = db.query(catalog::kIngredientListSql);
        grid::GridContent grid = catalog::ingredientGrid(rs);
        benchmark::DoNotOptimize(grid.rows.data());
    }
}

void BM_SearchName(benchmark::State& state) {
    catalog::IngredientFilter f;
    f.name = "ÑANDU";
    runSearch(state, f);
}

void BM_SearchCodeRange(benchmark::State& state) {
    catalog::IngredientFilter f;
    f.codeFrom = "100";
    f.codeTo = "999";
    runSearch(state, f);
}

void BM_SearchCost(benchmark::State& state) {
    catalog::IngredientFilter f;
    f.costFrom = "0.5";
    runSearch(state, f);
}

void BM_SearchNutrientValue(benchmark::State& state) {
    catalog::IngredientFilter f;
    f.nutrientId = 150;
    f.valueFrom = "5";
    runSearch(state, f);
}

// What SQLite itself takes for 5,000 inserts in one transaction, through the same connection.
void BM_Raw5000InsertsInOneTransaction(benchmark::State& state) {
    store::Database& db = bigCatalogue();
    for (auto _ : state) {
        {
            store::Database::Transaction tx(db);
            for (int i = 1; i <= kIngredients; ++i)
                db.exec("insert into producto_propiedad (id_producto,id_propiedad,valor) values (" +
                        QString::number(i) + ",9999,0)");
            tx.commit();
        }
        state.PauseTiming();
        db.exec("delete from producto_propiedad where id_propiedad=9999");
        state.ResumeTiming();
    }
}

void BM_CreateNutrient(benchmark::State& state) {
    store::Database& db = bigCatalogue();
    for (auto _ : state) {
        const int id = catalog::createNutrient(db, {"Nuevo nutriente", "%"});
        state.PauseTiming();
        catalog::deleteNutrient(db, id);
        state.ResumeTiming();
    }
}

void BM_CreateIngredient(benchmark::State& state) {
    store::Database& db = bigCatalogue();
    for (auto _ : state) {
        const auto created =
            catalog::createIngredient(db, {"NUEVO-BENCH", "Nuevo ingrediente", "Kg", 0.3, 88});
        state.PauseTiming();
        catalog::deleteIngredient(db, created.id);
        state.ResumeTiming();
    }
}

void BM_DeleteIngredient(benchmark::State& state) {
    store::Database& db = bigCatalogue();
    for (auto _ : state) {
        state.PauseTiming();
        const auto created =
            catalog::createIngredient(db, {"BORRAR-BENCH", "A borrar", "Kg", 0.3, 88});
        state.ResumeTiming();
        catalog::deleteIngredient(db, created.id);
    }
}

void BM_OpenComposition(benchmark::State& state) {
    store::Database& db = bigCatalogue();
    for (auto _ : state) {
        store::RecordSet rs = db.query(catalog::compositionSql(2500, QString()));
        grid::GridContent grid = grid::gridContent(rs, catalog::compositionColumns());
        benchmark::DoNotOptimize(grid.rows.data());
    }
}

BENCHMARK(BM_OpenIngredientList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchCodeRange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchCost)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchNutrientValue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Raw5000InsertsInOneTransaction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateNutrient)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateIngredient)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteIngredient)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenComposition)->Unit(benchmark::kMillisecond);

} // namespace
