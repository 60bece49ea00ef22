#include "command_run.h"
#include "support/temp_database.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int formulaCount(const QString& path) {
    auto db = store::Database::openFile(path, store::Database::OpenMode::ReadOnly);
    return db->query("select count(*) from formulas").valueAt(0, 0).toInt();
}

} // namespace

TEST(PlanCommand, TheSamplePlanAsJsonAndItsSave) {
    TempDatabase t(true);
    const QString path = t.path();
    const CommandRun r =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo", "--json"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["outcome"].toString(), "optimum");
    EXPECT_FALSE(o.contains("conflicto"));
    const QJsonArray formulas = o["formulas"].toArray();
    ASSERT_EQ(formulas.size(), 4);
    double total = 0;
    for (const auto& value : formulas) {
        const QJsonObject f = value.toObject();
        for (const char* key : {"codigo", "version", "cantidad", "costo_unitario_humeda",
                                "costo_solo", "ingredientes"})
            EXPECT_TRUE(f.contains(key)) << key;
        double asFed = 0;
        for (const auto& i : f["ingredientes"].toArray())
            asFed += i.toObject()["cantidad_humeda"].toDouble();
        total += asFed * f["costo_unitario_humeda"].toDouble();
        EXPECT_GE(f["costo_unitario_humeda"].toDouble(), f["costo_solo"].toDouble() * (1 - 1e-9));
    }
    EXPECT_NEAR(o["costo_total"].toDouble(), total, 1e-6 * total);
    const QJsonArray stock = o["ingredientes"].toArray();
    ASSERT_EQ(stock.size(), 2);
    for (const auto& value : stock) {
        const QJsonObject s = value.toObject();
        EXPECT_NEAR(s["usado"].toDouble(), s["disponible"].toDouble(), 1e-6);
        EXPECT_TRUE(s["minimo_uso"].isNull());
        EXPECT_GT(s["valor_marginal"].toDouble(), 0);
    }

    const int before = formulaCount(path);
    const CommandRun table =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo"});
    EXPECT_EQ(table.status, 0);
    EXPECT_TRUE(table.out.contains("Costo total del plan"));
    EXPECT_EQ(formulaCount(path), before); // nothing written without --save
    const CommandRun saved =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo", "--save"});
    EXPECT_EQ(saved.status, 0) << saved.err.toStdString();
    EXPECT_EQ(formulaCount(path), before + 4);

    // The saved versions are the highest now: formulated by default, at today's prices; the
    // versions the plan names, at their stored prices, only when asked.
    for (const bool storedVersions : {false, true}) {
        SCOPED_TRACE(storedVersions);
        QStringList args{"--database", path, "--plan", "Semana de ejemplo", "--json"};
        if (storedVersions)
            args << "--stored-versions";
        const CommandRun again = runCommand("plan", args);
        ASSERT_EQ(again.status, 0) << again.err.toStdString();
        const QJsonObject p = QJsonDocument::fromJson(again.out.toUtf8()).object();
        EXPECT_EQ(p["precios"].toString(), storedVersions ? "guardados" : "actuales");
        for (const auto& value : p["formulas"].toArray()) {
            const QJsonObject f = value.toObject();
            EXPECT_EQ(f["version"].toString(), storedVersions ? "0" : "1");
            EXPECT_EQ(f["version_plan"].toString(), "0");
        }
    }
    const CommandRun help = runCommand("plan", {"--help"});
    EXPECT_TRUE(help.out.contains("--stored-versions")) << help.out.toStdString();
}

TEST(PlanCommand, MistakesAndConflictsHaveTheirExitStatus) {
    TempDatabase t(true);
    const QString path = t.path();
    EXPECT_EQ(runCommand("plan", {"--database", path}).status, 1);
    EXPECT_EQ(runCommand("plan", {"--plan", "x"}).status, 1);
    const CommandRun missing = runCommand("plan", {"--database", path, "--plan", "Nada"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("No existe el plan Nada"));

    {
        auto db = store::Database::openFile(path);
        db->exec("update plan_producto set minimo_uso=disponible*3");
    }
    const CommandRun bad = runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo"});
    EXPECT_EQ(bad.status, 4); // a contract above the silo is refused before formulating
    {
        auto db = store::Database::openFile(path);
        db->exec("update plan_producto set disponible=Null");
    }
    const CommandRun r =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo", "--json", "--save"});
    EXPECT_EQ(r.status, 3);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["outcome"].toString(), "infeasible");
    const QJsonArray conflict = o["conflicto"].toArray();
    ASSERT_FALSE(conflict.isEmpty());
    EXPECT_EQ(conflict[0].toObject()["tipo"].toString(), "minimo_uso");
    EXPECT_GT(conflict[0].toObject()["relajacion"].toDouble(), 0);
    EXPECT_EQ(formulaCount(path), 4); // an infeasible plan saves nothing

    // As a table, the conflict's figures stand under their column headers.
    const CommandRun shown =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo"});
    EXPECT_EQ(shown.status, 3);
    const QStringList lines = shown.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2 + conflict.size()) << shown.out.toStdString();
    EXPECT_EQ(lines[0], o["mensaje"].toString());
    const QStringList headers = lines[1].split(' ', Qt::SkipEmptyParts);
    EXPECT_EQ(headers,
              QStringList({"Restricción", "Nombre", "Límite", "Valor", "Relajación", "Costo"}));
    const QString relaxation =
        QString::number(conflict[0].toObject()["relajacion"].toDouble(), 'f', 2);
    EXPECT_EQ(lines[2].indexOf(relaxation) + relaxation.size(),
              lines[1].indexOf("Relajación") + QString("Relajación").size())
        << shown.out.toStdString();
}

