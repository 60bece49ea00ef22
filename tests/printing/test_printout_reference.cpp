#include "optimizer/formulation_run.h"
#include "printing/formula_printout.h"
#include "printing/page_output.h"
#include "support/loaded_workspace.h"
#include "support/scripted_messages.h"
#include "support/temp_database.h"
#include "workspace/formula_loader.h"
#include "workspace/workspace.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// Pixels whose grey differs by more than a faint anti-aliasing step, as a share of all.
double differingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 1;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 96;
    return double(differing) / (qint64(a.width()) * a.height());
}

} // namespace

// The first page of the sample broiler diet, formulated, against a reviewed picture of it.
// DOSIVANT_UPDATE_REFERENCE=1 writes the picture anew (look at it before committing).
TEST(PrintoutReference, SampleBroilerDietFirstPageMatchesTheReviewedImage) {
    ScriptedMessages messages;
    TempDatabase t(true);
    workspace::Workspace ws;
    ws.formulaId = t.db()
                       .query("select id_formula from formulas where codigo='POLLO-INI'")
                       .valueAt(0, 0)
                       .toInt();
    ASSERT_NE(ws.formulaId, 0);
    workspace::FormulaHeader header = loadShown(ws, t.db());
    // A fixed modification date, so the picture does not depend on the day the sample was made.
    header.fechaModificacion = "05/12/2026";
    optimizer::FormulationRequest input{1000, ws.ingredientsDry, ws.nutrientsDry, {}};
    const optimizer::Formulation run = optimizer::formulate(ws, t.db(), input);
    ASSERT_EQ(run.outcome, optimizer::RunOutcome::Optimum)
        << messages.texts().join("\n").toStdString();
    ASSERT_TRUE(run.figures.has_value());
    printing::PrintoutTexts texts = printing::PrintoutTexts::from(header, *run.figures);
    texts.unidades = printing::nutrientUnits(t.db(), ws);
    // Every nutrient of the sample has its unit in the catalogue.
    ASSERT_EQ(texts.unidades.size(), qsizetype(ws.nutrients.size()));
    for (const workspace::FormulaNutrient& n : ws.nutrients) {
        if (n.nombre.startsWith("Energía")) {
            EXPECT_EQ(texts.unidades.value(n.id), "Mcal");
        }
    }

    const QList<QImage> pages = printing::renderPages(
        [&](printing::PageCanvas& canvas) {
            printing::imprimeImpresora(canvas, ws, texts, QDate(2026, 12, 6));
        },
        100);
    ASSERT_EQ(pages.size(), 1);
    const QImage page = pages.first().convertToFormat(QImage::Format_RGB32);

    const QString reference = QDir(DOSIVANT_TEST_DATA).filePath("reference/broiler_printout.png");
    if (qEnvironmentVariableIntValue("DOSIVANT_UPDATE_REFERENCE") == 1) {
        QDir().mkpath(QFileInfo(reference).absolutePath());
        ASSERT_TRUE(page.save(reference));
        GTEST_SKIP() << "reference written to " << reference.toStdString();
    }
    const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(expected.isNull()) << reference.toStdString();
    EXPECT_LT(differingShare(page, expected), 0.002);
}
