#include "cli/command_line.h"
#include "cli/create_database_command.h"
#include "cli/formulate_command.h"
#include "support/blend_database.h"
#include "support/chance_sample.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

struct CommandRun {
    int status;
    QJsonObject json;
    QStringList messages;
    QString out;
};

CommandRun formulate(const QString& db, const QStringList& args) {
    ScriptedMessages messages;
    QString out;
    const int status = cli::runFormulateCommand(QStringList{"--database", db} + args, &out);
    return {status, QJsonDocument::fromJson(out.toUtf8()).object(), messages.texts(), out};
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
    // Nothing is written back to the database by a headless run.
    CommandRun r = formulate(t.path(), {"--id", "1", "--quantity", "1000"});
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

TEST(FormulateCommand, AQuantityTheRunRefusesPrintsNoResults) {
    TempDatabase t(true);
    for (const auto& [quantity, message] :
         {std::pair<QString, QString>{"0.4", "La cantidad a elaborar debe ser mayor que cero"},
          {"abc", "La cantidad a elaborar debe ser numérica"},
          {"1500", "La cantidad a elaborar no puede ser mayor a 1000"}}) {
        for (const QStringList& format : {QStringList{}, QStringList{"--json"}}) {
            const CommandRun r = formulate(
                t.path(), QStringList{"--formula", "POLLO-INI", "--quantity", quantity} + format);
            EXPECT_EQ(r.status, 1) << quantity.toStdString();
            EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
            EXPECT_EQ(r.messages, QStringList{message});
        }
    }
}

TEST(FormulateCommand, StoredValuesItCannotUseStopItWithoutResults) {
    TempDatabase t(true);
    // A protein minimum stored as text was once read as 0 and the run reported an optimum.
    t.db().exec("update formula_propiedad set minimo='quince' where id_formula=1 and id_propiedad="
                "(select id_propiedad from propiedades where nombre='Proteína bruta')");
    const CommandRun r = formulate(t.path(), {"--id", "1", "--quantity", "1000"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_TRUE(r.messages[0].contains("quince") && r.messages[0].contains("formula_propiedad") &&
                r.messages[0].contains("minimo") && r.messages[0].contains("id_formula=1"))
        << r.messages[0].toStdString();

    // A file without a column the program reads is refused on opening.
    t.db().exec("alter table formula_producto drop column maximo");
    EXPECT_EQ(formulate(t.path(), {"--id", "2", "--quantity", "1000"}).status, 1);
}

TEST(FormulateCommand, JsonKeepsItsKeysAndEveryFigureExactly) {
    TempDatabase t(true);
    const CommandRun r =
        formulate(t.path(), {"--formula", "CERDO-CREC", "--quantity", "1000", "--json"});
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.endsWith("}\n"));
    EXPECT_EQ(r.json.keys(), (QStringList{"analisis", "aportes", "cantidad", "costo_total",
                                          "costo_unitario_humeda", "ingredientes", "materia_seca",
                                          "nutrientes", "outcome"}));
    const QJsonObject first = r.json["ingredientes"].toArray().first().toObject();
    EXPECT_EQ(first.keys(),
              (QStringList{"cantidad_humeda", "cantidad_seca", "costo_total", "id_producto",
                           "nombre", "porcentaje_humeda", "porcentaje_seca"}));
    EXPECT_TRUE(r.json["nutrientes"].toArray().first().toObject()["maximo"].isNull() ||
                r.json["nutrientes"].toArray().first().toObject()["maximo"].isDouble());

    // Qt writes the shortest text that reads back as the same double.
    for (const double v : {0.1 + 0.2, 1.0 / 3, 1e-7, 2.0 / 3 * 1000, 123456789.123456789, 5e-324,
                           1.7976931348623157e308}) {
        const QByteArray text = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
        const QByteArray number = text.mid(1, text.size() - 2);
        EXPECT_EQ(std::strtod(number.constData(), nullptr), v) << text.constData();
        EXPECT_LE(number.size(), 24) << text.constData();
    }
}

// A new sample database opens on formulated diets: each formula's stored mix is the optimum for
// a batch of 1000, so formulating it again, with no quantity given, finds the same cost and mix.
TEST(FormulateCommand, TheSampleDatabaseStoresEachFormulaFormulatedAtABatchOf1000) {
    QTemporaryDir dir;
    const QString path = dir.filePath("muestra.db");
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    ASSERT_EQ(cli::runCreateDatabase({path, true}, out, err), 0) << errText.toStdString();
    auto db = store::Database::openFile(path);
    for (const QString code : {"POLLO-INI", "PONEDORA", "CERDO-CREC", "VACA-CONC"}) {
        SCOPED_TRACE(code.toStdString());
        store::RecordSet stored = db->query(
            "select sum(fp.cantidad_humeda) as wet, sum(fp.cantidad_humeda*fp.costo) as cost "
            "from formula_producto fp, formulas f where fp.id_formula=f.id_formula "
            "and f.codigo='" +
            code + "'");
        stored.moveFirst();
        const CommandRun again = formulate(path, {"--formula", code, "--json"});
        ASSERT_EQ(again.status, 0) << again.messages.join("\n").toStdString();
        EXPECT_EQ(again.json["cantidad"].toDouble(), 1000);
        EXPECT_GT(stored.value("wet").toDouble(), 999);
        EXPECT_NEAR(stored.value("cost").toDouble(), again.json["costo_total"].toDouble(),
                    1e-6 * again.json["costo_total"].toDouble());
    }
    const CommandRun broiler = formulate(path, {"--formula", "POLLO-INI", "--json"});
    EXPECT_NEAR(broiler.json["costo_unitario_humeda"].toDouble(), 0.2749198, 5e-7);

    // The ratio and group limits went into the run, and the values of the stored mix with them.
    const QJsonArray ratios = broiler.json["relaciones"].toArray();
    ASSERT_EQ(ratios.size(), 1);
    const QJsonObject ratio = ratios[0].toObject();
    EXPECT_EQ(ratio.keys(),
              (QStringList{"divisor", "maximo", "minimo", "nombre", "numerador", "valor"}));
    EXPECT_EQ(ratio["nombre"].toString(),
              ratio["numerador"].toString() + " / " + ratio["divisor"].toString());
    EXPECT_EQ(ratio["minimo"].toDouble(), 1.8);
    EXPECT_EQ(ratio["maximo"].toDouble(), 2.2);
    EXPECT_GE(ratio["valor"].toDouble(), 1.8 - 1e-9);
    EXPECT_LE(ratio["valor"].toDouble(), 2.2 + 1e-9);
    store::RecordSet storedRatio = db->query("select valor from formula_relacion");
    storedRatio.moveFirst();
    EXPECT_NEAR(storedRatio.toDouble("valor"), ratio["valor"].toDouble(), 1e-9);
    const QJsonArray groups = broiler.json["grupos"].toArray();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0].toObject().keys(), (QStringList{"maximo", "minimo", "nombre", "valor"}));
    EXPECT_LE(groups[0].toObject()["valor"].toDouble(), 50 + 1e-6);

    const CommandRun layer = formulate(path, {"--formula", "PONEDORA", "--json"});
    EXPECT_FALSE(layer.json.contains("relaciones"));
    ASSERT_EQ(layer.json["grupos"].toArray().size(), 1);
    EXPECT_GE(layer.json["grupos"].toArray()[0].toObject()["valor"].toDouble(), 450 - 1e-6);
    store::RecordSet storedGroups = db->query("select count(*) as n from formula_grupo where "
                                              "valor is null");
    storedGroups.moveFirst();
    EXPECT_EQ(storedGroups.toInt("n"), 0);

    // The table shows them after the nutrients.
    const CommandRun table = formulate(path, {"--formula", "POLLO-INI"});
    EXPECT_LT(table.out.indexOf("Nutriente"), table.out.indexOf("Relación"));
    EXPECT_LT(table.out.indexOf("Relación"), table.out.indexOf("Grupo"));
}

