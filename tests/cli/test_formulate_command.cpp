#include "cli/formulate_command.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

struct CommandRun {
    int status;
    QJsonObject json;
    QStringList messages;
};

CommandRun formulate(const QString& db, const QStringList& args) {
    ScriptedMessages messages;
    QString out;
    const int status = cli::runFormulateCommand(QStringList{"--database", db} + args, &out);
    return {status, QJsonDocument::fromJson(out.toUtf8()).object(), messages.texts()};
}

} // namespace

TEST(FormulateCommand, SampleFormulasMeetEveryLimitAtTheirCost) {
    TempDatabase t(true);
    for (const QString code : {"POLLO-INI", "PONEDORA", "CERDO-CREC", "VACA-CONC"}) {
        SCOPED_TRACE(code.toStdString());
        const CommandRun r =
            formulate(t.path(), {"--formula", code, "--quantity", "1000", "--json"});
        ASSERT_EQ(r.status, 0) << r.messages.join("\n").toStdString();
        EXPECT_EQ(r.json["outcome"].toString(), "optimum");
        EXPECT_EQ(r.json["cantidad"].toDouble(), 1000);
        double shares = 0, cost = 0, unit = 0, wet = 0;
        for (const auto& v : r.json["ingredientes"].toArray()) {
            const QJsonObject i = v.toObject();
            shares += i["porcentaje_humeda"].toDouble();
            cost += i["costo_total"].toDouble();
            wet += i["cantidad_humeda"].toDouble();
            EXPECT_GE(i["cantidad_humeda"].toDouble(), -1e-9);
        }
        EXPECT_NEAR(shares, 1, 2e-8); // within the quantity band
        EXPECT_NEAR(cost, r.json["costo_total"].toDouble(), 1e-9);
        unit = r.json["costo_unitario_humeda"].toDouble();
        EXPECT_NEAR(unit * wet, cost, 2e-8 * cost); // as-fed shares sum within the band
        for (const auto& v : r.json["nutrientes"].toArray()) {
            const QJsonObject n = v.toObject();
            const double valor = n["valor"].toDouble();
            if (!n["minimo"].isNull()) {
                EXPECT_GE(valor, n["minimo"].toDouble() - 1e-6)
                    << n["nombre"].toString().toStdString();
            }
            if (!n["maximo"].isNull()) {
                EXPECT_LE(valor, n["maximo"].toDouble() + 1e-6)
                    << n["nombre"].toString().toStdString();
            }
        }
        EXPECT_FALSE(r.json["analisis"].toArray().isEmpty());
        EXPECT_TRUE(r.json["aportes"].toArray().isEmpty());
    }
}

TEST(FormulateCommand, ExitStatusFollowsTheOutcome) {
    TempDatabase t(true);
    // A never-formulated formula loads with an empty mix: the quantity box shows 0.00.
    CommandRun r = formulate(t.path(), {"--formula", "POLLO-INI", "--json"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.json["outcome"].toString(), "invalid");
    EXPECT_EQ(r.messages, QStringList{"La cantidad a elaborar debe ser mayor que cero"});

    // Nothing is written back to the database by a headless run.
    r = formulate(t.path(), {"--id", "1", "--quantity", "1000"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(t.db().query("select * from formula_producto where cantidad_humeda<>0").count(), 0);

    // An unreachable minimum stops before the tableau and lists the contributions.
    t.db().exec("update formula_propiedad set minimo=97 where id_formula=1 and id_propiedad in "
                "(select id_propiedad from propiedades where nombre='Proteína bruta')");
    r = formulate(t.path(), {"--formula", "POLLO-INI", "--quantity", "1000", "--json"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.json["outcome"].toString(), "precheck_failed");
    EXPECT_FALSE(r.json["aportes"].toArray().isEmpty());
    EXPECT_EQ(r.messages,
              QStringList{"No es posible alcanzar el Mínimo para la propiedad Proteína bruta"});

    EXPECT_EQ(formulate(t.path(), {"--formula", "NO-EXISTE"}).status, 1);
    EXPECT_EQ(formulate(t.path(), {"--id", "1", "--formula", "X"}).status, 1);
    EXPECT_EQ(formulate(t.path() + ".missing", {"--id", "1"}).status, 1);
}
