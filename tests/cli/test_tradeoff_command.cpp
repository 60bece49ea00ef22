#include "command_run.h"
#include "formulas/formula_lookup.h"
#include "optimizer/tradeoff_run.h"
#include "support/blend_database.h"
#include "support/temp_database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

// The broiler's curve on phosphorus as JSON, by the Spanish names of the issue: exactly the keys
// it names, the figures the core's curve has, the mix in percent as fed by code; the least-cost
// vertex costs what `formulate` gives per unit as fed.
TEST(TradeoffCommand, WritesTheCurveAsJsonWithTheCoresFigures) {
    TempDatabase t(true);
    const CommandRun r = runCommand("tradeoff", {"--database", t.path(), "--formula", "POLLO-INI",
                                                 "--objetivo", "fósforo TOTAL", "--json"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith("}\n"));
    EXPECT_EQ(r.out.count('\n'), 1);
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o.keys(), (QStringList{"objetivo", "unidad", "vertices"}));
    EXPECT_EQ(o["objetivo"].toString(), "Fósforo total");
    EXPECT_EQ(o["unidad"].toString(), "%");

    ScriptedMessages messages;
    const int id = formulas::findFormula(t.db(), {"POLLO-INI", std::nullopt, 0});
    QString error;
    const optimizer::TradeoffRun run = optimizer::tradeoffOfFormula(
        t.db(), id, *optimizer::goalByName(t.db(), "Fósforo total", &error), false);
    const QJsonArray vertices = o["vertices"].toArray();
    ASSERT_EQ(std::size_t(vertices.size()), run.vertices.size());
    ASSERT_GE(vertices.size(), 2);
    for (qsizetype k = 0; k < vertices.size(); ++k) {
        const QJsonObject v = vertices[k].toObject();
        EXPECT_EQ(v.keys(), (QStringList{"costo", "mezcla", "valor"}));
        EXPECT_EQ(v["valor"].toDouble(), run.vertices[std::size_t(k)].valor);
        EXPECT_EQ(v["costo"].toDouble(), run.vertices[std::size_t(k)].costo);
        double total = 0;
        for (const auto& line : v["mezcla"].toArray()) {
            EXPECT_EQ(line.toObject().keys(), (QStringList{"codigo", "porcentaje"}));
            EXPECT_FALSE(line.toObject()["codigo"].toString().isEmpty());
            total += line.toObject()["porcentaje"].toDouble();
        }
        EXPECT_NEAR(total, 100, 1e-5);
        if (k > 0) { // lower phosphorus costs more
            EXPECT_LT(v["valor"].toDouble(), vertices[k - 1].toObject()["valor"].toDouble());
        }
    }

    const CommandRun f = runCommand("formulate", {"--database", t.path(), "--formula", "POLLO-INI",
                                                  "--quantity", "1000", "--json"});
    ASSERT_EQ(f.status, 0) << f.err.toStdString();
    const QJsonObject formulated = QJsonDocument::fromJson(f.out.toUtf8()).object();
    EXPECT_NEAR(vertices[0].toObject()["costo"].toDouble(), formulated["costo_unitario_humeda"].toDouble(),
                1e-9 * formulated["costo_unitario_humeda"].toDouble());
}

// The table in the window's formats, raising protein; one vertex is said, not refused.
TEST(TradeoffCommand, WritesATableAndSaysWhenTheGoalCannotMove) {
    TempDatabase t(true);
    const CommandRun r = runCommand("tradeoff", {"--database", t.path(), "--formula", "POLLO-INI",
                                                 "--goal", "Proteína bruta", "--aumentar"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Proteína bruta (%)")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("% sobre el óptimo"));
    EXPECT_TRUE(r.out.contains("Entran: ") || r.out.contains("Salen: "));
    EXPECT_TRUE(r.out.contains("   0.00 ")); // the least-cost vertex, 0 % dearer

    // Protein cannot go below the broiler's minimum, where its least-cost mix already is.
    const CommandRun same = runCommand(
        "tradeoff", {"--database", t.path(), "--formula", "POLLO-INI", "--goal", "Proteína bruta"});
    ASSERT_EQ(same.status, 0) << same.err.toStdString();
    EXPECT_TRUE(same.out.contains("ya tiene el menor valor")) << same.out.toStdString();
}

// Refusals with exit 1: an unknown name with the closest ones, a name that fits several, no goal,
// a formula that does not exist, and an infeasible formula with its conflict.
TEST(TradeoffCommand, RefusesUnknownNamesAndInfeasibleFormulas) {
    TempDatabase t(true);
    const QStringList broiler = {"--database", t.path(), "--formula", "POLLO-INI"};
    const CommandRun unknown = runCommand("tradeoff", broiler + QStringList{"--goal", "fosforo"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains("No hay ningún nutriente llamado \"fosforo\""));
    EXPECT_TRUE(unknown.err.contains("Fósforo total")) << unknown.err.toStdString();
    EXPECT_TRUE(unknown.out.isEmpty());

    const CommandRun several = runCommand("tradeoff", broiler + QStringList{"--goal", "Fósforo"});
    EXPECT_EQ(several.status, 1);
    EXPECT_TRUE(several.err.contains("Fósforo disponible")) << several.err.toStdString();

    const CommandRun none = runCommand("tradeoff", broiler);
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.err.contains("--goal")) << none.err.toStdString();

    const CommandRun missing = runCommand(
        "tradeoff", {"--database", t.path(), "--formula", "NO-HAY", "--goal", "Fósforo total"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("No existe la fórmula NO-HAY"));

    TempDatabase c;
    blenddb::addCalciumConflict(c.db());
    const CommandRun infeasible = runCommand(
        "tradeoff", {"--database", c.path(), "--formula", "CALCIO", "--goal", "Fósforo", "--json"});
    EXPECT_EQ(infeasible.status, 1);
    EXPECT_TRUE(infeasible.out.isEmpty());
    EXPECT_TRUE(infeasible.err.contains("no tiene curva de compromiso"))
        << infeasible.err.toStdString();
    EXPECT_TRUE(infeasible.err.contains("Calcio")) << infeasible.err.toStdString();
}