namespace {

// The calcium formula whose limits cannot hold together.
struct CalciumConflict {
    TempDatabase t;
    int formula = blenddb::addCalciumConflict(t.db());

    // Stores one limit of the formula, as a person would type it in the workspace.
    void setLimit(const QJsonObject& c, const QJsonValue& value) {
        const bool nutrient = c["tipo"].toString() == "nutriente";
        const QString table = nutrient ? "formula_propiedad" : "formula_producto";
        const QString key = nutrient ? "id_propiedad" : "id_producto";
        const QString names = nutrient ? "propiedades" : "productos";
        const QString v = value.isNull() ? "null" : QString::number(value.toDouble(), 'g', 17);
        t.db().exec("update " + table + " set " + c["limite"].toString() + "=" + v + " where " +
                    key + " in (select " + key + " from " + names + " where nombre='" +
                    c["nombre"].toString() + "')");
    }
    CommandRun run() {
        return formulate(t.path(), {"--formula", "CALCIO", "--quantity", "1000", "--json"});
    }
};

} // namespace

TEST(FormulateCommand, InfeasibleRunNamesTheConflictAndEachRelaxationSolves) {
    CalciumConflict ex;
    const CommandRun r = ex.run();
    EXPECT_EQ(r.status, 3) << r.messages.join('/').toStdString() << r.out.toStdString();
    ASSERT_EQ(r.json["outcome"].toString(), "infeasible");
    const QJsonArray conflict = r.json["conflicto"].toArray();
    ASSERT_EQ(conflict.size(), 3) << r.out.toStdString();
    const QStringList expected = {"nutriente|Calcio|minimo|1.2", "nutriente|Fósforo|maximo|0.5",
                                  "ingrediente|Calcáreo|maximo|20"};
    for (qsizetype i = 0; i < conflict.size(); ++i) {
        const QJsonObject c = conflict[i].toObject();
        EXPECT_EQ(c.keys(),
                  (QStringList{"costo", "limite", "nombre", "relajacion", "tipo", "valor"}));
        EXPECT_EQ(QString("%1|%2|%3|%4")
                      .arg(c["tipo"].toString(), c["nombre"].toString(), c["limite"].toString())
                      .arg(c["valor"].toDouble()),
                  expected[i]);
        ASSERT_TRUE(c["relajacion"].isDouble()) << i;
        // The formula with this limit alone moved to its relaxation solves at the cost given,
        // and the key is gone once it does.
        ex.setLimit(c, c["relajacion"]);
        const CommandRun relaxed = ex.run();
        EXPECT_EQ(relaxed.status, 0) << i;
        EXPECT_NEAR(relaxed.json["costo_unitario_humeda"].toDouble(), c["costo"].toDouble(), 1e-9);
        EXPECT_FALSE(relaxed.json.contains("conflicto"));
        ex.setLimit(c, c["valor"]);
    }
    EXPECT_EQ(ex.run().json["conflicto"].toArray(), conflict);

    // A minimum out of reach stops before the engine: no diagnosis.
    ex.t.db().exec("update formula_propiedad set minimo=100 where minimo is not null");
    const CommandRun unreachable = ex.run();
    EXPECT_EQ(unreachable.json["outcome"].toString(), "precheck_failed");
    EXPECT_FALSE(unreachable.json.contains("conflicto"));
}

