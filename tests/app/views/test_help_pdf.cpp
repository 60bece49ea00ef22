#include "help_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kGuide = QStringLiteral(DOSIVANT_HELP_DIR "/guiarapidadosivant.html");

// `page` read and laid out on the help's pages, as the tool lays it out.
std::unique_ptr<QTextDocument> laidOut(const QString& page, QPdfWriter& writer) {
    QString error;
    std::unique_ptr<QTextDocument> document = helppdf::readPage(page, &error);
    EXPECT_TRUE(document) << error.toStdString();
    if (document)
        helppdf::layOutOnPages(*document, writer);
    return document;
}

} // namespace

TEST(HelpPdf, AHeadingAtTheFootOfAPageMovesToTheNextWithItsText) {
    QTemporaryDir dir;
    const QString page = dir.filePath("pagina.html");
    QPdfWriter writer(dir.filePath("pagina.pdf"));
    // As many lines before the heading as it takes to bring it to the foot of the first page.
    bool atTheFoot = false;
    for (int lines = 20; lines < 120 && !atTheFoot; ++lines) {
        QString html = "<html><body>";
        for (int i = 0; i < lines; ++i)
            html += "<p>Línea " + QString::number(i) + "</p>";
        html += "<h3>2. El catálogo</h3><p>Su texto.</p><p>Más texto.</p></body></html>";
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(html.toUtf8());
        file.close();
        std::unique_ptr<QTextDocument> document = laidOut(page, writer);
        ASSERT_TRUE(document);
        if (helppdf::headingsEndingAPage(*document).isEmpty())
            continue;
        atTheFoot = true;
        EXPECT_EQ(helppdf::headingsEndingAPage(*document), QStringList{"2. El catálogo"});
        helppdf::keepHeadingsWithText(*document);
        EXPECT_TRUE(helppdf::headingsEndingAPage(*document).isEmpty());
        EXPECT_EQ(document->pageCount(), 2);
        // The heading now opens the second page, its text right under it.
        const QTextBlock heading = document->findBlock(document->toPlainText().indexOf("2. El"));
        const double pageHeight = document->pageSize().height();
        const QRectF where = document->documentLayout()->blockBoundingRect(heading);
        EXPECT_GE(where.top() + 1, pageHeight);
        EXPECT_LT(where.top(), 1.2 * pageHeight);
    }
    EXPECT_TRUE(atTheFoot);
}

TEST(HelpPdf, TheQuickGuideSaysWhatTheSampleHoldsAndNoPageEndsOnAHeading) {
    QFile file(kGuide);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    EXPECT_FALSE(html.contains("sin formular")); // the sample formulas are stored formulated
    EXPECT_TRUE(html.contains("ya formuladas"));

    QTemporaryDir dir;
    QPdfWriter writer(dir.filePath("guia.pdf"));
    std::unique_ptr<QTextDocument> document = laidOut(kGuide, writer);
    ASSERT_TRUE(document);
    helppdf::keepHeadingsWithText(*document);
    EXPECT_EQ(helppdf::headingsEndingAPage(*document), QStringList());

    QString error;
    const QString pdf = dir.filePath("guiarapidadosivant.pdf");
    ASSERT_TRUE(helppdf::writePdf(kGuide, pdf, &error)) << error.toStdString();
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.read(5).startsWith("%PDF"));
    EXPECT_FALSE(helppdf::writePdf(dir.filePath("no-existe.html"), pdf, &error));
    EXPECT_TRUE(error.contains("no-existe.html"));
}

// The guide is a nutritionist's: a section per task, every picture it shows present in the
// screenshot tour, and nothing of building the program or of an export it does not make.
TEST(HelpPdf, TheQuickGuideHasATaskPerSectionAndItsPicturesExist) {
    QFile file(kGuide);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    for (const char* task : {"Formular una ración", "Relaciones entre nutrientes y grupos",
                             "Actualizar precios con una lista", "Reformular",
                             "Comparar dos versiones", "Planes de producción", "Rangos",
                             "Gráficos de la mezcla", "Trabajar en equipo con un servidor"})
        EXPECT_TRUE(QRegularExpression(QStringLiteral("<h3>\\d+\\. [^<]*") +
                                       QRegularExpression::escape(QString::fromUtf8(task)))
                        .match(html)
                        .hasMatch())
            << task;
    EXPECT_FALSE(html.contains("make run"));
    EXPECT_FALSE(html.contains("Exportar a Word"));
    const QRegularExpression picture(QStringLiteral("src=\"([^\"]+)\""));
    int pictures = 0;
    for (auto m = picture.globalMatch(html); m.hasNext(); ++pictures) {
        const QString path = QStringLiteral(DOSIVANT_HELP_DIR "/") + m.next().captured(1);
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    }
    EXPECT_GE(pictures, 10);
}
