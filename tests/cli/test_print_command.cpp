#include "catalog/composition.h"
#include "catalog/nutrients.h"
#include "cli/command_line.h"
#include "cli/command_run.h"
#include "formulas/formula_lookup.h"
#include "optimizer/chance_figures.h"
#include "optimizer/formulation_run.h"
#include "optimizer/sample_formulas.h"
#include "printing/formula_printout.h"
#include "printing/zip_reader.h"
#include "store/database.h"
#include "support/chance_sample.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/formula_loader.h"
#include "workspace/formula_save.h"
#include "workspace/workspace.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int pdfPages(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page\n"));
}

} // namespace

TEST(PrintCommand, WritesTheStoredFormulaAsPdfOrDocumentAndNothingElse) {
    TempDatabase t(true);
    QTemporaryDir dir;
    const QByteArray before =
        QCryptographicHash::hash(contents(t.path()), QCryptographicHash::Sha256);

    const CommandRun pdf = runCommand("print", {"--database", t.path(), "--formula", "POLLO-INI",
                                                "--pdf", dir.filePath("pollo.pdf")});
    ASSERT_EQ(pdf.status, 0) << pdf.err.toStdString();
    EXPECT_TRUE(contents(dir.filePath("pollo.pdf")).startsWith("%PDF"));
    EXPECT_EQ(pdfPages(contents(dir.filePath("pollo.pdf"))), 1);
    // The charts of the mix come on a page of their own when asked for.
    const CommandRun charts =
        runCommand("print", {"--database", t.path(), "--formula", "POLLO-INI", "--pdf",
                             dir.filePath("graficos.pdf"), "--graficos"});
    ASSERT_EQ(charts.status, 0) << charts.err.toStdString();
    EXPECT_EQ(pdfPages(contents(dir.filePath("graficos.pdf"))), 2);
    EXPECT_EQ(runCommand("print", {"--database", t.path(), "--formula", "POLLO-INI", "--odt",
                                   dir.filePath("g.odt"), "--graficos"})
                  .status,
              1);

    const CommandRun odt = runCommand(
        "print", {"--database", t.path(), "--id", "1", "--odt", dir.filePath("pollo.odt")});
    ASSERT_EQ(odt.status, 0) << odt.err.toStdString();
    ZipReader zip(contents(dir.filePath("pollo.odt")));
    ASSERT_TRUE(zip.isOpen());
    const QString content = QString::fromUtf8(zip.read("content.xml"));
    // The header and the nutrient limits as loaded into the workspace.
    EXPECT_TRUE(content.contains("Pollo parrillero iniciador 0-3 semanas"));
    EXPECT_TRUE(content.contains("POLLO-INI"));
    EXPECT_TRUE(content.contains("NUTRIENTES"));
    // The energy minimum with the catalogue's unit and the three decimals energy reads with.
    EXPECT_TRUE(content.contains(">3.200 Mcal<")) << content.toStdString();

    EXPECT_EQ(QCryptographicHash::hash(contents(t.path()), QCryptographicHash::Sha256), before);
}

// A stored formula whose protein minimum holds at 95 % prints the mean and margin of its stored
// mix without being formulated again, with the assumption they rest on; without a mix stored
// there is nothing of them to print.
TEST(PrintCommand, PrintsTheChanceFiguresOfTheStoredMix) {
    TempDatabase t(true);
    auto& db = t.db();
    varySampleProtein(db);
    holdBroilerProteinAt95(db);
    const int id = formulas::findFormula(db, {"POLLO-INI", {}, 0});
    {
        // Formulated and its mix stored, as the workspace saves it.
        workspace::Workspace ws;
        workspace::adoptLoaded(ws, workspace::loadFormula(db, id).ws, id);
        ASSERT_EQ(
            optimizer::formulate(ws, db, {1000, ws.ingredientsDry, ws.nutrientsDry, {}}).outcome,
            optimizer::RunOutcome::Optimum);
        workspace::saveFormulaRows(ws, db, id);
    }
    const std::vector<optimizer::ChanceFigureRow> figures =
        optimizer::chanceFiguresOfMix(workspace::loadFormula(db, id).ws, db);
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_GT(figures[0].margen, 0);

    QTemporaryDir dir;
    const CommandRun odt = runCommand("print", {"--database", t.path(), "--formula", "POLLO-INI",
                                                "--odt", dir.filePath("azar.odt")});
    ASSERT_EQ(odt.status, 0) << odt.err.toStdString();
    ZipReader zip(contents(dir.filePath("azar.odt")));
    const QString content = QString::fromUtf8(zip.read("content.xml"));
    EXPECT_TRUE(content.contains("LÍMITES CON PROBABILIDAD"));
    EXPECT_TRUE(content.contains(">95 %<")) << content.toStdString();
    EXPECT_TRUE(content.contains(">" + printing::nutrientText(figures[0].media, "%") + "<"));
    EXPECT_TRUE(content.contains(">" + printing::nutrientText(figures[0].margen, "%") + "<"));
    EXPECT_TRUE(content.contains("varían en forma independiente"));

    // A mix of nothing but zeros, as an unformulated formula stores it, or none at all.
    for (const char* share : {"0", "null"}) {
        db.exec(QString("update formula_producto set cantidad_seca=%1, cantidad_humeda=%1, "
                        "porcentaje_seca=%1, porcentaje_humeda=%1")
                    .arg(share));
        const CommandRun bare =
            runCommand("print", {"--database", t.path(), "--formula", "POLLO-INI", "--odt",
                                 dir.filePath("sin.odt")});
        ASSERT_EQ(bare.status, 0) << bare.err.toStdString();
        ZipReader none(contents(dir.filePath("sin.odt")));
        EXPECT_FALSE(
            QString::fromUtf8(none.read("content.xml")).contains("LÍMITES CON PROBABILIDAD"))
            << share;
    }
}