// A ratio no mix within the ingredient limits reaches is refused before solving, its message
// naming it, and the formula is infeasible like any other: that ratio is its conflict, with the
// most the mix can reach as its relaxation.
TEST(FormulateCommand, ARatioOutOfReachIsAnInfeasibleFormula) {
    CalciumConflict ex;
    ex.t.db().exec("update formula_propiedad set minimo=0.5 where minimo is not null");
    // Ca / P reaches about 3.2 at most.
    ex.t.db().exec(QString("insert into formula_relacion (id_formula,id_propiedad,"
                           "id_propiedad_divisor,minimo) select %1,c.id_propiedad,p.id_propiedad,"
                           "10 from propiedades c, propiedades p where c.nombre='Calcio' and "
                           "p.nombre='Fósforo'")
                       .arg(ex.formula));
    const CommandRun r = ex.run();
    EXPECT_EQ(r.status, 3) << r.out.toStdString();
    ASSERT_EQ(r.json["outcome"].toString(), "infeasible");
    ASSERT_EQ(r.messages.size(), 1) << r.messages.join('/').toStdString();
    EXPECT_TRUE(r.messages[0].contains("no se alcanza")) << r.messages[0].toStdString();
    const QJsonArray conflict = r.json["conflicto"].toArray();
    ASSERT_EQ(conflict.size(), 1) << r.out.toStdString();
    const QJsonObject c = conflict[0].toObject();
    EXPECT_EQ(c.keys(), (QStringList{"costo", "limite", "nombre", "relajacion", "tipo", "valor"}));
    EXPECT_EQ(c["tipo"].toString(), "relacion");
    EXPECT_EQ(c["nombre"].toString(), "Calcio / Fósforo");
    EXPECT_EQ(c["limite"].toString(), "minimo");
    EXPECT_EQ(c["valor"].toDouble(), 10);
    ASSERT_TRUE(c["relajacion"].isDouble());
    const double reach = c["relajacion"].toDouble();
    EXPECT_GT(reach, 2);
    EXPECT_LT(reach, 10);

    // At its relaxation the formula solves, at the cost given; a little above it, it does not.
    auto setMinimum = [&](double v) {
        ex.t.db().exec("update formula_relacion set minimo=" + QString::number(v, 'g', 17));
    };
    setMinimum(reach);
    const CommandRun relaxed = ex.run();
    EXPECT_EQ(relaxed.status, 0) << relaxed.messages.join('/').toStdString();
    EXPECT_NEAR(relaxed.json["costo_unitario_humeda"].toDouble(), c["costo"].toDouble(), 1e-9);
    setMinimum(reach * 1.001);
    EXPECT_EQ(ex.run().json["outcome"].toString(), "infeasible");
}

