#include "command_run.h"
#include "formulas/formula_lookup.h"
#include "optimizer/sample_formulas.h"
#include "support/temp_database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <vector>

namespace {

// The sample book formulated and stored, then maize and soybean meal 30 % dearer.
struct RaisedBook {
    TempDatabase t{true};
    RaisedBook() {
        optimizer::formulateSampleFormulas(t.db());
        t.db().exec("update productos set costo=costo*1.3 where trim(codigo) in "
                    "('MAIZ','SOJA44','SOJA48')");
    }
    int count(const QString& sql) { return t.db().query(sql).value(0).toInt(); }
};

std::vector<QJsonObject> jsonLines(const QString& out) {
    std::vector<QJsonObject> lines;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        lines.push_back(doc.object());
    }
    return lines;
}

// What `formulate --json` finds for one stored version: its cost per unit as fed.
double formulatedCost(const QString& database, const QString& code, int version) {
    const CommandRun r = runCommand("formulate", {"--database", database, "--formula", code,
                                                  "--version", QString::number(version), "--json"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    return QJsonDocument::fromJson(r.out.toUtf8())
        .object()
        .value("costo_unitario_humeda")
        .toDouble();
}

} // namespace

// Re-formulating a stored formula is formulating it with today's prices and dry matter: with
// the stored ones set to today's, `formulate` finds every cost the re-formulation found, whether
// the re-formulation took today's figures over (first run) or found them stored (second run).
TEST(ReformulateCommand, FindsWhatFormulateFindsAtTodaysPrices) {
    RaisedBook b;
    b.t.db().exec("update productos set materia_seca=86 where trim(codigo)='MAIZ'");
    const CommandRun takenOver = runCommand("reformulate", {"--database", b.t.path(), "--json"});
    ASSERT_EQ(takenOver.status, 0) << takenOver.err.toStdString();
    EXPECT_TRUE(takenOver.err.contains("Reformuladas 4 de 4"));
    EXPECT_EQ(b.count("select count(*) from formulas"), 4); // nothing written
    b.t.db().exec(
        "update formula_producto set costo=(select p.costo from productos p where "
        "p.id_producto=formula_producto.id_producto), materia_seca=(select "
        "p.materia_seca from productos p where p.id_producto=formula_producto.id_producto)");
    const CommandRun stored = runCommand("reformulate", {"--database", b.t.path(), "--json"});
    for (const CommandRun* r : {&takenOver, &stored}) {
        const std::vector<QJsonObject> rows = jsonLines(r->out);
        ASSERT_EQ(rows.size(), 4u);
        for (const QJsonObject& row : rows) {
            const QString code = row.value("codigo").toString();
            SCOPED_TRACE(code.toStdString());
            for (const char* key : {"codigo", "version", "costo_anterior", "costo_nuevo", "outcome",
                                    "entran", "salen"})
                EXPECT_TRUE(row.contains(key)) << key;
            EXPECT_FALSE(row.contains("version_nueva"));
            EXPECT_EQ(row.value("outcome").toString(), "optimum");
            const double expected = formulatedCost(b.t.path(), code, row.value("version").toInt());
            EXPECT_NEAR(row.value("costo_nuevo").toDouble(), expected, 1e-12 * expected);
        }
    }
}

// --save stores each optimum as the next version; each stored mix costs what was reported, and
// formulating the new version finds that cost again.
TEST(ReformulateCommand, SavedVersionsCostWhatWasReported) {
    RaisedBook b;
    const CommandRun r =
        runCommand("reformulate", {"--database", b.t.path(), "--save", "--json", "--formula",
                                   "POLLO-INI", "--formula", "PONEDORA"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const std::vector<QJsonObject> rows = jsonLines(r.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(b.count("select count(*) from formulas"), 6);
    for (const QJsonObject& row : rows) {
        const QString code = row.value("codigo").toString();
        SCOPED_TRACE(code.toStdString());
        ASSERT_EQ(row.value("version_nueva").toInt(-1), 1);
        const int id = formulas::findFormula(b.t.db(), {code, 1, 0});
        ASSERT_GT(id, 0);
        const double reported = row.value("costo_nuevo").toDouble();
        EXPECT_NEAR(b.t.db()
                        .query("select sum(porcentaje_humeda*costo) from formula_producto where "
                               "id_formula=" +
                               QString::number(id))
                        .value(0)
                        .toDouble(),
                    reported, 1e-12);
        EXPECT_NEAR(formulatedCost(b.t.path(), code, 1), reported, 1e-9 * reported);
    }
}

// The table names every formula with its costs; mistakes in the line and unknown codes end with
// status 1 and leave the database alone.
TEST(ReformulateCommand, ShowsATableAndRefusesMistakes) {
    RaisedBook b;
    const CommandRun table = runCommand("reformulate", {"--database", b.t.path()});
    EXPECT_EQ(table.status, 0);
    for (const char* code : {"CERDO-CREC", "POLLO-INI", "PONEDORA", "VACA-CONC"})
        EXPECT_TRUE(table.out.contains(code)) << code;
    EXPECT_TRUE(table.out.contains("4 fórmulas:")) << table.out.toStdString();

    const CommandRun unknown =
        runCommand("reformulate", {"--database", b.t.path(), "--formula", "NADA", "--save"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains("No existe la fórmula NADA"));
    EXPECT_EQ(runCommand("reformulate", {"--save"}).status, 1);
    EXPECT_EQ(runCommand("reformulate", {"--database", b.t.path(), "extra"}).status, 1);
    EXPECT_EQ(b.count("select count(*) from formulas"), 4);
    // A formula whose limits cannot be met makes the exit status say so.
    b.t.db().exec("update formula_propiedad set minimo=60 where id_propiedad=(select "
                  "id_propiedad from propiedades where nombre='Proteína bruta')");
    const CommandRun hard = runCommand("reformulate", {"--database", b.t.path(), "--json"});
    EXPECT_TRUE(hard.status == 3 || hard.status == 4) << hard.status;
    const CommandRun help = runCommand("reformulate", {"--help"});
    EXPECT_TRUE(help.out.contains("version_nueva"));
}
