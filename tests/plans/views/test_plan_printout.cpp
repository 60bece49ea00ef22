#include "app/date_text.h"
#include "plans/plan_printout.h"
#include "plans/plan_run.h"
#include "plans/plan_store.h"
#include "plans/plan_texts.h"
#include "printing/recording_canvas.h"
#include "store/database.h"
#include "support/temp_database.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Every text drawn at the height of the first text equal to `first` drawn after index `from`.
QStringList lineOf(const RecordingCanvas& canvas, const QString& first, qsizetype from = 0) {
    QStringList line;
    for (qsizetype i = from; i < canvas.texts.size(); ++i) {
        const RecordingCanvas::Text& t = canvas.texts[i];
        if (t.text != first)
            continue;
        for (const RecordingCanvas::Text& o : canvas.onPage(t.page))
            if (qAbs(o.at.y() - t.at.y()) < 0.01)
                line << o.text;
        break;
    }
    return line;
}

qsizetype indexOf(const RecordingCanvas& canvas, const RecordingCanvas::Text* t) {
    return t - canvas.texts.constData();
}

} // namespace

TEST(PlanPrintout, TheSolvedSamplePlanPrintsItsSummaryMixesAndIngredientUse) {
    TempDatabase t(true);
    const std::optional<int> id = plans::findPlan(t.db(), "Semana de ejemplo");
    ASSERT_TRUE(id);
    const plans::StoredPlan plan = *plans::loadPlan(t.db(), *id);
    const plans::PlanRun run = plans::formulatePlan(t.db(), plan);
    ASSERT_EQ(run.outcome, plans::PlanRunOutcome::Optimum);
    ASSERT_FALSE(run.formulas.empty());
    ASSERT_FALSE(run.stock.empty());

    RecordingCanvas canvas;
    plans::drawPlan(canvas, plan.header, run);
    EXPECT_TRUE(canvas.find("Plan de producción Semana de ejemplo"));
    EXPECT_TRUE(canvas.find(datetext::formatDate(plan.header.fecha)));
    EXPECT_TRUE(canvas.find(plans::totalText(run)));
    auto saysStopped = [](const RecordingCanvas& c) {
        return std::any_of(c.texts.begin(), c.texts.end(), [](const RecordingCanvas::Text& t) {
            return t.text.startsWith("La búsqueda se detuvo: brecha 1.23 %");
        });
    };
    EXPECT_FALSE(saysStopped(canvas));

    // A plan whose search a limit stopped says so under its total, with the gap.
    plans::PlanRun stopped = run;
    stopped.entero = plans::PlanSearch{run.costoTotal * 0.99, 1, 0.0123, false};
    RecordingCanvas cut;
    plans::drawPlan(cut, plan.header, stopped);
    ASSERT_TRUE(plans::searchText(stopped).contains("brecha 1.23 %"))
        << plans::searchText(stopped).toStdString();
    EXPECT_TRUE(saysStopped(cut));

    for (const plans::PlannedFormula& f : run.formulas) {
        const QStringList summary = lineOf(canvas, f.row.codigo);
        EXPECT_EQ(summary, QStringList({f.row.codigo, f.row.producto, f.row.version,
                                        plans::amountText(f.row.cantidad),
                                        plans::costText(f.costoUnitarioHumeda),
                                        plans::costText(f.costoSolo)}))
            << f.row.codigo.toStdString();
        const QString heading =
            QStringLiteral("%1 versión %2 - %3: %4 (precios %5)")
                .arg(f.row.codigo, f.row.version, f.row.producto,
                     plans::amountText(f.row.cantidad) + " kg", plans::pricesText(f, run.precios));
        const RecordingCanvas::Text* h = canvas.find(heading);
        ASSERT_TRUE(h) << heading.toStdString();
        // Every ingredient of the mix lies under its formula's heading, with its share and
        // quantity as fed.
        const qsizetype at = indexOf(canvas, h);
        for (const plans::PlannedIngredient& p : f.ingredientes) {
            qsizetype found = -1;
            for (qsizetype i = at + 1; i < canvas.texts.size() && found < 0; ++i)
                if (canvas.texts[i].text == p.nombre)
                    found = i;
            ASSERT_GT(found, at) << p.nombre.toStdString();
            EXPECT_EQ(canvas.texts[found + 2].text, plans::amountText(p.cantidadHumeda));
            EXPECT_TRUE(canvas.texts[found + 1].text.endsWith('%'));
        }
    }

    const RecordingCanvas::Text* usage = canvas.find("Uso de ingredientes");
    ASSERT_TRUE(usage);
    // The kilograms are named once, in the column headers.
    for (const char* header : {"Cantidad (kg)", "Cantidad tal cual (kg)", "Usado (kg)",
                               "Disponible (kg)", "Uso mínimo (kg)"})
        EXPECT_TRUE(canvas.find(header)) << header;
    for (const plans::PlannedStock& s : run.stock) {
        const QStringList line = lineOf(canvas, s.nombre, indexOf(canvas, usage));
        EXPECT_EQ(line, QStringList(
                            {s.nombre, plans::amountText(s.usado), plans::amountText(s.disponible),
                             plans::amountText(s.minimoUso), plans::costText(s.valorMarginal)}))
            << s.nombre.toStdString();
    }
    // Lines are measured a hair wider than drawn.
    const QRectF page = QRectF(QPointF(0, 0), canvas.pageSize()).adjusted(-0.02, -0.02, 0.02, 0.02);
    EXPECT_TRUE(page.contains(canvas.extent())) << "drawn past the printable area";
}