// formulate and print find a formula the same way: a key that is not stored is named like a code
// that is not, and a key stored past 32 bits is refused, never cut down to another formula's.
TEST(FormulateCommand, FindsTheFormulaAsPrintDoes) {
    TempDatabase t(true);
    t.db().exec("insert into formulas (id_formula,codigo,producto,version) values "
                "(4294967297,'GRANDE','x',0)");
    QTemporaryDir dir;
    for (const QString command : {"formulate", "print"}) {
        SCOPED_TRACE(command.toStdString());
        const QStringList output =
            command == "print" ? QStringList{"--pdf", dir.filePath("f.pdf")} : QStringList{};
        auto run = [&](const QStringList& args) {
            ScriptedMessages messages;
            QString out, err;
            QTextStream o(&out), e(&err);
            const int status = cli::runWithoutWindow(
                cli::parseCommandLine(QStringList{"dosivant", command, "--database", t.path()} +
                                      args + output),
                o, e);
            e.flush();
            EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
            return std::pair{status, err};
        };
        const auto [missingStatus, missing] = run({"--id", "999"});
        EXPECT_EQ(missingStatus, 1);
        EXPECT_TRUE(missing.contains("o existe la fórmula 999\n")) << missing.toStdString();
        const auto [wideStatus, wide] = run({"--formula", "GRANDE"});
        EXPECT_EQ(wideStatus, 1);
        EXPECT_TRUE(wide.contains("4294967297") &&
                    wide.contains("columna id_formula de la tabla formulas (codigo='GRANDE')"))
            << wide.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("f.pdf")));
}