TEST(PlanCommand, WritesTheSolvedPlanAsAPdfAndNeverOverTheDatabase) {
    TempDatabase t(true);
    const QString path = t.path();
    QTemporaryDir dir;
    const QString pdf = dir.filePath("plan.pdf");
    // The program starts with fonts only when the plan is printed.
    const QStringList line{"dosivant", "plan", "--database", path, "--plan", "Semana de ejemplo"};
    EXPECT_FALSE(cli::needsFonts(cli::parseCommandLine(line)));
    EXPECT_TRUE(cli::needsFonts(cli::parseCommandLine(line + QStringList{"--pdf", pdf})));
    const CommandRun empty = runCommand("plan", line.mid(2) + QStringList{"--pdf", ""});
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(empty.err.contains("Falta el archivo de --pdf")) << empty.err.toStdString();
    const CommandRun r =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo", "--pdf", pdf});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Costo total del plan")); // the table still goes out
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.read(4) == "%PDF");

    const int before = formulaCount(path);
    QFile db(path);
    ASSERT_TRUE(db.open(QIODevice::ReadOnly));
    const QByteArray bytes = db.readAll();
    db.close();
    for (const QString& target : {path, path + "-journal", dir.path()}) {
        const CommandRun refused = runCommand(
            "plan", {"--database", path, "--plan", "Semana de ejemplo", "--save", "--pdf", target});
        EXPECT_EQ(refused.status, 1) << target.toStdString();
        EXPECT_TRUE(refused.err.startsWith("dosivant plan: ")) << refused.err.toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
    }
    ASSERT_TRUE(db.open(QIODevice::ReadOnly));
    EXPECT_EQ(db.readAll(), bytes);
    db.close();
    EXPECT_FALSE(QFile::exists(path + "-journal"));
    // A PDF that cannot be written saves nothing either.
    const CommandRun failed =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo", "--save", "--pdf",
                            dir.filePath("no/existe/plan.pdf")});
    EXPECT_EQ(failed.status, 1) << failed.err.toStdString();
    EXPECT_EQ(formulaCount(path), before);

    {
        auto store = store::Database::openFile(path);
        store->exec("update plan_producto set minimo_uso=disponible*3, disponible=Null");
    }
    const QString none = dir.filePath("sin_solucion.pdf");
    const CommandRun infeasible =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo", "--pdf", none});
    EXPECT_EQ(infeasible.status, 3) << infeasible.err.toStdString();
    EXPECT_FALSE(QFile::exists(none));
    EXPECT_TRUE(infeasible.err.contains("no se escribió")) << infeasible.err.toStdString();
}

// A formula of the plan weighing its grain and meals in steps of 5 kg: the JSON carries the search,
// as formulate's does, and only then (the sample plan's output above has none).
TEST(PlanCommand, AWeighedFormulaCarriesItsSearchAndItsLimits) {
    TempDatabase t(true);
    const QString path = t.path();
    const CommandRun plain =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo", "--json"});
    ASSERT_EQ(plain.status, 0) << plain.err.toStdString();
    EXPECT_FALSE(QJsonDocument::fromJson(plain.out.toUtf8()).object().contains("entero"));
    {
        auto db = store::Database::openFile(path, store::Database::OpenMode::ReadWrite);
        const int id = db->query("select min(id_formula) from plan_formula").valueAt(0, 0).toInt();
        db->exec("insert into producto_pesada (id_producto,paso) select id_producto,5 from "
                 "productos where trim(codigo) in ('MAIZ','SOJA44','SOJA48')");
        db->exec(QString("insert into formula_opciones (id_formula,max_ingredientes,redondear) "
                         "values (%1,null,1)")
                     .arg(id));
    }
    const CommandRun r =
        runCommand("plan", {"--database", path, "--plan", "Semana de ejemplo", "--json"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    ASSERT_TRUE(o.contains("entero")) << r.out.toStdString();
    const QJsonObject e = o["entero"].toObject();
    EXPECT_TRUE(e["probado"].toBool());
    EXPECT_EQ(e["brecha"].toDouble(), 0.0);
    EXPECT_GE(e["nodos"].toDouble(), 1.0);
    const double plainCost =
        QJsonDocument::fromJson(plain.out.toUtf8()).object()["costo_total"].toDouble();
    EXPECT_NEAR(e["costo_continuo"].toDouble(), plainCost, 1e-9 * plainCost);
    EXPECT_GE(o["costo_total"].toDouble(), plainCost * (1 - 1e-12));

    // One node: the plan found, not proven, its gap in the JSON and in the table.
    const QStringList cut{"--database", path, "--plan", "Semana de ejemplo", "--max-nodes", "1"};
    const CommandRun stopped = runCommand("plan", cut + QStringList{"--json"});
    ASSERT_EQ(stopped.status, 0) << stopped.err.toStdString();
    const QJsonObject s =
        QJsonDocument::fromJson(stopped.out.toUtf8()).object()["entero"].toObject();
    EXPECT_FALSE(s["probado"].toBool());
    EXPECT_GT(s["brecha"].toDouble(), 0.0);
    const CommandRun table = runCommand("plan", cut);
    EXPECT_TRUE(table.out.contains("La búsqueda se detuvo: brecha ")) << table.out.toStdString();
    for (const QStringList& bad : {QStringList{"--max-nodes", "0"}, QStringList{"--max-nodos", "x"},
                                   QStringList{"--max-segundos", "-1"}}) {
        const CommandRun refused = runCommand("plan", cut.mid(0, 4) + bad);
        EXPECT_EQ(refused.status, 1) << bad.join(' ').toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
    }
}
