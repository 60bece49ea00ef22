// The whole `dosivant tradeoff --json` command as a script runs it, one process each time (start,
// open, load, the curve, print, exit): the sample broiler on "Fósforo total", and a stored
// formula of 200 ingredients × 100 nutrients on a nutrient it does not limit. Reported as the
// child's CPU time, which a busy machine disturbs less than the wall clock, and the wall time.
// The same work inside this process (open, name look-up, load, curve) shows what the program's
// start adds.

#include "big_catalogue.h"
#include "formulas/formula_lookup.h"
#include "optimizer/tradeoff_run.h"
#include "store/database.h"

#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the program; the vertices it found (counted in its JSON), or -1 with the error.
int runProgram(const QStringList& arguments, QString* error) {
    QProcess program;
    program.start(QStringLiteral(DOSIVANT_PROGRAM), arguments);
    if (!program.waitForFinished(120000) || program.exitStatus() != QProcess::NormalExit ||
        program.exitCode() != 0) {
        *error = QString::fromUtf8(program.readAllStandardError());
        return -1;
    }
    return int(program.readAllStandardOutput().count("\"valor\""));
}

void measure(benchmark::State& state, const QStringList& arguments) {
    QString error;
    double cpu = 0;
    int vertices = 0;
    for (auto _ : state) {
        const double before = childCpuSeconds();
        vertices = runProgram(arguments, &error);
        if (vertices < 0) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        cpu += childCpuSeconds() - before;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000 / double(state.iterations()));
    state.counters["vertices"] = vertices;
}

// The command's work without the program's start: open, the goal by name, load and the curve.
void inProcess(benchmark::State& state, const QString& path, const QString& code,
               const QString& goalName) {
    for (auto _ : state) {
        auto db = store::Database::openFile(path, store::Database::OpenMode::ReadOnly);
        const int id = formulas::findFormula(*db, {code, std::nullopt, 0});
        QString error;
        const std::optional<int> goal = optimizer::goalByName(*db, goalName, &error);
        if (!goal) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        const optimizer::TradeoffRun run = optimizer::tradeoffOfFormula(*db, id, *goal, false);
        if (!run.hasCurve()) {
            state.SkipWithError(run.mensaje.toUtf8().constData());
            return;
        }
        state.counters["vertices"] = double(run.vertices.size());
    }
}

void BM_TradeoffSampleBroilerPhosphorus(benchmark::State& state) {
    QTemporaryDir dir;
    const QString db = dir.filePath("muestra.db");
    QString error;
    if (runProgram({"create-database", db, "--sample"}, &error) < 0) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    if (state.range(0) == 0)
        measure(state, {"tradeoff", "--database", db, "--formula", "POLLO-INI", "--goal",
                        "Fósforo total", "--json"});
    else
        inProcess(state, db, "POLLO-INI", "Fósforo total");
}

// 200 ingredients and 100 limited nutrients of a catalogue of 1,000 × 150; the goal is the first
// catalogue nutrient the formula does not limit.
void BM_TradeoffGenerated200x100(benchmark::State& state) {
    QTemporaryDir dir;
    const QString db = dir.filePath("grande.db");
    bench::BigCatalogue shape;
    shape.ingredients = 1000;
    shape.nutrients = 150;
    shape.formulaIngredients = 200;
    shape.formulaNutrients = 100;
    bench::writeBigCatalogue(db, shape);
    QSet<int> limited;
    for (int k = 0; k < shape.formulaNutrients; ++k)
        limited.insert(1 + (k * 13 + 5) % shape.nutrients);
    int goal = 1;
    while (limited.contains(goal))
        ++goal;
    const QString goalName = QStringLiteral("Nutriente %1").arg(goal);
    if (state.range(0) == 0)
        measure(state, {"tradeoff", "--database", db, "--formula", "GRANDE", "--goal", goalName,
                        "--json"});
    else
        inProcess(state, db, "GRANDE", goalName);
}

} // namespace

// Argument 0: the whole command in a child process; 1: its work in this process.
BENCHMARK(BM_TradeoffSampleBroilerPhosphorus)
    ->ArgName("en_proceso")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK(BM_TradeoffGenerated200x100)
    ->ArgName("en_proceso")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