TEST(FormulateCommand, AConflictNamesAGroupLimitAsAGroup) {
    TempDatabase t(true);
    // Animal proteins forced to most of the broiler's batch: no mix meets its nutrient limits.
    const QString broiler = "(select id_formula from formulas where codigo='POLLO-INI')";
    t.db().exec("update formula_producto set maximo=null where id_formula=" + broiler);
    t.db().exec("update formula_grupo set minimo=900, maximo=null where id_formula=" + broiler);
    const CommandRun r =
        formulate(t.path(), {"--formula", "POLLO-INI", "--quantity", "1000", "--json"});
    ASSERT_EQ(r.json["outcome"].toString(), "infeasible") << r.messages.join("/").toStdString();
    QStringList kinds;
    for (const auto& c : r.json["conflicto"].toArray())
        kinds << c.toObject()["tipo"].toString() + '|' + c.toObject()["nombre"].toString();
    EXPECT_TRUE(kinds.contains("grupo|Proteínas animales")) << kinds.join(", ").toStdString();
}

namespace {

struct AnyCommandRun {
    int status;
    QString out, err;
    QStringList messages;
};

AnyCommandRun runAny(const char* command, const QStringList& args) {
    ScriptedMessages messages;
    AnyCommandRun r;
    QTextStream out(&r.out), err(&r.err);
    r.status = cli::runWithoutWindow(cli::parseCommandLine(QStringList{"dosivant", command} + args),
                                     out, err);
    out.flush();
    err.flush();
    r.messages = messages.texts();
    return r;
}

// Reformulate's new cost of the formula `code`, from its JSON lines.
double reformulatedCost(const QString& db, const QString& code) {
    const AnyCommandRun r = runAny("reformulate", {"--database", db, "--json"});
    for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        if (o["codigo"].toString() == code)
            return o["costo_nuevo"].toDouble();
    }
    ADD_FAILURE() << r.out.toStdString() << r.err.toStdString();
    return 0;
}

} // namespace

TEST(FormulateCommand, ALimitHeldWithAProbabilityShowsItsMarginAndOthersRefuseIt) {
    TempDatabase t(true);
    auto& db = t.db();
    const QStringList args{"--formula", "POLLO-INI", "--quantity", "1000", "--json"};
    const CommandRun linear = formulate(t.path(), args);
    const double linearReformulated = reformulatedCost(t.path(), "POLLO-INI");
    // Protein varies by 5 % of its value in every ingredient; the broiler's minimum at 95 %.
    varySampleProtein(db);
    holdBroilerProteinAt95(db);

    const CommandRun r = formulate(t.path(), args);
    ASSERT_EQ(r.status, 0) << r.messages.join("\n").toStdString();
    EXPECT_GT(r.json["costo_unitario_humeda"].toDouble(),
              linear.json["costo_unitario_humeda"].toDouble());
    int held = 0;
    for (const auto& v : r.json["nutrientes"].toArray()) {
        const QJsonObject n = v.toObject();
        if (n["nombre"].toString() != "Proteína bruta") {
            EXPECT_FALSE(n.contains("probabilidad") || n.contains("margen") ||
                         n.contains("desvio"));
            continue;
        }
        ++held;
        EXPECT_EQ(n["probabilidad"].toDouble(), 0.95);
        EXPECT_GT(n["desvio"].toDouble(), 0);
        EXPECT_NEAR(n["margen"].toDouble(), 1.6448536269514722 * n["desvio"].toDouble(), 1e-9);
        EXPECT_NEAR(n["valor"].toDouble() - n["margen"].toDouble(), n["minimo"].toDouble(), 1e-6);
    }
    EXPECT_EQ(held, 1);
    const CommandRun text = formulate(t.path(), {"--formula", "POLLO-INI", "--quantity", "1000"});
    EXPECT_TRUE(text.out.contains("Proteína bruta") && text.out.contains("95 %") &&
                text.out.contains("varían en forma independiente"))
        << text.out.toStdString();

    // The book's re-formulation runs the same chance limits.
    EXPECT_GT(reformulatedCost(t.path(), "POLLO-INI"), linearReformulated + 1e-6);

    // Ranging and plans do not take them into account yet, and say so.
    const AnyCommandRun ranging =
        runAny("ranging", {"--database", t.path(), "--formula", "POLLO-INI", "--precio", "PESCADO",
                           "--desde", "0", "--hasta", "5"});
    EXPECT_EQ(ranging.status, 1);
    EXPECT_TRUE(ranging.messages.join('\n').contains("probabilidad")) << ranging.err.toStdString();
    const AnyCommandRun plan =
        runAny("plan", {"--database", t.path(), "--plan", "Semana de ejemplo"});
    EXPECT_NE(plan.status, 0);
    EXPECT_TRUE((plan.out + plan.err + plan.messages.join('\n')).contains("probabilidad"))
        << plan.out.toStdString() << plan.err.toStdString();
}

