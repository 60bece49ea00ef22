// The sample broiler formulated as a script does it, one whole process each time:
// `dosivant formulate --database sample.db --formula POLLO-INI --json` (start, open, load,
// formulate, print, exit). Reported as the child's CPU time, which a busy machine disturbs
// less than the wall clock.

#include <QCoreApplication>
#include <QProcess>
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

bool runProgram(const QStringList& arguments, QString* error) {
    QProcess program;
    program.start(QStringLiteral(DOSIVANT_PROGRAM), arguments);
    if (!program.waitForFinished(60000) || program.exitStatus() != QProcess::NormalExit ||
        program.exitCode() != 0) {
        *error = QString::fromUtf8(program.readAllStandardError());
        return false;
    }
    return true;
}

void BM_FormulateSampleProcess(benchmark::State& state) {
    QTemporaryDir dir;
    const QString db = dir.filePath("muestra.db");
    QString error;
    if (!runProgram({"create-database", db, "--sample"}, &error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    double cpu = 0;
    for (auto _ : state) {
        const double before = childCpuSeconds();
        if (!runProgram({"formulate", "--database", db, "--formula", "POLLO-INI", "--json"},
                        &error)) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        cpu += childCpuSeconds() - before;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000 / double(state.iterations()));
}

} // namespace

BENCHMARK(BM_FormulateSampleProcess)->Unit(benchmark::kMillisecond)->Iterations(30);
