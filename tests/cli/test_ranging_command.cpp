#include "cli/print_command.h"
#include "command_run.h"
#include "support/temp_database.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

QJsonObject json(const CommandRun& r) {
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

// The interval of a ranging's JSON that holds a value.
QJsonObject intervalAt(const QJsonObject& o, double v) {
    for (const auto& value : o["tramos"].toArray()) {
        const QJsonObject t = value.toObject();
        if (t["desde"].toDouble() <= v && v <= t["hasta"].toDouble())
            return t;
    }
    ADD_FAILURE() << "no interval holds " << v;
    return {};
}

double costAt(const QJsonObject& t, const char* slopeKey, double v) {
    return t["costo_desde"].toDouble() + t[slopeKey].toDouble() * (v - t["desde"].toDouble());
}

} // namespace

TEST(RangingCommand, PriceIntervalsAgreeWithTheFormulation) {
    TempDatabase t(true);
    const CommandRun f = runCommand("formulate", {"--database", t.path(), "--formula", "POLLO-INI",
                                                  "--quantity", "1000", "--json"});
    ASSERT_EQ(f.status, 0) << f.err.toStdString();
    const QJsonObject formulated = QJsonDocument::fromJson(f.out.toUtf8()).object();
    double fishMeal = -1;
    for (const auto& value : formulated["ingredientes"].toArray()) {
        const QJsonObject i = value.toObject();
        if (i["nombre"].toString().startsWith("Harina de pescado"))
            fishMeal = i["cantidad_humeda"].toDouble();
    }
    ASSERT_GE(fishMeal, 0);

    const CommandRun r =
        runCommand("ranging", {"--database", t.path(), "--formula", "POLLO-INI", "--precio",
                               "harina de pescado", "--desde", "0", "--hasta", "3", "--json"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = json(r);
    EXPECT_EQ(o["parametro"].toString(), "Precio de Harina de pescado 62%");
    const QJsonArray tramos = o["tramos"].toArray();
    ASSERT_GE(tramos.size(), 2);
    EXPECT_EQ(tramos.first()["desde"].toDouble(), 0);
    EXPECT_EQ(tramos.last()["hasta"].toDouble(), 3);
    for (qsizetype k = 0; k + 1 < tramos.size(); ++k) {
        EXPECT_EQ(tramos[k]["hasta"].toDouble(), tramos[k + 1]["desde"].toDouble());
        EXPECT_GE(tramos[k]["cantidad"].toDouble(), tramos[k + 1]["cantidad"].toDouble());
    }
    EXPECT_FALSE(o.contains("infactible_desde"));
    // At today's price the ranging says what the formulation does.
    const double price = o["valor_actual"].toDouble();
    const QJsonObject now = intervalAt(o, price);
    EXPECT_NEAR(now["cantidad"].toDouble(), fishMeal, 1e-6);
    EXPECT_NEAR(costAt(now, "cantidad", price), formulated["costo_total"].toDouble(), 1e-6);

    // The same as a table, in Spanish.
    const CommandRun text =
        runCommand("ranging", {"--database", t.path(), "--formula", "POLLO-INI", "--precio",
                               "Harina de pescado 62%", "--desde", "0", "--hasta", "3"});
    ASSERT_EQ(text.status, 0);
    EXPECT_TRUE(text.out.contains("Precio de Harina de pescado 62% de 0.00 a 3.00"));
    EXPECT_TRUE(text.out.contains("Cantidad (Kg)"));
    EXPECT_EQ(text.out.count('\n'), 5 + tramos.size());

    // The option names the help shows give what the old Spanish ones give, byte for byte.
    const CommandRun english = runCommand(
        "ranging", {"--database", t.path(), "--formula", "POLLO-INI", "--price",
                    "harina de pescado", "--from-value", "0", "--to-value", "3", "--json"});
    EXPECT_EQ(english.status, 0) << english.err.toStdString();
    EXPECT_EQ(english.out, r.out);
}

TEST(RangingCommand, LimitIntervalsAndTheEndOfTheMix) {
    TempDatabase t(true);
    const CommandRun r = runCommand("ranging", {"--database", t.path(), "--formula", "POLLO-INI",
                                                "--limite", "nutriente:Proteína bruta:minimo",
                                                "--desde", "15", "--hasta", "60", "--json"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = json(r);
    const QJsonArray tramos = o["tramos"].toArray();
    ASSERT_GE(tramos.size(), 2);
    ASSERT_TRUE(o.contains("infactible_desde"));
    EXPECT_EQ(tramos.last()["hasta"].toDouble(), o["infactible_desde"].toDouble());
    EXPECT_LT(o["infactible_desde"].toDouble(), 60);
    for (qsizetype k = 0; k + 1 < tramos.size(); ++k)
        EXPECT_LE(tramos[k]["precio_sombra"].toDouble(),
                  tramos[k + 1]["precio_sombra"].toDouble() + 1e-9);
    EXPECT_FALSE(tramos.first().toObject().contains("cantidad"));

    // No value of the range gives a mix: status 3, the JSON says from where.
    const CommandRun none = runCommand("ranging", {"--database", t.path(), "--formula", "POLLO-INI",
                                                   "--limite", "nutriente:Proteína bruta:minimo",
                                                   "--desde", "70", "--hasta", "80", "--json"});
    EXPECT_EQ(none.status, 3);
    EXPECT_EQ(json(none)["infactible_desde"].toDouble(), 70);
    EXPECT_TRUE(json(none)["tramos"].toArray().isEmpty());
}

TEST(RangingCommand, MistakesAreNamed) {
    TempDatabase t(true);
    const QStringList base = {"--database", t.path(), "--formula", "POLLO-INI"};
    CommandRun r = runCommand(
        "ranging", base + QStringList{"--precio", "Avena", "--desde", "0", "--hasta", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("La fórmula no tiene el ingrediente Avena")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Maíz amarillo grano"));
    // "harina" is in several names: not one ingredient.
    r = runCommand("ranging",
                   base + QStringList{"--precio", "harina", "--desde", "0", "--hasta", "1"});
    EXPECT_EQ(r.status, 1);
    r = runCommand("ranging", base + QStringList{"--limite", "mezcla:Ca/P:minimo", "--desde", "0",
                                                 "--hasta", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Tipo de límite no reconocido: mezcla (use nutriente, ingrediente, "
                               "relacion o grupo)"))
        << r.err.toStdString();
    r = runCommand("ranging", base + QStringList{"--limite", "relacion:Lisina / Sodio:minimo",
                                                 "--desde", "0", "--hasta", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("La fórmula no tiene la relación Lisina / Sodio. "))
        << r.err.toStdString();
    r = runCommand("ranging", base + QStringList{"--limite", "grupo:Forrajes:maximo", "--desde",
                                                 "0", "--hasta", "1"});
    EXPECT_TRUE(r.err.contains("La fórmula no tiene el grupo Forrajes. ")) << r.err.toStdString();
    r = runCommand("ranging", base + QStringList{"--limite", "nutriente:Proteína bruta", "--desde",
                                                 "0", "--hasta", "1"});
    EXPECT_TRUE(r.err.contains("TIPO:NOMBRE:minimo")) << r.err.toStdString();
    r = runCommand("ranging",
                   base + QStringList{"--precio", "Maíz", "--desde", "2", "--hasta", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("--hasta debe ser mayor que --desde")) << r.err.toStdString();
    r = runCommand("ranging", base + QStringList{"--precio", "Maíz", "--limite", "x", "--desde",
                                                 "0", "--hasta", "1"});
    EXPECT_TRUE(r.err.contains("uno de los dos")) << r.err.toStdString();
    r = runCommand("ranging",
                   base + QStringList{"--precio", "Maíz", "--desde", "cero", "--hasta", "1"});
    EXPECT_TRUE(r.err.contains("Valor no válido para --desde")) << r.err.toStdString();
    r = runCommand("ranging", base + QStringList{"--precio", "Maíz amarillo grano", "--desde",
                                                 "0.1", "--hasta", "0.3", "--json"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(json(r)["tramos"].toArray().first()["desde"].toDouble(), 0.1);
    r = runCommand("ranging", {"--database", t.path(), "--formula", "NO-EXISTE", "--precio", "x",
                               "--desde", "0", "--hasta", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("No existe la fórmula")) << r.err.toStdString();
}

// Spans whose costs overflow a double end at once with a message, in the program as a user runs
// it (a run that does not end within 20 s is killed and fails).
TEST(RangingCommand, HugeSpansEndWithAMessage) {
    TempDatabase t(true);
    const QList<std::pair<QString, QString>> spans = {
        {"0", "1e308"}, {"0", "9e307"}, {"0", "1.7e308"}, {"-1e308", "0"}, {"1e300", "1e308"}};
    for (const QString ingredient : {"PESCADO", "MAIZ", "SOJA48", "ACSOJA"})
        for (const auto& [desde, hasta] : spans) {
            SCOPED_TRACE((ingredient + " " + desde + " " + hasta).toStdString());
            QProcess p;
            p.start(DOSIVANT_PROGRAM,
                    {"ranging", "--database", t.path(), "--formula", "POLLO-INI", "--precio",
                     ingredient, "--desde", desde, "--hasta", hasta, "--json"});
            if (!p.waitForFinished(20000)) {
                p.kill();
                p.waitForFinished();
                ADD_FAILURE() << "still running after 20 s";
                continue;
            }
            EXPECT_EQ(p.exitCode(), 1);
            const QString err = QString::fromUtf8(p.readAllStandardError());
            EXPECT_TRUE(err.contains("El rango es demasiado amplio")) << err.toStdString();
        }
}

// --precio and --limite take an ingredient's code as every other command does: SOJA48 is the
// broiler's soybean meal, not a name it lacks.
TEST(RangingCommand, IngredientsByCode) {
    TempDatabase t(true);
    const QStringList base = {"--database", t.path(),  "--formula", "POLLO-INI", "--desde",
                              "0",          "--hasta", "1",         "--json"};
    CommandRun r = runCommand("ranging", base + QStringList{"--precio", "SOJA48"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(json(r)["parametro"].toString(), "Precio de Harina de soja 48% descascarada");
    r = runCommand("ranging", base + QStringList{"--precio", "PESCADO"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(json(r)["parametro"].toString(), "Precio de Harina de pescado 62%");
    r = runCommand("ranging", base + QStringList{"--limite", "ingrediente:SOJA48:minimo"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(json(r)["parametro"].toString(), "Mínimo de Harina de soja 48% descascarada");
    r = runCommand("ranging", base + QStringList{"--precio", "soja"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("nombra varios ingredientes")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Aceite de soja (ACSOJA)"));
    EXPECT_TRUE(r.err.contains("Harina de soja 48% descascarada (SOJA48)"));
}

// Every number of every command is read as the window reads one: "1,5" and "1,000" are refused,
// "1.5" and "1e3" are numbers (a formula's id and version must also be whole).
TEST(RangingCommand, EveryCommandLineNumberIsReadOneWay) {
    TempDatabase t(true);
    const QStringList ranging = {"--database", t.path(),   "--formula",
                                 "POLLO-INI",  "--precio", "MAIZ"};
    const QStringList formulate = {"--database", t.path(), "--formula", "POLLO-INI"};
    for (const QString bad : {"1,5", "1,000"}) {
        SCOPED_TRACE(bad.toStdString());
        const QList<std::pair<const char*, QStringList>> lines = {
            {"ranging", ranging + QStringList{"--desde", bad, "--hasta", "2000"}},
            {"ranging", ranging + QStringList{"--desde", "0", "--hasta", bad}},
            {"ranging", QStringList{"--database", t.path(), "--id", bad, "--precio", "MAIZ",
                                    "--desde", "0", "--hasta", "1"}},
            {"ranging", ranging + QStringList{"--version", bad, "--desde", "0", "--hasta", "1"}},
            {"formulate", formulate + QStringList{"--quantity", bad}},
            {"formulate", formulate + QStringList{"--version", bad}},
            {"formulate", QStringList{"--database", t.path(), "--id", bad}},
            {"print", QStringList{"--database", t.path(), "--id", bad, "--pdf", "x.pdf"}},
            {"print", formulate + QStringList{"--version", bad, "--pdf", "x.pdf"}},
        };
        for (const auto& [command, args] : lines) {
            SCOPED_TRACE((QString(command) + " " + args.mid(2).join(' ')).toStdString());
            const CommandRun r = runCommand(command, args);
            EXPECT_EQ(r.status, 1);
            EXPECT_TRUE(r.out.isEmpty());
        }
    }
    // Read as numbers: 1.5 and 1e3 (1000, the batch) where a fraction is allowed, 1e3 as a whole
    // number where one is asked for.
    CommandRun r =
        runCommand("ranging", ranging + QStringList{"--desde", "1.5", "--hasta", "1e3", "--json"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(json(r)["tramos"].toArray().first()["desde"].toDouble(), 1.5);
    EXPECT_EQ(json(r)["tramos"].toArray().last()["hasta"].toDouble(), 1000);
    r = runCommand("formulate", formulate + QStringList{"--quantity", "1e3", "--json"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    r = runCommand("formulate", formulate + QStringList{"--quantity", "999.5", "--json"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    r = runCommand("formulate",
                   formulate + QStringList{"--version", "0e3", "--quantity", "1000", "--json"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const cli::Invocation byId = cli::parseCommandLine(
        {"dosivant", "print", "--database", "d.db", "--id", "1e3", "--pdf", "x.pdf"});
    ASSERT_TRUE(byId.options<cli::PrintOptions>());
    EXPECT_EQ(byId.options<cli::PrintOptions>()->id, 1000);
    r = runCommand("formulate", QStringList{"--database", t.path(), "--id", "1.5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Valor no válido para --id: 1.5")) << r.err.toStdString();
}