TEST(FormulateCommand, WeighingConditionsAddTheSearchToTheJsonAndItsLimitsStopIt) {
    TempDatabase t(true);
    store::Database& db = t.db();
    const QString formula =
        db.query("select max(id_formula) from formulas where trim(codigo)='CERDO-CREC'")
            .valueAt(0, 0)
            .toString();
    // Every ingredient that may reach 30 kg at least that if used, at most 8 of them.
    db.exec("insert into formula_uso_minimo (id_formula,id_producto,minimo) select " + formula +
            ",id_producto,30 from formula_producto where (maximo is null or maximo>=30) and "
            "id_formula=" +
            formula);
    db.exec("insert into formula_opciones (id_formula,max_ingredientes,redondear) values (" +
            formula + ",8,0)");
    const QStringList args{"--formula", "CERDO-CREC", "--quantity", "1000", "--json"};
    const CommandRun r = formulate(t.path(), args);
    ASSERT_EQ(r.status, 0) << r.messages.join('\n').toStdString();
    EXPECT_TRUE(r.messages.isEmpty());
    const QJsonObject entero = r.json["entero"].toObject();
    EXPECT_EQ(entero.keys(), (QStringList{"brecha", "costo_continuo", "nodos", "probado"}));
    EXPECT_TRUE(entero["probado"].toBool());
    EXPECT_EQ(entero["brecha"].toDouble(), 0);
    EXPECT_LE(entero["costo_continuo"].toDouble(), r.json["costo_unitario_humeda"].toDouble());
    QSet<int> conditioned;
    db.forEachRow("select id_producto from formula_uso_minimo where id_formula=" + formula, {},
                  [&](const store::Database::Row& row) { conditioned << row[0].toInt(); });
    ASSERT_GT(conditioned.size(), 8);
    int used = 0;
    for (const QJsonValue& row : r.json["ingredientes"].toArray()) {
        const double q = row.toObject()["cantidad_humeda"].toDouble();
        used += q > 0 ? 1 : 0;
        if (conditioned.contains(row.toObject()["id_producto"].toInt())) {
            EXPECT_TRUE(q == 0 || q >= 30 - 1e-9) << q;
        }
    }
    EXPECT_LE(used, 8);
    ASSERT_GT(entero["nodos"].toDouble(), 1);

    // One node, by either name of the option: the best mix found, not proven, and said so.
    const CommandRun cut = formulate(t.path(), args + QStringList{"--max-nodos", "1"});
    const QJsonObject stopped = cut.json["entero"].toObject();
    EXPECT_EQ(stopped["nodos"].toDouble(), 1);
    EXPECT_FALSE(stopped["probado"].toBool());
    EXPECT_EQ(formulate(t.path(), args + QStringList{"--max-nodes", "1"}).out, cut.out);
    ASSERT_FALSE(cut.messages.isEmpty());
    EXPECT_TRUE(cut.messages[0].startsWith("La búsqueda se detuvo"))
        << cut.messages[0].toStdString();

    // Limits that are no number of nodes or seconds are refused before anything runs.
    for (const QStringList& bad : {QStringList{"--max-nodes", "0"}, QStringList{"--max-nodos", "x"},
                                   QStringList{"--max-segundos", "-1"}}) {
        const CommandRun refused = formulate(t.path(), args + bad);
        EXPECT_NE(refused.status, 0) << bad.join(' ').toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
    }
}