TEST(PlanPrintout, ALongPlanTurnsPagesRepeatingHeadersAndAFailedOneSaysWhy) {
    plans::PlanRun run;
    run.outcome = plans::PlanRunOutcome::Optimum;
    run.costoTotal = 1234.5;
    plans::PlannedFormula f;
    f.row = {1, "F-1", "Iniciador con un nombre de producto larguísimo que no cabe en su columna",
             "3", 1000};
    f.costoUnitarioHumeda = 0.5;
    for (int i = 0; i < 90; ++i)
        f.ingredientes.push_back({i + 1, QStringLiteral("Ingrediente %1").arg(i), 0.01, 10});
    run.formulas.push_back(f);
    for (int i = 0; i < 40; ++i)
        run.stock.push_back(
            {i + 1, QStringLiteral("Existencia %1").arg(i), 5.0, 100.0, std::nullopt, 0.25});
    const plans::PlanHeader header{7, "Largo", QDate(2026, 3, 2)};

    RecordingCanvas canvas;
    plans::drawPlan(canvas, header, run);
    ASSERT_GE(canvas.pages, 2);
    const double bottom = canvas.pageSize().height() - 10;
    const QRectF sheet(QPointF(0, 0), canvas.pageSize());
    for (int page = 1; page <= canvas.pages; ++page) {
        // Every page is numbered once at its foot, below everything else on it.
        const QString number = QStringLiteral("Página %1 de %2").arg(page).arg(canvas.pages);
        const RecordingCanvas::Text* foot = canvas.find(number, page);
        ASSERT_TRUE(foot) << number.toStdString();
        EXPECT_GT(foot->at.y(), bottom);
        EXPECT_TRUE(sheet.contains(QRectF(foot->at, QSizeF(foot->width, 3.4))));
        for (const RecordingCanvas::Text& t : canvas.onPage(page)) {
            if (t.text != number) {
                EXPECT_LE(t.at.y(), bottom) << t.text.toStdString();
            }
        }
    }
    // A page that starts with table rows starts with the table's title marked as going on,
    // then its header.
    for (int page = 2; page <= canvas.pages; ++page) {
        const QList<RecordingCanvas::Text> texts = canvas.onPage(page);
        ASSERT_GE(texts.size(), 2);
        const QString first = texts.first().text;
        EXPECT_GE(texts.first().style.points, 10) << page << ": " << first.toStdString();
        if (first.endsWith(" (continúa)")) {
            EXPECT_EQ(texts[1].text, "Ingrediente") << page;
        }
    }
    const QString second = canvas.onPage(2).first().text;
    EXPECT_TRUE(second.startsWith("F-1 versión 3 - Iniciador")) << second.toStdString();
    EXPECT_TRUE(second.endsWith(" (continúa)")) << second.toStdString();
    EXPECT_LE(canvas.onPage(2).first().right(), canvas.pageSize().width() + 0.02);
    EXPECT_TRUE(canvas.find("Ingrediente 89"));
    EXPECT_TRUE(canvas.find("Existencia 39"));
    const RecordingCanvas::Text* product = nullptr;
    for (const RecordingCanvas::Text& t : canvas.texts)
        if (t.text.startsWith("Iniciador con") && t.style.points == 8)
            product = &t;
    ASSERT_TRUE(product);
    EXPECT_TRUE(product->text.endsWith(u'…')); // cut to its column

    plans::PlanRun failed;
    failed.outcome = plans::PlanRunOutcome::Infeasible;
    failed.mensaje = "El plan no puede cumplir todos los límites";
    failed.conflicto.push_back({"disponible", {}, "Maíz", "maximo", 10, 400.0, {}});
    RecordingCanvas refused;
    plans::drawPlan(refused, header, failed);
    EXPECT_EQ(refused.pages, 1);
    EXPECT_TRUE(refused.find("Página 1 de 1"));
    EXPECT_TRUE(refused.find(failed.mensaje));
    EXPECT_TRUE(refused.find(plans::outcomeMessage(failed).split('\n').last()));
    for (const RecordingCanvas::Text& t : refused.texts)
        EXPECT_FALSE(t.text.startsWith("Costo total")) << t.text.toStdString();
}
