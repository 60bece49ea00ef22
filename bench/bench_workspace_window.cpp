// The workspace window as the user meets it: a formulation click on the sample broiler diet,
// from the click to the grids and boxes painted again, and opening a large formula (60
// ingredients, 40 nutrients) into the window. Rendered offscreen.

#include "../tests/support/blend_database.h"

#include "app/messages.h"
#include "store/database.h"
#include "workspace/views/frmoptimizacion.h"
#include "workspace/workspace.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class Silent : public msg::MessageService {
public:
    int show(const QString&, int, const QString&) override { return msg::Ok; }
};

struct Sample {
    QTemporaryDir dir;
    std::unique_ptr<store::Database> db;

    Sample() {
        const QString path = dir.filePath("bench.db");
        store::Database::createFile(path, true);
        db = store::Database::openFile(path);
    }
    int formula(const QString& code) {
        store::RecordSet rs =
            db->query("select id_formula from formulas where codigo='" + code + "'");
        rs.moveFirst();
        return rs.toInt("id_formula");
    }
};

// A stored formula of 60 ingredients and 40 nutrients, every ingredient holding every nutrient,
// with a mix already in it.
int largeFormula(store::Database& db) {
    store::Database::Transaction tx(db);
    std::vector<int> ingredients, nutrients;
    for (int j = 0; j < 60; ++j)
        ingredients.push_back(blenddb::addIngredient(db, QString("Ingrediente %1").arg(j),
                                                     0.1 + 0.01 * j, 85 + j % 10));
    for (int k = 0; k < 40; ++k)
        nutrients.push_back(blenddb::addNutrient(db, QString("Nutriente %1").arg(k)));
    for (int j = 0; j < 60; ++j)
        for (int k = 0; k < 40; ++k)
            blenddb::setComposition(db, ingredients[size_t(j)], nutrients[size_t(k)],
                                    1 + (j * 7 + k * 3) % 23);
    const int f = blenddb::addFormula(db, "GRANDE", 1000, 1, 1);
    for (int j = 0; j < 60; ++j)
        blenddb::addFormulaIngredient(db, f, ingredients[size_t(j)], 0.0, 100.0, 0.1 + 0.01 * j,
                                      85 + j % 10, 1.0 / 60);
    for (int k = 0; k < 40; ++k)
        blenddb::addFormulaNutrient(db, f, nutrients[size_t(k)], 1.0, 30.0, 10.0);
    tx.commit();
    return f;
}

void BM_FormulationClick(benchmark::State& state) {
    Sample s;
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    workspace::frmoptimizacion w(*s.db, qint16(s.formula("POLLO-INI")));
    w.show();
    QApplication::processEvents();
    w.findChild<QLineEdit*>("txt_cantidad")->setText("1000");
    auto* formular = w.findChild<QPushButton*>("cmdFormular");
    for (auto _ : state) {
        formular->click();
        w.repaint(); // the grids and boxes drawn, not just scheduled
        benchmark::DoNotOptimize(w.workspace().vCostoHumeda);
    }
    if (std::abs(w.workspace().vCostoHumeda - 0.274732) > 1e-6)
        state.SkipWithError("the broiler diet did not reach its known optimum");
    msg::setService(previous);
}
BENCHMARK(BM_FormulationClick)->Unit(benchmark::kMillisecond);

void BM_OpenLargeFormula(benchmark::State& state) {
    Sample s;
    Silent silent;
    msg::MessageService* previous = msg::setService(&silent);
    const int id = largeFormula(*s.db);
    for (auto _ : state) {
        workspace::frmoptimizacion w(*s.db, qint16(id));
        w.show();
        w.repaint();
        if (w.workspace().ingredients.size() != 60 || w.workspace().nutrients.size() != 40)
            state.SkipWithError("the formula did not load whole");
    }
    msg::setService(previous);
}
BENCHMARK(BM_OpenLargeFormula)->Unit(benchmark::kMillisecond);

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