// Each --goal (or --objetivo) adds its line: the formula's value per kg and per tonne as fed.
TEST(PrintCommand, WritesALinePerChosenGoal) {
    TempDatabase t(true);
    QTemporaryDir dir;
    {
        ScriptedMessages messages;
        optimizer::formulateSampleFormulas(t.db());
        const int footprint = catalog::createNutrient(t.db(), {"Huella de carbono", "kg CO2e/kg"});
        const int broiler = formulas::findFormula(t.db(), {"POLLO-INI", std::nullopt, 0});
        // 0.4 per kilogram as fed in every ingredient: 0.4 in any mix.
        for (const workspace::FormulaIngredient& i :
             workspace::loadFormula(t.db(), broiler).ws.ingredients)
            catalog::updateCompositionValue(
                t.db(), i.id, footprint, 0.4 * 100 / i.materiaSecaActual.value_or(i.materiaSeca));
    }
    const CommandRun odt =
        runCommand("print", {"--database", t.path(), "--formula", "POLLO-INI", "--odt",
                             dir.filePath("objetivos.odt"), "--goal", "huella de carbono",
                             "--objetivo", "Proteína bruta"});
    ASSERT_EQ(odt.status, 0) << odt.err.toStdString();
    ZipReader zip(contents(dir.filePath("objetivos.odt")));
    const QString content = QString::fromUtf8(zip.read("content.xml"));
    EXPECT_TRUE(content.contains("Huella de carbono: 0.4000 kg CO2e/kg · 400.00 kg CO2e/t"))
        << content.toStdString();
    EXPECT_TRUE(content.contains("Proteína bruta: ")) << content.toStdString();
    EXPECT_LT(content.indexOf("Huella de carbono:"), content.indexOf("Proteína bruta: "));

    const CommandRun unknown =
        runCommand("print", {"--database", t.path(), "--formula", "POLLO-INI", "--pdf",
                             dir.filePath("no.pdf"), "--goal", "huella de agua"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains("No hay ningún nutriente llamado"))
        << unknown.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("no.pdf")));
}

TEST(PrintCommand, RefusesBadRequestsWithAClearMessage) {
    TempDatabase t(true);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("x.pdf");
    const std::pair<QStringList, QString> cases[] = {
        {{"--formula", "POLLO-INI", "--pdf", pdf}, "Falta --database"},
        {{"--database", t.path(), "--pdf", pdf}, "Indique --formula o --id"},
        {{"--database", t.path(), "--formula", "POLLO-INI"}, "Indique --pdf o --odt"},
        {{"--database", t.path(), "--formula", "POLLO-INI", "--pdf", pdf, "--odt", pdf},
         "Indique --pdf o --odt"},
        {{"--database", t.path(), "--id", "x", "--pdf", pdf}, "Valor no válido para --id"},
        {{"--database", t.path(), "--formula", "NO-EXISTE", "--pdf", pdf}, "no existe la fórmula"},
        {{"--database", t.path(), "--id", "999", "--pdf", pdf}, "no existe la fórmula"},
        {{"--database", dir.filePath("nada.db"), "--id", "1", "--pdf", pdf},
         "error de base de datos"},
        {{"--database", t.path(), "--id", "1", "--pdf", "/proc/no/such/x.pdf"}, "No se pudo"},
    };
    for (const auto& [args, expected] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CommandRun r = runCommand("print", args);
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(expected)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST(ReportCommand, WritesEachCatalogueListAndRefusesAnEmptyOne) {
    TempDatabase t(true);
    QTemporaryDir dir;
    for (const QString list : {"ingredientes", "nutrientes", "formulas"}) {
        SCOPED_TRACE(list.toStdString());
        const QString pdf = dir.filePath(list + ".pdf");
        const CommandRun r = runCommand("report", {list, "--database", t.path(), "--pdf", pdf});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(pdfPages(contents(pdf)), 1);
    }
    const CommandRun unknown =
        runCommand("report", {"clientes", "--database", t.path(), "--pdf", "x.pdf"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains("ingredientes, nutrientes o formulas"));

    TempDatabase empty(false);
    const QString pdf = dir.filePath("vacio.pdf");
    const CommandRun r =
        runCommand("report", {"formulas", "--database", empty.path(), "--pdf", pdf});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("vacía"));
    EXPECT_FALSE(QFile::exists(pdf));
}
