// The main window's start page on the 5,000 × 300 catalogue with a book of 1,000 formulas of 25
// ingredients, after a price change of one ingredient in twenty: what the page reads (core), the
// page built and painted, and the whole main window built on an opened database. Target: the
// page within 200 ms. Rendered offscreen.

#include "big_catalogue.h"

#include "app/messages.h"
#include "home/start_page.h"
#include "home/views/start_page_view.h"
#include "shell/views/menu.h"
#include "store/database.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kFormulas = 1000;

class Silent : public msg::MessageService {
public:
    int show(const QString&, int, const QString&) override { return msg::Ok; }
};

// Written once for every benchmark of the run.
const QString& bookPath() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath("inicio.db");
        bench::writeBigCatalogue(p);
        auto db = store::Database::openFile(p);
        store::Database::Transaction tx(*db);
        const QString copies = QString("WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i+1 "
                                       "FROM k WHERE i<%1) ")
                                   .arg(kFormulas - 1);
        db->exec(copies + "INSERT INTO formulas (id_formula,codigo,producto,cantidad,version,"
                          "fecha_creacion,fecha_modificacion,tipoBase,tipoBaseNutrientes) SELECT "
                          "1+i,'F'||i,'Formula '||i,cantidad,i%3,date('2025-01-01','+'||(i%400)"
                          "||' days'),date('2025-01-01','+'||(i%400)||' days'),tipoBase,"
                          "tipoBaseNutrientes FROM formulas, k WHERE id_formula=1");
        db->exec(copies + "INSERT INTO formula_producto (id_formula,id_producto,minimo,maximo,"
                          "costo,materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,"
                          "cantidad_seca) SELECT 1+i,1+(id_producto+i*37)%5000,minimo,maximo,"
                          "costo,materia_seca,porcentaje_humeda,porcentaje_seca,cantidad_humeda,"
                          "cantidad_seca FROM formula_producto, k WHERE id_formula=1");
        db->exec("update formula_producto set costo=(select costo from productos p where "
                 "p.id_producto=formula_producto.id_producto),materia_seca=(select materia_seca "
                 "from productos p where p.id_producto=formula_producto.id_producto)");
        db->exec("insert into precio_historial (id_producto,fecha,costo,materia_seca,origen) "
                 "select id_producto,'2026-03-02 10:15:00.000',costo*1.1,materia_seca,'edición' "
                 "from productos where id_producto%20=0");
        db->exec("update productos set costo=costo*1.1 where id_producto%20=0");
        tx.commit();
        return p;
    }();
    return path;
}

void report(benchmark::State& state, const home::StartPage& page) {
    state.counters["formulas"] = page.counts.formulas;
    state.counters["changed_formulas"] = page.prices.formulas;
    state.counters["changed_ingredients"] = double(page.prices.ingredientes.size());
    if (page.counts.ingredientes != 5000 || page.recent.size() != size_t(home::kRecentFormulas) ||
        page.prices.formulas == 0)
        state.SkipWithError("the page did not read the whole book");
}

void BM_StartPageRead(benchmark::State& state) {
    auto db = store::Database::openFile(bookPath());
    home::StartPage page;
    for (auto _ : state) {
        page = home::readStartPage(*db);
        benchmark::DoNotOptimize(page.counts.ingredientes);
    }
    report(state, page);
}
BENCHMARK(BM_StartPageRead)->Unit(benchmark::kMillisecond);

void BM_StartPageShown(benchmark::State& state) {
    auto db = store::Database::openFile(bookPath());
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    home::StartPage page;
    for (auto _ : state) {
        home::StartPageView view(*db);
        view.resize(900, 560);
        view.show();
        view.repaint(); // painted, not just scheduled
        page = view.page();
    }
    report(state, page);
    msg::setService(previous);
}
BENCHMARK(BM_StartPageShown)->Unit(benchmark::kMillisecond);

// The main window as the program builds it once the database is open.
void BM_MainWindowShown(benchmark::State& state) {
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    for (auto _ : state) {
        state.PauseTiming();
        auto db = store::Database::openFile(bookPath());
        state.ResumeTiming();
        app::menu window(std::move(db));
        window.show();
        window.repaint();
        if (!window.startPage())
            state.SkipWithError("no start page");
    }
    msg::setService(previous);
}
BENCHMARK(BM_MainWindowShown)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
